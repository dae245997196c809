#include "model/handler/TargetHandler.h"

#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/command/CommandHandler.h"

namespace {

// A command that no handler took: deleted when it was meant to be freed after use.
void DropUnhandled(TCommandCore* command) {
  if (command != nullptr && command->IsFreeWhenDone() != 0) delete command;
}

}  // namespace

TTargetHandler::~TTargetHandler() {
  TCommandHandler* application = TCommandHandler::Application();
  if (application != nullptr && application != this && application->GetTarget() == this) {
    application->SetTarget(next_ != nullptr ? next_ : application);
  }
  next_ = nullptr;
}

void TTargetHandler::DoTargetChange(int16_t, int16_t) {}

void TTargetHandler::InitTargetHandler(TTargetHandler* next) {
  TObject::Initialize();
  next_ = next;
  idleFrequency_ = kNeverIdle;
  lastIdle_ = 0;
}

TTargetHandler* TTargetHandler::SetNextHandler(TTargetHandler* handler) {
  next_ = handler;
  return this;
}

void TTargetHandler::ForEachInChain(ChainAction action, void* argument) {
  TTargetHandler* handler = this;
  while (handler != nullptr) {
    TTargetHandler* const next = handler->next_;
    action(handler, argument);
    handler = next;
  }
}

TTargetHandler* TTargetHandler::FirstInChain(ChainTest test, void* argument) {
  for (TTargetHandler* handler = this; handler != nullptr; handler = handler->next_) {
    if (test(handler, argument)) return handler;
  }
  return nullptr;
}

TTargetHandler* TTargetHandler::RemoveFromChain(TTargetHandler* head) {
  if (head == this) {
    TTargetHandler* const rest = next_;
    next_ = nullptr;
    return rest;
  }
  for (TTargetHandler* before = head; before != nullptr; before = before->next_) {
    if (before->next_ != this) continue;
    before->next_ = next_;
    next_ = nullptr;
    break;
  }
  return head;
}

void TTargetHandler::NoticeFirst() {
  if (next_ != nullptr) next_->NoticeFirst();
}

int16_t TTargetHandler::DoIdle(int16_t) {
  return 0;
}

TCommandCore* TTargetHandler::DoKeyCommand(int16_t character, int32_t keyData,
                                           TEventRecord* event) {
  return next_ != nullptr ? next_->DoKeyCommand(character, keyData, event) : nullptr;
}

int32_t TTargetHandler::DoCharKey(int16_t character, TEventRecord* event) {
  return next_ != nullptr ? next_->DoCharKey(character, event) : 0;
}

int32_t TTargetHandler::HandleScriptEvent(intptr_t first, intptr_t second, intptr_t third) {
  if (next_ == nullptr) ThrowFailure(kErrEventNotHandled, 0);
  return next_->HandleScriptEvent(first, second, third);
}

void TTargetHandler::NoticeValue(intptr_t value) {
  if (next_ != nullptr) next_->NoticeValue(value);
}

TCommandCore* TTargetHandler::DoMenuCommand(int16_t commandNumber) {
  return next_ != nullptr ? next_->DoMenuCommand(commandNumber) : nullptr;
}

void TTargetHandler::DoSetupMenus() {
  if (next_ != nullptr) next_->DoSetupMenus();
}

void TTargetHandler::NotifyUp(intptr_t first, intptr_t second) {
  if (next_ != nullptr) next_->NotifyUp(first, second);
}

void TTargetHandler::CommitLastCommand() {
  if (next_ != nullptr) next_->CommitLastCommand();
}

TCommandCore* TTargetHandler::GetLastCommand() {
  return next_ != nullptr ? next_->GetLastCommand() : nullptr;
}

TCommandCore* TTargetHandler::GetNextCommand() {
  return next_ != nullptr ? next_->GetNextCommand() : nullptr;
}

void TTargetHandler::HandleCommand(TCommandCore* command) {
  if (next_ == nullptr) return DropUnhandled(command);
  next_->HandleCommand(command);
}

void TTargetHandler::PostCommand(TCommandCore* command) {
  if (next_ == nullptr) return DropUnhandled(command);
  next_->PostCommand(command);
}

void TTargetHandler::NoticeLast() {
  if (next_ != nullptr) next_->NoticeLast();
}
