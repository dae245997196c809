// The hand-over of the world to the solver, frame changes and walks over recorded frames.

#include <algorithm>
#include <vector>

#include "core/Failure.h"
#include "model/GeometryManagerHook.h"
#include "model/filing/ObjectWriter.h"
#include "model/filing/SolverFormulaText.h"
#include "model/world/RecordLayout.h"
#include "model/world/RunBridge.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "model/world/WorldParticipants.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaLexer.h"

namespace {

// The most values a frame may hold: the store and the solver count them in 16 bits.
constexpr int64_t kMostValuesPerFrame = 32767;

// A count that a frame cannot hold stands in for every offset beyond it.
int32_t OffsetOrNone(int64_t offset) {
  return offset >= 0 && offset <= kMostValuesPerFrame ? static_cast<int32_t>(offset) : -1;
}

// Names in formulas as the world's formulas see them: by the formula world of the geometry
// manager, which checked them when they were entered. A name the formula world does not know may
// still be an object's description, which the program writes into what an object records (a
// body's "Ball.charge"); the formula world then says what kind of object it is.
class TWorldFormulaNamer : public TFormulaNamer {
 public:
  TWorldFormulaNamer(const FormulaEnvironment* world, std::vector<TLink*> objects)
      : world_(world), objects_(std::move(objects)) {}

  bool Resolve(std::string_view name, int32_t number, FormulaObject& object) const override {
    if (world_ == nullptr) return false;
    if (world_->FindObject(name, number, object) == kFormulaOk) return true;
    if (number >= 0) return false;
    for (TLink* link : objects_) {
      const Str255& description = link->GetDescription();
      if (!FormulaNameEquals(
              std::string_view(description.Chars(), static_cast<size_t>(description.Length())),
              name))
        continue;
      for (const char* kind : {"body", "point", "constraint"}) {
        if (world_->FindObject(kind, link->GetIdentifier(), object) == kFormulaOk) return true;
      }
    }
    return false;
  }

 private:
  const FormulaEnvironment* world_;
  std::vector<TLink*> objects_;
};

// The meters of the world and the values each records, as a run notes them when it begins.
std::vector<TFrameColumn> MetersOf(const std::vector<TLink*>& outputs) {
  std::vector<TFrameColumn> meters;
  for (TLink* meter : outputs)
    if (meter != nullptr) meters.push_back({meter->CountElements(), meter->GetIdentifier()});
  return meters;
}

// Whether the solver can go on from the store's frames with the world laid out as it is now:
// a frame holds as many values as the world records (in the full or the short form of the
// bodies), and the meters the run noted, when it noted them, are the world's meters now.
bool StoredFramesFit(const TFrameStore& store, const TRecordLayout& now,
                     const std::vector<TFrameColumn>& meters) {
  const yb::stream::FrameLayout& frame = now.frame;
  if (yb::stream::FrameLayout::ForBlock(store.ValuesPerFrame(), frame.bodies, frame.recorded)
          .valuesPerBody == 0)
    return false;
  const std::vector<TFrameColumn>& noted = store.RecordedMeters();
  if (noted.empty()) return true;
  return std::equal(noted.begin(), noted.end(), meters.begin(), meters.end(),
                    [](const TFrameColumn& a, const TFrameColumn& b) {
                      return a.valueCount == b.valueCount && a.objectId == b.objectId;
                    });
}

}  // namespace

void TWorldDoc::WorldChanged() {
  // While the world runs or shows a later frame its bodies hold that frame, not the start:
  // forgetting the run now would make the frame shown the world's start. The edits that would
  // change the run ask first (the edit check); what still comes here (units, the view, an undo)
  // keeps the start and the run, and the solver takes the world again, from the start's state,
  // when the run goes on.
  if (!ShowsARun(*this) && (solverWorldLoaded_ != 0 || GetStore() == nullptr)) ResetHistory(0);
  solverWorldLoaded_ = 0;
  // The objects may record other values now; frames recorded before keep their layout.
  if (GetStore() == nullptr || GetStore()->FrameCount() == 0) recordLayout_.reset();
}

const TRecordLayout& TWorldDoc::RecordLayout() {
  if (!recordLayout_) {
    std::vector<TLink*> objects = Objects();
    objects.insert(objects.begin(), this);
    recordLayout_ = std::make_unique<TRecordLayout>(TRecordLayout::Of(objects));
  }
  // Frames recorded with the bodies' positions alone keep that form.
  yb::stream::FrameLayout& frame = recordLayout_->frame;
  const TFrameStore* store = GetStore();
  if (store != nullptr && store->FrameCount() > 0 &&
      store->ValuesPerFrame() != frame.ValuesPerFrame()) {
    const auto stored =
        yb::stream::FrameLayout::ForBlock(store->ValuesPerFrame(), frame.bodies, frame.recorded);
    if (stored.valuesPerBody != 0) frame = stored;
  }
  return *recordLayout_;
}

int32_t TWorldDoc::BodyValueOffset(const TLink* object) {
  return OffsetOrNone(RecordLayout().BodyOffset(object));
}

int32_t TWorldDoc::RecordedValueOffset(const TLink* object) {
  return OffsetOrNone(RecordLayout().RecordedOffset(object));
}

void TWorldDoc::ResetHistory(uint16_t force) {
  if (resetGuard_ != 0) return;
  if (force == 0 && GetStore() != nullptr && solverWorldLoaded_ == 0) return;
  StopRunning();
  solverWorldLoaded_ = 0;
  if (GetStore() == nullptr && RunBridgeHooks().makeStore != nullptr)
    SetStore(RunBridgeHooks().makeStore());
  TFrameStore* store = GetStore();
  if (store == nullptr) return;
  const bool atNoFrame = store->CurrentFrame() == -1;
  store->Clear();
  recordLayout_.reset();
  if (!atNoFrame) FrameChanged(-1);
  if (startAtFrameZero_ != 0) DoCommand(kCmdShowFrameZero, 0);
}

std::vector<uint8_t> TWorldDoc::NativeStream() {
  const std::vector<TLink*> objects = Objects();
  // The solver knows objects by kind and identifier only: formulas that name an object by its
  // name reach it in that form.
  TGeometryManagerHook* manager = GeometryManagerOf(FindItem(kGeometryManagerTag));
  const TWorldFormulaNamer namer(manager != nullptr ? manager->FormulaWorld() : nullptr, objects);
  auto writer = WriteObjectsDefault(&objects, 0, this, 1, nullptr, &namer);
  Handle handle = writer->TakeHandle();
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> stream(bytes, bytes + GetHandleByteSize(handle));
  FreeHandle(handle);
  return stream;
}

void TWorldDoc::LoadEngineWorld() {
  if (solverWorldLoaded_ != 0) return;
  FailIfNull(engine_.get());
  TFrameStore* store = GetStore();
  const bool keptFrames = store != nullptr && store->FrameCount() > 0;
  // The solver computes every frame from frame 0, so frames kept from before it held the world
  // (read with a document) are gone on from with the world in the state of their frame 0, not
  // of the frame shown. When the world records other values than the kept frames hold (a meter
  // changed since they were made), they are let go and computed again from that state.
  std::vector<uint8_t> stream;
  const auto showStateOfFrame = [this](int16_t frame) {
    if (frame < 0) return;
    // Frame 0 stays held when old frames are let go.
    const auto first = static_cast<int16_t>(frame == 0 ? 0 : FirstHeldFrame());
    const auto last = static_cast<int16_t>(LastFrame());
    for (const auto* list : {&bodies_, &eightValue_}) {
      for (TLink* object : *list) {
        if (auto* participant = dynamic_cast<TFrameParticipant*>(object))
          participant->FrameChanged(frame, first, last);
      }
    }
  };
  if (keptFrames) {
    std::vector<TLink*> objects = Objects();
    objects.insert(objects.begin(), this);
    const bool fit = StoredFramesFit(*store, TRecordLayout::Of(objects), MetersOf(outputs_));
    const int16_t shown = store->CurrentFrame();
    showStateOfFrame(0);
    try {
      stream = NativeStream();
    } catch (...) {
      showStateOfFrame(shown);
      throw;
    }
    if (fit) {
      showStateOfFrame(shown);
    } else {
      store->Clear();
      recordLayout_.reset();
    }
  }
  const bool sizing = store != nullptr && store->FrameCount() == 0;
  if (sizing) {
    // The frames to come are laid out as the objects are now; a frame the store and the solver
    // cannot count is refused before anything is handed over.
    recordLayout_.reset();
    if (RecordLayout().frame.ValuesPerFrame() > kMostValuesPerFrame)
      ThrowFailure(kErrOutOfMemory, 0);
  }
  if (!keptFrames) stream = NativeStream();
  FailIfError(engine_->ClearWorld());
  FailIfError(engine_->ReadWorld(stream.data(), static_cast<int32_t>(stream.size())));
  if (sizing) store->SetValuesPerFrame(static_cast<int32_t>(RecordLayout().frame.ValuesPerFrame()));
  solverWorldLoaded_ = 1;
}

void TWorldDoc::FrameChanged(int16_t frame) {
  if (frame < 0) frame = -1;
  if (frame == -1) {
    ClearMarks();
    trackReset_ = 0;
  }
  const auto first = static_cast<int16_t>(FirstHeldFrame());
  const auto last = static_cast<int16_t>(LastFrame());
  for (TLink* member : pauseControls_) {
    if (auto* participant = dynamic_cast<TFrameParticipant*>(member))
      participant->FrameChanged(frame, first, last);
  }
  const std::vector<TLink*> views = viewObjects_;
  for (TLink* object : views) {
    if (auto* participant = dynamic_cast<TFrameParticipant*>(object))
      participant->FrameChanged(frame, first, last);
  }
}

void TWorldDoc::ShowFrame(int16_t frame, uint16_t, bool recorded) {
  TFrameStore* store = GetStore();
  if (store == nullptr) return;
  store->SetCurrentFrame(frame);
  frameShown_ = frame >= 0 && recorded ? 1 : 0;
  const auto first = static_cast<int16_t>(FirstHeldFrame());
  const auto last = static_cast<int16_t>(LastFrame());
  for (const auto* list : {&bodies_, &eightValue_}) {
    for (TLink* object : *list) {
      if (auto* participant = dynamic_cast<TFrameParticipant*>(object))
        participant->FrameChanged(frame, first, last);
    }
  }
  // Other objects that record values (a gear's formula quantities) take theirs; the pause
  // controls and the view objects hear of the frame below.
  for (TLink* object : Objects()) {
    auto* participant = dynamic_cast<TFrameParticipant*>(object);
    if (participant == nullptr || participant->FixedFrameValues() != 0 ||
        std::find(pauseControls_.begin(), pauseControls_.end(), object) != pauseControls_.end() ||
        std::find(viewObjects_.begin(), viewObjects_.end(), object) != viewObjects_.end())
      continue;
    participant->FrameChanged(frame, first, last);
  }
  FrameChanged(frame);
  if (frame < 0) return;
  // Every object shows the frame now: the pause controls test it.
  const std::vector<TLink*> controls = pauseControls_;
  for (TLink* member : controls) {
    if (auto* participant = dynamic_cast<TFrameParticipant*>(member)) participant->TestFrame(frame);
  }
}

void TWorldDoc::ForEachRecordedFrame(int16_t first, int16_t last, TLink* object,
                                     const FrameCallback& callback) {
  TFrameStore* store = GetStore();
  if (store == nullptr) return;
  const int32_t from = std::max<int32_t>(first, store->FirstHeldFrame());
  const int32_t to = std::min<int32_t>(last, store->LastFrame());
  if (from > to) return;
  int32_t offset = store->ValuesPerFrame();
  bool found = false;
  if (columnList_ == 0) {
    offset = RecordedValueOffset(object);
    found = offset >= 0;
  } else {
    // The store's own records: an object's values are found by counting back from the end of
    // the frame.
    const std::vector<TFrameColumn> columns = store->Columns();
    for (auto it = columns.rbegin(); it != columns.rend() && !found; ++it) {
      offset -= it->valueCount;
      found = object != nullptr && it->objectId == object->GetIdentifier();
    }
  }
  if (!found) return;
  const int16_t mode = store->SetReadMode(1);
  try {
    for (int32_t frame = from; frame <= to; ++frame) {
      store->PositionAtFrame(frame);
      store->Advance(offset);
      callback(static_cast<int16_t>(frame), *store);
    }
  } catch (...) {
    store->SetReadMode(mode);
    throw;
  }
  store->SetReadMode(mode);
}
