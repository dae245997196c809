#include "exchange/tables/LoadTableCommand.h"

#include "core/FileSpec.h"
#include "core/PString.h"
#include "core/Resources.h"
#include "exchange/tables/DataTable.h"
#include "inout/inputs/Input.h"
#include "model/world/WorldDoc.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/win32/MessageBox.h"
#include "ui/views/ViewServices.h"

namespace {

Str255 ResourceText(int16_t id) {
  Str255 text;
  QV_GetIndString(text, id, 0);
  return text;
}

// The open dialog with the prompt as its title.
class TLoadTableDialog : public CFileDialog {
 public:
  TLoadTableDialog(const char* filter, const Str255& prompt)
      : CFileDialog(TRUE, "dta", "", OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, filter,
                    CWnd::FromHandle(MainFrameWindow())),
        prompt_(prompt) {}
  BOOL OnInitDialog() override {
    CFileDialog::OnInitDialog();
    SetWindowText(prompt_.Chars());
    return TRUE;
  }

 private:
  Str255 prompt_;
};

}  // namespace

void TLoadTableCommand::Init(int16_t commandNumber, TDataTableManager& manager) {
  TWorldDoc* world = manager.GetWorld();
  TSmallCommand::Init(commandNumber, world != nullptr ? world->GetDocument() : nullptr, nullptr,
                      nullptr);
  manager_ = &manager;
}

std::optional<std::string> TLoadTableCommand::ChooseFile() const {
  const Str255 filter = ResourceText(kLoadTableFilterString);
  TLoadTableDialog dialog(filter.Chars(), ResourceText(kLoadTablePromptString));
  if (dialog.DoModal() != IDOK) return std::nullopt;
  return dialog.GetPathName();
}

void TLoadTableCommand::DoIt() {
  loaded_ = nullptr;
  if (manager_ == nullptr) return;
  const std::optional<std::string> path = ChooseFile();
  if (!path) return;
  FSSpec record;
  record.name.Assign(path->c_str());
  loaded_ = &ReadDataTableFile(*manager_, record);
  // The table is read for the selected table inputs (the world's Read Data Table, or the button
  // of an input's properties): from now on they follow it.
  if (TWorldDoc* world = manager_->GetWorld()) {
    for (TLink* object : world->Selection()) {
      auto* input = dynamic_cast<TInput*>(object);
      if (input != nullptr && input->GetKind() == TInputKind::kTable) input->SetDataTable(loaded_);
    }
  }
}
