// The shapes' geometry: size and bounds, area and moments, snapping points, hot points, hit
// tests and the check before a run.

#include <cmath>
#include <numbers>

#include "bodies/Shapes.h"

// ---- TBasicMass ------------------------------------------------------------------------------

bool TBasicMass::HasValidSize() const {
  const TVector size = GetSize();
  return size.x > 0.0 && size.y > 0.0;
}

void TBasicMass::ComputeExtent() {
  const TVector size = GetSize();
  const double halfWidth = size.x / 2.0;
  const double halfHeight = equalSides_ != 0 ? halfWidth : size.y / 2.0;
  SetLocalBounds(TDoubleRect(-halfWidth, halfHeight, halfWidth, -halfHeight));
  TMass::ComputeExtent();
}

void TBasicMass::ShapeChanged(uint16_t) {
  // Bounds and the values computed from them stay current whether or not the body lies in a
  // world yet: a body built by a script is measured before it is placed.
  ComputeExtent();
  GeometryChanged(1);
  InvalidateScreenCache();
}

void TBasicMass::RefreshGeometry() {
  ComputeExtent();
  InvalidateScreenCache();
}

bool TBasicMass::TrySnap(const TVector& local, const TVector& target, double d, int32_t kind,
                         TSnapResult& result) {
  if (std::fabs(target.x - local.x) > d || std::fabs(target.y - local.y) > d) return false;
  result.local = local;
  result.world = local;
  LocalToWorld(result.world);
  result.kind = kind;
  return true;
}

bool TBasicMass::FindSnapPoint(const TVector& world, double d, TSnapResult& result) {
  TVector target = world;
  WorldToLocal(target);
  const TDoubleRect& b = LocalBounds();
  // The body's reference point first, then the middles of the sides.
  return TrySnap({0.0, 0.0}, target, d, 1, result) || TrySnap({0.0, b.top}, target, d, 6, result) ||
         TrySnap({0.0, b.bottom}, target, d, 7, result) ||
         TrySnap({b.left, 0.0}, target, d, 8, result) ||
         TrySnap({b.right, 0.0}, target, d, 9, result);
}

uint16_t TBasicMass::FindHotPoint(double tolerance, const TVector& mouse, TVector& world,
                                  TVector& own, int32_t& kind, int16_t& index) {
  TSnapResult result;
  if (!FindSnapPoint(mouse, tolerance, result)) return 0;
  world = result.world;
  own = result.local;
  kind = result.kind;
  index = 0;
  return 1;
}

void TBasicMass::CheckShape(uint16_t fail) {
  TMass::CheckShape(fail);
}

// ---- TRectangle ------------------------------------------------------------------------------

TVector TRectangle::GetSize() const {
  return {widthFormula_->GetValue(), heightFormula_->GetValue()};
}

void TRectangle::SetSize(const TVector& size) {
  size_ = size;
  SetHeight(size.y);
  SetWidth(size.x);
}

void TRectangle::SetWidth(double width) {
  widthFormula_->StoreConstant(width);
  size_.x = width;
}

void TRectangle::SetHeight(double height) {
  heightFormula_->StoreConstant(height);
  size_.y = height;
}

void TRectangle::ComputeArea() {
  const TVector size = GetSize();
  SetArea(equalSides_ != 0 ? size.x * size.x : size.x * size.y);
}

double TRectangle::MomentForMode2() {
  const TVector size = GetSize();
  const double height = equalSides_ != 0 ? size.x : size.y;
  return GetMass() * (size.x * size.x + height * height) / 12.0;
}

bool TRectangle::FindSnapPoint(const TVector& world, double d, TSnapResult& result) {
  if (TBasicMass::FindSnapPoint(world, d, result)) return true;
  TVector target = world;
  WorldToLocal(target);
  const TDoubleRect& b = LocalBounds();
  if (TrySnap({b.left, b.top}, target, d, 2, result) ||
      TrySnap({b.right, b.top}, target, d, 3, result) ||
      TrySnap({b.left, b.bottom}, target, d, 4, result) ||
      TrySnap({b.right, b.bottom}, target, d, 5, result))
    return true;
  // The centres of the circles of the short side's diameter that touch the long side's ends.
  if (b.top - b.right > d && (TrySnap({0.0, b.top - b.right}, target, d, 10, result) ||
                              TrySnap({0.0, b.right - b.top}, target, d, 11, result)))
    return true;
  return b.right - b.top > d && (TrySnap({b.top - b.right, 0.0}, target, d, 12, result) ||
                                 TrySnap({b.right - b.top, 0.0}, target, d, 13, result));
}

uint16_t TRectangle::GetHotPoint(int16_t index, TVector& point) {
  const TDoubleRect& b = LocalBounds();
  switch (index) {
    case 1:
      point = {b.right, b.top};
      return 1;
    case 2:
      point = {b.right, b.bottom};
      return 1;
    case 3:
      point = {b.left, b.bottom};
      return 1;
    case 4:
      point = {b.left, b.top};
      return 1;
    default:
      point = {0.0, 0.0};
      return 0;
  }
}

void TRectangle::CheckShape(uint16_t fail) {
  TBasicMass::CheckShape(fail);
  if (fail == 0) return;
  // A dimension that is not a number fails as well.
  const TVector size = GetSize();
  if (!(size.y > 0.0)) FailWithDescription(kErrHeightNotPositive, 0);
  if (!(size.x > 0.0)) FailWithDescription(kErrWidthNotPositive, 0);
}

// ---- TOval -----------------------------------------------------------------------------------

TVector TOval::GetSize() const {
  const double diameter = 2.0 * radiusFormula_->GetValue();
  return {diameter, diameter};
}

void TOval::SetSize(const TVector& size) {
  size_ = size;
  SetRadius(size.x / 2.0);
}

void TOval::SetRadius(double radius) {
  radiusFormula_->StoreConstant(radius);
  size_ = TVector(2.0 * radius, 2.0 * radius);
}

void TOval::ComputeArea() {
  if (equalSides_ == 0) return;
  ComputeExtent();
  SetArea(std::numbers::pi * ExtentSquared());
}

double TOval::MomentAbout(double factor) {
  if (equalSides_ == 0) return CurrentMomentValue();
  // The mass first: computing it brings the extent up to date.
  const double mass = GetMass();
  ComputeExtent();
  return factor * mass * ExtentSquared();
}

bool TOval::HitTestLocal(const TVector& p) {
  return p.x * p.x + p.y * p.y <= 1.005 * ExtentSquared();
}

void TOval::CheckShape(uint16_t fail) {
  TBasicMass::CheckShape(fail);
  if (fail == 0) return;
  if (!(radiusFormula_->GetValue() > 0.0)) FailWithDescription(kErrRadiusNotPositive, 0);
}
