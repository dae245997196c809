#pragma once
// The document as the window layer sees it: a framework document that keeps the list of its
// window objects, is asked whether it may close and closes them all, gives its title to new
// windows and is the next link of their chain of command. The application derives its
// documents from it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mfc/CDocument.h"

class CFrameWnd;
class TOwlSubview;
class TTargetHandler;

class TWindowDocument : public CDocument {
 public:
  TWindowDocument() = default;
  ~TWindowDocument() override;

  // The handler that commands reach after the document's windows; the application's here.
  virtual TTargetHandler* HandlerPart();

  void AddWindow(TOwlSubview* window);
  // A window object of the document is gone.
  virtual void WindowClosed(TOwlSubview* window);
  // Whether the document agrees to close now (it might ask to save first); yes here.
  virtual bool MayClose();
  // Closes every window of the document.
  virtual void Close();
  const std::vector<TOwlSubview*>& Windows() const { return windows_; }

  // The frame that shows the document.
  CFrameWnd* GetWindowFrame() const { return windowFrame_; }
  void SetWindowFrame(CFrameWnd* frame) { windowFrame_ = frame; }
  // A value the window opener sets aside while it makes a frame for the document.
  int32_t& OpeningField() { return openingField_; }

 private:
  std::vector<TOwlSubview*> windows_;
  CFrameWnd* windowFrame_ = nullptr;
  int32_t openingField_ = 0;
};
