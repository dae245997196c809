#include "ui/dialogs/DialogServices.h"

#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

constexpr char kNoHelpText[] = "No help is installed for this dialog.";
constexpr char kNoHelpTitle[] = "Help";

void SayNoHelp(int32_t, int16_t) {
  MessageBox(GetActiveWindow(), kNoHelpText, kNoHelpTitle, MB_OK | MB_ICONINFORMATION);
}

TDialogServices& Services() {
  static TDialogServices services;
  return services;
}

}  // namespace

TDialogServices::TDialogServices() : help(SayNoHelp) {}

void SetDialogServices(const TDialogServices& services) {
  Services() = services;
  if (Services().help == nullptr) Services().help = SayNoHelp;
}

const TDialogServices& DialogServices() { return Services(); }

void ShowDialogHelp(int32_t context) { Services().help(context, kHelpContextCommand); }

void CompletePendingObject() {
  const TDialogServices& services = Services();
  if (services.pendingObject == nullptr) return;
  void* const pending = services.pendingObject();
  if (pending != nullptr && services.completePending != nullptr) services.completePending(pending);
}

void PrepareModalRun() {
  if (Services().beforeModalRun != nullptr) Services().beforeModalRun();
}

TDialogOwnerWindow DialogOwnerWindowOf(TWorldDoc* world) {
  if (Services().ownerWindow == nullptr) return {};
  return Services().ownerWindow(world);
}
