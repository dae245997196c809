#pragma once
// The road of every call a script makes on a script object: the dispatch callback of a library
// finds the entry point in the library's member table, the receiver is checked, the entry reads
// its arguments, calls the member, checks the result and returns the values; any failure on the
// way becomes one BASIC run-time error with a fixed number and text. The floating-point state of
// the program is the same after a call as before it, whatever happened inside.

#include <cfenv>
#include <cstdint>

#include "basic/ScriptApi.h"
#include "core/PString.h"
#include "scripting/host/APIDispatcher.h"

// The failure a check stored and the call frame has not yet raised: one for the process, since
// every call runs on the program's one thread.
APIResult& PendingAPIFailure();

// The floating-point state saved on entry to a call: control words (masks, rounding) and the
// exception flags. Inside, every floating-point exception is masked and no flag is raised from
// before; afterwards all of it is as it was. Saving and restoring touch the unit only where the
// state differs, so a call costs a few register reads in the usual case.
struct TFPUState {
#if defined(__x86_64__)
  uint16_t control = 0;  // x87 control word
  uint16_t status = 0;   // x87 status word
  uint32_t mxcsr = 0;    // SSE control and status
#else
  std::fenv_t environment;
#endif
};
TFPUState SaveFPUState();
void RestoreFPUState(const TFPUState& state);

// Made at the start of every member; notes the call and carries the member's status. A member
// of an object whose world object has gone starts with code 1.
class TAPICallContext {
 public:
  TAPICallContext(TAPIDispatcher* object, const char* member);

  void Fail(int16_t code, int16_t subcode = 0) { status_ = {code, subcode}; }
  bool Failed() const { return status_.code != 0; }
  APIResult Result() const { return status_; }

 private:
  TAPIDispatcher* object_;
  char name_[256];  // "Class::Member", at most 255 characters
  APIResult status_;
};

// Each passes or stores its code as the pending failure and raises.
void CheckAPIObjectAlive(const void* object);                    // code 1
void CheckAPIObjectKind(TAPIDispatcher* object, uint32_t tag);  // code 5; base tags pass
void CheckAPIObjectTag(TAPIDispatcher* object, uint32_t tag);   // code 5; only the own tag
// A failing result becomes the pending failure and raises -25152.
void CheckAPIResult(APIResult result);
inline constexpr int16_t kErrScriptCallFailed = -25152;

// The run-time error number and text of a result.
int32_t ScriptAPIErrorNumber(APIResult result);
const char* ScriptAPIErrorText(APIResult result);
// Hands the result's error to the running script and clears the pending failure.
void RaiseScriptAPIError(ScriptRunContext* call, int16_t reserved, APIResult result);

// One member's entry point.
using TAPIEntryPoint = void (*)(TAPIDispatcher* receiver, ScriptRunContext* call, int32_t highest,
                                ScriptFrame* frame, uint16_t methodId);
// Does nothing: every slot no member took.
void EmptyAPIEntry(TAPIDispatcher*, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t);

// The member tables' sizes, per library in the host's order.
inline constexpr uint16_t kApplicationMembers = 30;
inline constexpr uint16_t kDocumentMembers = 200;
inline constexpr uint16_t kLinkMembers = 30;
inline constexpr uint16_t kBodyMembers = 40;
inline constexpr uint16_t kPointMembers = 20;
inline constexpr uint16_t kConstraintMembers = 50;
inline constexpr uint16_t kInputMembers = 30;
inline constexpr uint16_t kOutputMembers = 40;
inline constexpr uint16_t kCellMembers = 10;

// Entry points for the method ids 1 to N; an id outside them reaches the empty entry.
template <uint16_t N>
class TAPIMemberTable {
 public:
  TAPIMemberTable() {
    for (TAPIEntryPoint& entry : entries_) entry = &EmptyAPIEntry;
  }
  void Set(uint16_t id, TAPIEntryPoint entry) {
    if (id >= 1 && id <= N && entry != nullptr) entries_[id] = entry;
  }
  TAPIEntryPoint At(uint16_t id) const { return id >= 1 && id <= N ? entries_[id] : &EmptyAPIEntry; }

 private:
  TAPIEntryPoint entries_[N + 1];
};

// The dispatch road with the entry the table gives. A null fixed receiver means the receiver is
// read from the frame and must be alive; otherwise the fixed one is handed to the entry.
template <uint16_t N>
void DispatchAPICall(const TAPIMemberTable<N>& table, ScriptRunContext* call, uint32_t methodId,
                     int32_t highest, ScriptFrame* frame, TAPIDispatcher* fixedReceiver);
void DispatchAPIEntry(TAPIEntryPoint entry, ScriptRunContext* call, uint32_t methodId,
                      int32_t highest, ScriptFrame* frame, TAPIDispatcher* fixedReceiver);

template <uint16_t N>
void DispatchAPICall(const TAPIMemberTable<N>& table, ScriptRunContext* call, uint32_t methodId,
                     int32_t highest, ScriptFrame* frame, TAPIDispatcher* fixedReceiver) {
  DispatchAPIEntry(table.At(static_cast<uint16_t>(methodId & 0xFFFF)), call, methodId, highest,
                   frame, fixedReceiver);
}

// Arguments and results by engine type.
int16_t ReadIntegerArgument(ScriptFrame* frame, int32_t index);
int32_t ReadLongArgument(ScriptFrame* frame, int32_t index);
double ReadDoubleArgument(ScriptFrame* frame, int32_t index);
// 1 for true, 0 for false.
int16_t ReadBooleanArgument(ScriptFrame* frame, int32_t index);
void* ReadObjectArgument(ScriptFrame* frame, int32_t index);
// The text, cut to the string's capacity; the engine's string is released at once.
template <class Counted>
Counted ReadStringArgument(ScriptRunContext* call, ScriptFrame* frame, int32_t index) {
  const uint16_t handle = ScriptArgString(frame, index);
  Counted text;
  text.Assign(ScriptLockString(call, handle));
  ScriptUnlockString(call, handle);
  return text;
}
// True as -1, false as 0.
void ReturnBooleanValue(ScriptFrame* frame, int32_t index, bool value);
void ReturnStringValue(ScriptRunContext* call, ScriptFrame* frame, int32_t index, const char* text);
void ReturnObjectValue(ScriptFrame* frame, int32_t index, TAPIDispatcher* object);
