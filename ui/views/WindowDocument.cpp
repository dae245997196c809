#include "ui/views/WindowDocument.h"

#include <algorithm>

#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"

TWindowDocument::~TWindowDocument() {
  Close();
}

TTargetHandler* TWindowDocument::HandlerPart() {
  return ApplicationHandler();
}

void TWindowDocument::AddWindow(TOwlSubview* window) {
  if (window && std::find(windows_.begin(), windows_.end(), window) == windows_.end())
    windows_.push_back(window);
}

void TWindowDocument::WindowClosed(TOwlSubview* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

bool TWindowDocument::MayClose() {
  return true;
}

void TWindowDocument::Close() {
  // Each window object leaves the list as its window goes.
  while (!windows_.empty()) {
    TOwlSubview* window = windows_.back();
    const size_t before = windows_.size();
    window->Close();
    window->DestroyWindowAndFrame();
    if (windows_.size() == before) windows_.pop_back();  // a window without one
  }
  windowFrame_ = nullptr;
}
