// The program's answers to action buttons.
#include "app/ActionHost.h"

#include <cctype>
#include <string>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/shell/MenuBar.h"
#include "model/command/CommandCore.h"
#include "model/handler/TargetHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "scripting/shell/ScriptsMenu.h"

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Opens a document when performed, as if chosen by name.
class TOpenFromButtonCommand : public TSmallCommand {
 public:
  TOpenFromButtonCommand(TApp& app, std::string path) : app_(app), path_(std::move(path)) {
    Init(kCommandOpen, nullptr, nullptr, nullptr);
  }
  void DoIt() override {
    if (!app_.OpenDocumentFile(path_)) app_.OpenDocumentByDialog(kCommandOpen);
  }

 private:
  TApp& app_;
  std::string path_;
};

}  // namespace

bool TProgramActionHost::IsCommandEnabled(int16_t command) {
  return IsMenuCommandEnabled(command);
}

TCommandCore* TProgramActionHost::MakeMenuCommand(int16_t command) {
  TTargetHandler* target = app_.Commands().GetTarget();
  return target != nullptr ? target->DoMenuCommand(command) : nullptr;
}

void TProgramActionHost::PostCommand(TCommandCore* command) {
  TTargetHandler* target = app_.Commands().GetTarget();
  if (target != nullptr)
    target->PostCommand(command);
  else
    app_.Commands().PostCommand(command);
}

TQVDoc* TProgramActionHost::DocumentOf(TActionButton& button) {
  TDocumentWindows* windows = app_.Documents();
  if (windows == nullptr) return nullptr;
  for (const auto& window : windows->Documents()) {
    TQVDoc& document = window->Document();
    if (document.World().FindObject(button.GetIdentifier()) == &button) return &document;
  }
  return nullptr;
}

void TProgramActionHost::ClearChangeCount(TActionButton& button) {
  if (TQVDoc* document = DocumentOf(button)) document->SetChangeCount(0);
}

void TProgramActionHost::UpdateWorldView(TActionButton& button) {
  button.Invalidate();
}

bool TProgramActionHost::ScriptName(TActionButton&, int16_t index, Str255& name) {
  const ScriptsMenu* scripts = ScriptsMenu::Current();
  const ScriptsMenuEntry* entry = scripts != nullptr ? scripts->Entry(index) : nullptr;
  if (entry == nullptr) return false;
  name = entry->itemText;
  return true;
}

bool TProgramActionHost::IsRunning(TActionButton& button) {
  TQVDoc* document = DocumentOf(button);
  return document != nullptr && document->World().GetRunState() != 0;
}

bool TProgramActionHost::IsDocumentOpen(const Str255& path) {
  TDocumentWindows* windows = app_.Documents();
  if (windows == nullptr) return false;
  const std::string wanted(path.Chars(), static_cast<size_t>(path.Length()));
  for (const auto& window : windows->Documents()) {
    if (SameIgnoringCase(window->Path(), wanted)) return true;
  }
  return false;
}

void TProgramActionHost::PostOpenDocument(const TActionDocument& document) {
  const std::string path(document.path.Chars(), static_cast<size_t>(document.path.Length()));
  PostCommand(new TOpenFromButtonCommand(app_, path));
}
