#pragma once
// A window class that records the messages its windows receive, and a fixture that gives every
// test a fresh window system on a virtual clock.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPresenter.h"

// A desktop that shows nothing and sends nothing; tests override what they watch.
class QuietDesktop : public WindowPresenter {
 public:
  void TopLevelCreated(HWND) override {}
  void TopLevelChanged(HWND) override {}
  void TopLevelDestroyed(HWND) override {}
  void SurfaceUpdated(HWND, const RECT&) override {}
  bool WaitForEvents(int32_t) override { return false; }
  void PollEvents() override {}
  void ShowCursorShape(uintptr_t) override {}
  bool PutDesktopText(const std::string&) override { return false; }
  bool GetDesktopText(std::string*) override { return false; }
};

struct LoggedMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class MessageLog {
 public:
  static MessageLog& Get() {
    static MessageLog log;
    return log;
  }
  std::vector<LoggedMessage> entries;
  // Answers for particular messages instead of DefWindowProc.
  std::map<UINT, std::function<LRESULT(HWND, WPARAM, LPARAM)>> handlers;

  void Clear() { entries.clear(); }
  // The messages of one window (or all), keeping only those in `wanted` (or all).
  std::vector<UINT> Of(HWND window, const std::vector<UINT>& wanted = {}) const {
    std::vector<UINT> out;
    for (const LoggedMessage& entry : entries) {
      if (window && entry.window != window) continue;
      if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), entry.message) == wanted.end())
        continue;
      out.push_back(entry.message);
    }
    return out;
  }
  std::vector<LoggedMessage> All(UINT message) const {
    std::vector<LoggedMessage> out;
    for (const LoggedMessage& entry : entries)
      if (entry.message == message) out.push_back(entry);
    return out;
  }
};

inline LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageLog& log = MessageLog::Get();
  log.entries.push_back({window, message, wParam, lParam});
  auto handler = log.handlers.find(message);
  if (handler != log.handlers.end()) return handler->second(window, wParam, lParam);
  return DefWindowProc(window, message, wParam, lParam);
}

inline constexpr char kRecorderClass[] = "Recorder";
inline constexpr char kDoubleClickClass[] = "RecorderDbl";

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    MessageLog::Get().Clear();
    MessageLog::Get().handlers.clear();
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = kRecorderClass;
    windowClass.cbWndExtra = 16;
    RegisterClass(&windowClass);
    windowClass.lpszClassName = kDoubleClickClass;
    windowClass.style = CS_DBLCLKS;
    RegisterClass(&windowClass);
  }
  void TearDown() override {
    ResetWindowSystem();
    MessageLog::Get().handlers.clear();
    UseProcessClock();
  }
  // A shown top-level window without frame at (x, y).
  HWND TopLevel(int32_t x = 100, int32_t y = 100, int32_t width = 200, int32_t height = 150,
                DWORD style = WS_POPUP | WS_VISIBLE, const char* windowClass = kRecorderClass) {
    return CreateWindowEx(0, windowClass, "top", style, x, y, width, height, nullptr, nullptr,
                          nullptr);
  }
  HWND Child(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height, int32_t id = 1,
             const char* windowClass = kRecorderClass) {
    return CreateWindowEx(0, windowClass, "child", WS_CHILD | WS_VISIBLE, x, y, width, height,
                          parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr);
  }
  // Dispatches everything that is waiting, paint included; answers how many messages ran.
  int32_t Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessage(&message);
      if (++count > 10000) break;
    }
    return count;
  }
  MessageLog& Log() { return MessageLog::Get(); }
};
