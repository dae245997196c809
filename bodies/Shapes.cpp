// The shapes with formula-valued dimensions: registration and lifecycle.

#include "bodies/Shapes.h"

#include <new>

#include "core/ClassRegistry.h"

namespace {

template <class Shape>
TObject* CreateShape() {
  return new (std::nothrow) Shape();
}

}  // namespace

void TBasicMass::RegisterClasses() {
  RegisterClassInfo("TBasicMass", TBasicMass::kTag, TBasicMass::kClassID, CreateShape<TBasicMass>,
                    sizeof(TBasicMass));
  RegisterClassInfo("TOval", TOval::kTag, TOval::kClassID, CreateShape<TOval>, sizeof(TOval));
  RegisterClassInfo("TRectangle", TRectangle::kTag, TRectangle::kClassID, CreateShape<TRectangle>,
                    sizeof(TRectangle));
}

void TBasicMass::Initialize() {
  TMass::Initialize();
  equalSides_ = 0;
  size_ = TVector(0.0, 0.0);
}

void TRectangle::Initialize() {
  heightFormula_.reset();
  widthFormula_.reset();
  TBasicMass::Initialize();
  heightFormula_ = TFormula::New();
  widthFormula_ = TFormula::New();
}

void TOval::Initialize() {
  showRadiusLine_ = 1;
  radiusFormula_.reset();
  TBasicMass::Initialize();
  equalSides_ = 1;
  radiusFormula_ = TFormula::New();
}

namespace {

// Same pass and length dimension as points and lines write theirs with.
constexpr int16_t kEntitiesPass = 4;
constexpr int32_t kLengthDimension = 0x01000000;

}  // namespace

bool TRectangle::ExportDXF(TDXFOutput& writer, int16_t kind) {
  if (kind != kEntitiesPass) return false;
  const TDoubleRect& b = LocalBounds();
  const TVector corners[4] = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom},
                              {b.left, b.bottom}};
  writer.BeginEntity(TDXFOutput::kRectangle, Str255());
  writer.WriteValue(66, 1.0, 0);
  writer.WriteValue(70, 1.0, 0);
  for (TVector corner : corners) {
    LocalToWorld(corner);
    writer.BeginEntity(TDXFOutput::kVertex, Str255());
    writer.WriteCoords(corner.x, corner.y, 0.0, kLengthDimension);
  }
  writer.BeginEntity(TDXFOutput::kSequenceEnd, Str255());
  return true;
}

bool TOval::ExportDXF(TDXFOutput& writer, int16_t kind) {
  if (kind != kEntitiesPass) return false;
  TVector centre;
  GetPosition(centre);
  writer.BeginEntity(TDXFOutput::kCircle, Str255());
  writer.WriteCoords(centre.x, centre.y, 0.0, kLengthDimension);
  writer.WriteValue(40, GetShapeRadius(), kLengthDimension);
  return true;
}
