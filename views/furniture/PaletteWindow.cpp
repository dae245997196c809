#include "views/furniture/PaletteWindow.h"

#include "core/ClassRegistry.h"
#include "core/Tag.h"
#include "ui/views/ViewServices.h"

TObject* TPaletteWindow::CreateObject() {
  return new TPaletteWindow;
}

TTargetHandler* TPaletteWindow::GetTargetHandler() const {
  return targetHandler_ ? targetHandler_ : GetTargetView();
}

void TPaletteWindow::TakeTargetIfWanted(bool activating) {
  if (!activating || wantsTarget_ == 0) return;
  if (TTargetHandler* handler = GetTargetHandler()) SetCurrentTarget(handler);
}

void TAppPaletteBase::Activate(bool on) {
  TakeTargetIfWanted(on);
}

void TPaletteBaseLayer::Activate(bool on) {
  TPaletteWindow::Activate(on);
  TakeTargetIfWanted(on);
}

void RegisterPaletteWindow() {
  RegisterClassInfo("TPaletteWindow", MakeTag("pltt"), TPaletteWindow::kClassID,
                    TPaletteWindow::CreateObject, sizeof(TPaletteWindow));
}
