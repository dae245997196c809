#include "simulation/StopWhen.h"

#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

constexpr uint32_t kTagAppend = MakeTag("PWNs");
// The smallest stored size of one condition: a constant formula (code and double) and an action.
constexpr int32_t kSmallestStoredCondition = 4;
// The value the solver records for a formula it could not evaluate.
constexpr double kNoValue = 1.0e308;

TObject* CreateStopWhen() {
  return new TStopWhen();
}

std::unique_ptr<TPauseCondition> NewCondition() {
  auto condition = std::make_unique<TPauseCondition>();
  condition->SetFromPieces("time > 1.0");
  return condition;
}

}  // namespace

void TStopWhen::SetConditionCount(int32_t count) {
  if (count < 0) count = 0;
  while (GetConditionCount() > count)
    RemoveCondition(GetConditionCount());
  while (GetConditionCount() < count)
    conditions_.push_back(NewCondition());
  // What the solver records has changed.
  Changed();
}

TPauseCondition* TStopWhen::GetCondition(int32_t number) {
  if (number < 1 || number > GetConditionCount()) return nullptr;
  return conditions_[static_cast<size_t>(number - 1)].get();
}

void TStopWhen::RemoveCondition(int32_t number) {
  TPauseCondition* condition = GetCondition(number);
  if (condition == nullptr) return;
  const bool wasStop = condition->action == kPauseActionStop;
  conditions_.erase(conditions_.begin() + (number - 1));
  if (wasStop) StopActionLeft();
  Changed();
}

void TStopWhen::SetAction(int32_t number, int16_t action) {
  TPauseCondition* condition = GetCondition(number);
  if (condition == nullptr) return;
  if (action < 0) {
    RemoveCondition(number);
    return;
  }
  const bool wasStop = condition->action == kPauseActionStop;
  condition->action = action;
  if (wasStop && action != kPauseActionStop) StopActionLeft();
}

void TStopWhen::StopActionLeft() {
  if (TStopWhenHost* host = Host(); host != nullptr) host->ClearStopFrame();
}

bool TStopWhen::Acts(TPauseCondition& condition, bool holds, int16_t frame) {
  const bool becameTrue = holds && !condition.held;
  condition.held = holds;
  if (!becameTrue) return false;
  TStopWhenHost* host = Host();
  if (condition.action == kPauseActionStop && host != nullptr) host->SetStopFrame(frame);
  return true;
}

int16_t TStopWhen::TestConditions(const FormulaEnvironment* world, int16_t frame) {
  std::vector<double> values;
  for (const auto& condition : conditions_) values.push_back(condition->Evaluate(world));
  return TestValues(values, frame);
}

int16_t TStopWhen::TestValues(const std::vector<double>& values, int16_t frame) {
  int16_t taken = -1;
  for (size_t i = 0; i < conditions_.size(); ++i) {
    // The value meaning "none" (a condition the solver could not evaluate) is no reason to stop,
    // nor is a value that is not a number.
    const bool holds = i < values.size() && values[i] > 0.0 && values[i] < kNoValue;
    if (Acts(*conditions_[i], holds, frame) && taken < 0) taken = conditions_[i]->action;
  }
  return taken;
}

void TStopWhen::TestFrame(int16_t frame) {
  TWorldDoc* world = GetWorld();
  TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr || frame < store->FirstHeldFrame() || frame > store->LastFrame()) return;
  const int32_t offset = world->RecordedValueOffset(this);
  if (offset < 0) return;
  // Conditions added since the frames were recorded have no values yet: they do not hold.
  const int32_t recorded = world->RecordLayout().RecordedCount(this);
  std::vector<double> values;
  for (int32_t i = 0; i < recorded && i < GetConditionCount(); ++i)
    values.push_back(store->Value(frame, offset + i));
  const int16_t action = TestValues(values, frame);
  TStopWhenHost* host = Host();
  if (host == nullptr) return;
  switch (action) {
    case kPauseActionPause:
      host->Pause();
      break;
    case kPauseActionReset:
    case kPauseActionLoop:
      host->Reset(action == kPauseActionLoop);
      break;
    default:  // a stop has set the stop frame already; nothing acted
      break;
  }
}

void TStopWhen::FrameChanged(int16_t frame, int16_t, int16_t) {
  if (frame < 0) ClearMarks();
}

void TStopWhen::MarkFrames(int16_t, int16_t, int16_t) {
  ClearMarks();
}

void TStopWhen::WriteElements(TObjectWriter& writer) {
  for (const auto& condition : conditions_)
    writer.WriteFormula(condition.get());
}

TWorldDoc* TStopWhen::GetWorld() const {
  for (TLink* linked : Linked())
    if (linked->IsMemberClass(TWorldDoc::kClassID)) return static_cast<TWorldDoc*>(linked);
  return nullptr;
}

TStopWhenHost* TStopWhen::Host() {
  if (host_ != nullptr) return host_;
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return nullptr;
  if (!worldHost_ || &worldHost_->World() != world)
    worldHost_ = std::make_unique<TWorldStopHost>(*world);
  return worldHost_.get();
}

void TWorldStopHost::SetStopFrame(int16_t frame) {
  world_.SetStopFrame(frame);
}

void TWorldStopHost::ClearStopFrame() {
  world_.ClearStopFrame();
}

void TWorldStopHost::Pause() {
  world_.StopRunning();
}

void TWorldStopHost::Reset(bool runAgain) {
  world_.StopRunning();
  world_.DoCommand(kCmdReset, 1);
  if (runAgain) world_.DoCommand(kCmdRun, 0);
}

void TStopWhen::ClearMarks() {
  for (const auto& condition : conditions_)
    condition->held = false;
}

int32_t TStopWhen::NumberOfTag(uint32_t tag, char kind) const {
  if ((tag & 0xFFFFFF) != (MakeTag("PWe ") & 0xFFFF) + (static_cast<uint32_t>(kind) << 16))
    return 0;
  const int32_t number = static_cast<int32_t>(tag >> 24) - '0' + 1;
  return number >= 1 && number <= GetConditionCount() ? number : 0;
}

uint16_t TStopWhen::HasAction(uint32_t tag) {
  return tag == kTagAppend ? 1 : TLink::HasAction(tag);
}

void TStopWhen::DoAction(uint32_t tag) {
  if (tag != kTagAppend) {
    TLink::DoAction(tag);
    return;
  }
  SetConditionCount(GetConditionCount() + 1);
}

TFormula* TStopWhen::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                        int32_t* dimension, uint16_t* flag) {
  const int32_t number = NumberOfTag(tag, 'e');
  if (number == 0) return TLink::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = 0;
  return GetCondition(number);
}

void TStopWhen::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  TPauseCondition* condition = GetCondition(NumberOfTag(tag, 'e'));
  if (condition == nullptr) {
    TLink::SetFormulaProperty(tag, formula);
    return;
  }
  condition->Assign(formula);
  condition->held = false;
  Changed();
}

uint16_t TStopWhen::GetIndexProperty(uint32_t tag, int16_t& value, uint16_t& enabled) {
  TPauseCondition* condition = GetCondition(NumberOfTag(tag, 'm'));
  if (condition == nullptr) return 0;
  value = condition->action;
  enabled = 1;
  return 1;
}

void TStopWhen::SetIndexProperty(uint32_t tag, int16_t value) {
  const int32_t number = NumberOfTag(tag, 'm');
  if (number != 0) SetAction(number, value);
}

uint16_t TStopWhen::CanReadBlock(int16_t code) {
  return code == kBlockPauseControls ? 1 : 0;
}

uint16_t TStopWhen::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockPauseControls) return TLink::ReadBlockContents(code, reader);
  const int32_t count = reader.ReadInt();
  // A count the block cannot hold is damage, found before anything is made.
  reader.FailIfBadFormat(count < 0 || count > reader.BlockRemaining() / kSmallestStoredCondition);
  std::vector<std::unique_ptr<TPauseCondition>> read;
  for (int32_t i = 0; i < count; ++i) {
    auto condition = std::make_unique<TPauseCondition>();
    reader.ReadFormula(*condition);
    condition->action = static_cast<int16_t>(reader.ReadInt());
    read.push_back(std::move(condition));
  }
  conditions_ = std::move(read);
  return 1;
}

void TStopWhen::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockPauseControls) {
    TLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(GetConditionCount());
  for (const auto& condition : conditions_) {
    writer.WriteFormula(condition.get());
    writer.WriteCode(condition->action);
  }
}

void TStopWhen::WriteFields(TObjectWriter& writer) {
  // The conditions, then the same conditions as the element list that the solver records with
  // every frame (readers drop it: the conditions block is what a holder reads back).
  writer.WriteBlock(*this, kBlockPauseControls);
  if (CountElements() > 0) writer.WriteBlock(*this, kBlockElements);
}

void TStopWhen::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kStopWhenTag);
}

void RegisterStopWhen() {
  RegisterClassInfo("TStopWhen", kStopWhenTag, TStopWhen::kClassID, CreateStopWhen,
                    sizeof(TStopWhen));
}
