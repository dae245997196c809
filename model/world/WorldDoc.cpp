#include "model/world/WorldDoc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/filing/ObjectReader.h"
#include "model/world/Joiner.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldParticipants.h"
#include "model/world/WorldSettings.h"
#include "model/world/WorldVectorSettings.h"

namespace {

constexpr uint32_t kTagSkipFrames = MakeTag("sk p");
constexpr uint32_t kTagTracking = MakeTag("st b");
constexpr uint32_t kTagVelocityOption = MakeTag("svvP");

TWorldDoc::VelocityOptionHook& VelocityOptionApplier() {
  static TWorldDoc::VelocityOptionHook hook = nullptr;
  return hook;
}

TWorldDoc::ViewSpacingHook& ViewSpacingReader() {
  static TWorldDoc::ViewSpacingHook hook = nullptr;
  return hook;
}
constexpr uint32_t kTagScale = MakeTag("zSca");
constexpr uint32_t kTagViewWidth = MakeTag("zWin");

// Class identifiers of the roles the world keeps lists of.
constexpr int16_t kEngineClass = 406;
constexpr int16_t kUnitHandlerClass = 384;
constexpr int16_t kVectorHandlerClass = 687;
constexpr int16_t kFrameListenerClass = 411;
constexpr int16_t kInputClass = 444;
constexpr int16_t kOutputClass = 533;
constexpr int16_t kGadgetClass = 398;
constexpr int16_t kPauseControlClass = 469;

constexpr double kDefaultSnapDistance = 0.1;

void AddOnce(std::vector<TLink*>& list, TLink* object) {
  if (std::find(list.begin(), list.end(), object) == list.end()) list.push_back(object);
}

}  // namespace

void TWorldObjectOwner::InvalidateArea(const MacRect& area) {
  if (world_.GetDisplay() != nullptr) world_.GetDisplay()->InvalidateArea(area);
}

TWorldDoc::TWorldDoc() = default;

TWorldDoc::~TWorldDoc() {
  SetClosing(1);
  NotifyWatchers(&TWorldWatcher::WorldGone);
  for (TCommand* command : running_)
    command->ForgetWorld();
  running_.clear();
  firstRunning_ = nullptr;
  // The objects go before the world's lists: each tells the objects linked to it.
  while (!owned_.empty()) {
    std::unique_ptr<TLink> object = std::move(owned_.back());
    owned_.pop_back();
    object->SetOwner(nullptr);
    RemoveDependent(object.get());
  }
  FreeHandleIfAny(inputBuffer_);
}

void TWorldDoc::InitWorld(int16_t) {
  stopFrame_ = kNoStopFrame;
  clickWord_ = 1;
  dropOldFrames_ = 1;
  askBeforeDropping_ = 1;
  outputDisplay_ = 2;
  doublePrecision_ = 1;
  selectionMarksStale_ = 1;
  windowStateWord_ = 1;
  angleSnap_ = 1;
  useStoredDistance_ = 1;
  snapDistance_ = kDefaultSnapDistance;
  Initialize();
  SetIdentifier(kWorldIdentifier);
  Str255 number;
  NumToString(kWorldIdentifier, number);
  SetNumberText(Str31(number.AsCString()));
  running_.clear();
  frameListeners_.clear();
  memberWatchers_.clear();
  pauseControls_.assign(1, this);
  inputs_.clear();
  outputs_.clear();
  otherGadgets_.clear();
  viewObjects_.clear();
  extraList_.clear();
  inputBuffer_ = FreeHandleIfAny(inputBuffer_);
  inputBuffer_ = AllocHandle(kInitialInputBytes);
  inputCount_ = 0;
  ResetForDefaults();
  auto reader = ReadDefaultObjects(kWorldDefaultsResource, this);
  AdoptObjects(reader->TakeObjects());
  if (GetDefaultsAnchor() == nullptr) ThrowFailure(kErrNoDefaults, 0);
  joiner_ = std::make_unique<TJoiner>();
  joiner_->InitJoiner(this);
}


// Objects ------------------------------------------------------------------------------------

void TWorldDoc::AdoptObjects(std::vector<std::unique_ptr<TLink>> objects) {
  for (auto& object : objects)
    AdoptObject(std::move(object));
}

void TWorldDoc::AdoptObject(std::unique_ptr<TLink> object) {
  if (!object) return;
  TLink& adopted = *object;
  owned_.push_back(std::move(object));
  adopted.SetOwner(&objectOwner_);
  AddDependent(&adopted);
  AdoptChild(adopted);
  WorldChanged();
  NotifyWatchers(&TWorldWatcher::WorldObjectsChanged);
}

void TWorldDoc::AdoptChild(TLink& object) {
  if (object.IsMemberClass(kEngineClass)) {
    engineObject_ = &object;
    if (RunBridgeHooks().engineFor != nullptr) engine_ = RunBridgeHooks().engineFor(object);
  }
  if (object.IsMemberClass(kUnitHandlerClass)) unitHandler_ = &object;
  // One settings object per world: the first that joins stays, and hears of every object that
  // joins after it.
  auto* vectorSettings = dynamic_cast<TWorldVectorSettings*>(vectorHandler_);
  if (object.IsMemberClass(kVectorHandlerClass) && vectorHandler_ == nullptr) {
    vectorHandler_ = &object;
    if (auto* joined = dynamic_cast<TWorldVectorSettings*>(&object)) joined->JoinedWorld(*this);
  } else if (vectorSettings != nullptr) {
    vectorSettings->ObjectJoined(*this, object);
  }
  // Only a preference that is on reaches a joining object: one read from a document keeps the
  // options it was stored with.
  if (velocityOption_ != 0 && VelocityOptionApplier() != nullptr)
    VelocityOptionApplier()(object, velocityOption_);
  if (object.IsMemberClass(kFrameListenerClass)) {
    AddOnce(frameListeners_, &object);
    if (auto* listener = dynamic_cast<TFrameListener*>(&object)) {
      for (const auto& owned : owned_) {
        if (owned.get() != &object) listener->ObjectInWorld(*this, *owned);
      }
    }
  }
  for (TLink* other : frameListeners_) {
    auto* listener = dynamic_cast<TFrameListener*>(other);
    if (other != &object && listener != nullptr) listener->ObjectInWorld(*this, object);
  }
  TellMemberWatchers(object);
  if (object.IsMemberClass(kPauseControlClass)) AddOnce(pauseControls_, &object);
  if (object.IsMemberClass(kInputClass)) {
    AddOnce(inputs_, &object);
  } else if (object.IsMemberClass(kOutputClass)) {
    AddOnce(outputs_, &object);
  } else if (object.IsMemberClass(kGadgetClass)) {
    AddOnce(otherGadgets_, &object);
  }
  if (const auto* participant = dynamic_cast<const TFrameParticipant*>(&object)) {
    if (participant->FixedFrameValues() == 3) AddOnce(bodies_, &object);
    if (participant->FixedFrameValues() == 8) AddOnce(eightValue_, &object);
  }
}

void TWorldDoc::TellMemberWatchers(TLink& object) {
  if (auto* watcher = dynamic_cast<TMemberWatcher*>(&object)) {
    AddOnce(memberWatchers_, &object);
    for (const auto& owned : owned_)
      if (owned.get() != &object) watcher->ObjectInWorld(*this, *owned);
  }
  for (TLink* other : memberWatchers_)
    if (other != &object) dynamic_cast<TMemberWatcher*>(other)->ObjectInWorld(*this, object);
}

void TWorldDoc::ForgetObject(TLink* object) {
  for (auto* list : {&viewObjects_, &pauseControls_, &inputs_, &outputs_, &otherGadgets_,
                     &bodies_, &eightValue_, &frameListeners_, &memberWatchers_})
    std::erase(*list, object);
  if (engineObject_ == object) {
    engineObject_ = nullptr;
    engine_.reset();
  }
  if (unitHandler_ == object) unitHandler_ = nullptr;
  if (vectorHandler_ == object) vectorHandler_ = nullptr;
  if (pendingObject_ == object) pendingObject_ = nullptr;
  if (tableLoader_ == object) tableLoader_ = nullptr;
  std::erase(extraList_, object);
}

void TWorldDoc::StartDocumentRead() {
  metFirstHistory_ = 0;
  DropDefaultWorldObjects();
}

void TWorldDoc::DropDefaultWorldObjects() {
  // The world's settings objects are numbered from the world's own identifier on, and the
  // engine takes the run settings of every document; every other object is one that a
  // document numbers and keeps itself (even one whose class this program does not know).
  std::vector<TLink*> dropped;
  for (const auto& owned : owned_) {
    if (owned->GetIdentifier() < kWorldIdentifier && !owned->IsMemberClass(kEngineClass))
      dropped.push_back(owned.get());
  }
  for (TLink* object : dropped) RemoveObject(object);
}

bool TWorldDoc::ShowsRecordedFrame() {
  const TFrameStore* store = GetStore();
  return frameShown_ != 0 && store != nullptr && store->CurrentFrame() >= 0;
}

void TWorldDoc::RemoveObject(TLink* object) {
  const auto it = std::find_if(owned_.begin(), owned_.end(),
                               [object](const auto& owned) { return owned.get() == object; });
  if (it == owned_.end()) return;
  if (auto* vectorSettings = dynamic_cast<TWorldVectorSettings*>(vectorHandler_);
      vectorSettings != nullptr && vectorHandler_ != object)
    vectorSettings->ObjectLeaving(*this, *object);
  std::unique_ptr<TLink> removed = std::move(*it);
  owned_.erase(it);
  removed->SetOwner(nullptr);
  ForgetObject(object);
  // The geometry manager keeps no object that left.
  if (geometryManager_ && geometryManager_->IsMemberClass(TLink::kClassID))
    static_cast<TLink*>(geometryManager_.get())->ObjectRemoved(object);
  // Everything linked to the object forgets it (groups drop their entries).
  for (TLink* linked : removed->Linked())
    linked->ObjectRemoved(object);
  ObjectRemoved(object);
  WorldChanged();
  NotifyWatchers(&TWorldWatcher::WorldObjectsChanged);
}

std::vector<TLink*> TWorldDoc::Objects() const {
  std::vector<TLink*> objects;
  objects.reserve(owned_.size());
  for (const auto& object : owned_)
    objects.push_back(object.get());
  return objects;
}

void TWorldDoc::MoveSelection(bool toFront) {
  const std::vector<TLink*>& selected = Selection();
  if (selected.empty()) return;
  const auto isSelected = [&selected](const std::unique_ptr<TLink>& object) {
    return std::find(selected.begin(), selected.end(), object.get()) != selected.end();
  };
  // A stable partition keeps the order within the moved and within the other objects.
  if (toFront) {
    std::stable_partition(owned_.begin(), owned_.end(),
                          [&isSelected](const auto& object) { return !isSelected(object); });
  } else {
    std::stable_partition(owned_.begin(), owned_.end(), isSelected);
  }
  // The objects linked to the world, which scripts walk, take the order the world keeps and
  // writes its objects in: one order, however it is read.
  std::vector<TLink*> moved;
  for (const auto& object : owned_)
    if (isSelected(object) && GetIdentityIndex(object.get()) != -1) moved.push_back(object.get());
  if (!toFront) std::reverse(moved.begin(), moved.end());
  for (TLink* object : moved) {
    Delete(object);
    if (toFront)
      InsertLast(object);
    else
      InsertFirst(object);
  }
  TWorldBase::Changed();
}

TLink* TWorldDoc::FindObject(int32_t identifier) const {
  if (identifier == GetIdentifier()) return const_cast<TWorldDoc*>(this);
  for (const auto& object : owned_) {
    if (object->GetIdentifier() == identifier) return object.get();
  }
  return nullptr;
}

void TWorldDoc::UpdateViewObject(TLink* object, uint16_t add) {
  if (object == nullptr) return;
  if (add != 0) {
    AddOnce(viewObjects_, object);
    return;
  }
  std::erase(viewObjects_, object);
}

void TWorldDoc::SetEngine(std::unique_ptr<TSolverEngine> engine) {
  engine_ = std::move(engine);
  solverWorldLoaded_ = 0;
}

void TWorldDoc::DocumentChanged() {
  if (GetDocument() == nullptr) return;
  GetDocument()->SetChangeCount(GetDocument()->GetChangeCount() + 1);
}

// Properties ---------------------------------------------------------------------------------

uint16_t TWorldDoc::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagSkipFrames) {
    value = static_cast<uint16_t>(GetSkipFrames());
    return 1;
  }
  if (tag == kTagTracking) {
    value = static_cast<uint16_t>(GetTrackingWord());
    if (extra != nullptr) *static_cast<uint16_t*>(extra) = GetTrackingWord() >= 1 ? 1 : 0;
    return 1;
  }
  if (GetViewSetting(tag, value) != 0) return 1;
  return TWorldBase::GetShortProperty(tag, value, extra);
}

void TWorldDoc::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagSkipFrames) return SetSkipFrames(static_cast<int16_t>(value));
  if (tag == kTagTracking) return SetTrackingWord(static_cast<int16_t>(value));
  if (SetViewSetting(tag, value) != 0) return;
  TWorldBase::SetShortProperty(tag, value);
}

uint16_t TWorldDoc::GetIntProperty(uint32_t tag, int32_t& value, void* extra) {
  if (tag != kTagSkipFrames && tag != kTagTracking)
    return TWorldBase::GetIntProperty(tag, value, extra);
  uint16_t shortValue = 0;
  GetShortProperty(tag, shortValue, nullptr);
  value = static_cast<int16_t>(shortValue);
  return 1;
}

void TWorldDoc::SetIntProperty(uint32_t tag, int32_t value) {
  if (tag != kTagSkipFrames && tag != kTagTracking) return TWorldBase::SetIntProperty(tag, value);
  SetShortProperty(tag, static_cast<uint16_t>(std::clamp<int32_t>(value, 0, 99)));
}

void TWorldDoc::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                     ObjectCallback objectCallback, void* blockContext,
                                     void* objectContext) {
  if (tag == kTagSkipFrames || tag == kTagTracking) {
    blockCallback(kBlockWorldRunSettings, blockContext);
    return;
  }
  TWorldBase::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                   objectContext);
}

void TWorldDoc::SetVelocityOptionHook(VelocityOptionHook hook) {
  VelocityOptionApplier() = hook;
}

void TWorldDoc::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagVelocityOption) {
    TWorldBase::SetFlagProperty(tag, value);
    return;
  }
  velocityOption_ = value != 0 ? 1 : 0;
  if (VelocityOptionApplier() == nullptr) return;
  for (TLink* object : Objects()) {
    if (object != nullptr) VelocityOptionApplier()(*object, velocityOption_);
  }
}

uint16_t TWorldDoc::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagVelocityOption) {
    value = velocityOption_;
    return 1;
  }
  if (tag == kTagTracking) {
    value = GetTrackingWord() >= 1 ? 1 : 0;
    return 1;
  }
  return TWorldBase::GetFlagProperty(tag, value, extra);
}

uint16_t TWorldDoc::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag == kTagScale) {
    value = Scale().GetValue() / kPixelsPerMetre;
    return 1;
  }
  if (tag == kTagViewWidth) {
    const double scale = Scale().GetValue();
    value = scale > 0.0 ? viewWidth_ / scale : 0.0;
    return 1;
  }
  return TWorldBase::GetNumberProperty(tag, value, extra);
}

void TWorldDoc::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagScale) {
    SetScale(kPixelsPerMetre * value);
    return;
  }
  if (tag == kTagViewWidth) {
    // A width of 0 or less has no scale: it is ignored like a scale of 0 or less.
    if (value > 0.0) SetScale(viewWidth_ / value);
    return;
  }
  TWorldBase::SetNumberProperty(tag, value);
}

bool TWorldDoc::SetScale(double scale) {
  if (!(scale > 0.0) || !std::isfinite(scale)) return false;
  // The view shown is the one to zoom; a world without one keeps the scale for the next view.
  if (display_ == nullptr || !display_->SetViewScale(scale)) Scale().SetConstant(scale);
  Changed();
  return true;
}

// Small operations -----------------------------------------------------------------------------

double TWorldDoc::RotationStep() const {
  return angleSnap_ != 0 ? std::numbers::pi / 36.0 : 0.0;
}

double TWorldDoc::DuplicateLength() const {
  constexpr double kHalfStepPixels = 6.0;
  const double scale = Scale().GetValue();
  return scale > 0.0 ? kHalfStepPixels / scale : kHalfStepPixels / kPixelsPerMetre;
}

double TWorldDoc::SnappingDistance() const {
  if (angleSnap_ != 0 && useStoredDistance_ == 0) return snapDistance_;
  double spacing = 0.0;
  double fine = 0.0;
  const ViewSpacingHook hook = ViewSpacingReader();
  if (hook == nullptr || !hook(*this, spacing, fine)) return 1.0;
  return angleSnap_ != 0 ? spacing : fine;
}

void TWorldDoc::SetViewSpacingHook(ViewSpacingHook hook) { ViewSpacingReader() = hook; }

bool TWorldDoc::IsReadyToPlay() const {
  return canPlay_ != 0 && GetStore() != nullptr && GetStore()->FrameCount() >= 1;
}

void TWorldDoc::ClearMarks() {
  marksWord_ = 0;
  for (TLink* member : pauseControls_) {
    if (auto* participant = dynamic_cast<TFrameParticipant*>(member))
      participant->MarkFrames(-1, 0, -1);
  }
}
