#pragma once
// The modeless progress dialog: a progress bar (item 101) and a Cancel button (item 2), made
// from the import or the export template. It keeps the range and position itself, so they can
// be given before the dialog exists and read back at any time.

#include <cstdint>
#include <memory>

#include "platform/mfc/CDialog.h"
#include "platform/mfc/CProgressCtrl.h"

inline constexpr int32_t kProgressImport = 1;
inline constexpr int32_t kProgressExport = 2;
inline constexpr int32_t kProgressDialogBar = 101;

class TQVProgressDialog : public CDialog {
 public:
  explicit TQVProgressDialog(int32_t kind, int32_t low = 0, int32_t high = 0);
  ~TQVProgressDialog() override;
  TQVProgressDialog(const TQVProgressDialog&) = delete;
  TQVProgressDialog& operator=(const TQVProgressDialog&) = delete;

  // A new dialog of the kind, shown modeless over parent; null when it cannot be made.
  static std::unique_ptr<TQVProgressDialog> Make(int32_t kind, CWnd* parent);
  static std::unique_ptr<TQVProgressDialog> Make(int32_t kind, CWnd* parent, int32_t low,
                                                 int32_t high);
  // The template of the kind; null for any other kind.
  static const char* TemplateName(int32_t kind);

  using CDialog::Create;
  // Only the two kinds have a template; any other makes nothing.
  BOOL Create(CWnd* parent);

  BOOL OnInitDialog() override;
  // Cancel ends (hides) the dialog; the operation sees it no longer shown.
  void OnCancel() override;
  void Finish();

  void GetRange(int32_t& low, int32_t& high) const;
  void GetPos(int32_t& position) const;
  void SetRange(int32_t low, int32_t high);
  void SetPos(int32_t position);
  void OffsetPos(int32_t delta);
  void SetStep(int32_t step);
  void StepIt();
  int32_t GetKind() const { return kind_; }

 private:
  int32_t kind_ = 0;
  CProgressCtrl bar_;
  int32_t low_ = 0;
  int32_t high_ = 0;
  int32_t position_ = 0;
};
