#include "core/geometry/CursorHolder.h"

#include "core/Resources.h"
#include "platform/win32/Cursor.h"

TCursorHolder::TCursorHolder(uint32_t resourceId) {
  if (resourceId != 0) {
    cursor = LoadCursor(GetResourceModule1(), resourceId);
    if (cursor != nullptr) {
      id = resourceId;
      standard = 0;
      return;
    }
  }
  cursor = LoadCursor(nullptr, IDC_ARROW);
}
