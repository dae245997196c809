// TVectorThing: the arrow slots, showing and hiding, options and the vector commands.

#include "bodies/vectors/VectorThing.h"

#include "bodies/vectors/DocumentVectorWorld.h"
#include "model/world/WorldDoc.h"

#include "core/Failure.h"

TVectorThing::~TVectorThing() {
  DeleteAllArrows(0, 1);
}

void TVectorThing::Initialize() {
  TThing::Initialize();
  InitFields();
}

void TVectorThing::InitFields() {
  for (auto& arrow : arrows_)
    arrow.reset();
  vectorHandler_ = nullptr;
  vectorsSuppressed_ = 0;
  arrowCount_ = 0;
  fieldVectorsOn_ = 0;
  fieldVectorsResolved_ = 0;
  arrowsPending_ = 0;
  recordedFormulaCount_ = 0;
  shown_.fill(0);
  option_.fill(0);
  requested_.fill(0);
}

int16_t TVectorThing::CountArrowFormulas() {
  int32_t count = 0;
  ForEachArrow([&count](TVectorArrow& arrow) { count += arrow.FormulaCount(); });
  return static_cast<int16_t>(count);
}

void TVectorThing::RefreshArrows() {
  if (arrowCount_ <= 0) return;
  ForEachArrow([](TVectorArrow& arrow) { arrow.Recompute(); });
  Changed();
}

void TVectorThing::VectorSettingsChanged() {
  if (arrowCount_ > 0) Changed();
}

Str255 TVectorThing::BuildVectorFormula(int16_t, int16_t, uint16_t& resolved,
                                        uint16_t& fieldVector) {
  resolved = 0;
  fieldVector = 0;
  return Str255();
}

bool TVectorThing::GetVectorValue(int16_t index, TVector& value) {
  TVectorArrow* arrow = GetArrow(index);
  return arrow != nullptr && arrow->GetValue(value);
}

TVectorArrow* TVectorThing::GetArrow(int16_t index) const {
  return InRange(index) ? arrows_[static_cast<size_t>(index)].get() : nullptr;
}

void TVectorThing::GetVelocityFormulas(TFormula*& x, TFormula*& y, TFormula*& rotation) {
  x = y = rotation = nullptr;
}

void TVectorThing::SetVectorOption(int16_t index, uint16_t on) {
  if (!InRange(index) || option_[static_cast<size_t>(index)] == on) return;
  option_[static_cast<size_t>(index)] = on;
  requested_[static_cast<size_t>(index)] = on;
  if (on == 0) {
    if (shown_[static_cast<size_t>(index)] == 0 && HasArrow(index)) SetVectorShown(index, 0, 1, 1);
    return;
  }
  if (vectorHandler_ == nullptr || HasArrow(index)) {
    arrowsPending_ = 1;
    return;
  }
  SetVectorShown(index, 1, 1, 1);
}

void TVectorThing::DragVector(int16_t index, const TVector& vector) {
  if (TVectorArrow* arrow = GetArrow(index)) arrow->Drag(vector);
}

std::unique_ptr<TVectorArrow> TVectorThing::NewArrow(int16_t index) {
  FailIfNull(vectorHandler_);
  std::unique_ptr<TVectorArrow> arrow;
  if (index == 0)
    arrow = NewVelocityArrow(index);
  else if (index == 1 || index == 2)
    arrow = NewFormulaArrow(index);
  if (!arrow) ThrowFailure(kErrNoArrow, 0);
  return arrow;
}

std::unique_ptr<TVectorArrow> TVectorThing::NewFormulaArrow(int16_t index) {
  FailIfNull(vectorHandler_);
  return std::make_unique<TVectorArrow692>(index, *this, *vectorHandler_);
}

std::unique_ptr<TVectorArrow> TVectorThing::NewContactArrow(int16_t index) {
  FailIfNull(vectorHandler_);
  return std::make_unique<TVectorArrow694>(index, *this, *vectorHandler_);
}

std::unique_ptr<TVectorArrow> TVectorThing::NewPairArrow(int16_t index) {
  FailIfNull(vectorHandler_);
  return std::make_unique<TVectorArrow693>(index, *this, *vectorHandler_);
}

std::unique_ptr<TVectorArrow> TVectorThing::NewVelocityArrow(int16_t index) {
  FailIfNull(vectorHandler_);
  return std::make_unique<TVectorArrow>(index, *this, *vectorHandler_);
}

void TVectorThing::CreatePendingArrows() {
  if (vectorHandler_ == nullptr) return;
  for (int16_t i = 0; i < kVectorCount; ++i) {
    if (shown_[static_cast<size_t>(i)] != 0 || option_[static_cast<size_t>(i)] != 0)
      SetArrow(i, NewArrow(i));
  }
  arrowsPending_ = 0;
}

void TVectorThing::ResolvePendingArrows() {
  if (arrowsPending_ == 0) return;
  AttachVectorHandler();
  if (vectorHandler_ == nullptr) return;
  UpdateFieldVectors();
  CreatePendingArrows();
}

void TVectorThing::SetVectorShown(int16_t index, uint16_t show, uint16_t request,
                                  uint16_t notify) {
  if (!InRange(index)) return;
  if (show == 0) {
    if (option_[static_cast<size_t>(index)] == 0) DeleteArrow(index);
  } else {
    AttachVectorHandler();
    if (vectorHandler_ == nullptr && documentWorld_ != nullptr)
      vectorHandler_ = documentWorld_->MakeVectorHandler();
    FailIfNull(vectorHandler_);
    if (requested_[static_cast<size_t>(index)] == 0) requested_[static_cast<size_t>(index)] = request;
    uint16_t available = 0;
    CheckFieldVector(index, available);
    uint16_t changed = 0;
    MapFieldVectorIndex(index, changed);
    SetArrow(index, NewArrow(index));
    if (request == 0) vectorsSuppressed_ = 0;
  }
  ForEachLinked(notify);
  Changed();
}

void TVectorThing::SetArrow(int16_t index, std::unique_ptr<TVectorArrow> arrow) {
  if (!arrow || !InRange(index)) return;
  auto& slot = arrows_[static_cast<size_t>(index)];
  if (!slot) ++arrowCount_;
  slot = std::move(arrow);
}

void TVectorThing::DeleteArrow(int16_t index) {
  if (!HasArrow(index)) return;
  arrows_[static_cast<size_t>(index)].reset();
  --arrowCount_;
}

void TVectorThing::DeleteAllArrows(uint16_t clearMenuFlags, uint16_t includeOptioned) {
  for (int16_t i = 0; i < kVectorCount; ++i) {
    if (includeOptioned != 0 || option_[static_cast<size_t>(i)] == 0) DeleteArrow(i);
  }
  if (clearMenuFlags != 0) shown_.fill(0);
}

void TVectorThing::AttachVectorHandler() {
  if (world_ == nullptr) {
    // A thing in a world document finds the document among its links.
    if (TWorldDoc* world = TDocumentVectorWorld::FindWorld(*this)) {
      documentWorld_ = std::make_unique<TDocumentVectorWorld>(*world);
      world_ = documentWorld_.get();
    }
  }
  if (vectorHandler_ == nullptr && world_ != nullptr) vectorHandler_ = world_->GetVectorHandler();
}

void TVectorThing::UpdateFieldVectors() {
  fieldVectorsOn_ = 0;
  fieldVectorsResolved_ = 0;
}

void TVectorThing::AdoptWorld(TVectorWorld* world, uint16_t velocityOption) {
  world_ = world;
  TGlobalVectorHandler* handler = world != nullptr ? world->GetVectorHandler() : nullptr;
  if (vectorHandler_ == nullptr && handler != nullptr) {
    vectorHandler_ = handler;
    UpdateFieldVectors();
    if (arrowsPending_ != 0) CreatePendingArrows();
  }
  SetVectorOption(0, velocityOption);
}

void TVectorThing::ShowFromCommand(int16_t index, uint16_t value, uint16_t notify) {
  if (shown_[static_cast<size_t>(index)] == value) return;
  shown_[static_cast<size_t>(index)] = value;
  SetVectorShown(index, value, 0, notify);
}

bool TVectorThing::GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) {
  if (command < kCmdShowVelocity || command > kCmdShowForce) {
    if (command != kCmdRemoveVectors) return false;
    enabled = 1;
    mark = 0;
    return true;
  }
  enabled = 1;
  mark = shown_[static_cast<size_t>(command - kCmdShowVelocity)];
  return true;
}

void TVectorThing::DoCommandValue(int16_t command, uint16_t value) {
  value = value != 0 ? 1 : 0;
  switch (command) {
    case kCmdShowVelocity:
      ShowFromCommand(0, value, IsBody() ? 0 : 1);
      break;
    case kCmdShowAcceleration:
      ShowFromCommand(1, value, 1);
      break;
    case kCmdShowForce:
      ShowFromCommand(2, value, 1);
      break;
    case kCmdRemoveVectors:
      if (vectorsSuppressed_ != 0) break;
      vectorsSuppressed_ = 1;
      DeleteAllArrows(1, 0);
      ForEachLinked(1);
      break;
    default:
      break;
  }
}
