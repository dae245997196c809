#include "platform/display/HeadlessPresenter.h"

#include <chrono>
#include <thread>

#include "platform/win32/Clock.h"

void HeadlessPresenter::TopLevelCreated(HWND window) {
  updates_[window] = 0;
}

void HeadlessPresenter::TopLevelChanged(HWND window) {
  updates_.try_emplace(window, 0);
}

void HeadlessPresenter::TopLevelDestroyed(HWND window) {
  updates_.erase(window);
}

void HeadlessPresenter::SurfaceUpdated(HWND window, const RECT&) {
  ++updates_[window];
}

bool HeadlessPresenter::WaitForEvents(int32_t timeout) {
  // Nothing comes from outside; on the process clock a wait for a timer is a real wait.
  if (timeout > 0 && !VirtualClockInUse())
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
  return false;
}

bool HeadlessPresenter::PutDesktopText(const std::string& text) {
  desktopText_ = text;
  hasDesktopText_ = true;
  return true;
}

bool HeadlessPresenter::GetDesktopText(std::string* text) {
  if (!hasDesktopText_) return false;
  if (text) *text = desktopText_;
  return true;
}

void HeadlessPresenter::SetDesktopText(const std::string& text) {
  PutDesktopText(text);
}

bool HeadlessPresenter::SaveWindowPng(HWND window, const char* path) {
  const WindowSurface* surface = GetWindowSurface(window);
  return surface && surface->SavePng(path);
}

int32_t HeadlessPresenter::UpdateCount(HWND window) const {
  auto found = updates_.find(window);
  return found == updates_.end() ? 0 : found->second;
}
