// TPoint filing: the solver record (block 1500), the track flags (5012), the locked flag (5022)
// and the coordinate block that formula changes name (5023); the body reference.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTagTrackLine = MakeTag("trkL");
constexpr uint32_t kTagTrackMarks = MakeTag("trk_");
constexpr int16_t kNoObject = -1;

}  // namespace

void TPoint::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockSolverRecord);
  writer.WriteBlock(*this, kBlockTrackFlags);
  writer.WriteBlock(*this, kBlockLocked);
  TVectorPointBase::WriteFields(writer);
}

void TPoint::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kPointTag);
  TVectorPointBase::WriteClassTag(writer);
}

void TPoint::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  const int32_t bodyReference = body_ != nullptr ? body_->GetIdentifier() : kNoObject;
  switch (code) {
    case kBlockSolverRecord:
      writer.WriteCode(bodyReference);
      writer.WriteFormula(x_.get());
      writer.WriteFormula(y_.get());
      writer.WriteFormula(rotation_.get());
      return;
    case kBlockTrackFlags: {
      uint16_t line = 0;
      uint16_t marks = 0;
      GetFlagProperty(kTagTrackLine, line, nullptr);
      GetFlagProperty(kTagTrackMarks, marks, nullptr);
      writer.WriteCode((line != 0 ? 1 : 0) | (marks != 0 ? 2 : 0));
      return;
    }
    case kBlockLocked:
      writer.WriteCode(locked_);
      return;
    case kBlockPositionValues:
      // A formula's current value follows it, so that a document shows the point where it was.
      for (const TFormula* formula : {x_.get(), y_.get(), rotation_.get()}) {
        writer.WriteFormula(formula);
        if (formula->IsFormula()) writer.WriteDouble(formula->GetValue());
      }
      writer.WriteCode(bodyReference);
      return;
    default:
      TVectorPointBase::WriteBlockContents(code, writer);
  }
}

uint16_t TPoint::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockSolverRecord:
      reader.ReadReference(*this, 0);
      reader.ReadFormula(*x_);
      reader.ReadFormula(*y_);
      reader.ReadFormula(*rotation_);
      FormulaChanged(x_.get());
      return 1;
    case kBlockTrackFlags: {
      const uint8_t flags = reader.ReadByte();
      SetFlagProperty(kTagTrackLine, (flags & 1) != 0 ? 1 : 0);
      SetFlagProperty(kTagTrackMarks, (flags & 2) != 0 ? 1 : 0);
      return 1;
    }
    case kBlockLocked:
      locked_ = reader.ReadInt() != 0 ? 1 : 0;
      return 1;
    case kBlockPositionValues:
      for (TFormula* formula : {x_.get(), y_.get(), rotation_.get()}) {
        reader.ReadFormula(*formula);
        if (formula->IsFormula()) formula->StoreConstant(reader.ReadReal());
      }
      FormulaChanged(x_.get());
      reader.ReadReference(*this, 0);
      return 1;
    default:
      return TVectorPointBase::ReadBlockContents(code, reader);
  }
}

void TPoint::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                              TLink* object) {
  if (code != kBlockSolverRecord && code != kBlockPositionValues)
    return TVectorPointBase::ResolveReference(reader, code, kind, object);
  // A point stored on no body is fixed in the world: it belongs on the background. So does a
  // point whose reference names something that is not a body, as it is written on no body and
  // read on the background from then on.
  if (object == nullptr || !object->IsMemberClass(kBodyClassId))
    object = reader.FindObject(kBackgroundIdentifier);
  if (object != nullptr && object->IsMemberClass(kBodyClassId))
    AttachToBody(static_cast<TMass*>(object));
}

void TPoint::EndReading(TObjectReader& reader) {
  TVectorPointBase::EndReading(reader);
  if (GetBody() != nullptr) return;
  TLink* background = reader.FindObject(kBackgroundIdentifier);
  if (background != nullptr && background->IsMemberClass(kBodyClassId))
    AttachToBody(static_cast<TMass*>(background));
}
