#include "ui/dialogs/DialogCommand.h"

#include <algorithm>

#include "core/Failure.h"
#include "model/command/CommandHandler.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "simulation/Engine.h"
#include "ui/dialogs/DialogFactory.h"
#include "ui/dialogs/DialogServices.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/WindowBase.h"

// The window of the world's document as the window object over which the dialog stands.
class TDialogCommand::TOwnerWindow final : public TWindowObject {
 public:
  explicit TOwnerWindow(const TDialogOwnerWindow& owner) : owner_(owner) {}
  // A window made without a window object (a common dialog) stands in for the document's.
  TOwnerWindow(const TDialogOwnerWindow& owner, HWND window) : owner_(owner) {
    standIn_ = std::make_unique<CWnd>();
    standIn_->m_hWnd = window;
    owner_.window = standIn_.get();
  }
  ~TOwnerWindow() {
    // The window is only borrowed: it stays when the stand-in goes.
    if (standIn_) standIn_->m_hWnd = nullptr;
  }
  TOwnerWindow(const TOwnerWindow&) = delete;
  TOwnerWindow& operator=(const TOwnerWindow&) = delete;
  CWnd* GetObjectWindow() override { return owner_.window; }
  TTargetHandler* GetHandlerPart() override {
    return owner_.handler != nullptr ? owner_.handler : TCommandHandler::Application();
  }

 private:
  TDialogOwnerWindow owner_;
  std::unique_ptr<CWnd> standIn_;
};

TDialogCommand::TDialogCommand() = default;

TDialogCommand::~TDialogCommand() {
  WindowBase* const dialog = dialog_;
  dialog_ = nullptr;
  delete dialog;
}

void TDialogCommand::InitDialogCommand(int16_t commandNumber, TWorldDoc* target,
                                       const std::vector<TLink*>* selection) {
  MakeDialog(commandNumber, target);
  if (selection != nullptr) {
    edited_ = selection;
    dialog_->SetSelection(selection, owner_.get(), target, 1);
    return;
  }
  // Without a selection the dialog is the world's own (its settings, frames shown, tracking):
  // it edits the world and what the world keeps for its runs, its engine's settings and its
  // units, each answering its own properties.
  if (target == nullptr) return;
  worldAlone_.assign(1, target);
  for (TLink* object : target->Objects()) {
    if (object->IsMemberClass(TEngine::kClassID)) worldAlone_.push_back(object);
  }
  if (target->GetUnitHandler() != nullptr) worldAlone_.push_back(target->GetUnitHandler());
  dialog_->SetSelection(&worldAlone_, owner_.get(), target, 1);
}

void TDialogCommand::MakeDialog(int16_t commandNumber, TWorldDoc* target) {
  delete dialog_;
  dialog_ = nullptr;
  world_ = target;
  edited_ = nullptr;
  InitAction(commandNumber, nullptr, target, 1);
  // The dialog's edits are commands of their own: this one neither takes nor gives back the
  // world's selection.
  SetKeepsSelection(0);
  const TDialogOwnerWindow owner = DialogOwnerWindowOf(target);
  owner_.reset();
  if (standOver_ != nullptr && IsWindow(standOver_)) {
    owner_ = std::make_unique<TOwnerWindow>(owner, standOver_);
  } else if (owner.window != nullptr || owner.handler != nullptr) {
    owner_ = std::make_unique<TOwnerWindow>(owner);
  }
  TDialogWindow* const made = CreateDialogById(commandNumber, owner_.get());
  if (made != nullptr && made->IsMemberClass(WindowBase::kClassID)) {
    dialog_ = static_cast<WindowBase*>(made);
  } else {
    delete made;
  }
  FailIfNull(dialog_);
}

void TDialogCommand::Perform() {
  if (world_ != nullptr && edited_ != nullptr &&
      std::any_of(edited_->begin(), edited_->end(),
                  [this](const TLink* object) { return SolverTakes(*world_, object); }))
    RefuseEditOfRun(*world_);
  TActionBase::Perform();
  SetCanUndo(0);
  SetCausesChange(0);
}

void TDialogCommand::DoWork() {
  FailIfNull(dialog_);
  const int32_t result = dialog_->PoseModally();
  const int32_t cancel = dialog_->GetCancelResult();
  WindowBase* const dialog = dialog_;
  dialog_ = nullptr;
  delete dialog;
  if (result == cancel) ThrowFailure(kErrNone, 0);
}

void TRefHolder::InitForObject(int16_t commandNumber, TLink* object) {
  objects_.clear();
  FailIfNull(object);
  TWorldDoc* const world = WorldOf(*object);
  MakeDialog(commandNumber, world);
  objects_.push_back(object);
  edited_ = &objects_;
  dialog_->SetSelection(&objects_, owner_.get(), world, 1);
}

void PostObjectDialog(int16_t dialogNumber, TLink* object) {
  auto command = std::make_unique<TRefHolder>();
  command->InitForObject(dialogNumber, object);
  TCommandHandler* const application = TCommandHandler::Application();
  FailIfNull(application);
  application->PostCommand(command.release());
}
