#include "scripting/host/CallFrame.h"

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

TFPUState SaveFPUState() {
  TFPUState state;
  feholdexcept(&state.environment);
  return state;
}

void RestoreFPUState(const TFPUState& state) { fesetenv(&state.environment); }

TAPICallContext::TAPICallContext(TAPIDispatcher* object, const char* member) : object_(object) {
  name_ = object_->GetClassName();
  name_.AppendCString("::");
  name_.AppendCString(member);
  if (TAPICallLog* log = object_->GetAttachedObject()) log->NoteCall(name_.Chars());
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
