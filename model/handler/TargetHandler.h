#pragma once
// The chain of command handlers. Views, dialogs, documents and the application each hold the
// next handler; a request that a handler does not answer itself travels down the chain until a
// handler answers it or the chain ends, where each request has a fixed answer. Menu commands,
// menu set-up, keys and command objects travel this way, so that any handler may intercept them
// before the application's handler at the end takes them. The chain owns nothing: unlinking or
// deleting a handler never deletes the next one.

#include <cstdint>

#include "core/TObject.h"
#include "core/geometry/IntRect.h"

class TCommandCore;

// An input event as the handlers see it. A handler that consumes it sets handled to 1.
struct TEventRecord {
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  uint32_t when = 0;
  MacPoint where;
  uint16_t modifiers = 0;
  int16_t handled = 0;
};

class TTargetHandler : public TObject {
  DECLARE_CLASS_ID(318, TObject)

 public:
  // The idle frequency of a handler that never wants idle time.
  static constexpr int32_t kNeverIdle = 0x7FFFFFFF;

  using ChainAction = void (*)(TTargetHandler* handler, void* argument);
  using ChainTest = bool (*)(TTargetHandler* handler, void* argument);

  TTargetHandler() = default;
  // When this handler is the application's current target, the target moves to the next
  // handler, or to the application's own handler when there is none.
  ~TTargetHandler() override;
  TTargetHandler(const TTargetHandler&) = delete;
  TTargetHandler& operator=(const TTargetHandler&) = delete;

  // Every derived initialisation calls it: the next handler, idle never, no idle call yet.
  void InitTargetHandler(TTargetHandler* next);

  TTargetHandler* GetNextHandler() const { return next_; }
  // Stores the next handler and answers this one.
  TTargetHandler* SetNextHandler(TTargetHandler* handler);
  // Ticks (sixtieths of a second) between idle calls; kNeverIdle for none.
  void SetIdleFrequency(int32_t ticks) { idleFrequency_ = ticks; }
  int32_t GetIdleFrequency() const { return idleFrequency_; }
  // The tick count of the last idle call that answered 0; 0 when there was none.
  int32_t GetLastIdleTime() const { return lastIdle_; }
  void SetLastIdleTime(int32_t ticks) { lastIdle_ = ticks; }

  // Calls action for this handler and every handler after it. The next handler is read before
  // each call, so the action may unlink the handler it is given.
  void ForEachInChain(ChainAction action, void* argument);
  // The first handler from this one on that passes the test; null when none does.
  TTargetHandler* FirstInChain(ChainTest test, void* argument);
  // Unlinks this handler from the chain that starts at head and answers the head of what
  // remains (this handler's next one when this handler was the head). A chain without this
  // handler is left as it is.
  TTargetHandler* RemoveFromChain(TTargetHandler* head);

  // The chain operations. Unless said otherwise each is passed to the next handler, whose answer
  // is answered; at the end of the chain a query answers 0 and a notice does nothing.
  virtual void NoticeFirst();
  // The handler stops being the application's current target (resigning 1, becoming 0) or
  // becomes it (0, 1). A notice to this handler alone: it is not passed on. Nothing here.
  virtual void DoTargetChange(int16_t resigning, int16_t becoming);
  // Idle time; not passed on (the application walks the chain itself). Answers 0 when the
  // handler is done for now, non-zero to be left out of the scheduling until it is called again.
  virtual int16_t DoIdle(int16_t phase);
  virtual TCommandCore* DoKeyCommand(int16_t character, int32_t keyData, TEventRecord* event);
  virtual int32_t DoCharKey(int16_t character, TEventRecord* event);
  // A scripted event: at the end of the chain no handler took it, which fails with -1708.
  virtual int32_t HandleScriptEvent(intptr_t first, intptr_t second, intptr_t third);
  virtual void NoticeValue(intptr_t value);
  virtual TCommandCore* DoMenuCommand(int16_t commandNumber);
  virtual void DoSetupMenus();
  virtual void NotifyUp(intptr_t first, intptr_t second);
  virtual void CommitLastCommand();
  virtual TCommandCore* GetLastCommand();
  virtual TCommandCore* GetNextCommand();
  // Perform a command now / queue it. At the end of the chain a command whose free-when-done
  // flag is set is deleted; otherwise it is left to its owner.
  virtual void HandleCommand(TCommandCore* command);
  virtual void PostCommand(TCommandCore* command);
  virtual void NoticeLast();

 private:
  TTargetHandler* next_ = nullptr;
  int32_t idleFrequency_ = kNeverIdle;
  int32_t lastIdle_ = 0;
};

// The error raised when a scripted event reaches the end of the chain unanswered.
inline constexpr int16_t kErrEventNotHandled = -1708;
