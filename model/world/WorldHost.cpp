#include "model/world/WorldHost.h"

#include <vector>

#include "core/Alert.h"
#include "core/List.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"

namespace {

// The error tables of a solver warning: its text and what the user can do about it.
constexpr int16_t kWarningTextTable = 0x83;
constexpr int16_t kWarningAdviceTable = 0x81;
// What a solver warning asks.
constexpr char kGoOnQuestion[] = "Go on with the run anyway?";

// The application's open documents; the application names them once it keeps them.
TList* gOpenDocuments = nullptr;

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
  // Yes and No answer this: Yes runs on past the warning, No ends the run where it stands.
  SetAlertTexts(text, advice, objects, Str255(kGoOnQuestion));
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

void TWorldHost::StopOtherDocuments(TWorldDoc& world) {
  if (gOpenDocuments == nullptr) return;
  // A copy: stopping a run may close a document or open another.
  std::vector<TQVDoc*> others;
  for (int32_t i = 1; i <= gOpenDocuments->GetCount(); ++i) {
    TObject* entry = gOpenDocuments->At(i);
    if (entry == nullptr || !entry->IsMemberClass(TQVDoc::kClassID)) continue;
    auto* document = static_cast<TQVDoc*>(entry);
    if (static_cast<TCommandDocument*>(document) != world.GetDocument()) others.push_back(document);
  }
  for (TQVDoc* document : others)
    if (&document->World() != &world) document->World().StopRunning();
}

void TWorldHost::SetOpenDocuments(TList* documents) {
  gOpenDocuments = documents;
}

TList* TWorldHost::OpenDocuments() {
  return gOpenDocuments;
}

TWorldHost& TWorldHost::Default() {
  static TWorldHost host;
  return host;
}
