#pragma once
// The script object of a meter (YBOutput: a digital, bar or graph meter) and the collection of a
// world's meters; the tags that name a meter column's properties.

#include <cstdint>

#include "scripting/objects/APILink.h"
#include "scripting/objects/APIWorldCollection.h"

class TAPICallContext;

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

 private:
  TLink* Meter(TAPICallContext& context) const;
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
