// Type descriptions: the builder calls, registration of libraries and lookups of classes and
// members for the compiler and the machine.

#include "basic/Engine.h"
#include "basic/ScriptApi.h"

using basic::ClassDef;
using basic::MemberDef;
using basic::MemberKind;

namespace {

bool ValidType(int16_t type, bool allowNone) {
  switch (type & 0x3FF) {
    case kScriptInteger: case kScriptLong: case kScriptDouble: case kScriptString:
    case kScriptBoolean: case kScriptObject: return (type & ~0x7FF) == 0;
    case 0: return allowNone;
    default: return false;
  }
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The class that members are added to; marks the builder failed when there is none.
ClassDef* CurrentClass(ScriptBuilder* builder) {
  if (builder == nullptr) return nullptr;
  if (builder->data.classes.empty()) {
    builder->failed = true;
    return nullptr;
  }
  return &builder->data.classes.back();
}

void AddClass(ScriptBuilder* builder, const char* name, const char* baseName, bool collection) {
  if (builder == nullptr) return;
  if (name == nullptr || *name == '\0') {
    builder->failed = true;
    return;
  }
  ClassDef def;
  def.name = name;
  def.baseName = Text(baseName);
  def.collection = collection;
  builder->data.classes.push_back(std::move(def));
}

void AddMethod(ScriptBuilder* builder, MemberKind kind, uint16_t flags, const char* name,
               uint16_t id, int16_t resultType, const char* resultClass, int16_t least,
               int16_t most, std::initializer_list<ScriptArgSpec> args) {
  ClassDef* cls = CurrentClass(builder);
  if (cls == nullptr) return;
  const bool valid = name != nullptr && *name != '\0' && least >= 0 && least <= most &&
                     static_cast<size_t>(most) <= args.size() && most <= 30 &&
                     (kind == MemberKind::kSub || ValidType(resultType, false));
  if (!valid) {
    builder->failed = true;
    return;
  }
  MemberDef member;
  member.kind = kind;
  member.name = name;
  member.key = basic::Lower(name);
  member.flags = flags;
  member.id = id;
  member.resultType = kind == MemberKind::kSub ? 0 : resultType;
  member.resultClass = Text(resultClass);
  member.least = least;
  member.most = most;
  for (const ScriptArgSpec& arg : args) {
    if (!ValidType(arg.type, false)) {
      builder->failed = true;
      return;
    }
    member.args.emplace_back(arg.type, Text(arg.className));
    member.byRef = member.byRef || (arg.type & kScriptByRef) != 0;
  }
  cls->members.push_back(std::move(member));
}

}  // namespace

ScriptBuilder* ScriptBeginDescription() { return new ScriptBuilder; }

void ScriptDefineClass(ScriptBuilder* builder, const char* name, uint16_t, const char* baseName) {
  AddClass(builder, name, baseName, false);
}

void ScriptDefineCollectionClass(ScriptBuilder* builder, int16_t, const char* name, uint16_t,
                                 const char* baseName) {
  AddClass(builder, name, baseName, true);
}

void ScriptDefineProperty(ScriptBuilder* builder, uint16_t flags, const char* name,
                          uint16_t setId, uint16_t getId, int16_t type, const char* className) {
  ClassDef* cls = CurrentClass(builder);
  if (cls == nullptr) return;
  if (name == nullptr || *name == '\0' || !ValidType(type, false) ||
      (setId == kScriptNoId && getId == kScriptNoId)) {
    builder->failed = true;
    return;
  }
  MemberDef member;
  member.kind = MemberKind::kProperty;
  member.name = name;
  member.key = basic::Lower(name);
  member.flags = flags;
  member.setId = setId;
  member.getId = getId;
  member.resultType = type;
  member.resultClass = Text(className);
  cls->members.push_back(std::move(member));
}

void ScriptDefineSub(ScriptBuilder* builder, uint16_t flags, const char* name, uint16_t id,
                     int16_t least, int16_t most, std::initializer_list<ScriptArgSpec> args) {
  AddMethod(builder, MemberKind::kSub, flags, name, id, 0, nullptr, least, most, args);
}

void ScriptDefineFunction(ScriptBuilder* builder, uint16_t flags, const char* name, uint16_t id,
                          int16_t resultType, const char* resultClass, int16_t least,
                          int16_t most, std::initializer_list<ScriptArgSpec> args) {
  AddMethod(builder, MemberKind::kFunction, flags, name, id, resultType, resultClass, least,
            most, args);
}

void ScriptDefineGlobal(ScriptBuilder* builder, const char* name, int16_t type,
                        const char* className, void* object) {
  if (builder == nullptr) return;
  if (name == nullptr || *name == '\0' || type != kScriptObject) {
    builder->failed = true;
    return;
  }
  builder->data.globals.push_back({name, type, Text(className), object});
}

int16_t ScriptFinishDescription(ScriptBuilder* builder, ScriptDescription** description, void*) {
  if (description != nullptr) *description = nullptr;
  if (builder == nullptr) return 0;
  const std::unique_ptr<ScriptBuilder> owned(builder);
  if (builder->failed || description == nullptr) return 0;
  *description = new ScriptDescription{std::move(builder->data)};
  return 1;
}

void ScriptFreeDescription(ScriptDescription* description) { delete description; }

uint16_t ScriptRegisterLibrary(ScriptEngine* engine, const char* libraryName,
                               const ScriptDescription* description, ScriptDispatch dispatch) {
  if (engine == nullptr || libraryName == nullptr || *libraryName == '\0' ||
      description == nullptr || dispatch == nullptr)
    return kScriptNoId;
  const std::string key = basic::Lower(libraryName);
  for (const basic::LibraryInfo& library : engine->libraries)
    if (library.key == key) return kScriptNoId;
  const auto index = static_cast<int32_t>(engine->libraries.size());
  engine->libraries.push_back({key, dispatch});
  for (const ClassDef& def : description->data.classes) {
    auto info = std::make_unique<basic::ClassInfo>();
    info->def = def;
    info->key = basic::Lower(def.name);
    info->qualifiedKey = key + "." + info->key;
    info->library = index;
    for (MemberDef& member : info->def.members) member.library = index;
    engine->classes.push_back(std::move(info));
  }
  for (const basic::GlobalDef& global : description->data.globals)
    engine->globals.push_back({basic::Lower(global.name), global.className, global.object});
  return 0;
}

int32_t ScriptEngine::FindClass(std::string_view name) const {
  const std::string key = basic::Lower(name);
  const bool qualified = key.find('.') != std::string::npos && key.front() != '.';
  for (size_t i = 0; i < classes.size(); ++i) {
    if ((qualified ? classes[i]->qualifiedKey : classes[i]->key) == key) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t ScriptEngine::BaseOf(int32_t cls) {
  basic::ClassInfo& info = *classes[cls];
  if (info.base != -2) return info.base;
  const int32_t base = info.def.baseName.empty() ? -1 : FindClass(info.def.baseName);
  if (base < 0 && !info.def.baseName.empty()) return -1;  // its library may come later
  info.base = base == cls ? -1 : base;
  return info.base;
}

bool ScriptEngine::DerivesFrom(int32_t cls, int32_t ancestor) {
  // Bounded by the number of classes, so a cycle of bases cannot loop for ever.
  for (size_t steps = 0; cls >= 0 && steps <= classes.size(); ++steps) {
    if (cls == ancestor) return true;
    cls = BaseOf(cls);
  }
  return false;
}

std::vector<const MemberDef*> ScriptEngine::FindMember(int32_t cls, std::string_view key) {
  std::vector<const MemberDef*> found;
  for (size_t steps = 0; cls >= 0 && static_cast<size_t>(cls) < classes.size() && steps <= classes.size(); ++steps) {
    for (const MemberDef& member : classes[cls]->def.members) {
      const bool match = key.empty() ? (member.flags & kScriptDefaultMember) != 0 : member.key == key;
      if (match) found.push_back(&member);
    }
    if (!found.empty()) break;  // members of a class hide those of its bases
    cls = BaseOf(cls);
  }
  return found;
}

int32_t ScriptEngine::ResultClass(const MemberDef& member) {
  if (member.resultCls != -2) return member.resultCls;
  const int32_t cls = member.resultClass.empty() ? -1 : FindClass(member.resultClass);
  if (cls >= 0 || member.resultClass.empty()) member.resultCls = cls;
  return cls;
}

int32_t ScriptEngine::ArgClass(const MemberDef& member, size_t i) {
  if (member.argClasses.size() != member.args.size()) member.argClasses.assign(member.args.size(), -2);
  int32_t& cls = member.argClasses[i];
  if (cls != -2) return cls;
  const int32_t found = member.args[i].second.empty() ? -1 : FindClass(member.args[i].second);
  if (found >= 0 || member.args[i].second.empty()) cls = found;
  return found;
}

const basic::HostGlobal* ScriptEngine::FindGlobal(std::string_view key) const {
  for (const basic::HostGlobal& global : globals)
    if (global.key == key) return &global;
  return nullptr;
}
