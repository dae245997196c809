#pragma once
// The insert-object dialog: a new item of the registered server's kind, or one made from a file.
// Its template is the resource named "INSERTOBJECT": radio buttons 101 (new) and 102 (from a
// file), the path field 103 and the kind's name in 104.

#include <string>

#include "platform/mfc/CDialog.h"

class COleClientItem;

// Starts with "create new" chosen.
inline constexpr DWORD IOF_SELECTCREATENEW = 2;

class COleInsertDialog : public CDialog {
  DECLARE_DYNAMIC(COleInsertDialog)

 public:
  enum Selection { createNewItem = 0, insertFromFile = 1 };
  static constexpr int32_t kNewButton = 101;
  static constexpr int32_t kFileButton = 102;
  static constexpr int32_t kPathField = 103;
  static constexpr int32_t kKindText = 104;

  explicit COleInsertDialog(DWORD flags = IOF_SELECTCREATENEW, CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  // A file chosen without a path keeps the dialog open.
  void OnOK() override;

  Selection GetSelectionType() const { return selection_; }
  const std::string& GetPathName() const { return path_; }
  // Makes the chosen item in the given one; false when the server could not make it.
  bool CreateItem(COleClientItem* item) const;

  DWORD m_dwFlags;

 private:
  Selection selection_ = createNewItem;
  std::string path_;
};
