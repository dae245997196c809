// Members of the program's objects: choosing the registered member for a call, filling the call
// frame (0 result, 1 receiver, 2 onward arguments), calling the library's dispatch callback and
// taking back the result, by-reference arguments and any error it raised.

#include "basic/Machine.h"

#include <algorithm>

namespace basic {

Value Machine::CallSite(int32_t siteIndex, const Value& object, Access access, Value* args,
                        int32_t argc) {
  CachedMember& cached = siteCache_[siteIndex];
  if (object.type() == VType::kObject && object.RawObject() != nullptr && cached.cls == object.ObjectClass())
    return Dispatch(object, *cached.member, access, args, argc);
  const MemberSite& site = image_.sites[siteIndex];
  const std::string& key = image_.names[site.name];
  if (object.type() == VType::kArray && key.empty() && access == Access::kCall)
    return ReadElement(object, args, argc);
  return CallNamed(object, key, access, args, argc, site.wantResult, &cached);
}

Value Machine::CallNamed(const Value& object, std::string_view key, Access access, Value* args,
                         int32_t argc, bool wantResult, CachedMember* site) {
  if (object.type() != VType::kObject) Raise(424);
  if (object.RawObject() == nullptr) Raise(91);
  const int32_t cls = object.ObjectClass();
  const size_t hash = (static_cast<size_t>(cls) * 31 + reinterpret_cast<uintptr_t>(key.data()) / 8) % kMemberCacheSize;
  CachedMember& cached = memberCache_[hash];
  if (cached.cls == cls && cached.key == key.data() && cached.access == access && cached.argc == argc &&
      cached.wantResult == wantResult) {
    if (site != nullptr) *site = cached;
    return Dispatch(object, *cached.member, access, args, argc);
  }
  const std::vector<const MemberDef*> candidates = engine_.FindMember(cls, key);
  if (candidates.empty()) Raise(438);
  const MemberDef* member = Choose(candidates, access, args, argc, wantResult);
  if (member == nullptr && access == Access::kCall && argc > 0) {
    // coll.Items(2): a member without arguments, then its result's default member with them.
    if (const MemberDef* getter = Choose(candidates, Access::kGet, nullptr, 0, true)) {
      const Value inner = Dispatch(object, *getter, Access::kGet, nullptr, 0);
      return CallNamed(inner, "", Access::kCall, args, argc, wantResult);
    }
  }
  if (member == nullptr) Raise(450);
  if (candidates.size() == 1) {
    cached = CachedMember{cls, key.data(), access, argc, wantResult, member};
    if (site != nullptr) *site = cached;
  }
  return Dispatch(object, *member, access, args, argc);
}

const MemberDef* Machine::Choose(const std::vector<const MemberDef*>& candidates, Access access,
                                 const Value* args, int32_t argc, bool wantResult) {
  const MemberDef* best = nullptr;
  int bestScore = -1;
  for (const MemberDef* m : candidates) {
    int score = 0;
    const bool property = m->kind == MemberKind::kProperty;
    switch (access) {
      case Access::kGet:
        if (property && m->getId != kScriptNoId) score = 3;
        else if (m->kind == MemberKind::kFunction && m->least == 0) score = 2;
        else continue;
        break;
      case Access::kSet:
        if (!property || m->setId == kScriptNoId || argc != 1) continue;
        score = 3;
        break;
      case Access::kCall:
        if (property) {
          if (argc != 0 || m->getId == kScriptNoId) continue;
          score = 1;
          break;
        }
        if (argc < m->least || argc > m->most || argc > static_cast<int32_t>(m->args.size())) continue;
        if (wantResult && m->kind == MemberKind::kSub) continue;
        score = (m->kind == MemberKind::kFunction) == wantResult ? 2 : 1;
        break;
    }
    score *= 1000;
    if (access == Access::kCall && !property) {
      bool fits = true;
      for (int32_t i = 0; i < argc && fits; ++i) {
        const int fit = ArgFit(*m, i, args[i]);
        fits = fit >= 0;
        score += fit;
      }
      if (!fits) continue;
    }
    if (score > bestScore) {
      bestScore = score;
      best = m;
    }
  }
  return best;
}

// How well a value fits a registered argument: -1 not at all, 1 by conversion, 2 or 3 well.
int Machine::ArgFit(const MemberDef& member, size_t i, const Value& value) {
  const int16_t type = member.args[i].first & 0x3FF;
  const VType v = value.type();
  if (type == kScriptObject) {
    if (v == VType::kEmpty) return 1;
    if (v != VType::kObject) return -1;
    const int32_t wanted = engine_.ArgClass(member, i);
    if (wanted < 0 || value.RawObject() == nullptr) return 2;
    if (value.ObjectClass() == wanted) return 3;
    return engine_.DerivesFrom(value.ObjectClass(), wanted) ? 2 : -1;
  }
  if (v == VType::kObject || v == VType::kArray) return -1;
  if (type == kScriptString) return v == VType::kString ? 2 : 1;
  if (v != VType::kString) return 2;
  double number = 0;
  return ParseNumber(value.RawString(), number) ? 1 : -1;
}

// A member call: the frame filled, the library's callback called, and its result taken back.
// What few calls need (conversions, by-reference arguments, strings, errors) is done out of line.
Value Machine::Dispatch(const Value& object, const MemberDef& member, Access access, Value* args,
                        int32_t argc) {
  // A member call may take long (a whole simulation run), so it counts for many loop turns:
  // the program gets its break check at least every 16 calls.
  yieldCountdown_ -= 64;
  if (yieldCountdown_ <= 0) Yield();
  const int32_t used = argc + 2;
  if (frame_.slots.size() < static_cast<size_t>(used)) frame_.slots.resize(used);
  frame_.used = used;
  Value* const slots = frame_.slots.data();
  slots[0].Clear();
  slots[1] = object;
  for (int32_t i = 0; i < argc; ++i) {
    const int16_t code = access == Access::kSet ? member.resultType : member.args[i].first;
    const auto type = static_cast<VType>(code & 0x3FF);
    if (args[i].type() == type) slots[i + 2] = args[i];
    else slots[i + 2] = Passed(type, args[i]);
  }
  uint16_t id = member.id;
  if (member.kind == MemberKind::kProperty) id = access == Access::kSet ? member.setId : member.getId;
  if (!context_.strings.empty()) context_.strings.clear();
  try {
    engine_.libraries[member.library].dispatch(&context_, id, argc + 1, &frame_);
  } catch (...) {
    // The program's callback must not throw; if it does, the script sees an error, not a crash.
    context_.strings.clear();
    Raise(51);
  }
  if (!context_.strings.empty() || context_.stopRequested || context_.pendingError) AfterCall();
  if (member.byRef || !outValid_.empty()) TakeOuts(member, access, argc);
  if (access == Access::kSet || member.kind == MemberKind::kSub) return Value();
  const auto resultType = static_cast<VType>(member.resultType & 0x3FF);
  if (resultType == VType::kEmpty) return Value();
  if (resultType == VType::kObject) {
    if (engine_.hooks.addRef != nullptr || member.resultCls < 0) return ObjectResult(member);
    return Value::Object(slots[0].type() == VType::kObject ? slots[0].RawObject() : nullptr, member.resultCls);
  }
  if (slots[0].type() == resultType) return std::move(slots[0]);
  if (slots[0].type() == VType::kObject) Raise(13);
  return slots[0].ConvertTo(resultType);
}

// An argument that does not hold its registered type, as the member takes it.
Value Machine::Passed(VType type, const Value& arg) {
  if (type != VType::kObject) return arg.ConvertTo(type);
  if (arg.type() != VType::kEmpty) Raise(13);
  return arg;
}

// What a member call left besides its result: strings to free, a stop, an error to raise.
void Machine::AfterCall() {
  if (!context_.strings.empty()) context_.strings.clear();
  if (context_.stopRequested) throw StopRun{};
  if (context_.pendingError) {
    context_.pendingError = false;
    throw ScriptError{context_.pendingNumber, std::move(context_.pendingText)};
  }
}

// The arguments a member call gives back by reference, for the kOut instructions after it.
void Machine::TakeOuts(const MemberDef& member, Access access, int32_t argc) {
  std::fill_n(outValid_.begin(), std::min(static_cast<size_t>(argc), outValid_.size()), 0);
  if (!member.byRef || access == Access::kSet) return;
  if (outs_.size() < static_cast<size_t>(argc)) {
    outs_.resize(argc);
    outValid_.resize(argc);
  }
  for (int32_t i = 0; i < argc; ++i) {
    if (!(member.args[i].first & kScriptByRef)) continue;
    outs_[i] = frame_.slots[i + 2];
    outValid_[i] = 1;
  }
}

// An object a member call returned, typed by the member's result class and held for the run.
Value Machine::ObjectResult(const MemberDef& member) {
  const Value& result = frame_.slots[0];
  void* pointer = result.type() == VType::kObject ? result.RawObject() : nullptr;
  if (pointer != nullptr && engine_.hooks.addRef != nullptr && context_.held.insert(pointer).second)
    engine_.hooks.addRef(pointer);
  return Value::Object(pointer, member.resultCls >= 0 ? member.resultCls : engine_.ResultClass(member));
}

}  // namespace basic
