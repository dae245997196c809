// The commands that make meters and input controls for objects of the world.
#include "inout/gadgets/GadgetTrackers.h"

#include <algorithm>
#include <utility>

#include "constraints/Pin.h"
#include "core/Failure.h"
#include "inout/gadgets/ActionButton.h"
#include "inout/gadgets/Gadget.h"
#include "inout/gadgets/GadgetFinishing.h"
#include "inout/gadgets/InOutput.h"
#include "inout/gadgets/PictGadget.h"
#include "inout/gadgets/PictureAttachment.h"
#include "inout/gadgets/TextPlaceTracker.h"
#include "views/trackers/ToolTrackers.h"
#include "inout/inputs/Input.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"
#include "model/world/CreationCommands.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/TemplateCommand.h"
#include "views/trackers/DuplicateCommands.h"

void TGadgetTracker::InitGadgetTracker(int16_t command, int16_t templateNumber, TWorldDoc& world,
                                       TLink* first, TLink* second) {
  world_ = nullptr;
  first_ = nullptr;
  second_ = nullptr;
  made_.clear();
  InitPlacing(command, nullptr, &world, 1, 0, nullptr);
  // The gadgets already in the world take none of the template's records: a second meter is made
  // beside the first instead of overwriting it.
  std::unique_ptr<TObjectReader> reader = ReadObjectsFromResource(
      templateNumber, &world.ContextLink(), UndoRecorder(), RedoRecorder(), true);
  if (reader == nullptr || reader->Table().Objects().empty()) ThrowFailure(-108, 0);
  reader->Complete(0);
  SetPlaced(std::move(reader));
  if (IsPairedInputCommand(command)) AddSecondSlider(templateNumber, world);
  world_ = &world;
  first_ = first;
  second_ = second;
}

bool IsPairedInputCommand(int16_t command) {
  switch (command) {
    case kBodyVelocityInputs:
    case kBodySpeedDirectionInputs:
    case kPointPositionInputs:
    case kForceComponentInputs:
    case kForceMagnitudeDirectionInputs:
      return true;
    default:
      return false;
  }
}

void TGadgetTracker::AddSecondSlider(int16_t templateNumber, TWorldDoc& world) {
  // The first slider is linked with the world already, so this one is numbered after it.
  std::unique_ptr<TObjectReader> reader = ReadObjectsFromResource(
      templateNumber, &world.ContextLink(), UndoRecorder(), RedoRecorder(), true);
  if (reader == nullptr || reader->Table().Objects().empty()) ThrowFailure(-108, 0);
  reader->Complete(0);
  // The second stands below the first, as far from it as the first from the block's top.
  const std::vector<TLink*> placed = PlacedObjects();
  const auto* first = placed.empty() ? nullptr : dynamic_cast<const TGadget*>(placed.front());
  const int16_t below = first != nullptr ? first->GetFrame().bottom : 0;
  for (std::unique_ptr<TLink>& slider : reader->TakeObjects()) {
    if (auto* gadget = dynamic_cast<TGadget*>(slider.get())) gadget->MoveBy(MacPoint(0, below));
    AddPlaced(slider);
  }
}

void TGadgetTracker::AfterPrepare() {
  // The placed objects leave the reader for the world here.
  made_ = PlacedObjects();
  TCommandSub::AfterPrepare();
}

void TGadgetTracker::DoWork() {
  TCommandSub::DoWork();
  FinishMade();
  PlaceMade();
}

void TGadgetTracker::PlaceMade() {
  TWorldDisplay* display = world_ != nullptr ? world_->GetDisplay() : nullptr;
  if (display == nullptr) return;
  // The block is as large as its gadgets reach from the window's corner.
  std::vector<TGadget*> gadgets;
  int16_t height = 0;
  int16_t width = 0;
  for (TLink* object : made_) {
    auto* gadget = dynamic_cast<TGadget*>(object);
    if (gadget == nullptr) continue;
    gadgets.push_back(gadget);
    const MacRect frame = gadget->GetFrame();
    height = std::max(height, frame.bottom);
    width = std::max(width, frame.right);
  }
  if (gadgets.empty()) return;
  const MacRect window = display->ExtentInPort();
  const MacPoint corner =
      PlaceGadgetBlock(world_->PlacementRecord(), height, width,
                       static_cast<int16_t>(window.bottom - window.top),
                       static_cast<int16_t>(window.right - window.left));
  for (TGadget* gadget : gadgets) gadget->MoveBy(corner);
  // Nothing else redraws the window for gadgets made from a menu: they show at once.
  display->InvalidateViews();
}

TLink& TGadgetTracker::FirstMade() const {
  if (made_.empty() || made_.front() == nullptr) ThrowFailure(-108, 0);
  return *made_.front();
}

void TGadgetFinishTracker::FinishMade() {
  auto* gadget = dynamic_cast<TInOutput*>(&FirstMade());
  if (gadget == nullptr) return;
  FinishGadget(*gadget, FirstTarget(), SecondTarget());
}

void TPinGadgetTracker::BeforePrepare() {
  TGadgetFinishTracker::BeforePrepare();
  // The pin's mode changes with the command; undo takes it back.
  if (IsKindOfSafe(FirstTarget(), TPin::kClassID))
    NoteChange(FirstTarget(), TChangeRecorder::kWholeObject);
}

void TPinGadgetTracker::FinishMade() {
  TGadgetFinishTracker::FinishMade();
  if (IsKindOfSafe(FirstTarget(), TPin::kClassID)) static_cast<TPin*>(FirstTarget())->SetMode(1);
}

void TInputControlTracker::BeforePrepare() {
  TGadgetTracker::BeforePrepare();
  if (FirstTarget() != nullptr) NoteChange(FirstTarget(), TChangeRecorder::kWholeObject);
}

void TInputControlTracker::FinishMade() {
  auto* first = dynamic_cast<TInput*>(&FirstMade());
  if (first == nullptr) ThrowFailure(-108, 0);
  TInput* second = Made().size() > 1 ? dynamic_cast<TInput*>(Made()[1]) : nullptr;
  FinishInputControls(GetCommandNumber(), *first, second, FirstTarget());
}

std::unique_ptr<TCommandCore> MakeGadgetTracker(int16_t command, TWorldDoc& world, TLink* first,
                                                TLink* second) {
  if (command >= kFirstInputControlCommand && command <= kLastInputControlCommand) {
    auto tracker = std::make_unique<TInputControlTracker>();
    tracker->InitGadgetTracker(command, kSliderTemplate, world, first, nullptr);
    return tracker;
  }
  if (command < kFirstMeterCommand || command > kLastMeterCommand) return nullptr;
  std::unique_ptr<TGadgetFinishTracker> tracker;
  if (command >= kFirstPinMeterCommand && command <= kLastPinMeterCommand) {
    tracker = std::make_unique<TPinGadgetTracker>();
  } else {
    tracker = std::make_unique<TGadgetFinishTracker>();
  }
  tracker->InitGadgetTracker(command, command, world, first, second);
  return tracker;
}

namespace {

// A new button shows its name on its face: it starts as the caption of what the button does,
// so that the face reads it rather than standing blank.
void NameAfterCaption(TActionButton& button) {
  button.SetName(button.GetButtonText());
  button.AdjustSize();
}

// The new button of the New Button command: one that performs the chosen command, or one that
// opens the chosen document.
std::unique_ptr<TLink> MakeTemplateButton(const TTemplateChoice& choice) {
  if (choice.command == kCmdOpenDocumentTemplate) {
    auto button = std::make_unique<TOpenActionButton>();
    button->Initialize();
    button->SetCommand(kCommandOpen);
    TActionDocument document;
    document.path = Str255(choice.path.c_str());
    button->RefreshOpenCaption(document);
    NameAfterCaption(*button);
    return button;
  }
  auto button = std::make_unique<TActionButton>();
  button->Initialize();
  button->SetCommand(choice.item);
  NameAfterCaption(*button);
  return button;
}

}  // namespace

void RegisterGadgetTrackers() {
  SetCreationCommandMaker(MakeGadgetTracker);
  SetTemplateObjectMaker(MakeTemplateButton);
  SetPictureGadgetMaker(MakePictureGadgetOfScrap);
  SetGadgetToolTrackerMaker(MakeTextPlaceTracker);
  RegisterPictureAttachCommands();
}

void UnregisterGadgetTrackers() {
  SetCreationCommandMaker(nullptr);
  SetTemplateObjectMaker(nullptr);
  SetPictureGadgetMaker(nullptr);
  SetGadgetToolTrackerMaker(nullptr);
  UnregisterPictureAttachCommands();
}
