#include "app/services/ClipboardView.h"

#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"

void TClipboardView::JoinViewerChain(TOwlSubview* windowObject) {
  if (!windowObject) return;
  if (TOwlView* window = windowObject->GetWindow()) window->JoinClipboardViewerChain();
}
