#pragma once
// The script object of one formula-valued property of a world object (YBCell): the quantity is
// its target, the owner's script object its parent. Values cross in the document's display
// units; changes are commands of the world, each one undoable step.

#include <cstdint>

#include "scripting/host/APIDispatcher.h"

class TFormula;
class TLink;

class TAPICell : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPICell)

 public:
  static constexpr uint32_t kTag = MakeTag("APCe");

  TAPICell(TAPICallLog* callLog, TFormula* target, TAPIDispatcher* parent);
  // The quantity, when it still lives, makes a new cell on the next request.
  ~TAPICell() override;

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;

  // What the owner reported with the quantity when the cell was handed out.
  void Bind(uint32_t tag, double first, double second, int32_t dimension, uint16_t flag);

  APIResult GetFormula(Str255& text);
  APIResult SetFormula(const Str255& text);
  APIResult GetValue(double& value);
  APIResult SetValue(double value);

  TFormula* Quantity() const;
  uint32_t PropertyTag() const { return propertyTag_; }
  int32_t Dimension() const { return dimension_; }

 private:
  // The world object whose property the quantity is, or null.
  TLink* Owner() const;
  // Asks the owner again for the quantity of the tag; null when it has none.
  TFormula* AskOwner();

  uint32_t propertyTag_ = 0;
  int32_t dimension_ = 0;
  double second_ = 0.0;
  double first_ = 0.0;
  uint16_t flag_ = 1;
};

// The cell of the owner's quantity of the tag, bound to what the owner reports with it; null
// when the owner keeps no quantity for the tag. The owner's script object is the cell's parent.
TAPICell* CellOfProperty(TLink* owner, uint32_t tag, TAPIDispatcher* ownerObject);
