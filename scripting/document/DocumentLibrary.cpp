// The document library: its two classes as the engine knows them, and the road of their calls.
// The members of YBDocument itself come with the document's own operations.

#include "scripting/document/DocumentLibrary.h"

#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"

namespace {

TAPIMemberTable<kDocumentMembers> g_members;

constexpr uint16_t kCountId = 3;
constexpr uint16_t kItemId = 4;

void GetCount(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  CheckAPIObjectTag(r, TAPIDocCollection::kTag);
  int32_t count = 0;
  CheckAPIResult(static_cast<TAPIDocCollection*>(r)->Count(&count));
  ScriptReturnInteger(frame, 0, static_cast<int16_t>(count));
}

void GetItem(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t index = ReadIntegerArgument(frame, 2);
  CheckAPIObjectTag(r, TAPIDocCollection::kTag);
  TAPIDispatcher* item = nullptr;
  CheckAPIResult(static_cast<TAPIDocCollection*>(r)->Item(index, &item));
  ReturnObjectValue(frame, 0, item);
}

}  // namespace

ScriptDescription* DescribeYBDocument(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallDocumentScriptObjects();
  ScriptDefineClass(b, "YBDocument", kScriptNoId, nullptr);
  ScriptDefineCollectionClass(b, 1, "YBDocCollection", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Count", kScriptNoId, kCountId, kScriptInteger, nullptr);
  g_members.Set(kCountId, &GetCount);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", kItemId, kScriptObject,
                       "DE22YBDoc.YBDocument", 1, 1, {{kScriptInteger}});
  g_members.Set(kItemId, &GetItem);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBDocument(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                        ScriptFrame* frame) {
  if ((methodId & 0xFFFF) > kDocumentMembers) return;
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
