#include "bodies/vectors/DocumentVectorWorld.h"

#include "core/ClassRegistry.h"
#include "model/world/WorldDoc.h"

TGlobalVectorHandler* TDocumentVectorWorld::GetVectorHandler() {
  return dynamic_cast<TGlobalVectorHandler*>(world_.GetVectorHandlerObject());
}

TGlobalVectorHandler* TDocumentVectorWorld::MakeVectorHandler() {
  if (world_.GetVectorHandlerObject() == nullptr) {
    std::unique_ptr<TObject> made(CreateObjectByTag(kVectorHandlerTag));
    auto* handler = dynamic_cast<TGlobalVectorHandler*>(made.get());
    if (handler == nullptr) return nullptr;
    made.release();
    handler->Initialize();
    world_.AdoptObject(std::unique_ptr<TLink>(handler));
  }
  return dynamic_cast<TGlobalVectorHandler*>(world_.GetVectorHandlerObject());
}

bool TDocumentVectorWorld::ShowsRecordedFrames() {
  return world_.ShowsRecordedFrame();
}

TWorldDoc* TDocumentVectorWorld::FindWorld(const TLink& object) {
  for (TLink* linked : object.Linked()) {
    if (linked != nullptr && linked->IsMemberClass(TWorldDoc::kClassID))
      return static_cast<TWorldDoc*>(linked);
  }
  return nullptr;
}
