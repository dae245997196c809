#include "ui/periphery/ProgressDialog.h"

#include "platform/win32/Window.h"

namespace {

constexpr int32_t kCancelItem = 2;

}  // namespace

TQVProgressDialog::TQVProgressDialog(int32_t kind, int32_t low, int32_t high)
    : kind_(kind), low_(low), high_(high) {}

TQVProgressDialog::~TQVProgressDialog() {
  // The bar is the dialog's child: it goes with the dialog's window.
  bar_.Detach();
}

std::unique_ptr<TQVProgressDialog> TQVProgressDialog::Make(int32_t kind, CWnd* parent) {
  auto dialog = std::make_unique<TQVProgressDialog>(kind);
  dialog->Create(parent);
  return dialog;
}

std::unique_ptr<TQVProgressDialog> TQVProgressDialog::Make(int32_t kind, CWnd* parent,
                                                           int32_t low, int32_t high) {
  auto dialog = std::make_unique<TQVProgressDialog>(kind, low, high);
  if (!dialog->Create(parent)) return nullptr;
  return dialog;
}

const char* TQVProgressDialog::TemplateName(int32_t kind) {
  if (kind == kProgressImport) return "TQVProgressImportDialog";
  if (kind == kProgressExport) return "TQVProgressExportDialog";
  return nullptr;
}

BOOL TQVProgressDialog::Create(CWnd* parent) {
  const char* name = TemplateName(kind_);
  if (!name) return FALSE;
  return CDialog::Create(name, parent);
}

BOOL TQVProgressDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  if (const HWND bar = ::GetDlgItem(m_hWnd, kProgressDialogBar)) {
    bar_.Attach(bar);
    bar_.SetRange32(low_, high_);
    bar_.SetPos(position_);
  }
  if (const HWND cancel = ::GetDlgItem(m_hWnd, kCancelItem)) ::SetFocus(cancel);
  return TRUE;
}

void TQVProgressDialog::OnCancel() {
  CDialog::OnCancel();
}

void TQVProgressDialog::Finish() {
  EndDialog(1);
}

void TQVProgressDialog::GetRange(int32_t& low, int32_t& high) const {
  low = low_;
  high = high_;
}

void TQVProgressDialog::GetPos(int32_t& position) const {
  position = position_;
}

void TQVProgressDialog::SetRange(int32_t low, int32_t high) {
  low_ = low;
  high_ = high;
  bar_.SetRange32(low, high);
}

void TQVProgressDialog::SetPos(int32_t position) {
  position_ = position;
  bar_.SetPos(position);
}

void TQVProgressDialog::OffsetPos(int32_t delta) {
  position_ += delta;
  bar_.OffsetPos(delta);
}

void TQVProgressDialog::SetStep(int32_t step) {
  bar_.SetStep(step);
}

void TQVProgressDialog::StepIt() {
  bar_.StepIt();
}
