#include "scripting/host/CallFrame.h"

#include <cstring>

#include "core/Failure.h"
#include "scripting/host/EngineLibrary.h"

namespace {

APIResult g_pending;

struct ErrorEntry {
  int32_t number;
  const char* text;
};

const ErrorEntry kGeneralError = {900, "Failure during Yarrowby API call."};

ErrorEntry ErrorOf(APIResult result) {
  switch (result.code) {
    case kAPINoTarget:
      return {901, "A Yarrowby API call failed because the object it referenced no longer exists."};
    case kAPIBadParameter:
      if (result.subcode == kAPIUnknownWord)
        return {904, "Unrecognized string parameter in subroutine call."};
      return {905, "Bad parameter in subroutine call."};
    case kAPICannotSet:
      return {902, "Attempted to set a property which the referenced object does not have."};
    case kAPICannotGet:
      return {903, "Attempted to get a property which the referenced object does not have."};
    case kAPIWrongKind: return {999, "Invalid object variable."};
    case kAPICannotLoad:
      return {906, "Could not load the specified library.  Check its location and confirm that it "
                   "compiles."};
    case kAPICannotRun:
      return {907, "Could not run the specified script.  Check its location and confirm that it "
                   "compiles."};
    case kAPIExportFailed:
      if (result.subcode == kAPINoMetersToExport)
        return {908, "The export failed because the world has no meters to export."};
      return {908, "The export failed because the specified file could not be created (it may "
                   "already exist)."};
    default: return kGeneralError;
  }
}

[[noreturn]] void FailCheck(int16_t code) {
  g_pending = {code, 0};
  ThrowFailure(kErrScriptCallFailed, 0);
}

}  // namespace

APIResult& PendingAPIFailure() { return g_pending; }

#if defined(__x86_64__)

namespace {

constexpr uint16_t kX87Masks = 0x3F;   // invalid, denormal, divide by zero, overflow, underflow, inexact
constexpr uint16_t kX87Flags = 0x3F;
constexpr uint32_t kSseMasks = 0x1F80;
constexpr uint32_t kSseFlags = 0x3F;

uint16_t X87Control() {
  uint16_t word;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}
void SetX87Control(uint16_t word) { __asm__ volatile("fldcw %0" : : "m"(word)); }
uint16_t X87Status() {
  uint16_t word;
  __asm__ volatile("fnstsw %0" : "=m"(word));
  return word;
}
uint32_t Mxcsr() {
  uint32_t word;
  __asm__ volatile("stmxcsr %0" : "=m"(word));
  return word;
}
void SetMxcsr(uint32_t word) { __asm__ volatile("ldmxcsr %0" : : "m"(word)); }

}  // namespace

TFPUState SaveFPUState() {
  TFPUState state;
  state.control = X87Control();
  state.status = X87Status();
  state.mxcsr = Mxcsr();
  // Flags raised before stay raised inside (with every exception masked they change nothing);
  // writing a control register is what costs, so it is done only when something must change.
  if ((state.control & kX87Masks) != kX87Masks) SetX87Control(state.control | kX87Masks);
  if ((state.mxcsr & kSseMasks) != kSseMasks) SetMxcsr(state.mxcsr | kSseMasks);
  return state;
}

void RestoreFPUState(const TFPUState& state) {
  if (X87Control() != state.control) SetX87Control(state.control);
  if (Mxcsr() != state.mxcsr) SetMxcsr(state.mxcsr);
  if ((X87Status() & kX87Flags) == (state.status & kX87Flags)) return;
  // The x87 flags differ: only the whole environment sets them.
  std::fenv_t environment;
  fegetenv(&environment);
  environment.__status_word = static_cast<uint16_t>((environment.__status_word & ~kX87Flags) |
                                                    (state.status & kX87Flags));
  environment.__mxcsr = state.mxcsr;
  fesetenv(&environment);
}

#else

TFPUState SaveFPUState() {
  TFPUState state;
  feholdexcept(&state.environment);
  return state;
}

void RestoreFPUState(const TFPUState& state) { fesetenv(&state.environment); }

#endif

TAPICallContext::TAPICallContext(TAPIDispatcher* object, const char* member) : object_(object) {
  // Copies of a fixed size: every call makes this text, so it must cost next to nothing.
  const Str31& className = object_->GetClassName();
  std::memcpy(name_, className.Chars(), Str31::kCapacity);
  size_t length = static_cast<size_t>(className.Length());
  name_[length++] = ':';
  name_[length++] = ':';
  for (const char* c = member; *c != '\0' && length < sizeof name_ - 1; ++c) name_[length++] = *c;
  name_[length] = '\0';
  if (TAPICallLog* log = object_->GetAttachedObject()) log->NoteCall(name_);
  if (object_->TargetGone()) status_.code = kAPINoTarget;
}

void CheckAPIObjectAlive(const void* object) {
  if (!IsLiveScriptObject(object)) FailCheck(kAPINoTarget);
}

void CheckAPIObjectKind(TAPIDispatcher* object, uint32_t tag) {
  if (object == nullptr || !object->IsKindOfTag(tag)) FailCheck(kAPIWrongKind);
}

void CheckAPIObjectTag(TAPIDispatcher* object, uint32_t tag) {
  if (object == nullptr || !object->HasTag(tag)) FailCheck(kAPIWrongKind);
}

void CheckAPIResult(APIResult result) {
  if (result.code == 0) return;
  g_pending = result;
  ThrowFailure(kErrScriptCallFailed, 0);
}

int32_t ScriptAPIErrorNumber(APIResult result) { return ErrorOf(result).number; }
const char* ScriptAPIErrorText(APIResult result) { return ErrorOf(result).text; }

void RaiseScriptAPIError(ScriptRunContext* call, int16_t reserved, APIResult result) {
  const ErrorEntry error = ErrorOf(result);
  g_pending = {};
  ScriptRaiseError(call, reserved, error.number, error.text);
}

void EmptyAPIEntry(TAPIDispatcher*, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {}

void DispatchAPIEntry(TAPIEntryPoint entry, ScriptRunContext* call, uint32_t methodId,
                      int32_t highest, ScriptFrame* frame, TAPIDispatcher* fixedReceiver) {
  const TFPUState saved = SaveFPUState();
  try {
    TAPIDispatcher* receiver = fixedReceiver;
    if (receiver == nullptr) {
      void* object = ScriptArgObject(frame, 1);
      CheckAPIObjectAlive(object);
      receiver = static_cast<TAPIDispatcher*>(object);
    }
    entry(receiver, call, highest, frame, static_cast<uint16_t>(methodId & 0xFFFF));
    RestoreFPUState(saved);
    return;
  } catch (const CException&) {
    // A failure: its code, when it carries one, is the pending failure.
  } catch (...) {
    // Nothing may unwind into the engine: anything else is a general failure.
  }
  RestoreFPUState(saved);
  RaiseScriptAPIError(call, 0, g_pending);
}

int16_t ReadIntegerArgument(ScriptFrame* frame, int32_t index) {
  return ScriptArgInteger(frame, index);
}
int32_t ReadLongArgument(ScriptFrame* frame, int32_t index) { return ScriptArgLong(frame, index); }
double ReadDoubleArgument(ScriptFrame* frame, int32_t index) {
  double value = 0;
  ScriptArgDouble(frame, index, &value);
  return value;
}
int16_t ReadBooleanArgument(ScriptFrame* frame, int32_t index) {
  return EngineArgBoolean(frame, index);
}
void* ReadObjectArgument(ScriptFrame* frame, int32_t index) {
  return ScriptArgObject(frame, index);
}

void ReturnBooleanValue(ScriptFrame* frame, int32_t index, bool value) {
  ScriptReturnBoolean(frame, index, value ? -1 : 0);
}

void ReturnStringValue(ScriptRunContext* call, ScriptFrame* frame, int32_t index,
                       const char* text) {
  ScriptReturnString(frame, index, ScriptMakeString(call, text));
}

void ReturnObjectValue(ScriptFrame* frame, int32_t index, TAPIDispatcher* object) {
  ScriptReturnObject(frame, index, object);
}
