#pragma once
// The spline point: the point that carries a curved slot's curve. It sits on a body like any
// point, and the curve's control points are measured in its own frame (its x, y and rotation in
// the body). It mirrors the curve's open or closed type and refers to the curve's point table, so
// that the solver, which reads points and tables, finds the curve through it.
//
// Contents (SplinePoint.cpp): the frame, the curved slot and table it belongs to, filing of
// blocks 1501 and 5035 (older documents) and the registration with the curved slot.

#include <memory>

#include "bodies/points/Point.h"

class TCurvedSlot;
class TTable;

inline constexpr uint32_t kSplinePointTag = MakeTag("sPoi");

class TSplinePoint : public TPoint {
  DECLARE_CLASS_ID(376, TPoint)

 public:
  static constexpr int16_t kBlockSpline = 1501;
  static constexpr int16_t kBlockLegacyQuantities = 5035;
  // The lock answers of an open and of a closed curve.
  static constexpr uint16_t kLockOpen = 3;
  static constexpr uint16_t kLockClosed = 4;

  static TObject* CreateObject();
  void Initialize() override;
  Str255 GetKindName() const override { return "Spline point"; }

  // The point's own frame in its body (x, y and rotation), and its inverse.
  Transform2D GetFrame() const;
  Transform2D GetInverseFrame() const;
  // A screen point in the point's frame: through the body's screen inverse, then the frame's.
  TVector ScreenToPoint(const MacPoint& mouse) const;

  // The first curved slot among the point's constraints, or null.
  TCurvedSlot* GetCurvedSlot();
  TTable* GetPointTable() const { return table_; }
  void SetPointTable(TTable* table);
  int32_t GetSplineType() const { return splineType_; }
  void SetSplineType(int32_t type);
  int32_t ControlPointCount();
  uint16_t IsLocked() const override { return splineType_ == 0 ? kLockOpen : kLockClosed; }
  void SetRotation(double angle) override;
  // The quantities an older document stored with the point (0 to 2), as they were read.
  const TFormula& LegacyQuantity(int index) const {
    return *(index == 0 ? legacy1_ : index == 1 ? legacy2_ : legacy3_);
  }

  void ObjectRemoved(TLink* object) override;
  void FormulaChanged(TFormula* formula) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;

 private:
  // Quantities older documents stored with the point; read and kept, never written.
  std::unique_ptr<TFormula> legacy1_, legacy2_, legacy3_;
  TTable* table_ = nullptr;
  int32_t splineType_ = 0;
};
