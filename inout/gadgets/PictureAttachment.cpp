#include "inout/gadgets/PictureAttachment.h"

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "inout/gadgets/PictGadget.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "views/world/PictureCommands.h"

namespace {

struct TChoice {
  TPictGadgetBase* picture = nullptr;
  TMass* body = nullptr;
};

TMass* AsCarrier(TLink* object) {
  if (object == nullptr || !object->IsMemberClass(TMass::kClassID) ||
      object->IsMemberClass(TZeroMass::kClassID))
    return nullptr;
  return static_cast<TMass*>(object);
}

TPictGadgetBase* AsPicture(TLink* object) {
  return object != nullptr && object->IsMemberClass(TPictGadgetBase::kClassID)
             ? static_cast<TPictGadgetBase*>(object)
             : nullptr;
}

TChoice ChooseAttach(TWorldDoc& world) {
  TChoice choice;
  for (TLink* object : world.Selection()) {
    TPictGadgetBase* picture = AsPicture(object);
    if (choice.picture == nullptr && picture != nullptr && picture->GetAttachedBody() == nullptr)
      choice.picture = picture;
    if (choice.body == nullptr) choice.body = AsCarrier(object);
  }
  if (choice.picture == nullptr || choice.body == nullptr) return {};
  return choice;
}

TPictGadgetBase* ChooseDetach(TWorldDoc& world) {
  for (TLink* object : world.Selection()) {
    if (TPictGadgetBase* picture = AsPicture(object);
        picture != nullptr && picture->GetAttachedBody() != nullptr)
      return picture;
    if (TMass* body = AsCarrier(object); body != nullptr && body->GetPicture() != nullptr)
      if (TPictGadgetBase* carried = AsPicture(&body->GetPicture()->PictureLink())) return carried;
  }
  return nullptr;
}

}  // namespace

void TPictureAttachAction::InitPictureAttach(int16_t command, TWorldDoc& world,
                                             TPictGadgetBase& picture, TMass* body) {
  InitAction(command, nullptr, &world, 1);
  picture_ = &picture;
  body_ = body;
}

void TPictureAttachAction::BeforePrepare() {
  // The attachment and the place on the window, which the carrying body sets.
  NoteChange(picture_, kBlockPictAttachment);
  NoteChange(picture_, kBlockGadgetPosition);
}

void TPictureAttachAction::DoWork() {
  if (body_ != nullptr)
    picture_->AttachTo(body_, true);
  else if (picture_->GetAttachedBody() != nullptr)
    picture_->AttachTo(picture_->GetAttachedBody(), false);
}

void TPictureAttachAction::AfterWork() {
  TActionBase::AfterWork();
  if (GetContext() != nullptr) GetContext()->RedrawAll(1, 1);
}

bool PictureAttachApplies(int16_t command, TWorldDoc& world) {
  if (command == kCmdAttachPictureToBody) return ChooseAttach(world).picture != nullptr;
  if (command == kCmdDetachPictureFromBody) return ChooseDetach(world) != nullptr;
  return false;
}

std::unique_ptr<TCommandCore> MakePictureAttachCommand(int16_t command, TWorldDoc& world) {
  TChoice choice;
  if (command == kCmdAttachPictureToBody)
    choice = ChooseAttach(world);
  else if (command == kCmdDetachPictureFromBody)
    choice.picture = ChooseDetach(world);
  if (choice.picture == nullptr) return nullptr;
  CheckWorldEdit(world);
  auto action = std::make_unique<TPictureAttachAction>();
  action->InitPictureAttach(command, world, *choice.picture, choice.body);
  return action;
}

void RegisterPictureAttachCommands() {
  SetPictureCommandMakers({PictureAttachApplies, MakePictureAttachCommand});
}

void UnregisterPictureAttachCommands() {
  SetPictureCommandMakers({});
}
