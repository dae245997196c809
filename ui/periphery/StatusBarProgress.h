#pragma once
// The progress indicator of long operations: a label and a 150-pixel bar placed in the first
// pane of the main frame's status bar. While any indicator lives the status bar keeps that pane
// (menu prompts and the idle message do not overwrite it); when the indicator goes, the pane
// shows its last label. Made without a status bar, it keeps its range and stop flag and draws
// nothing.

#include <cstdint>
#include <memory>
#include <string>

#include "core/PString.h"
#include "model/world/QVDoc.h"
#include "platform/mfc/CProgressCtrl.h"
#include "platform/mfc/CStatic.h"
#include "platform/mfc/CStatusBar.h"

inline constexpr int16_t kProgressSuffixString = 12200;
inline constexpr UINT kProgressBarId = 101;
inline constexpr int32_t kProgressBarWidth = 150;

class TStatusBarProgress : public CProgressCtrl {
 public:
  // The label becomes `labelText` followed by the suffix string; the caller's string receives
  // the joined text too.
  TStatusBarProgress(CStatusBar* statusBar, Str255& labelText, int32_t low, int32_t high);
  ~TStatusBarProgress() override;
  TStatusBarProgress(const TStatusBarProgress&) = delete;
  TStatusBarProgress& operator=(const TStatusBarProgress&) = delete;

  // How many indicators live now, program-wide.
  static int32_t LiveCount();

  virtual void ShowLabelInPane();
  // The bar's range; the range given at construction stays as it was.
  virtual void SetRange(int32_t low, int32_t high);
  virtual void SetPos(int32_t position);
  // Resets the position to the low end; a non-empty text becomes the label and the bar moves
  // to stay beside it.
  virtual void SetLabel(const Str255& text);
  virtual void OffsetPos(int32_t delta);
  virtual void SetStep(int32_t step);
  // Steps unless stopped; answers the stop flag.
  virtual int16_t StepIt();
  virtual int16_t IsStopped() const { return stopped_; }

  // What cancels the operation sets this; stepping then does nothing.
  void SetStopped(int16_t stopped) { stopped_ = stopped; }
  int32_t GetRangeLow() const { return low_; }
  int32_t GetRangeHigh() const { return high_; }
  const Str255& GetLabelText() const { return labelText_; }
  const RECT& GetLabelRect() const { return labelRect_; }
  const RECT& GetBarRect() const { return barRect_; }
  const CStatic* GetLabel() const { return label_.get(); }

 private:
  void LayOut();
  void CreateLabel();
  void CreateBar();

  std::unique_ptr<CStatic> label_;
  HFONT font_ = nullptr;
  RECT labelRect_{0, 0, 0, 0};
  RECT barRect_{0, 0, 0, 0};
  int16_t stopped_ = 0;
  Str255 labelText_;
  CStatusBar* statusBar_ = nullptr;
  int32_t low_ = 0;
  int32_t high_ = 0;
};

// The indicator of a document file being read: "Reading" and the file's name, with the bar from
// 0 to 100 stepped by the share of the file read. When the read ends the first pane shows again
// what it showed before.
std::unique_ptr<TQVDoc::ReadIndicator> MakeDocumentReadIndicator(CStatusBar* statusBar,
                                                                 const std::string& path);
