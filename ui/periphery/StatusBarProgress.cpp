#include "ui/periphery/StatusBarProgress.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "core/Resources.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

int32_t gLiveIndicators = 0;

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr UINT kLabelId = 0xFFFF;
constexpr char kLabelGap[] = "   ";

int32_t TextWidth(HDC dc, const char* text) {
  SIZE size{0, 0};
  if (dc) GetTextExtentPoint32(dc, text, static_cast<int32_t>(std::strlen(text)), &size);
  return size.cx;
}

// A context for measuring text in the status bar's font, released when it goes.
class MeasuringDc {
 public:
  explicit MeasuringDc(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ && font) old_ = SelectObject(dc_, font);
  }
  ~MeasuringDc() {
    if (!dc_) return;
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MeasuringDc(const MeasuringDc&) = delete;
  MeasuringDc& operator=(const MeasuringDc&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

void MoveTo(CWnd& window, const RECT& place) {
  window.MoveWindow(place.left, place.top, place.right - place.left, place.bottom - place.top,
                    TRUE);
}

}  // namespace

TStatusBarProgress::TStatusBarProgress(CStatusBar* statusBar, Str255& labelText, int32_t low,
                                       int32_t high)
    : statusBar_(statusBar), low_(low), high_(high) {
  Str255 suffix;
  QV_GetIndString(suffix, kProgressSuffixString, 0);
  labelText.Append(suffix);
  labelText_ = labelText;
  ++gLiveIndicators;
  if (!statusBar_ || !statusBar_->GetSafeHwnd()) return;
  LayOut();
  CreateLabel();
  CreateBar();
}

TStatusBarProgress::~TStatusBarProgress() {
  --gLiveIndicators;
  label_.reset();
  if (statusBar_ && statusBar_->GetSafeHwnd()) statusBar_->SetPaneText(0, labelText_.Chars(), TRUE);
}

int32_t TStatusBarProgress::LiveCount() {
  return gLiveIndicators;
}

void TStatusBarProgress::LayOut() {
  font_ = reinterpret_cast<HFONT>(statusBar_->SendMessage(WM_GETFONT));
  const MeasuringDc measuring(font_);
  const int32_t labelWidth = TextWidth(measuring.dc(), labelText_.Chars());
  const int32_t gapWidth = TextWidth(measuring.dc(), kLabelGap);
  RECT pane{0, 0, 0, 0};
  statusBar_->GetItemRect(0, &pane);
  pane.left += 3;
  labelRect_ = pane;
  labelRect_.right = pane.left + labelWidth + gapWidth;
  barRect_.left = pane.left + labelWidth + gapWidth;
  barRect_.right = barRect_.left + kProgressBarWidth;
  barRect_.top = pane.top + 1;
  barRect_.bottom = pane.bottom - 1;
}

void TStatusBarProgress::CreateLabel() {
  auto label = std::make_unique<CStatic>();
  if (label->Create(labelText_.Chars(), kChildStyle, labelRect_, statusBar_, kLabelId)) {
    label->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    label_ = std::move(label);
    return;
  }
  statusBar_->SetPaneText(0, labelText_.Chars(), TRUE);
  statusBar_->UpdateWindow();
}

// Without a window every progress call goes to a control that answers nothing.
void TStatusBarProgress::CreateBar() {
  if (!Create(kChildStyle, barRect_, statusBar_, kProgressBarId)) return;
  SetRange(low_, high_);
  UpdateWindow();
}

void TStatusBarProgress::ShowLabelInPane() {
  if (statusBar_ && statusBar_->GetSafeHwnd()) statusBar_->SetPaneText(0, labelText_.Chars(), TRUE);
}

void TStatusBarProgress::SetRange(int32_t low, int32_t high) {
  CProgressCtrl::SetRange32(low, high);
}

void TStatusBarProgress::SetPos(int32_t position) {
  CProgressCtrl::SetPos(position);
}

void TStatusBarProgress::SetLabel(const Str255& text) {
  SetPos(low_);
  if (text.IsEmpty()) return;
  labelText_ = text;
  if (!statusBar_ || !statusBar_->GetSafeHwnd()) return;
  if (label_) {
    label_->SetWindowText(labelText_.Chars());
  } else {
    statusBar_->SetPaneText(0, labelText_.Chars(), TRUE);
    statusBar_->UpdateWindow();
  }
  LayOut();
  if (label_) MoveTo(*label_, labelRect_);
  if (GetSafeHwnd()) MoveTo(*this, barRect_);
}

void TStatusBarProgress::OffsetPos(int32_t delta) {
  CProgressCtrl::OffsetPos(delta);
}

void TStatusBarProgress::SetStep(int32_t step) {
  CProgressCtrl::SetStep(step);
}

int16_t TStatusBarProgress::StepIt() {
  if (stopped_ == 0) CProgressCtrl::StepIt();
  return stopped_;
}

// ---------------------------------------------------------------------------------------------
// Reading a document

namespace {

constexpr int32_t kReadRange = 100;

class TDocumentReadIndicator final : public TQVDoc::ReadIndicator {
 public:
  TDocumentReadIndicator(CStatusBar* statusBar, const std::string& path)
      : statusBar_(statusBar), before_(statusBar->GetPaneText(0)) {
    const std::string name = std::filesystem::path(path).filename().string();
    Str255 label(("Reading " + name).c_str());
    progress_ = std::make_unique<TStatusBarProgress>(statusBar, label, 0, kReadRange);
  }
  ~TDocumentReadIndicator() override {
    progress_.reset();
    if (statusBar_->GetSafeHwnd()) statusBar_->SetPaneText(0, before_.c_str(), TRUE);
  }
  TDocumentReadIndicator(const TDocumentReadIndicator&) = delete;
  TDocumentReadIndicator& operator=(const TDocumentReadIndicator&) = delete;

  void Step(double fraction) override {
    const auto position =
        static_cast<int32_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * kReadRange));
    if (position == position_) return;
    position_ = position;
    progress_->SetPos(position);
    // The read holds the thread: the bar is drawn now or not at all.
    if (progress_->GetSafeHwnd()) progress_->UpdateWindow();
  }

 private:
  CStatusBar* statusBar_;
  std::string before_;
  std::unique_ptr<TStatusBarProgress> progress_;
  int32_t position_ = 0;
};

}  // namespace

std::unique_ptr<TQVDoc::ReadIndicator> MakeDocumentReadIndicator(CStatusBar* statusBar,
                                                                 const std::string& path) {
  if (!statusBar || !statusBar->GetSafeHwnd()) return nullptr;
  return std::make_unique<TDocumentReadIndicator>(statusBar, path);
}
