// Filing of ropes, rods and the rotational rope, and the registration of the pins, ropes and
// rods.

#include "constraints/Pin.h"
#include "constraints/Ropes.h"
#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

void TLRope::WriteKindBlock(TObjectWriter& writer) {
  TTwoPointConstraint::WriteKindBlock(writer);
  writer.WriteCode(type_ & 0xFF);
}

void TLRope::ReadKindBlock(TObjectReader& reader) {
  TTwoPointConstraint::ReadKindBlock(reader);
  type_ = reader.ReadByte();
}

// Older documents carry the same contents under the two-point base's code of the kind.
uint16_t TLRope::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != OldKindBlockCode()) return TTwoPointConstraint::ReadBlockContents(code, reader);
  ReadKindBlock(reader);
  return 1;
}

void TRRope::WriteKindBlock(TObjectWriter& writer) {
  WriteLockPart(writer);
  writer.WriteFormula(minR_.get());
  writer.WriteFormula(maxR_.get());
}

void TRRope::ReadKindBlock(TObjectReader& reader) {
  ReadLockPart(reader);
  reader.ReadFormula(*minR_);
  reader.ReadFormula(*maxR_);
}

void RegisterPinRopeRodClasses() {
  RegisterPinClasses();
  RegisterClassInfo("TLRope", kRopeTag, TLRope::kClassID, TLRope::CreateObject, sizeof(TLRope));
  RegisterClassInfo("TRRope", kRotationalRopeTag, TRRope::kClassID, TRRope::CreateObject,
                    sizeof(TRRope));
  RegisterClassInfo("TRod", kRodTag, TRod::kClassID, TRod::CreateObject, sizeof(TRod));
}
