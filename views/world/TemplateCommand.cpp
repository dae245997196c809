#include "views/world/TemplateCommand.h"

#include <utility>

#include "model/Link.h"
#include "model/filing/ObjectReader.h"
#include "model/world/WorldDoc.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldEditCheck.h"
#include "ui/periphery/ActionChooser.h"
#include "views/trackers/DuplicateCommands.h"
#include "views/world/WorldTracking.h"
#include "views/world/WorldWindow.h"

namespace {

TemplateObjectMaker& ObjectMaker() {
  static TemplateObjectMaker maker = nullptr;
  return maker;
}

TemplateFileChooser& FileChooser() {
  static TemplateFileChooser chooser = nullptr;
  return chooser;
}

// The chooser's OK: the action chosen goes to the caller's word.
void RecordChosenAction(TDialogWindow* window, intptr_t data) {
  auto* chooser = dynamic_cast<TActionDialogWindow*>(window);
  if (chooser != nullptr) *reinterpret_cast<int16_t*>(data) = chooser->GetChosenAction();
}

}  // namespace

void SetTemplateObjectMaker(TemplateObjectMaker maker) { ObjectMaker() = maker; }
void SetTemplateFileChooser(TemplateFileChooser chooser) { FileChooser() = chooser; }

std::unique_ptr<TCommandCore> ChooseTemplateCommand(TWorldDoc& world, TWindowObject* owner) {
  CheckWorldEdit(world);
  int16_t item = kNoAction;
  RunActionChooser(kActionChooserDialog, nullptr, RecordChosenAction, 0,
                   reinterpret_cast<intptr_t>(&item), owner);
  if (item < 0) return nullptr;
  TTemplateChoice choice;
  choice.item = item;
  if (item == kOpenDocumentChoice) {
    if (FileChooser() == nullptr || !FileChooser()(choice.path) || choice.path.empty())
      return nullptr;
    choice.command = kCmdOpenDocumentTemplate;
  }
  return MakeTemplateCommand(choice, world);
}

std::unique_ptr<TCommandCore> MakeTemplateCommand(const TTemplateChoice& choice, TWorldDoc& world) {
  if (ObjectMaker() == nullptr) return nullptr;
  std::unique_ptr<TLink> made = ObjectMaker()(choice);
  if (made == nullptr) return nullptr;
  auto placing = std::make_unique<TTracker489>();
  if (!InitPlacementOfNew(*placing, choice.command, std::move(made), world)) return nullptr;
  return placing;
}

bool InitPlacementOfNew(TTracker489& placing, int16_t command, std::unique_ptr<TLink> made,
                        TWorldDoc& world) {
  auto* window = dynamic_cast<TWorldWindow*>(world.GetDisplay());
  TWorldTrackerContext* context = window != nullptr ? window->TrackerContext() : nullptr;
  if (context == nullptr || made == nullptr) return false;
  made->SetIdentifier(FreeIdentifier(world));
  // The object joins the world as a placed gadget does, so that undo takes it out again.
  auto reader = std::make_unique<TObjectReader>();
  reader->AdoptObject(std::move(made));
  placing.InitPlacementOf(command, &world.PlacementRecord(), context, context, std::move(reader));
  return true;
}
