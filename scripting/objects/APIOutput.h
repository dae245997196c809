#pragma once
// The script object of a meter (YBOutput: a digital, bar or graph meter) and the collection of a
// world's meters; the tags that name a meter column's properties.

#include <cstdint>

#include "scripting/objects/APILink.h"
#include "scripting/objects/APIWorldCollection.h"

class TAPICallContext;
class TNumberText;
class TOutput;

// The tag of a column property: "o", a blank, the kind letter (0 e formula, 1 i minimum,
// 2 a maximum, 3 b automatic scale, 4 s shown; a blank for any other kind) and the digit of the
// column's list position (1 to 5); 0, which names no property, for any other position.
uint32_t MakeColumnTag(int16_t kind, int16_t position);

class TAPIOutput : public TAPILink {
  DECLARE_DYNAMIC(TAPIOutput)

 public:
  static constexpr uint32_t kTag = MakeTag("APOu");

  TAPIOutput(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // "output".
  APIResult GetTypeName(Str63& name) override;

  // "digital", "bar" or "graph"; "undefined" for another kind.
  APIResult GetFormat(Str63& word);
  // The word in any case; any other word changes nothing.
  APIResult SetFormat(const Str255& word);
  // A display flag ("o Fr", "o Lb", "o Ax", "o Un", "o Gr", "o Cp"); false when the meter does
  // not answer it.
  APIResult GetFlag(uint32_t tag, bool& on);
  APIResult SetFlag(uint32_t tag, bool on);
  // The number of columns, the horizontal-axis column included.
  APIResult GetColumnCount(int32_t& count);
  // The column of script index i (0 the horizontal axis, list position i + 1); an index from the
  // count up to 4 first grows the meter to i + 1 columns, as one undoable step. Null for any
  // other index.
  APIResult GetColumn(int16_t index, TAPIDispatcher** column);
  // The live meter, or null.
  TOutput* LiveMeter() const;

 private:
  TOutput* Meter(TAPICallContext& context) const;
};

// The script object of one meter column (YBOutputColumn): the column is its target, the meter's
// script object its parent. Apart from the label every property is the meter's, named by the
// column's list position, which is worked out again on every call.
class TAPIOutputColumn : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIOutputColumn)

 public:
  static constexpr uint32_t kTag = MakeTag("APOc");

  TAPIOutputColumn(TAPICallLog* callLog, TNumberText* target, TAPIDispatcher* parent);
  // The column, when it still lives, makes a new one on the next request.
  ~TAPIOutputColumn() override;

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;

  void SetColumnIndex(int16_t index) { index_ = index; }
  // The column's 1-based position in its meter's list (-1 when it is not there), worked out
  // anew; the last known position without a meter.
  int16_t GetColumnIndex();

  APIResult GetLabel(Str255& label);
  APIResult SetLabel(const Str255& label);
  // The cell of the column's formula, bound anew to the column's position; null beyond the
  // fifth position.
  APIResult GetCell(TAPIDispatcher** cell);
  // kind 1 the scale minimum, 2 the maximum, in the units the column shows.
  APIResult GetNumber(int16_t kind, double& value);
  APIResult SetNumber(int16_t kind, double value);
  // kind 3 automatic scale, 4 shown; true when the meter does not answer.
  APIResult GetFlag(int16_t kind, bool& on);
  APIResult SetFlag(int16_t kind, bool on);

  TNumberText* Column() const { return static_cast<TNumberText*>(target()); }

 private:
  TOutput* Meter() const;

  int32_t index_ = 0;
};

class TAPIOutputCollection : public TAPIWorldCollection {
  DECLARE_DYNAMIC(TAPIOutputCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APOC");

  TAPIOutputCollection(TAPICallLog* callLog, TWorldDoc* world, TAPIDispatcher* parent);
  const Str31& GetClassName() const override;
  TAPIDispatcher* WrapItem(TObject* element) override;

 protected:
  bool Holds(const TLink& object) const override;
};
