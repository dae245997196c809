#include "app/TApp.h"

#include <cinttypes>
#include <string>

#include "app/frames/DocumentWindows.h"
#include "app/frames/SplashWindow.h"
#include "app/shell/StartupHooks.h"
#include "app/shell/UnitTable.h"
#include "core/Alert.h"
#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Message.h"
#include "resources/ResourceLibraries.h"


void TApp::LoadResourceDlls() {
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
  SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
  InstallCursorResourceProbe();
}

void TApp::FreeResourceDlls() {
  FreeResourceLibrary(GetResourceModule1());
  FreeResourceLibrary(GetResourceModule2());
  FreeResourceLibrary(GetResourceModule3());
  SetResourceModule1(nullptr);
  SetResourceModule2(nullptr);
  SetResourceModule3(nullptr);
}

void TApp::InitUnits() {
  InitHandlePool();
  try {
    RunUnitInitializers();
    FreezeClassRegistry();
    LoadLabelStrings();
    LoadToolIcons();
  } catch (...) {
    RunUnitTerminators();
    FreeClassRegistry();
    FreeClassHierarchy();
    FreeHandlePool();
    throw;
  }
}

void TApp::TermUnits() {
  // The commands kept for undo hold memory of the units' pool: they go first.
  DropAllCommands();
  // So do the views that copies left as the clipboard's: two claims of the application's own
  // view release the saved one and then the current one.
  ClaimClipboard(OwnClipboardView());
  ClaimClipboard(OwnClipboardView());
  RunUnitTerminators();
  FreeClassRegistry();
  FreeClassHierarchy();
  FreeHandlePool();
}

void TApp::ShowError(int16_t error, int32_t message) {
  if (error == kErrNone) return;
  // Out of memory: what was being done matters less than what frees memory, which depends on
  // how many documents are open.
  if (error == kErrOutOfMemory && FailureDetailText().Length() > 0) {
    const size_t open = documents_ ? documents_->OpenCount() : 0;
    GetIndString(FailureDetailText(), 32512, open > 1 ? 1 : 3);
  }
  // The error table's text, when it has one, says what the number means; the detail text says
  // what was being done. The detail belongs to this failure alone, so it is used up here. The
  // words come first; the numbers, for a report of the fault, after them.
  char text[256] = "";
  GetErrorTextCWithOverride(error, kErrorTextTable, text, sizeof text);
  std::string line = text;
  const std::string detail = FailureDetailText().AsCString();
  if (!detail.empty()) line += (line.empty() ? "" : " ") + detail;
  if (line.empty()) line = "The program met an error it has no text for.";
  char numbers[48];
  if (message != 0) {
    std::snprintf(numbers, sizeof numbers, " (error %" PRId16 ", message %08" PRIX32 ")", error,
                  static_cast<uint32_t>(message));
  } else {
    std::snprintf(numbers, sizeof numbers, " (error %" PRId16 ")", error);
  }
  std::fprintf(errorStream_, "Yarrowby: %s%s\n", line.c_str(), numbers);
  std::fflush(errorStream_);
  // Without windows the line just written is the alert.
  if (!AlertsAreWindowless()) ErrorAlert(error, message);
  FailureDetailText() = Str255();
}

BOOL TApp::PreTranslateMessage(MSG* message) {
  PreTranslateSplashMessage(*message);
  if (const auto& filter = StartupHooks().splashFilter) filter(*message);
  return TQVApp::PreTranslateMessage(message);
}
