// TMass: what every body does whatever its shape: cached transforms, coordinate conversions,
// moves, hit tests, the join and attach chains, attachments and the charge sign.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <unordered_set>

#include "bodies/Body.h"
#include "bodies/BodyPicture.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "model/world/WorldDoc.h"

namespace {

// Follows next from start; true when target is met. A ring ends the walk where it closes.
template <class Next>
bool ChainContains(const TMass* start, const void* target, Next next) {
  std::unordered_set<const TMass*> seen;
  for (const TMass* body = start; body != nullptr && seen.insert(body).second; body = next(body))
    if (body == target) return true;
  return false;
}

const TMass* NextJoined(const TMass* body) {
  return body->GetJoinedTo();
}

const TMass* NextAttached(const TMass* body) {
  return body->GetAttachedBody();
}

bool RectContains(const MacRect& rect, const MacPoint& point) {
  return point.h >= rect.left && point.h <= rect.right && point.v >= rect.top &&
         point.v <= rect.bottom;
}

// A handle square: three pixels around the corner each way.
constexpr int16_t kHandleReach = 3;
// A body whose corners lie closer than this on screen is tiny.
constexpr int kTinyPixels = 9;
// The name label's baseline lies this far under the body's lowest corner on the screen.
constexpr int32_t kLabelDrop = 12;

}  // namespace

TWorldDoc* TMass::GetWorld() const {
  for (TLink* linked : Linked())
    if (linked->IsMemberClass(TWorldDoc::kClassID)) return static_cast<TWorldDoc*>(linked);
  return nullptr;
}

// ---- Transforms ------------------------------------------------------------------------------

void TMass::ValidateShownTransform() {
  if (shownValid_ != 0) return;
  const double rotation = posRot_->GetValue();
  const double y = posY_->GetValue();
  const double x = posX_->GetValue();
  shownTransform_ = Transform2D(TVector3(x, y, rotation));
  shownValid_ = 1;
}

const Transform2D& TMass::GetShownTransform() {
  ValidateShownTransform();
  return shownTransform_;
}

const Transform2D& TMass::GetInverseTransform() {
  if (inverseValid_ == 0) {
    inverseTransform_ = GetShownTransform().Inverse();
    inverseValid_ = 1;
  }
  return inverseTransform_;
}

void TMass::ValidateScreenTransform(const Transform2D& view) {
  if (screenValid_ != 0) return;
  screenTransform_ = Transform2D::Compose(view, GetShownTransform());
  screenValid_ = 1;
  PlacePicture();
}

void TMass::PlacePicture() {
  if (picture_ == nullptr || !picture_->FollowsBody()) return;
  // Centred on the body's screen origin, by integer halves.
  MacPoint at = GetScreenPoint();
  const MacRect bounds = picture_->PictureBounds();
  at.h = static_cast<int16_t>(at.h - (std::abs(bounds.right - bounds.left) >> 1));
  at.v = static_cast<int16_t>(at.v - (std::abs(bounds.bottom - bounds.top) >> 1));
  picture_->PlacePicture(at);
}

void TMass::AttachPicture(TBodyPicture* picture, bool attach) {
  if (attach && picture != picture_) {
    TBodyPicture* old = picture_;
    picture_ = picture;
    if (old != nullptr) old->LinkToBody(this, false);
    if (picture != nullptr) picture->LinkToBody(this, true);
    // The next screen place puts the picture on the body.
    InvalidateScreenCache();
    Changed();
    if (picture != nullptr) AddDependent(&picture->PictureLink());
    return;
  }
  if (!attach && picture != nullptr && picture == picture_) {
    picture_ = nullptr;
    picture->LinkToBody(this, false);
    Changed();
  }
}

void TMass::SetScreenTransform(const Transform2D& transform) {
  screenTransform_ = transform;
  screenValid_ = 1;
  screenInverseValid_ = cornersValid_ = screenOriginValid_ = comCacheValid_ = 0;
}

const Transform2D& TMass::GetScreenInverse() {
  if (screenInverseValid_ == 0) {
    screenInverse_ = screenTransform_.Inverse();
    screenInverseValid_ = 1;
  }
  return screenInverse_;
}

void TMass::InvalidateScreenCache() {
  screenOriginValid_ = 0;
  comCacheValid_ = 0;
  if (screenValid_ == 0) return;
  screenValid_ = screenInverseValid_ = cornersValid_ = 0;
  ForEachAttachment(
      [](TLink* object, void*) {
        if (object->IsMemberClass(TMass::kClassID))
          static_cast<TMass*>(object)->InvalidateScreenCache();
      },
      nullptr);
}

void TMass::GetScreenCorners(std::array<MacPoint, 4>& corners) {
  if (cornersValid_ == 0) {
    const TDoubleRect& b = localBounds_;
    const TVector local[4] = {
        {b.left, b.top}, {b.right, b.bottom}, {b.right, b.top}, {b.left, b.bottom}};
    for (size_t i = 0; i < 4; ++i)
      Transform2D::ToScreenPoint(screenTransform_, local[i], screenCorners_[i]);
    cornersValid_ = 1;
  }
  corners = screenCorners_;
}

// ---- Coordinates -----------------------------------------------------------------------------

void TMass::GetPlacement(TVector3& placement) {
  const Transform2D& shown = GetShownTransform();
  placement = TVector3(shown.tx, shown.ty, shown.angle);
}

void TMass::GetPosition(TVector& position) {
  const Transform2D& shown = GetShownTransform();
  position = TVector(shown.tx, shown.ty);
}

void TMass::LocalToWorld3(TVector3& p) {
  p = Transform2D::ApplyToVector3(GetShownTransform(), p);
}

void TMass::LocalToWorld(TVector& p) {
  p = Transform2D::ApplyToVector(GetShownTransform(), p);
}

void TMass::WorldToLocal3(TVector3& p) {
  p = Transform2D::ApplyToVector3(GetInverseTransform(), p);
}

void TMass::WorldToLocal(TVector& p) {
  p = Transform2D::ApplyToVector(GetInverseTransform(), p);
}

TVector TMass::ScreenToLocal(const MacPoint& point) {
  return Transform2D::ApplyToVector(GetScreenInverse(), TVector::FromPoint(point));
}

double TMass::GetRotationValue() const {
  return posRot_->GetValue();
}

TVector TMass::GetLocalSize() const {
  return {std::fabs(localBounds_.right - localBounds_.left),
          std::fabs(localBounds_.bottom - localBounds_.top)};
}

TVector TMass::GetCOMOffset() const {
  return {comX_->GetValue(), comY_->GetValue()};
}

TVector TMass::GetCOMWorld() {
  return Transform2D::ApplyToVector(GetShownTransform(), GetCOMOffset());
}

TVector3 TMass::GetVelocityValues() const {
  return {velX_->GetValue(), velY_->GetValue(), velRot_->GetValue()};
}

// ---- Moving and changing shape ---------------------------------------------------------------

void TMass::SetPlacement(const TVector3& p) {
  posX_->StoreConstant(p.x);
  posY_->StoreConstant(p.y);
  posRot_->StoreConstant(p.r);
  InvalidateShownTransform();
  InvalidateScreenCache();
}

void TMass::SetShownFrame(const TVector3& p, double cosine, double sine) {
  SetPlacement(p);
  shownTransform_ = Transform2D(cosine, sine, p.x, p.y, p.r, 1.0, 0);
  shownValid_ = 1;
}

void TMass::SetRotationValue(double rotation) {
  posRot_->StoreConstant(rotation);
  InvalidateShownTransform();
  InvalidateScreenCache();
}

void TMass::MoveBy(const TVector& d) {
  posX_->StoreConstant(posX_->GetValue() + d.x);
  posY_->StoreConstant(posY_->GetValue() + d.y);
  if (shownValid_ == 0) {
    InvalidateShownTransform();
    InvalidateScreenCache();
    return;
  }
  // The shown transform only moves; what is computed from it goes stale.
  shownTransform_.tx += d.x;
  shownTransform_.ty += d.y;
  inverseValid_ = 0;
  InvalidateScreenCache();
}

void TMass::GeometryChanged(uint16_t changed) {
  if (changed == 0) return;
  InvalidateMassProperties();
  InvalidateScreenCache();
  ForEachLinked(1);
}

void TMass::ShapeChanged(uint16_t) {
  centroidValid_ = 0;
  areaValid_ = 0;
  ComputeExtent();
  GeometryChanged(1);
  InvalidateScreenCache();
}

// ---- Hit tests -------------------------------------------------------------------------------

bool TMass::HitTestLocal(const TVector& p) {
  TDoubleRect bounds = localBounds_;
  const double margin = 0.005 * std::min(2.0 * bounds.top, 2.0 * bounds.right);
  bounds.left -= margin;
  bounds.top += margin;
  bounds.right += margin;
  bounds.bottom -= margin;
  return p.InRect(bounds);
}

bool TMass::HitTest(const MacPoint& point) {
  if (picture_ != nullptr) return picture_->HitsPicture(point);
  return HitTestLocal(ScreenToLocal(point));
}

uint16_t TMass::ContainsWorldPoint(const TVector& point) {
  TVector local = point;
  WorldToLocal(local);
  return HitTestLocal(local) ? 1 : 0;
}

bool TMass::HitTestRect(const MacRect& rect) {
  if (picture_ != nullptr) return picture_->PictureInRect(rect);
  return RectContains(rect, GetScreenPoint());
}

bool TMass::HitHandle(const MacPoint& point, int32_t& handle) {
  std::array<MacPoint, 4> corners;
  GetScreenCorners(corners);
  // Bottom-right is tried before top-right.
  constexpr int32_t kHandleOfCorner[4] = {0, 3, 1, 2};
  for (size_t i = 0; i < 4; ++i) {
    const MacPoint& c = corners[i];
    const MacRect square(
        static_cast<int16_t>(c.h - kHandleReach), static_cast<int16_t>(c.v - kHandleReach),
        static_cast<int16_t>(c.h + kHandleReach), static_cast<int16_t>(c.v + kHandleReach));
    if (!RectContains(square, point)) continue;
    handle = kHandleOfCorner[i];
    return true;
  }
  return false;
}

bool TMass::IsTinyOnScreen() {
  std::array<MacPoint, 4> corners;
  GetScreenCorners(corners);
  const auto near = [&](const MacPoint& other) {
    return std::abs(corners[0].h - other.h) < kTinyPixels &&
           std::abs(corners[0].v - other.v) < kTinyPixels;
  };
  return near(corners[1]) && near(corners[2]);
}

const MacPoint& TMass::GetScreenPoint() {
  if (screenOriginValid_ == 0) {
    screenOriginVector_ = TVector(screenTransform_.tx, screenTransform_.ty);
    screenOrigin_ = screenOriginVector_.ToPoint();
    screenOriginValid_ = 1;
  }
  return screenOrigin_;
}

void TMass::GetLabelAnchor(QV_CPoint& anchor) {
  std::array<MacPoint, 4> corners;
  GetScreenCorners(corners);
  int16_t left = corners[0].h;
  int16_t bottom = corners[0].v;
  for (const MacPoint& corner : corners) {
    left = std::min(left, corner.h);
    bottom = std::max(bottom, corner.v);
  }
  anchor = QV_CPoint(left, static_cast<int16_t>(std::min(bottom + kLabelDrop, 32000)));
}

MacPoint TMass::GetCOMScreenPoint() {
  if (comCacheValid_ == 0) {
    comScreenPoint_ = BodyToScreenPoint(GetCOMOffset());
    comCacheValid_ = 1;
  }
  return comScreenPoint_;
}

MacPoint TMass::BodyToScreenPoint(const TVector& local) const {
  MacPoint point;
  Transform2D::ToScreenPoint(screenTransform_, local, point);
  return point;
}

// ---- Anchoring and joins ---------------------------------------------------------------------

void TMass::SetAnchored(int32_t kind) {
  if (kind == anchored_) return;
  anchored_ = kind;
  ForEachLinked(1);
}

bool TMass::IsAnchored() {
  return !IsStateBit0Set() && anchored_ != 0;
}

int16_t TMass::GetAnchorCode() {
  if (!IsAnchored()) return 0;
  if (anchored_ == 1) return 2;
  if (anchored_ == 2) return 3;
  return 1;
}

TThing* TMass::GetRootBody() {
  std::unordered_set<const TMass*> seen;
  TMass* body = this;
  while (seen.insert(body).second) {
    if (body->IsAnchored()) {
      TWorldDoc* world = GetWorld();
      TLink* background = world != nullptr ? world->FindObject(0) : nullptr;
      return background != nullptr && background->IsThing() != 0 ? static_cast<TThing*>(background)
                                                                 : body;
    }
    if (body->joinedTo_ == nullptr) break;
    body = body->joinedTo_;
  }
  return body;
}

bool TMass::IsJoinedWith(TThing* other) {
  if (IsAnchored()) return other != nullptr && other->GetIdentifier() == 0;
  return ChainContains(this, other, NextJoined);
}

void TMass::JoinTo(TMass* body) {
  if (body == nullptr || body == this) {
    joinedTo_ = nullptr;
    return;
  }
  if (IsAnchored()) return;
  // Joining to a body whose chain leads back here would make a ring.
  if (ChainContains(body, this, NextJoined)) return;
  AddDependent(body);
  joinedTo_ = body;
}

bool TMass::IsJoinedOrAnchored() {
  return joinedTo_ != nullptr || IsAnchored();
}

void TMass::SetAttachedBody(TThing* body) {
  if (body != nullptr && !body->IsMemberClass(TMass::kClassID)) return;
  auto* mass = static_cast<TMass*>(body);
  // A body attached, directly or through others, to itself would be a ring.
  if (mass != nullptr && ChainContains(mass, this, NextAttached)) return;
  SetDependent(attachedBody_, mass);
  attachedBody_ = mass;
}

bool TMass::IsInAttachChain(TMass* body) {
  return body != nullptr && ChainContains(body->attachedBody_, this, NextAttached);
}

// ---- Attachments -----------------------------------------------------------------------------

void TMass::AddAttachment(TLink* object) {
  if (object == nullptr || attachments_ == nullptr || attachments_->Contains(object)) return;
  AddDependent(object);
  attachments_->Add(object);
  object->ObjectAttached(this);
}

void TMass::RemoveAttachment(TLink* object) {
  if (attachments_ != nullptr && attachments_->Contains(object)) attachments_->Remove(object);
}

void TMass::ForEachAttachment(void (*callback)(TLink* object, void* context), void* context) {
  if (attachments_ == nullptr) return;
  const int32_t count = attachments_->GetCount();
  for (int32_t i = 1; i <= count; ++i)
    callback(static_cast<TLink*>(attachments_->At(i)), context);
}

void TMass::ObjectRemoved(TLink* object) {
  if (attachments_ != nullptr && attachments_->Contains(object)) {
    RemoveAttachment(object);
  } else if (picture_ != nullptr && &picture_->PictureLink() == object) {
    picture_ = nullptr;
    Changed();
  }
  if (attachedBody_ == object) attachedBody_ = nullptr;
  if (joinedTo_ == object) JoinTo(nullptr);
  TVectorMassBase::ObjectRemoved(object);
}

// ---- Charge and failures ---------------------------------------------------------------------

void TMass::UpdateChargeSign() {
  if (charge_->IsFormula()) {
    chargeSign_ = 1;
    return;
  }
  const double value = charge_->GetValue();
  chargeSign_ = value > 0.0 ? 2 : value < 0.0 ? 0 : 1;
}

void TMass::FailWithDescription(int16_t error, int32_t message) {
  SetAlertTexts(GetDescription(), Str255(), Str255(), Str255());
  ThrowFailure(error, message);
}
