#pragma once
// The script object of a constraint, force, torque or field (YBConstraint) and the collection of
// a world's constraints.

#include <cstdint>

#include "scripting/objects/APILink.h"
#include "scripting/objects/APIWorldCollection.h"

class TAPICell;
class TCnstr;

class TAPIConstraint : public TAPILink {
  DECLARE_DYNAMIC(TAPIConstraint)

 public:
  static constexpr uint32_t kTag = MakeTag("APCn");

  TAPIConstraint(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // "spring", "rope", "pulley", ...; "" for kinds without a script name.
  APIResult GetTypeName(Str63& name) override;

  // The cell of the constraint's quantity of the tag when the constraint is of the class; the
  // code (and subcode) otherwise.
  APIResult GetCell(int16_t classID, uint32_t tag, int16_t code, int16_t subcode, TAPICell** cell);
  // Ropes and rods: "a___"; linear springs: "b___".
  APIResult GetLength(TAPICell** cell);
  // Rotational springs: "b___"; rotational dampers: "a___".
  APIResult GetRotation(TAPICell** cell);
  // The current length (or angle) in display units.
  APIResult GetCurrentValue(uint32_t tag, int32_t dimension, double& value);

  APIResult GetExponent(int16_t& exponent);
  // Clamped to -5..5.
  APIResult SetExponent(int16_t exponent);
  APIResult GetAlwaysActive(bool& on);
  APIResult SetAlwaysActive(bool on);
  // A flag of constraints of the class: read code 4, write code 3 on others.
  APIResult GetFlag(int16_t classID, uint32_t tag, bool& on);
  APIResult SetFlag(int16_t classID, uint32_t tag, bool on);
  // The drive of a piston as one of the four words; any other word selects the first.
  APIResult GetDrive(const char* const words[4], Str63& word);
  APIResult SetDrive(const char* const words[4], const Str255& word);
  // The identifier of the gear member's body that is the internal one; 0 for none.
  APIResult GetInternalBody(int16_t& identifier);
  APIResult SetInternalBody(int16_t identifier);

  APIResult GetBasePoint(TAPIDispatcher** point);
  APIResult GetTopPoint(TAPIDispatcher** point);
  APIResult GetPoint(int16_t index, TAPIDispatcher** point);
  APIResult GetPointCount(int32_t& count);
  // A new point from the point template at (x, y), as stored values, joins the world and the
  // end of a rope's points (a rope of more than two points is a pulley).
  APIResult AppendPoint(double x, double y);

  // The spline points of a curved slot, in display units.
  APIResult GetVertexCount(int32_t& count);
  APIResult GetVertex(int32_t index, double& x, double& y);
  APIResult AddVertex(int32_t index, double x, double y);
  // Nothing when the slot would keep fewer than three points.
  APIResult DeleteVertex(int32_t index);
  APIResult GetClosedSlot(bool& closed);
  APIResult SetClosedSlot(bool closed);

 private:
  TCnstr* Constraint() const;
};

// The world's constraints, forces and torques; the force fields a world keeps are left out.
class TAPIConstraintCollection : public TAPIWorldCollection {
  DECLARE_DYNAMIC(TAPIConstraintCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APCC");

  TAPIConstraintCollection(TAPICallLog* callLog, TWorldDoc* world, TAPIDispatcher* parent);
  const Str31& GetClassName() const override;
  TAPIDispatcher* WrapItem(TObject* element) override;

 protected:
  bool Holds(const TLink& object) const override;
};
