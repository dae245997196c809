// TAnchor: a point that pins the body it sits on to the background, and the rules of dropping
// one.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/geometry/Rounding.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

bool IsRealBody(const TMass* body) {
  return body != nullptr && body->GetIdentifier() != kBackgroundIdentifier;
}

}  // namespace

TObject* TAnchor::CreateObject() {
  return new (std::nothrow) TAnchor();
}

void TAnchor::SetKind(int32_t kind) {
  kind_ = kind;
  // The background is never anchored: it does not move anyway.
  if (IsRealBody(GetBody())) GetBody()->SetAnchored(kind);
}

void TAnchor::AttachToBody(TMass* body) {
  TPoint::AttachToBody(body);
  if (IsRealBody(body)) body->SetAnchored(kind_);
}

void TAnchor::DetachFromBody() {
  if (IsRealBody(GetBody())) {
    // The detachment completes whatever the body makes of losing its anchoring.
    try {
      GetBody()->SetAnchored(0);
    } catch (const QVException&) {
    }
  }
  TPoint::DetachFromBody();
}

void TAnchor::SnapPosition(TVector& position) {
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return;
  const double step = world->SnappingDistance();
  if (!(step > 0.0)) return;
  SnapToMultiple(position.x, step);
  SnapToMultiple(position.y, step);
}

bool TAnchor::FinishDrop() {
  TMass* body = GetBody();
  TWorldDoc* world = GetWorld();
  if (world == nullptr || body == nullptr) return true;
  // An anchor that leaves the world lets its body go first.
  if (!IsRealBody(body)) {
    DetachFromBody();
    world->RemoveObject(this);
    return false;
  }
  TAnchor* other = FindOtherAnchor();
  if (other == nullptr) return true;
  other->DetachFromBody();
  DetachFromBody();
  world->RemoveObject(other);
  world->RemoveObject(this);
  return false;
}

TAnchor* TAnchor::FindOtherAnchor() const {
  const TMass* body = GetBody();
  if (!IsRealBody(body)) return nullptr;
  TList* attachments = body->Attachments();
  for (int32_t i = attachments != nullptr ? attachments->GetCount() : 0; i >= 1; --i) {
    TObject* item = attachments->At(i);
    if (item != this && item != nullptr && item->IsMemberClass(TAnchor::kClassID))
      return static_cast<TAnchor*>(item);
  }
  return nullptr;
}

void TAnchor::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockKind);
  TPoint::WriteFields(writer);
}

void TAnchor::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockKind) return TPoint::WriteBlockContents(code, writer);
  writer.WriteCode(static_cast<int16_t>(kind_));
}

uint16_t TAnchor::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockKind) return TPoint::ReadBlockContents(code, reader);
  SetKind(reader.ReadInt());
  return 1;
}

void TAnchor::Draw(const MacRect& area, uint16_t mode) {
  if ((mode & 1) != 0 && IsShown() == 0) return;
  DrawPointIcon(area, 4, "AnchorIcon");
}
