// The machine's variables, arrays and loops.

#include <algorithm>

#include "basic/Machine.h"
#include "basic/Operators.h"

namespace basic {

namespace {

bool IsWhole(VType t) { return t == VType::kInteger || t == VType::kLong; }

// The position of an element in an array's items; raises 9 outside the bounds.
size_t IndexOf(const ArrayRep& rep, const Value* indexes, int32_t count) {
  if (static_cast<size_t>(count) != rep.bounds.size()) Raise(9);
  size_t offset = 0;
  for (int32_t d = 0; d < count; ++d) {
    const auto [lower, upper] = rep.bounds[d];
    const int32_t i = indexes[d].ToLong();
    if (i < lower || i > upper) Raise(9);
    offset = offset * static_cast<size_t>(upper - lower + 1) + static_cast<size_t>(i - lower);
  }
  return offset;
}

}  // namespace

Value ReadElement(const Value& array, const Value* indexes, int32_t count) {
  const ArrayRep& rep = *array.RawArray();
  return rep.items[IndexOf(rep, indexes, count)];
}

Value Machine::Default(const SlotInfo& slot) {
  if (slot.isArray) return NewArray(slot, nullptr, 0, nullptr);
  switch (slot.type) {
    case VType::kInteger: return Value::Integer(0);
    case VType::kLong: return Value::Long(0);
    case VType::kDouble: return Value::Double(0);
    case VType::kString:
      if (emptyString_.type() != VType::kString) emptyString_ = Value::String("");
      return emptyString_;
    case VType::kBoolean: return Value::Boolean(false);
    case VType::kObject: return Value::Object(nullptr, slot.classRef >= 0 ? module_.classIds[slot.classRef] : -1);
    default: return Value();
  }
}

void Machine::InitGlobals() {
  globals_.clear();
  globals_.reserve(image_.globals.size());
  for (const SlotInfo& slot : image_.globals) {
    if (slot.isArray && !slot.bounds.empty()) {
      std::vector<Value> bounds;
      for (const auto& [lower, upper] : slot.bounds) {
        bounds.push_back(Value::Long(lower));
        bounds.push_back(Value::Long(upper));
      }
      globals_.push_back(NewArray(slot, bounds.data(), static_cast<int32_t>(slot.bounds.size()), nullptr));
    } else {
      globals_.push_back(Default(slot));
    }
  }
}

Value& Machine::Var(int32_t ref) {
  return ref >= 0 ? stack_[frames_.back().base + ref] : globals_[-1 - ref];
}

void Machine::StoreVar(int32_t ref, Value value) {
  const SlotInfo& slot = ref >= 0 ? image_.procs[frames_.back().proc].locals[ref] : image_.globals[-1 - ref];
  Var(ref) = Typed(slot, std::move(value));
}

void Machine::StoreLocal(int32_t slot, Value value) {
  stack_[frames_.back().base + slot] = Typed(image_.procs[frames_.back().proc].locals[slot], std::move(value));
}

// A value converted to a variable's declared type. An object keeps its pointer and takes the
// declared class when the two are related, so members of the declared class can be called.
Value Machine::Typed(const SlotInfo& slot, Value value) {
  if (slot.isArray) {
    // An array parameter: the caller's array itself, so the procedure's changes are the caller's.
    if (value.type() != VType::kArray) Raise(13);
    return value;
  }
  if (slot.type == VType::kEmpty) return value;
  if (slot.type == value.type() && slot.type != VType::kObject) return value;  // a Variant takes anything, arrays too
  if (slot.type != VType::kObject) {
    if (value.type() == VType::kObject) Raise(13);
    return value.ConvertTo(slot.type);
  }
  if (value.type() == VType::kEmpty) return Default(slot);
  if (value.type() != VType::kObject) Raise(13);
  if (slot.classRef < 0) return value;
  const int32_t target = module_.classIds[slot.classRef];
  const int32_t cls = value.ObjectClass();
  if (value.RawObject() != nullptr && cls >= 0 && cls != target &&
      !engine_.DerivesFrom(cls, target) && !engine_.DerivesFrom(target, cls))
    Raise(13);
  value.SetObjectClass(target);
  return value;
}

Value Machine::NewArray(const SlotInfo& slot, const Value* bounds, int32_t dims, const ArrayRep* keep) {
  auto rep = std::make_unique<ArrayRep>();
  rep->element = slot.type;
  rep->elementClass = slot.classRef >= 0 ? module_.classIds[slot.classRef] : -1;
  int64_t total = dims > 0 ? 1 : 0;
  for (int32_t d = 0; d < dims; ++d) {
    const int32_t lower = bounds[2 * d].ToLong();
    const int32_t upper = bounds[2 * d + 1].ToLong();
    if (static_cast<int64_t>(upper) < static_cast<int64_t>(lower) - 1) Raise(9);
    rep->bounds.emplace_back(lower, upper);
    total *= static_cast<int64_t>(upper) - lower + 1;
    if (total > kMaxArrayElements) Raise(7);
  }
  SlotInfo element = slot;
  element.isArray = false;
  rep->items.assign(static_cast<size_t>(total), Default(element));
  if (keep != nullptr && keep->bounds.size() == rep->bounds.size()) {
    // Preserve: every old element whose indexes still exist keeps its value.
    std::vector<Value> index(keep->bounds.size());
    for (size_t k = 0; k < keep->items.size(); ++k) {
      size_t rest = k;
      bool inside = true;
      for (size_t d = keep->bounds.size(); d-- > 0;) {
        const auto [lower, upper] = keep->bounds[d];
        const size_t extent = static_cast<size_t>(upper - lower + 1);
        const int32_t i = lower + static_cast<int32_t>(rest % extent);
        rest /= extent;
        index[d] = Value::Long(i);
        inside = inside && i >= rep->bounds[d].first && i <= rep->bounds[d].second;
      }
      if (inside) rep->items[IndexOf(*rep, index.data(), static_cast<int32_t>(index.size()))] = keep->items[k];
    }
  }
  return Value::Array(rep.release());
}

Value& Machine::Element(int32_t ref, const Value* indexes, int32_t count) {
  Value& var = Var(ref);
  if (var.type() != VType::kArray) Raise(9);
  ArrayRep& rep = *var.RawArray();
  return rep.items[IndexOf(rep, indexes, count)];
}

bool Machine::ForPrep(const LoopInfo& loop) {
  Value* hidden = &stack_[frames_.back().base + loop.hidden];
  const int direction = Compare(hidden[1], Value::Integer(0));
  const int c = Compare(Var(loop.var), hidden[0]);
  return direction >= 0 ? c <= 0 : c >= 0;
}

bool Machine::ForNext(const LoopInfo& loop) {
  Value* hidden = &stack_[frames_.back().base + loop.hidden];
  Value& var = Var(loop.var);
  const Value& limit = hidden[0];
  const Value& step = hidden[1];
  if (IsWhole(var.type()) && IsWhole(step.type()) && IsWhole(limit.type())) {
    const SlotInfo& slot = loop.var >= 0 ? image_.procs[frames_.back().proc].locals[loop.var]
                                         : image_.globals[-1 - loop.var];
    if (slot.type == var.type()) {
      const int64_t next = static_cast<int64_t>(var.RawInt()) + step.RawInt();
      const bool narrow = var.type() == VType::kInteger;
      if (narrow ? (next < -32768 || next > 32767) : (next < INT32_MIN || next > INT32_MAX)) Raise(6);
      var = narrow ? Value::Integer(static_cast<int16_t>(next)) : Value::Long(static_cast<int32_t>(next));
      return step.RawInt() >= 0 ? next <= limit.RawInt() : next >= limit.RawInt();
    }
  }
  StoreVar(loop.var, Binary(Op::kAdd, var, step));
  return ForPrep(loop);
}

bool Machine::EachStep(const LoopInfo& loop, bool first) {
  Value* hidden = &stack_[frames_.back().base + loop.hidden];
  const Value& collection = hidden[0];  // the stack never moves while the machine runs
  const bool isArray = collection.type() == VType::kArray;
  if (first) {
    if (isArray) {
      hidden[1] = Value::Long(static_cast<int32_t>(collection.RawArray()->items.size()));
      hidden[2] = Value::Long(0);
    } else {
      hidden[1] = Value::Long(CallNamed(collection, "count", Access::kGet, nullptr, 0, true).ToLong());
      hidden = &stack_[frames_.back().base + loop.hidden];
      hidden[2] = Value::Long(1);
    }
  } else {
    hidden[2].SetRawInt(hidden[2].RawInt() + 1);
  }
  const int32_t index = hidden[2].RawInt();
  const int32_t count = hidden[1].RawInt();
  if (isArray) {
    if (index >= count) return false;
    StoreVar(loop.var, collection.RawArray()->items[index]);
    return true;
  }
  if (index > count) return false;
  Value arg = index <= 32767 ? Value::Integer(static_cast<int16_t>(index)) : Value::Long(index);
  CachedMember& cached = itemCache_[&loop - image_.loops.data()];
  Value item = cached.cls == collection.ObjectClass() && collection.RawObject() != nullptr
                   ? Dispatch(collection, *cached.member, Access::kCall, &arg, 1)
                   : CallNamed(collection, "item", Access::kCall, &arg, 1, true, &cached);
  Value& var = Var(loop.var);
  if (item.type() == VType::kObject && var.type() == VType::kObject && item.ObjectClass() == var.ObjectClass())
    var = std::move(item);  // the declared class already: nothing to convert
  else
    StoreVar(loop.var, std::move(item));
  return true;
}

void Machine::Append(int32_t ref, const Value& tail) {
  Value& var = Var(ref);
  if (std::string* text = var.UniqueString()) {
    if (tail.type() == VType::kString) *text += tail.RawString();
    else *text += Binary(Op::kConcat, Value(), tail).RawString();
    if (text->size() > kMaxStringLength) Raise(14);
    return;
  }
  StoreVar(ref, Binary(Op::kConcat, var, tail));
}

Value Machine::CallExternal(const std::string& key, Value* args, int32_t argc) {
  int32_t proc = 0;
  ScriptModule* module = engine_.FindSharedProc(key, &proc);
  // The module that compiled against it may have gone since.
  if (module == nullptr || module->image.procs[proc].paramCount != argc) Raise(35);
  ScriptRunContext* run = NewProcedureRun(module, proc);
  run->arguments.assign(args, args + argc);
  run->user = context_.user;
  run->caller = &context_;
  ScriptRun(run);
  const bool stopped = run->stopped;
  ScriptError failure{run->failed ? run->errorNumber : 0, run->errorText};
  Value result = std::move(run->result);
  ScriptFreeRunContext(run);
  // End in the callee ends the whole script, and its error is the caller's to handle.
  if (stopped) throw StopRun{};
  if (failure.number != 0) throw failure;
  return result;
}

}  // namespace basic
