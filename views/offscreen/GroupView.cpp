#include "views/offscreen/GroupView.h"

#include "platform/mfc/CFrameWnd.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"
#include "ui/views/WindowBuilder.h"

void TGroupView::AddSubview(TWrappedWindow* view) {
  TWorldPaletteLayer::AddSubview(view);
  if (view && view->IsMemberClass(TBufferedView::kManagerClassID)) manager_ = view;
}

void TGroupView::RemoveSubview(TWrappedWindow* view) {
  TWorldPaletteLayer::RemoveSubview(view);
  if (view == manager_) manager_ = nullptr;
}

void TGroupView::ActivateWithWindow(int16_t on, int16_t withWindow) {
  TWorldPaletteLayer::ActivateWithWindow(on, withWindow);
  if (on != 0) SetActive(true);
}

void TGroupView::SetTargetView(TWrappedWindow* view) {
  TWrappedWindow* const old = GetTargetView();
  TWrappedWindow* const replacement = view ? view : this;
  if (replacement != old) {
    // The first link of the chain, from where commands start, that points at the old target.
    for (TTargetHandler* link = CurrentTarget(); link; link = link->GetNextHandler()) {
      if (link->GetNextHandler() == old) {
        link->SetNextHandler(replacement);
        break;
      }
    }
  }
  TWorldPaletteLayer::SetTargetView(view);
}

void TGroupView::UpdateWithBuffers() {
  TWindowPort* port = GetPort();
  if (!port) return;
  const RegionRec* update = GetWindowUpdateRegion(port);
  if (!update || RegionIsEmpty(update)) return;
  if (IsShown() && manager_) {
    if (auto* buffered = dynamic_cast<TBufferedView*>(manager_)) buffered->ReallocateBuffers(false);
  }
  Update();
}

namespace {

CFrameWnd* ParentFrameOf(const TGroupView& view) {
  TOwlView* window = view.GetWindow();
  if (!window || !window->m_hWnd) return nullptr;
  return window->GetParentFrame();
}

}  // namespace

void TGroupView::SaveFramePlacement(WINDOWPLACEMENT* placement) const {
  if (!placement) return;
  if (CFrameWnd* frame = ParentFrameOf(*this)) GetWindowPlacement(frame->m_hWnd, placement);
}

void TGroupView::RestoreFramePlacement(const WINDOWPLACEMENT* placement) const {
  if (!placement) return;
  if (CFrameWnd* frame = ParentFrameOf(*this)) SetWindowPlacement(frame->m_hWnd, placement);
}

void RegisterGroupView() {
  SetGroupViewMaker([]() -> TOwlSubview* { return new TGroupView; });
}
