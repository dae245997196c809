#pragma once
// The script objects of bodies (YBBody): every body's, and those of circles, rectangles and
// polygons, which add the members of their shape; and the collection of a world's bodies.

#include <cstdint>

#include "scripting/objects/APILink.h"
#include "scripting/objects/APIWorldCollection.h"

class TAPICell;
class TPolygon;

class TAPIBody : public TAPILink {
  DECLARE_DYNAMIC(TAPIBody)

 public:
  static constexpr uint32_t kTag = MakeTag("APBo");

  TAPIBody(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // "circle", "rectangle", "polygon" or "background".
  APIResult GetTypeName(Str63& name) override;

  // The cell of the body's quantity of the tag ("pM_x", "m___", ...); null when it keeps none.
  APIResult GetCell(uint32_t tag, TAPICell** cell);
  // In display units.
  APIResult GetDensity(double& density);
  APIResult GetArea(double& area);

 protected:
  // The cell of a shape's own quantity: code 1 without a body, 4 for one of another class.
  APIResult GetShapeCell(int16_t classID, uint32_t tag, TAPICell** cell);

 private:
  APIResult GetDisplayedNumber(uint32_t tag, int32_t dimension, double& value);
};

class TAPICircle : public TAPIBody {
  DECLARE_DYNAMIC(TAPICircle)

 public:
  static constexpr uint32_t kTag = MakeTag("APCi");

  TAPICircle(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);
  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  APIResult GetTypeName(Str63& name) override;
  APIResult GetRadius(TAPICell** cell);
};

class TAPIRectangle : public TAPIBody {
  DECLARE_DYNAMIC(TAPIRectangle)

 public:
  static constexpr uint32_t kTag = MakeTag("APRe");

  TAPIRectangle(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);
  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  APIResult GetTypeName(Str63& name) override;
  APIResult GetHeight(TAPICell** cell);
  APIResult GetWidth(TAPICell** cell);
};

// Vertices cross in display units, a curved polygon's as (distance, angle); every edit is a
// command of the world, one undoable step each.
class TAPIPolygon : public TAPIBody {
  DECLARE_DYNAMIC(TAPIPolygon)

 public:
  static constexpr uint32_t kTag = MakeTag("APPo");

  TAPIPolygon(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);
  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  APIResult GetTypeName(Str63& name) override;

  APIResult GetVertexCount(int32_t& count);
  // (0, 0) outside 1..count.
  APIResult GetVertex(int32_t index, double& x, double& y);
  // The new vertex takes position index (1..count + 1) and the vertices from there move up.
  APIResult AddVertex(int32_t index, double x, double y);
  // Nothing when the polygon would keep fewer than three vertices.
  APIResult DeleteVertex(int32_t index);
  APIResult GetCurved(bool& curved);
  APIResult SetCurved(bool curved);
  bool IsCurved() const;

 private:
  TPolygon* Polygon() const;
};

// The world's bodies (the background body left out).
class TAPIBodyCollection : public TAPIWorldCollection {
  DECLARE_DYNAMIC(TAPIBodyCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APBC");

  TAPIBodyCollection(TAPICallLog* callLog, TWorldDoc* world, TAPIDispatcher* parent);
  const Str31& GetClassName() const override;
  TAPIDispatcher* WrapItem(TObject* element) override;

 protected:
  bool Holds(const TLink& object) const override;
};
