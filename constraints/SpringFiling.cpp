// Filing of springs and dampers: the kind's own block (two-point items, exponent, rest value,
// damper constant) and the springs' block 5312 of the spring damping; registration.

#include "constraints/Springs.h"
#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

void TXCnstr::WriteKindBlock(TObjectWriter& writer) {
  TTwoPointConstraint::WriteKindBlock(writer);
  writer.WriteCode(exponent_);
  WriteOwnItems(writer);
}

void TXCnstr::ReadKindBlock(TObjectReader& reader) {
  TTwoPointConstraint::ReadKindBlock(reader);
  exponent_ = static_cast<int16_t>(reader.ReadInt());
  ReadOwnItems(reader);
}

void TSpringBase::WriteOwnItems(TObjectWriter& writer) { writer.WriteFormula(rest_.get()); }
void TSpringBase::ReadOwnItems(TObjectReader& reader) { reader.ReadFormula(*rest_); }

void TLDampSpring::WriteOwnItems(TObjectWriter& writer) {
  TLSpring::WriteOwnItems(writer);
  writer.WriteFormula(damper_.get());
}

void TLDampSpring::ReadOwnItems(TObjectReader& reader) {
  TLSpring::ReadOwnItems(reader);
  reader.ReadFormula(*damper_);
}

void TSpringBase::WriteFields(TObjectWriter& writer) {
  TXCnstr::WriteFields(writer);
  writer.WriteBlock(*this, kBlockSpringDamping);
}

void TSpringBase::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockSpringDamping) return TXCnstr::WriteBlockContents(code, writer);
  writer.WriteCode(1);
  writer.WriteFormula(springDamping_.get());
}

uint16_t TSpringBase::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockSpringDamping) return TXCnstr::ReadBlockContents(code, reader);
  reader.ReadInt();
  reader.ReadFormula(*springDamping_);
  MarkChanged();
  return 1;
}

void RegisterSpringClasses() {
  RegisterClassInfo("TLSpring", kLSpringTag, TLSpring::kClassID, TLSpring::CreateObject,
                    sizeof(TLSpring));
  RegisterClassInfo("TRSpring", kRSpringTag, TRSpring::kClassID, TRSpring::CreateObject,
                    sizeof(TRSpring));
  RegisterClassInfo("TLDamper", kLDamperTag, TLDamper::kClassID, TLDamper::CreateObject,
                    sizeof(TLDamper));
  RegisterClassInfo("TRDamper", kRDamperTag, TRDamper::kClassID, TRDamper::CreateObject,
                    sizeof(TRDamper));
  RegisterClassInfo("TLDampSpring", kLDampSpringTag, TLDampSpring::kClassID,
                    TLDampSpring::CreateObject, sizeof(TLDampSpring));
  RegisterClassInfo("TRDampSpring", kRDampSpringTag, TRDampSpring::kClassID,
                    TRDampSpring::CreateObject, sizeof(TRDampSpring));
}
