// The furniture around a world's main view: each piece shown or hidden moves the main view and
// the other pieces so that nothing overlaps, and hiding a piece gives back exactly what showing
// it took.

#include <memory>

#include "core/Tag.h"
#include "core/UnitHandler.h"
#include "simulation/UnitHandler.h"
#include "model/world/WorldDoc.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Window.h"
#include "ui/views/WindowDocument.h"
#include "views/furniture/CommandHelpLine.h"
#include "views/furniture/CoordsView.h"
#include "views/furniture/FrameIndicator.h"
#include "views/furniture/RulerView.h"
#include "views/furniture/ScrollBarContainer.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"
#include "ui/views/WindowBuilder.h"
#include "views/world/WorldWindow.h"

namespace {

int32_t BarHeight() {
  return GetSystemMetrics(SM_CYHSCROLL);
}

int32_t BarWidth() {
  return GetSystemMetrics(SM_CXVSCROLL);
}

constexpr int32_t kRuler = TRulerView::kThickness;
constexpr int32_t kIndicatorInRowWidth = 200;

// Detaches the view from its parent and frees it (its window goes with it).
void Discard(TWrappedWindow* view) {
  delete view;
}

}  // namespace

int32_t TWorldWindow::FurnitureLeft() const {
  return vRuler_ ? vRuler_->GetLocation().h : mainView_->GetLocation().h - 1;
}

void TWorldWindow::NoteFurniture() {
  bottomStrip_ = hScrollBar_ != nullptr || indicator_ != nullptr || coords_ != nullptr;
  bothScrollBars_ = hScrollBar_ != nullptr && vScrollBar_ != nullptr;
}

void TWorldWindow::ShowHScrollBar(bool show) {
  if (!mainView_ || !manager_ || show == (hScrollBar_ != nullptr)) return;
  if (show && scrollBarsForbidden_) return;
  const int32_t room = BarHeight() + 1;
  const bool sharesRow = indicatorInRow_ && indicator_ != nullptr;
  if (show) {
    const TViewPoint& content = manager_->GetStoredSize();
    // In the tape's row the bar starts on the tape's last column, as it does when the tape
    // comes second and moves the bar's left edge.
    const int32_t x = FurnitureLeft() + (sharesRow ? kIndicatorInRowWidth - 1 : 0);
    auto* bar = new TScrollBarContainer;
    try {
      bar->InitScrollBarContainer(&document_, manager_, TViewPoint{x, content.v - BarHeight() - 2},
                                  content.h - x - BarWidth() - 2, TWorldScrollBar::kHorizontal,
                                  mainView_, MakeMainViewScrollTarget(*mainView_));
    } catch (...) {
      delete bar;
      throw;
    }
    hScrollBar_ = bar;
    if (sharesRow) {
      // The tape gives the scroll bar its row but for its own 200 pixels.
      indicator_->GrowBy(-(bar->GetStoredSize().h - 1), 0, true);
      indicator_->SetHorizontalRule(TWrappedWindow::kRuleStored);
    } else {
      mainView_->GrowBy(0, -room, true);
      if (vRuler_) vRuler_->GrowBy(0, -room, true);
      if (indicator_) indicator_->OffsetBy(0, -room, true);
      if (coords_) coords_->OffsetBy(0, -room, true);
      if (hRuler_) hRuler_->OffsetBy(0, -room, true);
    }
    bar->Show(true, true);
  } else {
    if (sharesRow) {
      indicator_->GrowBy(hScrollBar_->GetStoredSize().h - 1, 0, true);
      indicator_->SetHorizontalRule(TWrappedWindow::kRuleFollow);
    } else {
      mainView_->GrowBy(0, room, true);
      if (vRuler_) vRuler_->GrowBy(0, room, true);
      if (indicator_) indicator_->OffsetBy(0, room, true);
      if (coords_) coords_->OffsetBy(0, room, true);
      if (hRuler_) hRuler_->OffsetBy(0, room, true);
    }
    Discard(hScrollBar_);
    hScrollBar_ = nullptr;
  }
  NoteFurniture();
  mainView_->RecomputeWorldExtent();
}

void TWorldWindow::ShowVScrollBar(bool show) {
  if (!mainView_ || !manager_ || show == (vScrollBar_ != nullptr)) return;
  if (show && scrollBarsForbidden_) return;
  const int32_t room = BarWidth() + 2;
  if (show) {
    const TViewPoint& content = manager_->GetStoredSize();
    // Below the help line, when there is one, as the main view is.
    const int32_t top = helpLine_ ? helpLine_->GetStoredSize().v : 0;
    auto* bar = new TScrollBarContainer;
    try {
      bar->InitScrollBarContainer(&document_, manager_,
                                  TViewPoint{content.h - BarWidth() - 2, top},
                                  content.v - BarHeight() - 2 - top, TWorldScrollBar::kVertical,
                                  mainView_, MakeMainViewScrollTarget(*mainView_));
    } catch (...) {
      delete bar;
      throw;
    }
    vScrollBar_ = bar;
    mainView_->GrowBy(-room, 0, true);
    if (hRuler_) hRuler_->GrowBy(-room, 0, true);
    if (coords_) coords_->GrowBy(-room, 0, true);
    if (indicator_ && !(indicatorInRow_ && hScrollBar_)) indicator_->GrowBy(-(room - 1), 0, true);
    bar->Show(true, true);
  } else {
    mainView_->GrowBy(room, 0, true);
    if (hRuler_) hRuler_->GrowBy(room, 0, true);
    if (coords_) coords_->GrowBy(room, 0, true);
    if (indicator_ && !(indicatorInRow_ && hScrollBar_)) indicator_->GrowBy(room - 1, 0, true);
    Discard(vScrollBar_);
    vScrollBar_ = nullptr;
  }
  NoteFurniture();
  mainView_->RecomputeWorldExtent();
}

void TWorldWindow::ShowRulers(bool show) {
  if (!mainView_ || !manager_ || show == (hRuler_ != nullptr)) return;
  if (!show) {
    mainView_->GrowBy(kRuler, kRuler, true);
    mainView_->OffsetBy(-kRuler, 0, true);
    Discard(hRuler_);
    Discard(vRuler_);
    hRuler_ = nullptr;
    vRuler_ = nullptr;
    return;
  }
  auto* units = dynamic_cast<TUnitHandler*>(world_.GetUnitHandler());
  const TViewPoint at = mainView_->GetLocation();
  const TViewPoint size = mainView_->GetStoredSize();
  auto vertical = std::make_unique<TVRulerView>();
  vertical->IVRulerView(&document_, manager_, at, mainView_, units, nullptr);
  vertical->SetIdentifier(static_cast<int32_t>(MakeTag("Vrul")));
  auto horizontal = std::make_unique<THRulerView>();
  horizontal->IHRulerView(&document_, manager_, TViewPoint{at.h + kRuler, at.v + size.v - kRuler},
                          mainView_, units, nullptr);
  horizontal->SetIdentifier(static_cast<int32_t>(MakeTag("Hrul")));
  vRuler_ = vertical.release();
  hRuler_ = horizontal.release();
  mainView_->GrowBy(-kRuler, -kRuler, true);
  mainView_->OffsetBy(kRuler, 0, true);
  vRuler_->Show(true, true);
  hRuler_->Show(true, true);
}

void TWorldWindow::ShowFrameIndicator(bool show) {
  if (!mainView_ || !manager_ || show == (indicator_ != nullptr)) return;
  const int32_t room = BarHeight() + 1;
  const bool sharesRow = indicatorInRow_ && hScrollBar_ != nullptr;
  if (!show) {
    if (sharesRow) {
      hScrollBar_->MoveTopLeft(-(indicator_->GetStoredSize().h - 1), 0, true);
    } else {
      mainView_->GrowBy(0, room, true);
      if (vRuler_) vRuler_->GrowBy(0, room, true);
      if (coords_) coords_->OffsetBy(0, room, true);
      if (hRuler_) hRuler_->OffsetBy(0, room, true);
    }
    Discard(indicator_);
    indicator_ = nullptr;
    NoteFurniture();
    return;
  }
  const TViewPoint& content = manager_->GetStoredSize();
  const int32_t x = FurnitureLeft();
  int32_t y = content.v - BarHeight() - 2;
  int32_t width = kIndicatorInRowWidth;
  int32_t rule = TWrappedWindow::kRuleStored;
  if (!sharesRow) {
    rule = TWrappedWindow::kRuleFollow;
    if (hScrollBar_) y -= BarHeight() + 2;
    width = vScrollBar_ ? content.h - x - (BarWidth() + 1) : content.h - x - 2;
  }
  auto indicator = std::make_unique<TFrameIndic>();
  indicator->Init(&document_, manager_, TViewPoint{x, y}, width, rule, mainView_, nullptr);
  indicator->SetRunMode(world_.GetRunState());
  indicator->SetFrames(world_.CurrentFrame(), static_cast<int16_t>(world_.FirstHeldFrame()),
                       static_cast<int16_t>(world_.LastFrame()));
  indicator->SetFrameHandler([this](int16_t frame) {
    world_.ShowFrame(frame, 0);
    if (mainView_) mainView_->UpdateNow();
  });
  indicator_ = indicator.release();
  if (sharesRow) {
    hScrollBar_->MoveTopLeft(width - 1, 0, true);
  } else {
    mainView_->GrowBy(0, -room, true);
    if (vRuler_) vRuler_->GrowBy(0, -room, true);
    if (coords_) coords_->OffsetBy(0, -room, true);
    if (hRuler_) hRuler_->OffsetBy(0, -room, true);
  }
  indicator_->Show(true, true);
  NoteFurniture();
}

void TWorldWindow::SetIndicatorInRow(bool inRow) {
  if (inRow == indicatorInRow_) return;
  const bool shown = indicator_ != nullptr;
  ShowFrameIndicator(false);
  indicatorInRow_ = inRow;
  if (shown) ShowFrameIndicator(true);
}

void TWorldWindow::RunStateChanged(int32_t state) {
  if (indicator_) indicator_->SetRunMode(state);
  if (mainView_) mainView_->WorldRunStateChanged(state);
}

void TWorldWindow::ShowCoordsBar(bool show) {
  if (!mainView_ || !manager_ || show == (coords_ != nullptr)) return;
  if (!show) {
    const int32_t room = coords_->GetStoredSize().v + 1;
    mainView_->GrowBy(0, room, true);
    if (vRuler_) vRuler_->GrowBy(0, room, true);
    if (hRuler_) hRuler_->OffsetBy(0, room, true);
    Discard(coords_);
    coords_ = nullptr;
    NoteFurniture();
    return;
  }
  const int32_t width =
      mainView_->GetStoredSize().h + (vRuler_ ? vRuler_->GetStoredSize().h : 0);
  auto bar = std::make_unique<TCoordsView>();
  bar->Init(&document_, manager_, width + 1, mainView_, nullptr,
            dynamic_cast<TWorldUnitHandler*>(world_.GetUnitHandler()), &world_);
  bar->SetPointToWorld([this](const MacPoint& point) {
    return mainView_ ? mainView_->ViewToWorld(point) : TVector();
  });
  coords_ = bar.release();
  const int32_t room = coords_->GetStoredSize().v + 1;
  mainView_->GrowBy(0, -room, true);
  if (vRuler_) vRuler_->GrowBy(0, -room, true);
  if (hRuler_) hRuler_->OffsetBy(0, -room, true);
  const int32_t h = (vRuler_ ? vRuler_->GetLocation().h : mainView_->GetLocation().h) - 1;
  const int32_t v = hRuler_ ? hRuler_->GetLocation().v + hRuler_->GetStoredSize().v
                            : mainView_->GetLocation().v + mainView_->GetStoredSize().v;
  coords_->MoveTo(h, v, true);
  coords_->SetSelection(&world_.Selection());
  coords_->Show(true, true);
  NoteFurniture();
}

void TWorldWindow::ShowHelpLine(bool show) {
  if (!mainView_ || !manager_ || show == (helpLine_ != nullptr)) return;
  // The views that reach the window's top: they give the line their upper rows.
  const auto makeRoom = [this](int32_t rows) {
    mainView_->MoveTopLeft(0, rows, true);
    if (vRuler_) vRuler_->MoveTopLeft(0, rows, true);
    if (vScrollBar_) vScrollBar_->MoveTopLeft(0, rows, true);
  };
  if (!show) {
    const TViewPoint at = helpLine_->GetLocation();
    const TViewPoint size = helpLine_->GetStoredSize();
    makeRoom(-size.v);
    Discard(helpLine_);
    helpLine_ = nullptr;
    // The line's rows beside the bar, which no view takes back, are drawn afresh.
    manager_->InvalidateDeep(MacRect(static_cast<int16_t>(at.h), static_cast<int16_t>(at.v),
                                     static_cast<int16_t>(at.h + size.h),
                                     static_cast<int16_t>(at.v + size.v)));
    mainView_->RecomputeWorldExtent();
    return;
  }
  std::unique_ptr<TCommandHelpLine> line(MakeCommandHelpLine());
  if (!line) return;
  line->Init(&document_, manager_, TViewPoint{0, 0}, manager_->GetStoredSize().h);
  helpLine_ = line.release();
  makeRoom(helpLine_->GetStoredSize().v);
  helpLine_->Activate(mainView_->IsActive());
  helpLine_->Show(true, true);
  mainView_->RecomputeWorldExtent();
}

void TWorldWindow::ShowFramePalettes(bool show) { ::ShowFramePalettes(show); }

void TWorldWindow::ShowStatusBar(bool show) {
  if (!mainView_) return;
  // The in-place frame keeps its bars to itself.
  auto* frame = dynamic_cast<CMDIFrameWnd*>(GetMainFrame());
  if (!frame || !frame->m_hWnd) return;
  CWnd* bar = frame->GetDlgItem(AFX_IDW_STATUS_BAR);
  if (!bar || !bar->m_hWnd) return;
  bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
  frame->RecalcLayout();
}
