#include "model/world/WorldHost.h"

#include "core/Alert.h"
#include "model/command/CommandHandler.h"
#include "model/world/WorldDoc.h"

namespace {

// The error tables of a solver warning: its text and what the user can do about it.
constexpr int16_t kWarningTextTable = 0x83;
constexpr int16_t kWarningAdviceTable = 0x81;

// The description of the object with the identifier, or nothing for -1 or an unknown one.
Str255 DescribeObject(TWorldDoc& world, int32_t identifier) {
  if (identifier == -1) return Str255();
  TLink* object = world.FindObject(identifier);
  if (object == nullptr) return Str255();
  if (const auto* named = dynamic_cast<const TNamedLink*>(object); named && !named->GetName().IsEmpty())
    return named->GetName();
  return object->GetDescription();
}

}  // namespace

bool TWorldHost::AskYesNo(int16_t alert) {
  return ::AskYesNo(alert, 0);
}

void TWorldHost::ShowError(int16_t error, int32_t message) {
  if (error != 0) ErrorAlert(error, message);
}

bool TWorldHost::ReportSolverWarning(TWorldDoc& world, int16_t error, const int32_t* status) {
  Str255 text;
  Str255 advice;
  GetErrorTextWithOverride(error, kWarningTextTable, text);
  GetErrorTextWithOverride(error, kWarningAdviceTable, advice);
  Str255 objects = DescribeObject(world, status[1]);
  const Str255 second = DescribeObject(world, status[2]);
  if (!objects.IsEmpty() && !second.IsEmpty()) objects.AppendCString(", ");
  objects.Append(second);
  SetAlertTexts(text, advice, objects, Str255());
  return AskYesNo(kAlertWithMessage);
}

void TWorldHost::PostCommand(TCommandCore* command) {
  TCommandHandler* handler = TCommandHandler::Application();
  if (handler == nullptr) {
    delete command;
    return;
  }
  handler->PostCommand(command);
}

bool TWorldHost::CommitLastCommand() {
  TCommandHandler* handler = TCommandHandler::Application();
  if (handler == nullptr || handler->GetLastCommand() == nullptr) return false;
  handler->CommitLastCommand();
  return true;
}

void TWorldHost::StopOtherDocuments(TWorldDoc&) {}

TWorldHost& TWorldHost::Default() {
  static TWorldHost host;
  return host;
}
