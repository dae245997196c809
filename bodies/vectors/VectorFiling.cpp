// Filing of the vector flags (blocks 5251, 5252, 5253), the element list of recorded arrow
// formulas and the values recorded for them.

#include <algorithm>

#include "bodies/vectors/VectorThing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/HistoryStore.h"

void TVectorThing::ArrowsAfterRead(bool anyShown) {
  AttachVectorHandler();
  UpdateFieldVectors();
  if (!anyShown) return;
  if (vectorHandler_ == nullptr)
    arrowsPending_ = 1;
  else
    CreatePendingArrows();
  vectorsSuppressed_ = 0;
}

uint16_t TVectorThing::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockVectorFlags) return TThing::ReadBlockContents(code, reader);
  vectorsSuppressed_ = reader.ReadBoolean() ? 1 : 0;
  for (size_t i = 0; i < 3; ++i)
    shown_[i] = reader.ReadBoolean() ? 1 : 0;
  // A damaged count must not make the element list read more than its block holds.
  recordedFormulaCount_ = static_cast<int16_t>(std::clamp(reader.ReadInt(), 0, 32767));
  reader.ReadInt();
  ArrowsAfterRead(shown_[0] != 0 || shown_[1] != 0 || shown_[2] != 0);
  return 1;
}

void TVectorThing::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockVectorFlags) {
    TThing::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteBoolean(static_cast<uint8_t>(vectorsSuppressed_));
  for (size_t i = 0; i < 3; ++i)
    writer.WriteBoolean(static_cast<uint8_t>(shown_[i]));
  recordedFormulaCount_ = CountArrowFormulas();
  writer.WriteShort(recordedFormulaCount_);
  writer.WriteShort(0);
}

void TVectorThing::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockVectorFlags);
  TThing::WriteFields(writer);
}

int32_t TVectorThing::CountElements() {
  return CountArrowFormulas() + TThing::CountElements();
}

void TVectorThing::WriteElements(TObjectWriter& writer) {
  int32_t written = 0;
  ForEachArrow([&](TVectorArrow& arrow) { written += arrow.WriteFormulas(writer); });
  recordedFormulaCount_ = static_cast<int16_t>(written);
  TThing::WriteElements(writer);
}

void TVectorThing::ReadElements(int32_t count, TObjectReader& reader) {
  // The arrows rebuild their formulas themselves: the recorded ones are read and dropped.
  const int32_t own = std::min(count, int32_t{recordedFormulaCount_});
  for (int32_t i = 0; i < own; ++i)
    reader.ReadNewFormula();
  TThing::ReadElements(std::max(count - int32_t{recordedFormulaCount_}, 0), reader);
}

bool TVectorThing::LoadArrowValues(int32_t available, const std::function<double()>& next) {
  ResolvePendingArrows();
  if (CountArrowFormulas() > available) return false;
  ForEachArrow([&](TVectorArrow& arrow) { arrow.LoadValues(next); });
  return true;
}

void TVectorThing::LoadRecordedValues(int32_t frame, THistoryCursor& cursor) {
  ForEachArrow([&](TVectorArrow& arrow) { arrow.LoadRecordedValues(frame, cursor); });
}

uint16_t TVectorMassBase::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockBodyVectorFlags) return TVectorThing::ReadBlockContents(code, reader);
  showGravity_ = reader.ReadBoolean() ? 1 : 0;
  shown_[7] = reader.ReadBoolean() ? 1 : 0;
  shown_[4] = reader.ReadBoolean() ? 1 : 0;
  showCustom_ = reader.ReadBoolean() ? 1 : 0;
  shown_[9] = reader.ReadBoolean() ? 1 : 0;
  shown_[10] = reader.ReadBoolean() ? 1 : 0;
  // Until the world says which form its fields take, the field vectors live at their uniform
  // indices.
  if (showGravity_ != 0) shown_[3] = 1;
  if (showCustom_ != 0) shown_[5] = 1;
  ArrowsAfterRead(showGravity_ != 0 || shown_[7] != 0 || shown_[4] != 0 || showCustom_ != 0 ||
                  shown_[9] != 0 || shown_[10] != 0);
  return 1;
}

void TVectorMassBase::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockBodyVectorFlags) {
    TVectorThing::WriteBlockContents(code, writer);
    return;
  }
  for (const uint16_t flag : {showGravity_, shown_[7], shown_[4], showCustom_, shown_[9],
                              shown_[10]})
    writer.WriteBoolean(static_cast<uint8_t>(flag));
}

void TVectorMassBase::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockBodyVectorFlags);
  TVectorThing::WriteFields(writer);
}

uint16_t TVectorPointBase::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockPointVectorFlags) return 1;
  return TVectorThing::ReadBlockContents(code, reader);
}

void TVectorPointBase::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockPointVectorFlags) return;
  TVectorThing::WriteBlockContents(code, writer);
}

void TVectorPointBase::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockPointVectorFlags);
  TVectorThing::WriteFields(writer);
}
