#include "ui/periphery/ImportCommand.h"

#include <strings.h>

#include <memory>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/FileCalls.h"
#include "core/MacFile.h"
#include "core/Resources.h"
#include "model/filing/DocumentFormat.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "platform/win32/MessageBox.h"
#include "ui/views/ViewServices.h"

namespace {

// Labels of the dialog, each with the string that names it.
struct LabelText {
  int32_t control;
  int16_t string;
};
constexpr LabelText kLabelTexts[] = {
    {kFolderLabelId, 12196},
    {kFileNameLabelId, 12197},
    {kFileTypeLabelId, 12198},
    {IDOK, 12199},
};

Str255 ResourceText(int16_t id) {
  Str255 text;
  QV_GetIndString(text, id, 0);
  return text;
}

// Sets a value for the length of a scope and puts another back when it ends, on every way out.
template <class T>
class Restore {
 public:
  Restore(T& value, T during, T after) : value_(value), after_(after) { value_ = during; }
  ~Restore() { value_ = after_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& value_;
  T after_;
};

// Closes the file when the import ends, whichever way.
struct FileCloser {
  TMacFile& file;
  ~FileCloser() {
    if (file.IsOpen()) file.Close();
  }
};

struct ImportModeReset {
  TQVDoc& document;
  ~ImportModeReset() { document.SetImportMode(0); }
};

// The file type as its four characters, for the file record's second field.
Str255 TypeText(uint32_t type) {
  Str255 text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((type >> shift) & 0xFF);
    if (c != '\0') text.AppendChar(c);
  }
  return text;
}

}  // namespace

TImportFileDialog::TImportFileDialog(BOOL openFileDialog, const char* defaultExtension,
                                     const char* fileName, DWORD flags, const char* filter,
                                     CWnd* parent, TQVDoc* document, const Str255& text)
    : CFileDialog(openFileDialog, defaultExtension, fileName, flags, filter, parent),
      document_(document),
      text_(text) {
  FailIfNull(document);
}

// Our file dialog is its own frame whatever its style, so the title and texts go to it.
BOOL TImportFileDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(ResourceText(kImportTitleString).Chars());
  for (const LabelText& label : kLabelTexts)
    SetControlText(label.control, ResourceText(label.string).Chars());
  return TRUE;
}

void TImportCommand::Initialize(int16_t commandNumber, TQVDoc* document) {
  document_ = nullptr;
  Init(commandNumber, document, nullptr, nullptr);
  FailIfNull(document);
  document_ = document;
}

void TImportCommand::Perform() {
  if (!document_) return;
  document_->SetImportMode(0);
  {
    // The busy flag and the import mode are 0 again on every way out, a failure included.
    Restore<int16_t> busy(CommandBusyFlag(), 1, 0);
    ImportModeReset reset{*document_};
    FSSpec chosen;
    if (!ChooseImportFile(GetCommandNumber(), chosen)) return;
    ImportChosenFile(chosen);
  }
  if (TWorldDisplay* display = document_->World().GetDisplay()) display->ZoomToExtents();
  // What the file held that the world did not take is told once the world shows the rest.
  const std::string note = document_->TakeImportNote();
  if (!note.empty()) WarnMayCancel(Str255(note.c_str()), false);
}

void TImportCommand::ImportChosenFile(const FSSpec& chosen) {
  auto file = std::make_unique<TMacFile>();
  FailIfError(file->OpenNamed(chosen.name, TMacFile::kRead));
  const FileCloser closer{*file};
  document_->ReadAlternateFile(chosen.name.Chars());
}

int16_t TImportCommand::ChooseImportFile(int16_t /*commandNumber*/, FSSpec& chosen) {
  const Str255 filter = ResourceText(kImportFilterString);
  TImportFileDialog dialog(TRUE, "dxf", "", OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, filter.Chars(),
                           CWnd::FromHandle(MainFrameWindow()), document_, Str255());
  if (dialog.DoModal() == IDCANCEL) return false;
  chosen.name.Assign(dialog.GetPath());
  chosen.second = TypeText(GetFileTypeOfPath(dialog.GetPath()));
  if (strcasecmp(dialog.GetExtension(), "dxf") != 0) return false;
  document_->SetImportMode(kImportDrawingMode);
  return true;
}
