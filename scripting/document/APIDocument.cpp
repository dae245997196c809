#include "scripting/document/APIDocument.h"

#include "core/List.h"
#include "model/world/QVDoc.h"

IMPLEMENT_DYNAMIC(TAPIDocument, TAPIDispatcher)
IMPLEMENT_DYNAMIC(TAPIDocCollection, TAPICollection)

namespace {

CCmdTarget* MakeDocumentObject(TQVDoc& document, CCmdTarget* parent) {
  auto* owner = static_cast<TAPIDispatcher*>(parent);
  auto* object = new TAPIDocument(owner->GetAttachedObject(), &document, owner);
  object->AddRef();  // the document's reference
  return object;
}

void ReleaseDocumentObject(CCmdTarget* object) {
  static_cast<TAPIDispatcher*>(object)->DeleteIfUnreferenced();
}

}  // namespace

void InstallDocumentScriptObjects() {
  TQVDoc::SetScriptObjectMaker({&MakeDocumentObject, &ReleaseDocumentObject});
}

TAPIDocument::TAPIDocument(TAPICallLog* callLog, TQVDoc* document, TAPIDispatcher* parent)
    : TAPIDispatcher(callLog, document, parent) {
  SetTag(kTag);
}

TAPIDocument::~TAPIDocument() {
  if (Document() != nullptr) Document()->ForgetAPIDocument();
}

bool TAPIDocument::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPIDocument::GetClassName() const {
  static const Str31 name("TAPIDocument");
  return name;
}

TAPIDocCollection::TAPIDocCollection(TAPICallLog* callLog, TList* documents,
                                     TAPIDispatcher* parent)
    : TAPICollection(documents) {
  SetCallLog(callLog);
  AttachToParent(parent);
  SetTag(kTag);
}

bool TAPIDocCollection::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPICollection::IsKindOfTag(tag);
}

const Str31& TAPIDocCollection::GetClassName() const {
  static const Str31 name("TAPIDocCollection");
  return name;
}

TAPIDispatcher* TAPIDocCollection::WrapItem(TObject* element) {
  if (!IsKindOfSafe(element, TQVDoc::kClassID)) return nullptr;
  auto* object = static_cast<TAPIDispatcher*>(static_cast<TQVDoc*>(element)->GetAPIDocument(parent()));
  return object != nullptr && object->HasTag(TAPIDocument::kTag) ? object : nullptr;
}
