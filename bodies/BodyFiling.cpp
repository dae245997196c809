// TMass: the blocks a body files (display 5005, solver record 1200, centre-of-mass mode 5029),
// the blocks that commands save and restore one at a time (5023, 5254, 5030), and the recorded
// charge in the element list.

#include <algorithm>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/HistoryStore.h"

using namespace body_tags;

namespace {

constexpr uint32_t kTagThingTrackLine = MakeTag("trkL");
constexpr uint32_t kTagThingTrackMarks = MakeTag("trk_");

}  // namespace

// ---- Writing ---------------------------------------------------------------------------------

void TMass::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockDisplay);
  writer.WriteBlock(*this, kBlockSolverRecord);
  writer.WriteBlock(*this, kBlockCOMMode);
  TVectorMassBase::WriteFields(writer);
}

void TMass::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  switch (code) {
    case kBlockDisplay: {
      writer.WriteCode(penSize_);
      writer.WriteShort(static_cast<int16_t>(filled_));
      writer.WriteCode(GetPatternIndex());
      writer.WriteColor(colour_);
      writer.WriteShort(static_cast<int16_t>(showChargeMark_));
      writer.WriteShort(static_cast<int16_t>(showCentreMark_));
      uint16_t line = 0;
      uint16_t marks = 0;
      TVectorMassBase::GetFlagProperty(kTagThingTrackLine, line, nullptr);
      TVectorMassBase::GetFlagProperty(kTagThingTrackMarks, marks, nullptr);
      const int32_t bits =
          (trackOutline_ != 0 ? 1 : 0) | (line != 0 ? 2 : 0) | (marks != 0 ? 4 : 0);
      writer.WriteCode(bits);
      writer.WriteCode(material_);
      writer.WriteCode(static_cast<int16_t>(momentMode_));
      return;
    }
    case kBlockSolverRecord:
      for (const TFormula* formula :
           {posX_.get(), posY_.get(), posRot_.get(), velX_.get(), velY_.get(), velRot_.get(),
            GetMassFormula(), GetMomentFormula(), comX_.get(), comY_.get(), staticFriction_.get(),
            kineticFriction_.get(), elasticity_.get(), charge_.get(), anchorFormula1_.get(),
            anchorFormula2_.get()})
        writer.WriteFormula(formula);
      writer.WriteCode(static_cast<int16_t>(recordWord_));
      writer.WriteCode(static_cast<int16_t>(anchored_));
      return;
    case kBlockCOMMode:
      writer.WriteShort(static_cast<int16_t>(comAutomatic_));
      return;
    case kBlockPositionValues:
      for (const TFormula* formula : {posX_.get(), posY_.get(), posRot_.get()}) {
        writer.WriteFormula(formula);
        if (formula->IsFormula()) writer.WriteDouble(formula->GetValue());
      }
      return;
    case kBlockInitialVelocity:
      for (const TFormula* formula : {velX_.get(), velY_.get(), velRot_.get()})
        writer.WriteFormula(formula);
      return;
    case kBlockGeometryRefresh:
      return;
    default:
      TVectorMassBase::WriteBlockContents(code, writer);
  }
}

// ---- Reading ---------------------------------------------------------------------------------

uint16_t TMass::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockDisplay:
      ReadDisplayBlock(reader);
      return 1;
    case kBlockSolverRecord:
      ReadSolverRecord(reader);
      return 1;
    case kBlockCOMMode:
      comAutomatic_ = reader.ReadBoolean() ? 1 : 0;
      return 1;
    case kBlockPositionValues:
      for (TFormula* formula : {posX_.get(), posY_.get(), posRot_.get()}) {
        reader.ReadFormula(*formula);
        if (formula->IsFormula()) formula->StoreConstant(reader.ReadReal());
      }
      FormulaChanged(posX_.get());
      return 1;
    case kBlockInitialVelocity:
      for (TFormula* formula : {velX_.get(), velY_.get(), velRot_.get()})
        reader.ReadFormula(*formula);
      FormulaChanged(velX_.get());
      return 1;
    case kBlockGeometryRefresh:
      RefreshGeometry();
      return 1;
    default:
      return TVectorMassBase::ReadBlockContents(code, reader);
  }
}

void TMass::ReadDisplayBlock(TObjectReader& reader) {
  penSize_ = static_cast<int16_t>(reader.ReadInt());
  filled_ = reader.ReadBoolean() ? 1 : 0;
  // A stored number outside the table is brought into it.
  SetPatternIndex(static_cast<int16_t>(std::clamp(reader.ReadInt(), 1, kBodyPatternCount)));
  reader.ReadColor(colour_);
  showChargeMark_ = reader.ReadBoolean() ? 1 : 0;
  showCentreMark_ = reader.ReadBoolean() ? 1 : 0;
  const int32_t bits = reader.ReadInt();
  trackOutline_ = (bits & 1) != 0 ? 1 : 0;
  TVectorMassBase::SetFlagProperty(kTagThingTrackLine, (bits & 2) != 0 ? 1 : 0);
  TVectorMassBase::SetFlagProperty(kTagThingTrackMarks, (bits & 4) != 0 ? 1 : 0);
  material_ = static_cast<int16_t>(reader.ReadInt());
  if (material_ == 0) massGiven_ = 1;
  // A mode the body does not know means a given moment, as the moment computation takes it.
  momentMode_ = reader.ReadInt();
  if (momentMode_ < kMomentGiven || momentMode_ > kLastMomentMode) momentMode_ = kMomentGiven;
  Changed();
}

void TMass::ReadSolverRecord(TObjectReader& reader) {
  const auto readAll = [&](std::initializer_list<TFormula*> formulas) {
    for (TFormula* formula : formulas)
      reader.ReadFormula(*formula);
  };
  readAll({posX_.get(), posY_.get(), posRot_.get()});
  FormulaChanged(posX_.get());
  readAll({velX_.get(), velY_.get(), velRot_.get()});
  FormulaChanged(velX_.get());
  // Mass and moment are both read before either is announced: announcing the mass alone would
  // compute a moment from a body whose moment is still unread, and that computation would
  // overwrite the moment mode the display block has just read.
  reader.ReadFormula(*mass_);
  SetMassFormula(mass_.get());
  reader.ReadFormula(*moment_);
  SetMomentFormula(*moment_);
  FormulaChanged(mass_.get());
  FormulaChanged(moment_.get());
  readAll({comX_.get(), comY_.get()});
  FormulaChanged(comX_.get());
  for (TFormula* formula : {staticFriction_.get(), kineticFriction_.get(), elasticity_.get(),
                            charge_.get(), anchorFormula1_.get(), anchorFormula2_.get()}) {
    reader.ReadFormula(*formula);
    FormulaChanged(formula);
  }
  recordWord_ = static_cast<uint16_t>(reader.ReadInt());
  SetAnchored(static_cast<int16_t>(reader.ReadInt()));
  ForEachLinked(1);
}

void TMass::RefreshGeometry() {
  ComputeExtent();
  InvalidateScreenCache();
}

// ---- Recorded charge -------------------------------------------------------------------------

int32_t TMass::CountElements() {
  return TVectorMassBase::CountElements() + (charge_ && charge_->IsFormula() ? 1 : 0);
}

void TMass::WriteElements(TObjectWriter& writer) {
  if (charge_->IsFormula()) {
    Str255 text = FormulaReference("body");
    text.AppendCString(".charge");
    writer.WriteFormulaText(text);
  }
  TVectorMassBase::WriteElements(writer);
}

void TMass::ReadElements(int32_t count, TObjectReader& reader) {
  if (charge_->IsFormula() && count > 0) {
    reader.ReadNewFormula();
    --count;
  }
  TVectorMassBase::ReadElements(count, reader);
}

void TMass::LoadRecordedValues(int32_t frame, THistoryCursor& cursor) {
  if (charge_->IsFormula()) {
    charge_->StoreConstant(ReadHistoryValueAndAdvance(cursor));
    const double value = charge_->GetValue();
    chargeSign_ = value > 0.0 ? 2 : value < 0.0 ? 0 : 1;
  }
  TVectorMassBase::LoadRecordedValues(frame, cursor);
}

// ---- Which blocks hold a property ------------------------------------------------------------

void TMass::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                 ObjectCallback objectCallback, void* blockContext,
                                 void* objectContext) {
  for (const uint32_t position : {kTagPosX, kTagPosY, kTagPosRot, kTagTwx, kTagCOMX, kTagCOMY}) {
    if (tag != position) continue;
    ReportPositionBlocks(blockCallback, blockContext);
    objectCallback(objectContext);
    found = 1;
    return;
  }
  for (const uint32_t display : {kTagFillColour, kTagTrackOutline, kTagShowCentre, kTagPenSize}) {
    if (tag != display) continue;
    blockCallback(kBlockDisplay, blockContext);
    found = 1;
    return;
  }
  TVectorMassBase::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                        objectContext);
}

void TMass::ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) {
  blockCallback(kBlockPositionValues, blockContext);
}

void TMass::ReportSolverBlocks(BlockCallback callback, void* context) {
  callback(kBlockSolverRecord, context);
}

void TMass::ReportGeometryBlocks(BlockCallback callback, void* context) {
  callback(kBlockGeometryRefresh, context);
}
