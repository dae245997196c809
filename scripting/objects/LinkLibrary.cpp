// The object library: YBObject's members shared by every world object's script object, and the
// collection of a world's objects.

#include "scripting/objects/LinkLibrary.h"

#include "scripting/host/CallFrame.h"
#include "scripting/objects/APILink.h"
#include "scripting/objects/ObjectEntries.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kLinkMembers> g_members;

TAPILink* Receiver(TAPIDispatcher* r) {
  CheckAPIObjectKind(r, TAPILink::kTag);
  return static_cast<TAPILink*>(r);
}

void SetName(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 name = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Receiver(r)->SetName(name));
}

void GetName(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str255 name;
  CheckAPIResult(Receiver(r)->GetName(name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

void GetID(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int16_t id = 0;
  CheckAPIResult(Receiver(r)->GetID(id));
  ScriptReturnInteger(frame, 0, id);
}

template <APIResult (TAPILink::*Get)(bool&)>
void GetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  bool value = false;
  CheckAPIResult((Receiver(r)->*Get)(value));
  ReturnBooleanValue(frame, 0, value);
}

template <APIResult (TAPILink::*Set)(bool)>
void SetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool value = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIResult((Receiver(r)->*Set)(value));
}

void GetKind(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 kind;
  CheckAPIResult(Receiver(r)->GetKind(kind));
  ReturnStringValue(call, frame, 0, kind.Chars());
}

template <uint32_t Tag>
void GetFrame(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int16_t value = 0;
  CheckAPIResult(Receiver(r)->GetFrameValue(Tag, value));
  ScriptReturnInteger(frame, 0, value);
}

template <uint32_t Tag>
void SetFrame(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t value = ReadIntegerArgument(frame, 2);
  CheckAPIResult(Receiver(r)->SetFrameValue(Tag, value));
}

// The receiver itself as the named class, or Nothing.
template <uint32_t Tag, bool Exact>
void Typed(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  Receiver(r);
  const bool matches = Exact ? r->HasTag(Tag) : r->IsKindOfTag(Tag);
  ReturnObjectValue(frame, 0, matches ? r : nullptr);
}

// The index-th object of a kind; Nothing when the object found is not of the script class.
template <uint32_t KindTag, uint32_t ClassTag, bool Exact>
void GetItemOfKind(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t index = ReadIntegerArgument(frame, 2);
  TAPIDispatcher* item = nullptr;
  CheckAPIResult(ExactReceiver<TAPILinkCollection>(r)->ItemOfKind(index, KindTag, &item));
  if (item != nullptr && !(Exact ? item->HasTag(ClassTag) : item->IsKindOfTag(ClassTag)))
    item = nullptr;
  ReturnObjectValue(frame, 0, item);
}

void Property(ScriptBuilder* b, const char* name, uint16_t setId, TAPIEntryPoint set,
              uint16_t getId, TAPIEntryPoint get, int16_t type) {
  DefineMemberProperty(g_members, b, name, setId, set, getId, get, type, nullptr);
}

void Accessor(ScriptBuilder* b, const char* name, uint16_t id, const char* className,
              TAPIEntryPoint entry) {
  ScriptDefineFunction(b, 0, name, id, kScriptObject, className, 0, 0, {});
  g_members.Set(id, entry);
}

void KindFunction(ScriptBuilder* b, const char* name, uint16_t id, const char* className,
                  TAPIEntryPoint entry, uint16_t flags = 0) {
  ScriptDefineFunction(b, flags, name, id, kScriptObject, className, 1, 1, {{kScriptInteger}});
  g_members.Set(id, entry);
}

constexpr uint32_t kBodyTag = MakeTag("APBo");
constexpr uint32_t kPointTag = MakeTag("APPt");
constexpr uint32_t kConstraintTag = MakeTag("APCn");
constexpr uint32_t kInputTag = MakeTag("APIn");
constexpr uint32_t kOutputTag = MakeTag("APOu");

}  // namespace

ScriptDescription* DescribeYBLink(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBObject", kScriptNoId, nullptr);
  Property(b, "Name", 1, &SetName, 2, &GetName, kScriptString);
  Property(b, "ID", kScriptNoId, nullptr, 5, &GetID, kScriptInteger);
  Property(b, "Kind", kScriptNoId, nullptr, 17, &GetKind, kScriptString);
  Property(b, "Show", 6, &SetFlag<&TAPILink::SetShown>, 7, &GetFlag<&TAPILink::GetShown>,
           kScriptBoolean);
  Property(b, "ShowName", 8, &SetFlag<&TAPILink::SetNameShown>, 9,
           &GetFlag<&TAPILink::GetNameShown>, kScriptBoolean);
  Accessor(b, "Body", 10, "DE22YBBdy.YBBody", &Typed<kBodyTag, false>);
  Accessor(b, "Point", 11, "DE22YBPnt.YBPoint", &Typed<kPointTag, false>);
  Accessor(b, "Constraint", 26, "DE22YBCns.YBConstraint", &Typed<kConstraintTag, false>);
  Accessor(b, "Input", 27, "DE22YBInp.YBInput", &Typed<kInputTag, true>);
  Accessor(b, "Output", 28, "DE22YBOut.YBOutput", &Typed<kOutputTag, true>);
  Property(b, "X", 18, &SetFrame<MakeTag("gph_")>, 19, &GetFrame<MakeTag("gph_")>, kScriptInteger);
  Property(b, "Y", 20, &SetFrame<MakeTag("gpv_")>, 21, &GetFrame<MakeTag("gpv_")>, kScriptInteger);
  Property(b, "Height", 22, &SetFrame<MakeTag("gsv_")>, 23, &GetFrame<MakeTag("gsv_")>,
           kScriptInteger);
  Property(b, "Width", 24, &SetFrame<MakeTag("gsh_")>, 25, &GetFrame<MakeTag("gsh_")>,
           kScriptInteger);

  ScriptDefineCollectionClass(b, 1, "YBObjectCollection", kScriptNoId, nullptr);
  Property(b, "Count", kScriptNoId, nullptr, 4, &GetCollectionCount<TAPILinkCollection>,
           kScriptInteger);
  KindFunction(b, "Item", 3, "DE22YBLnk.YBObject", &GetCollectionItem<TAPILinkCollection>,
               kScriptDefaultMember);
  KindFunction(b, "Body", 12, "DE22YBBdy.YBBody", &GetItemOfKind<MakeTag("mass"), kBodyTag, false>);
  KindFunction(b, "Point", 13, "DE22YBPnt.YBPoint",
               &GetItemOfKind<MakeTag("poin"), kPointTag, true>);
  KindFunction(b, "Constraint", 14, "DE22YBCns.YBConstraint",
               &GetItemOfKind<MakeTag("UICn"), kConstraintTag, true>);
  KindFunction(b, "Input", 15, "DE22YBInp.YBInput",
               &GetItemOfKind<MakeTag("inpt"), kInputTag, true>);
  KindFunction(b, "Output", 16, "DE22YBOut.YBOutput",
               &GetItemOfKind<MakeTag("oupt"), kOutputTag, true>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBLink(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                    ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
