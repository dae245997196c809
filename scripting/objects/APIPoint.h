#pragma once
// The script object of a point (YBPoint) and the collection of a world's points.

#include <cstdint>

#include "scripting/objects/APILink.h"
#include "scripting/objects/APIWorldCollection.h"

class TAPICell;
class TPoint;

class TAPIPoint : public TAPILink {
  DECLARE_DYNAMIC(TAPIPoint)

 public:
  static constexpr uint32_t kTag = MakeTag("APPt");

  TAPIPoint(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // "anchor" or "point".
  APIResult GetTypeName(Str63& name) override;

  // The cell of the point's x, y or rotation quantity ("p__x", "p__y", "p__r").
  APIResult GetCell(uint32_t tag, TAPICell** cell);
  // The world-frame coordinate (0 x, 1 y, 2 rotation) in display units.
  APIResult GetGlobal(int component, double& value);
  // Moves the point so that the coordinate takes the value; nothing while the coordinate (x and
  // y together for a position) is given by a formula.
  APIResult SetGlobal(int component, double value);
  APIResult GetBody(TAPIDispatcher** body);
  // Fixes the point on the body of the object: only a body of the point's own world.
  APIResult SetBody(TAPIDispatcher* body);
  // The first constraint that uses the point.
  APIResult GetConstraint(TAPIDispatcher** constraint);

 private:
  TPoint* Point() const;
  // Code 1 without a world object, get (4) or set (3) for one that is not a point.
  TPoint* PointOrFail(class TAPICallContext& context, int16_t code) const;
};

// The world's points but the one it keeps for itself (identifier 10012).
class TAPIPointCollection : public TAPIWorldCollection {
  DECLARE_DYNAMIC(TAPIPointCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APPC");

  TAPIPointCollection(TAPICallLog* callLog, TWorldDoc* world, TAPIDispatcher* parent);
  const Str31& GetClassName() const override;
  TAPIDispatcher* WrapItem(TObject* element) override;

 protected:
  bool Holds(const TLink& object) const override;
};
