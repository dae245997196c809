// The custom field: three formulas the user writes (x force, y force, torque), pairwise or per
// body, and the sample fields stored in the resources that fill them.

#include <algorithm>
#include <cstring>
#include <string>

#include "constraints/Field.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// A sample: the kind (16 bits, host order), then three texts in fields of 71 bytes.
constexpr int32_t kSampleKindBytes = 2;
constexpr int32_t kSampleTextField = 71;

bool IsEmptyText(const TFormula& formula) {
  if (!formula.IsFormula()) return false;
  Str255 text;
  formula.GetText(text);
  return text.IsEmpty();
}

// The text of the field at offset, ending at its terminator, at the field's end or at the end
// of the resource, whichever comes first.
Str255 SampleText(const uint8_t* bytes, int32_t size, int32_t offset) {
  if (offset >= size) return Str255();
  const int32_t limit = std::min(size - offset, kSampleTextField - 1);
  int32_t length = 0;
  while (length < limit && bytes[offset + length] != 0) ++length;
  std::string text(reinterpret_cast<const char*>(bytes + offset), static_cast<size_t>(length));
  return Str255(text.c_str());
}

}  // namespace

bool LoadSampleField(int16_t number, SampleField& sample) {
  Handle handle = GetResourceHandle(kSampleFieldType, number);
  if (handle == nullptr) return false;
  const auto size = static_cast<int32_t>(GetHandleByteSize(handle));
  bool found = false;
  if (size >= kSampleKindBytes) {
    LockHandle(handle);
    const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::memcpy(&sample.kind, bytes, sizeof sample.kind);
    // A sample of a kind the field does not know is not one.
    found = sample.kind >= TCustomCnstr::kNone && sample.kind <= TCustomCnstr::kField;
    sample.forceX = SampleText(bytes, size, kSampleKindBytes);
    sample.forceY = SampleText(bytes, size, kSampleKindBytes + kSampleTextField);
    sample.torque = SampleText(bytes, size, kSampleKindBytes + 2 * kSampleTextField);
    UnlockHandle(handle);
  }
  ReleaseResourceHandle(handle);
  return found;
}

TObject* TCustomCnstr::CreateObject() { return new TCustomCnstr; }

void TCustomCnstr::Initialize() {
  TFieldCnstr::Initialize();
  SetOwnBlockCode(kBlock);
  SetMenuCommand(kCommand);
  kind_ = kNone;
  sample_ = kNoSample;
  forceX_ = TFormula::New();
  forceY_ = TFormula::New();
  torque_ = TFormula::New();
  for (TFormula* formula : {forceX_.get(), forceY_.get(), torque_.get()})
    formula->SetFromPieces("");
}

void TCustomCnstr::SetKind(int32_t kind, uint16_t notify) {
  if (kind == kind_) return;
  kind_ = kind;
  if (TGroup* group = FieldGroup()) {
    if (kind == kPairwise) group->SetMode(1, 0);
    else if (kind == kField) group->SetMode(0, 0);
  }
  if (kind == kNone) {
    for (TFormula* formula : {forceX_.get(), forceY_.get(), torque_.get()})
      formula->SetFromPieces("");
  }
  if (notify != 0) MarkChanged();
}

int16_t TCustomCnstr::GetSample() {
  SampleField sample;
  if (sample_ == kNoSample || !LoadSampleField(sample_, sample) || sample.kind != kind_) {
    sample_ = kNoSample;
    return sample_;
  }
  const std::pair<const TFormula*, const Str255*> pairs[] = {
      {forceX_.get(), &sample.forceX}, {forceY_.get(), &sample.forceY},
      {torque_.get(), &sample.torque}};
  for (const auto& [formula, text] : pairs) {
    Str255 own;
    formula->GetText(own);
    if (own != *text) {
      sample_ = kNoSample;
      break;
    }
  }
  return sample_;
}

void TCustomCnstr::SetSample(int16_t sample) {
  sample_ = sample;
  if (sample == kNoSample) return;
  SampleField field;
  if (!LoadSampleField(sample, field)) FailIfNullResource(nullptr);
  SetKind(field.kind, 0);
  forceX_->SetFormattedText(field.forceX, nullptr, kUnitFieldForce);
  forceY_->SetFormattedText(field.forceY, nullptr, kUnitFieldForce);
  torque_->SetFormattedText(field.torque, nullptr, kUnitFieldTorque);
  MarkChanged();
}

int32_t TCustomCnstr::FieldGoalCount() const {
  if (kind_ == kNone) return 0;
  int32_t count = 0;
  for (const TFormula* formula : {forceX_.get(), forceY_.get(), torque_.get()})
    count += IsEmptyText(*formula) ? 0 : 1;
  return count;
}

// Each formula with a text takes the next goal, with its component.
void TCustomCnstr::BuildFormula() {
  if (kind_ == kNone) return;
  int32_t position = 1;
  const std::pair<const TFormula*, GoalComponent> formulas[] = {
      {forceX_.get(), GoalComponent::kX},
      {forceY_.get(), GoalComponent::kY},
      {torque_.get(), GoalComponent::kRotation}};
  for (const auto& [formula, component] : formulas) {
    if (IsEmptyText(*formula)) continue;
    if (TCnstrGoal* goal = FieldGoal(position)) {
      goal->Assign(*formula);
      goal->component = static_cast<int32_t>(component);
    }
    ++position;
  }
}

TLink* TCustomCnstr::RelatedObjectQuery() const {
  if (kind_ == kPairwise) return nullptr;
  if (kind_ == kField) return GroundBody();
  return TFieldCnstr::RelatedObjectQuery();
}

uint16_t TCustomCnstr::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagCustomNone) value = kind_ == kNone ? 1 : 0;
  else if (tag == kTagCustomPairwise) value = kind_ == kPairwise ? 1 : 0;
  else if (tag == kTagCustomField) value = kind_ == kField ? 1 : 0;
  else return TFieldCnstr::GetChoiceProperty(tag, value, extra);
  return 1;
}

void TCustomCnstr::SelectChoice(uint32_t tag) {
  if (tag == kTagCustomNone) return SetKind(kNone, 1);
  if (tag == kTagCustomPairwise) return SetKind(kPairwise, 1);
  if (tag == kTagCustomField) return SetKind(kField, 1);
  TFieldCnstr::SelectChoice(tag);
}

TFormula* TCustomCnstr::OwnFormula(uint32_t tag) const {
  if (tag == kTagCustomForceX) return forceX_.get();
  if (tag == kTagCustomForceY) return forceY_.get();
  if (tag == kTagCustomTorque) return torque_.get();
  return nullptr;
}

TFormula* TCustomCnstr::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                           int32_t* dimension, uint16_t* flag) {
  TFormula* formula = OwnFormula(tag);
  if (formula == nullptr) return TFieldCnstr::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = tag == kTagCustomTorque ? kUnitFieldTorque : kUnitFieldForce;
  return formula;
}

void TCustomCnstr::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  TFormula* own = OwnFormula(tag);
  if (own == nullptr) return TFieldCnstr::SetFormulaProperty(tag, formula);
  own->Assign(formula);
  MarkChanged();
}

uint16_t TCustomCnstr::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagCustomSample) return TFieldCnstr::GetShortProperty(tag, value, extra);
  value = static_cast<uint16_t>(GetSample());
  return 1;
}

void TCustomCnstr::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagCustomSample) return TFieldCnstr::SetShortProperty(tag, value);
  SetSample(static_cast<int16_t>(value));
}

void TCustomCnstr::WriteKindBlock(TObjectWriter& writer) {
  writer.WriteCode(static_cast<uint8_t>(kind_));
  writer.WriteCode(sample_);
  writer.WriteFormula(forceX_.get());
  writer.WriteFormula(forceY_.get());
  writer.WriteFormula(torque_.get());
  writer.Align(2);
}

void TCustomCnstr::ReadKindBlock(TObjectReader& reader) {
  const uint8_t kind = reader.ReadByte();
  kind_ = kind <= kField ? static_cast<int32_t>(kind) : static_cast<int32_t>(kNone);
  sample_ = static_cast<int16_t>(reader.ReadInt());
  reader.ReadFormula(*forceX_);
  reader.ReadFormula(*forceY_);
  reader.ReadFormula(*torque_);
}
