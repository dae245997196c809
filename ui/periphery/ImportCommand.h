#pragma once
// The Import command: asks for a drawing file and reads it into the document. Only files whose
// extension is "dxf" in any case are read (with the document's import mode 3); cancelling or
// choosing another kind imports nothing and says nothing. Whatever happens, the action layer's
// busy flag and the document's import mode are 0 again afterwards and the file is closed. After
// an import the main view is zoomed so that the world's objects fill it.
//
//   TCommandCore (295) > TSmallCommand (325) > TImportCommand (442)

#include <cstdint>
#include <string>

#include "core/FileSpec.h"
#include "core/PString.h"
#include "model/command/CommandCore.h"
#include "platform/mfc/CFileDialog.h"

class TQVDoc;

inline constexpr int16_t kImportCommandNumber = 1753;
inline constexpr int16_t kImportFilterString = 19993;
inline constexpr int16_t kImportTitleString = 12195;
inline constexpr int16_t kImportDrawingMode = 3;

// The open dialog of the import: its title and the texts of its labels and open button come
// from the resources.
class TImportFileDialog : public CFileDialog {
 public:
  // A null document is the out-of-memory failure.
  TImportFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName,
                    DWORD flags, const char* filter, CWnd* parent, TQVDoc* document,
                    const Str255& text);

  BOOL OnInitDialog() override;

  const char* GetPath() const { return m_szFileName; }
  // The chosen path from its extension on (past the dot).
  const char* GetExtension() const { return m_szFileName + m_ofn.nFileExtension; }
  const char* GetTitle() const { return m_szFileTitle; }
  TQVDoc* GetDocument() const { return document_; }

 private:
  TQVDoc* document_ = nullptr;
  Str255 text_;
};

class TImportCommand : public TSmallCommand {
  DECLARE_CLASS_ID(442, TSmallCommand)

 public:
  TImportCommand() = default;
  // A null document is the out-of-memory failure.
  void Initialize(int16_t commandNumber, TQVDoc* document);
  void Perform() override;
  // Asks for the file; true when a DXF file was chosen (the document's import mode is then 3).
  int16_t ChooseImportFile(int16_t commandNumber, FSSpec& chosen);
  TQVDoc* GetDocument() const { return document_; }

 private:
  void ImportChosenFile(const FSSpec& chosen);

  TQVDoc* document_ = nullptr;
};
