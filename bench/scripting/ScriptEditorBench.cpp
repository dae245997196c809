// A keystroke typed into the middle of a 10,000-line script in the engine's edit window, with the
// repaint it causes (the text and the breakpoint margin), per keystroke. Target: well under 16 ms
// on one core.

#include <benchmark/benchmark.h>

#include <string>

#include "basic/editor/ScriptEditWindow.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

std::string LongScript(int lines) {
  std::string text = "Sub Main()\r\n";
  for (int i = 0; i < lines; ++i) text += "  total = total + " + std::to_string(i) + " ' a line of the script\r\n";
  return text + "End Sub\r\n";
}

void BM_KeystrokeWithRepaintIn10000Lines(benchmark::State& state) {
  ResetWindowSystem();
  UseVirtualClock(1000);
  WNDCLASS frameClass;
  frameClass.lpfnWndProc = DefWindowProc;
  frameClass.lpszClassName = "BenchFrame";
  RegisterClass(&frameClass);
  const HWND frame = CreateWindowEx(0, "BenchFrame", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                    nullptr, nullptr);
  const HWND edit = ScriptCreateEditWindow(frame, 0, 0, 0, 0, 0x50800003, 1, 0, nullptr);
  MoveWindow(edit, 0, 0, 780, 580, TRUE);
  const std::string text = LongScript(10000);
  ScriptEditCommand(edit, kEditSetText, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ScriptEditCommand(edit, kEditGoToLine, 0, 5000);
  const HWND field = ScriptEditTextWindow(edit);
  UpdateWindow(frame);
  for (auto _ : state) {
    SendMessage(field, WM_CHAR, 'x', 0);
    UpdateWindow(frame);
  }
  state.SetItemsProcessed(state.iterations());
  DestroyWindow(frame);
  ResetWindowSystem();
  UseProcessClock();
}
BENCHMARK(BM_KeystrokeWithRepaintIn10000Lines)->Unit(benchmark::kMicrosecond);

}  // namespace
