#include "platform/win32/Control.h"

void RegisterStandardControls() {
  RegisterButtonClass();
  RegisterStaticClass();
  RegisterEditClass();
  RegisterListBoxClass();
  RegisterComboBoxClass();
  RegisterTrackbarClass();
  RegisterScrollBarClass();
  RegisterToolBarClass();
  RegisterStatusBarClass();
  RegisterProgressClass();
}
