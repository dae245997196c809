// Frames, frame records and placements of the assembly solver.

#include <cmath>

#include "bodies/assembly/AssemblyGeometry.h"
#include "core/geometry/FloatOps.h"

// ---- Frames ----------------------------------------------------------------------------------

TBodyFrame::TBodyFrame(AssemblyOwner owner, const Frame2D& frame) : owner_(owner), frame_(frame) {}

Frame2D TBodyFrame::GetWorldFrame() {
  return frame_;
}

void TBodyFrame::PullFromRecord() {
  if (record_ == nullptr) return;
  frame_ = record_->world;
  Invalidate();
}

TVector TBodyFrame::GetPosition() {
  const Frame2D world = GetWorldFrame();
  return {world.x, world.y};
}

Frame2D TBodyFrame::GetInverseWorldFrame() {
  if (!inverseValid_) {
    inverse_ = GetWorldFrame().Inverse();
    inverseValid_ = true;
  }
  return inverse_;
}

void TBodyFrame::SetFrame(const Frame2D& frame) {
  frame_ = frame;
  Invalidate();
}

void TBodyFrame::MoveBy(const TVector3& delta) {
  frame_ = Frame2D(frame_.x + delta.x, frame_.y + delta.y, frame_.angle + delta.r);
  Invalidate();
}

void TBodyFrame::TranslateBy(const TVector& delta) {
  frame_.x += delta.x;
  frame_.y += delta.y;
  Invalidate();
}

void TBodyFrame::LinkRecord(TFrameRecord* record) {
  record_ = record;
  record->frame = this;
  record->owner = owner_;
  PushToRecord();
}

void TBodyFrame::PushToRecord() {
  if (record_ != nullptr) record_->world = GetWorldFrame();
}

bool TBodyFrame::SameBodyAs(TBodyFrame* other) {
  const TBodyFrame* otherBody = other != nullptr ? other->GetBodyFrame() : nullptr;
  return otherBody == GetBodyFrame();
}

TAttachedFrame::TAttachedFrame(AssemblyOwner owner, const Frame2D& worldFrame, TBodyFrame* parent)
    : TBodyFrame(owner, worldFrame), parent_(parent) {
  relative_ = Frame2D::Compose(parent->GetInverseWorldFrame(), worldFrame);
}

Frame2D TAttachedFrame::GetWorldFrame() {
  if (!worldValid_) {
    frame_ = Frame2D::Compose(parent_->GetWorldFrame(), relative_);
    worldValid_ = true;
  }
  return frame_;
}

void TAttachedFrame::Invalidate() {
  TBodyFrame::Invalidate();
  worldValid_ = false;
}

void TAttachedFrame::PullFromRecord() {
  TBodyFrame::PullFromRecord();
  worldValid_ = true;
}

void TAttachedFrame::Refresh() {
  Invalidate();
  GetWorldFrame();
}

// ---- Placements ------------------------------------------------------------------------------

TPlacement::TPlacement(TBodyFrame* base, double x, double y, double angle)
    : base_(nullptr), local_(x, y, angle) {
  if (base == nullptr) return;
  base_ = base->GetBodyFrame();
  // A grip on an attached frame (or on the world) moves with what that frame moves with.
  if (base_ != base) local_ = Frame2D::Compose(base->GetRelativeFrame(), local_);
}

Frame2D TPlacement::GetWorldFrame() {
  if (!worldValid_) {
    world_ = base_ != nullptr ? Frame2D::Compose(base_->GetWorldFrame(), local_) : local_;
    worldValid_ = true;
  }
  return world_;
}

Frame2D TPlacement::GetInverseWorldFrame() {
  if (!inverseValid_) {
    inverse_ = GetWorldFrame().Inverse();
    inverseValid_ = true;
  }
  return inverse_;
}

double TPlacement::GetWorldAngle() {
  return base_ != nullptr ? base_->GetWorldFrame().angle + local_.angle : local_.angle;
}

void TPlacement::GetWorldAxis(double& cosine, double& sine) {
  if (base_ == nullptr) {
    cosine = local_.cosine;
    sine = local_.sine;
    return;
  }
  const Frame2D b = base_->GetWorldFrame();
  cosine = local_.cosine * b.cosine - local_.sine * b.sine;
  sine = local_.cosine * b.sine + local_.sine * b.cosine;
}

TVector TPlacement::WorldToLocal(const TVector& world) {
  return GetInverseWorldFrame().TransformPoint(world);
}

TVector TPlacement::LocalToWorld(const TVector& local) {
  return GetWorldFrame().TransformPoint(local);
}

double TPlacement::WorldToLocalX(const TVector& world) {
  const Frame2D inverse = GetInverseWorldFrame();
  return inverse.cosine * world.x - inverse.sine * world.y + inverse.x;
}

double TPlacement::GetDistanceFromBase() {
  if (!distanceValid_) {
    distance_ = SafeSqrt(local_.x * local_.x + local_.y * local_.y);
    distanceValid_ = true;
  }
  return distance_;
}

void TPlacement::RotateLocal(TVector& v) const {
  const double x = local_.cosine * v.x - local_.sine * v.y;
  const double y = local_.cosine * v.y + local_.sine * v.x;
  v = {x, y};
}

TVector3 TPlacement::JacobianX() {
  const Frame2D b = base_->GetWorldFrame();
  return {1.0, 0.0, -b.sine * local_.x - b.cosine * local_.y};
}

TVector3 TPlacement::JacobianY() {
  const Frame2D b = base_->GetWorldFrame();
  return {0.0, 1.0, b.cosine * local_.x - b.sine * local_.y};
}

bool TPlacement::SameBaseAs(TPlacement& other) {
  if (base_ != nullptr) return base_->SameBodyAs(other.base_);
  if (other.base_ != nullptr) return other.SameBaseAs(*this);
  return true;
}

void AddToColumns(SparseRow* row, int32_t index, const TVector3& values) {
  if (row == nullptr || index < 0) return;
  const int64_t first = 3 * static_cast<int64_t>(index);
  (*row)[first] += values.x;
  (*row)[first + 1] += values.y;
  (*row)[first + 2] += values.r;
}
