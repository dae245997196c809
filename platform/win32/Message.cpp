#include "platform/win32/Message.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <thread>

#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPresenter.h"

namespace {

struct MessageQueue {
  std::deque<MSG> posted;
  std::deque<MSG> input;
  bool quit = false;
  int32_t quitCode = 0;
  MSG last;
  IdleScript idleScript;
  std::map<int32_t, MessageSource> sources;
  int32_t nextSource = 1;
};

MessageQueue& Queue() {
  static MessageQueue queue;
  return queue;
}

bool PassesWindowFilter(HWND target, HWND filter) {
  if (!filter) return true;
  if (filter == kThreadMessagesOnly) return target == nullptr;
  return target == filter || IsChild(filter, target);
}

bool PassesRange(UINT message, UINT first, UINT last) {
  if (first == 0 && last == 0) return true;
  return message >= first && message <= last;
}

HWND KeyboardTarget() {
  const HWND focus = GetFocus();
  return focus != nullptr ? focus : GetActiveWindow();
}

bool TakeFrom(std::deque<MSG>& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove,
              bool isInput) {
  for (size_t i = 0; i < queue.size();) {
    MSG candidate = queue[i];
    if (candidate.hwnd == kFocusWindow) {
      candidate.hwnd = KeyboardTarget();
      if (candidate.hwnd == nullptr) {
        // A key with no window to go to is lost, as it would have been when it was typed.
        if (!remove) {
          ++i;
          continue;
        }
        queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(i));
        NoteInputMessageTaken(candidate);
        continue;
      }
    }
    if (!PassesWindowFilter(candidate.hwnd, filter) || !PassesRange(candidate.message, first, last)) {
      ++i;
      continue;
    }
    *out = candidate;
    if (remove) {
      queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(i));
      // The input layer may refuse a message it addressed before the input ahead of it was handled.
      if (isInput && !NoteInputMessageTaken(*out)) continue;
    }
    return true;
  }
  return false;
}

bool FindPaint(MSG* out, HWND filter, UINT first, UINT last) {
  if (!PassesRange(WM_PAINT, first, last) || filter == kThreadMessagesOnly) return false;
  for (HWND window : AllWindows()) {
    const WindowRecord* record = FindWindowRecord(window);
    if (!record || !IsShownOnScreen(*record)) continue;
    if (record->update.IsEmpty() && !record->frameNeedsPaint) continue;
    if (!PassesWindowFilter(window, filter)) continue;
    *out = StampMessage(window, WM_PAINT, 0, 0);
    return true;
  }
  return false;
}

// The descriptors the sources want watched now, each with the source it belongs to.
struct WatchedSources {
  std::vector<pollfd> descriptors;
  std::vector<int32_t> owners;
};

WatchedSources WatchSources() {
  WatchedSources watched;
  for (const auto& [id, source] : Queue().sources) {
    for (const int descriptor : source.watch()) {
      watched.descriptors.push_back(pollfd{descriptor, POLLIN, 0});
      watched.owners.push_back(id);
    }
  }
  return watched;
}

// Runs each source with a descriptor that a poll found readable; true when one ran.
bool RunReadySources(const WatchedSources& watched) {
  std::vector<int32_t> readyIds;
  for (size_t i = 0; i < watched.descriptors.size(); ++i) {
    const int32_t owner = watched.owners[i];
    if (watched.descriptors[i].revents != 0 &&
        std::find(readyIds.begin(), readyIds.end(), owner) == readyIds.end())
      readyIds.push_back(owner);
  }
  for (const int32_t id : readyIds) {
    // A source may go while another one's work runs.
    const auto it = Queue().sources.find(id);
    if (it == Queue().sources.end()) continue;
    const std::function<void()> ready = it->second.ready;
    ready();
  }
  return !readyIds.empty();
}

// Waits at most `timeout` milliseconds (forever when negative) for a source's descriptor and runs
// the sources that can be read; true when one ran.
bool ServeSources(int32_t timeout) {
  if (Queue().sources.empty()) return false;
  WatchedSources watched = WatchSources();
  if (watched.descriptors.empty()) {
    if (timeout > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
    return false;
  }
  if (poll(watched.descriptors.data(), watched.descriptors.size(), timeout) <= 0) return false;
  return RunReadySources(watched);
}

bool SourcesExpectWork() {
  for (const auto& [id, source] : Queue().sources) {
    if (source.expecting && source.expecting()) return true;
  }
  return false;
}

// Waits for the presenter's events and the sources together, in one sleep.
bool WaitForPresenterAndSources(WindowPresenter* presenter, int32_t timeout) {
  WatchedSources watched = WatchSources();
  const bool events = presenter->WaitForEventsOrDescriptors(timeout, watched.descriptors);
  const bool served = RunReadySources(watched);
  return events || served;
}

}  // namespace

bool WindowPresenter::WaitForEventsOrDescriptors(int32_t timeout, std::span<pollfd> descriptors) {
  constexpr int32_t kTurn = 10;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    int32_t turn = kTurn;
    if (timeout >= 0) {
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start).count();
      if (spent >= timeout) return false;
      turn = std::min<int32_t>(kTurn, timeout - static_cast<int32_t>(spent));
    }
    if (WaitForEvents(turn)) return true;
    if (poll(descriptors.data(), descriptors.size(), 0) > 0) return false;
  }
}

bool PollDesktop() {
  static bool polling = false;
  WindowPresenter* presenter = GetWindowPresenter();
  if (presenter == nullptr || polling) return false;
  polling = true;
  struct Done {
    ~Done() { polling = false; }
  } done;
  presenter->PollEvents();
  return true;
}

namespace {

bool QueueHasWork() {
  MSG probe;
  return PeekMessage(&probe, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace

void NoteLoopIdle() {
  WindowPresenter* presenter = GetWindowPresenter();
  // An idle loop has settled too: a loop that waits answers either question.
  if (presenter == nullptr || (!presenter->IdleAsked() && !presenter->SettleAsked())) return;
  // Events that came in since the last look are work too.
  if (!PollDesktop() || QueueHasWork()) return;
  presenter->AnswerIdle();
}

void NoteIdlePass() {
  WindowPresenter* presenter = GetWindowPresenter();
  if (presenter == nullptr || !presenter->SettleAsked()) return;
  if (!PollDesktop() || !Queue().input.empty()) return;
  presenter->AnswerSettled();
}

namespace {

// Waits for something to do. False when nothing can ever arrive.
bool WaitForWork() {
  MessageQueue& queue = Queue();
  if (queue.idleScript && queue.idleScript() && QueueHasWork()) return true;
  if (ServeSources(0)) return true;
  NoteLoopIdle();
  if (QueueHasWork()) return true;
  const bool haveSources = !queue.sources.empty();
  WindowPresenter* presenter = GetWindowPresenter();
  DWORD due = 0;
  // On the virtual clock only timers that do work move the clock on.
  const bool haveTimer = NextTimerDue(&due, !VirtualClockInUse());
  if (VirtualClockInUse()) {
    if (presenter) {
      presenter->PollEvents();
      if (QueueHasWork()) return true;
    }
    if (!haveTimer) return haveSources && SourcesExpectWork() && ServeSources(-1);
    const DWORD now = GetTickCount();
    if (!TickReached(now, due)) AdvanceVirtualClock(due - now);
    return true;
  }
  const DWORD now = GetTickCount();
  const int32_t timeout =
      haveTimer ? (TickReached(now, due) ? 0 : static_cast<int32_t>(due - now)) : -1;
  if (presenter && haveSources) return WaitForPresenterAndSources(presenter, timeout) || haveTimer;
  if (presenter) {
    if (presenter->WaitForEvents(timeout)) return true;
    return haveTimer;
  }
  if (haveSources) return ServeSources(timeout) || haveTimer;
  if (!haveTimer) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
  return true;
}

}  // namespace

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DeliverMessage(window, message, wParam, lParam);
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !IsWindow(window)) return FALSE;
  Queue().posted.push_back(StampMessage(window, message, wParam, lParam));
  return TRUE;
}

BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessage(nullptr, message, wParam, lParam);
}

void PostQuitMessage(int32_t exitCode) {
  Queue().quit = true;
  Queue().quitCode = exitCode;
}

MSG StampMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG out;
  out.hwnd = window;
  out.message = message;
  out.wParam = wParam;
  out.lParam = lParam;
  out.time = GetTickCount();
  GetCursorPos(&out.pt);
  return out;
}

void QueueInputMessage(const MSG& message) {
  // Moves pile up faster than a busy program reads them: as in Win32, a move replaces a move for
  // the same window that is still waiting at the end of the queue.
  std::deque<MSG>& input = Queue().input;
  if (message.message == WM_MOUSEMOVE && !input.empty() && input.back().message == WM_MOUSEMOVE &&
      input.back().hwnd == message.hwnd) {
    input.back() = message;
    return;
  }
  input.push_back(message);
}

BOOL PeekMessage(MSG* message, HWND window, UINT first, UINT last, UINT removeFlags) {
  if (!message) return FALSE;
  MessageQueue& queue = Queue();
  const bool remove = removeFlags & PM_REMOVE;
  MSG found;
  bool have = TakeFrom(queue.posted, &found, window, first, last, remove, false) ||
              TakeFrom(queue.input, &found, window, first, last, remove, true);
  if (!have && queue.quit) {
    found = StampMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
    if (remove) queue.quit = false;
    have = true;
  }
  if (!have) have = FindPaint(&found, window, first, last);
  if (!have && PassesRange(WM_TIMER, first, last)) have = TakeDueTimer(&found, window, remove);
  if (!have) return FALSE;
  if (found.message == WM_TIMER) GetCursorPos(&found.pt);
  *message = found;
  if (remove) queue.last = found;
  return TRUE;
}

BOOL GetInputState() {
  PollDesktop();
  for (const MSG& message : Queue().input) {
    const UINT m = message.message;
    const bool key = m >= WM_KEYFIRST && m <= WM_KEYLAST;
    const bool button = (m > WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK) ||
                        (m >= WM_NCLBUTTONDOWN && m <= WM_NCLBUTTONDBLCLK);
    if (key || button) return TRUE;
  }
  return FALSE;
}

LeftRelease WaitingLeftRelease(MSG* release) {
  bool behindMove = false;
  for (const MSG& message : Queue().input) {
    if (message.message == WM_MOUSEMOVE) {
      behindMove = true;
    } else if (message.message == WM_LBUTTONDOWN || message.message == WM_LBUTTONDBLCLK) {
      return LeftRelease::kNone;
    } else if (message.message == WM_LBUTTONUP) {
      if (release != nullptr) *release = message;
      return behindMove ? LeftRelease::kBehindMove : LeftRelease::kNext;
    }
  }
  return LeftRelease::kNone;
}

BOOL GetMessage(MSG* message, HWND window, UINT first, UINT last) {
  // Outside work is served even while the queue stays busy.
  ServeSources(0);
  for (;;) {
    if (PeekMessage(message, window, first, last, PM_REMOVE))
      return message->message == WM_QUIT ? FALSE : TRUE;
    // Win32's error answer: a loop that would wait for an event that can never come ends.
    if (!WaitForWork()) return -1;
  }
}

BOOL WaitMessage() {
  if (QueueHasWork()) return TRUE;
  return WaitForWork() ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* message) {
  if (!message) return 0;
  if (message->message == WM_TIMER && message->lParam) {
    const auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
    procedure(message->hwnd, WM_TIMER, message->wParam, message->time);
    return 0;
  }
  if (!message->hwnd) return 0;
  return DeliverMessage(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL TranslateMessage(const MSG* message) {
  if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN))
    return FALSE;
  const int32_t character = CharacterOfKey(static_cast<int32_t>(message->wParam));
  if (character < 0) return FALSE;
  MSG out = *message;
  out.message = message->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  out.wParam = static_cast<WPARAM>(character);
  Queue().posted.push_front(out);
  return TRUE;
}

DWORD GetMessageTime() {
  return Queue().last.time;
}

DWORD GetMessagePos() {
  const POINT& pt = Queue().last.pt;
  return static_cast<DWORD>(MAKELONG(pt.x, pt.y));
}

int32_t AddMessageSource(MessageSource source) {
  MessageQueue& queue = Queue();
  const int32_t id = queue.nextSource++;
  queue.sources.emplace(id, std::move(source));
  return id;
}

void RemoveMessageSource(int32_t id) {
  Queue().sources.erase(id);
}

bool ServeReadySources() {
  return ServeSources(0);
}

void SetIdleScript(IdleScript script) {
  Queue().idleScript = std::move(script);
}

void ForgetWindowMessages(HWND window) {
  for (std::deque<MSG>* list : {&Queue().posted, &Queue().input}) {
    const bool input = list == &Queue().input;
    for (auto it = list->begin(); it != list->end();) {
      if (it->hwnd == window && !(input && IsRoutedWhenTaken(*it)))
        it = list->erase(it);
      else
        ++it;
    }
  }
}

void ResetMessageQueue() {
  MessageQueue& queue = Queue();
  queue.posted.clear();
  queue.input.clear();
  queue.quit = false;
  queue.quitCode = 0;
  queue.last = MSG{};
  queue.idleScript = nullptr;
}
