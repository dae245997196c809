// The main world view's layers over a world of two filled boxes: what each run state puts into
// the background picture, the display picture and the window, the overlay and the selection on
// the screen while playing back, objects stamped into the background while a run leaves tracks,
// the reference crosshair, a body redrawn through the pictures at once, and hits topmost first.

#include <memory>
#include <utility>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/lines/Line.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/world/MainWorldView.h"

namespace view_test {
namespace {

using namespace body_tags;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);

// A world whose objects leave tracks while it runs.
class TTrackingView : public TMainWorldView {
 protected:
  bool WorldDrawsTracks() const override { return true; }
};

class WorldLayerPassesTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    world_ = std::make_unique<TWorldDoc>();
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_->AdoptObject(std::move(snapper));
    world_->Scale().SetConstant(100.0);
    ground_ = &Add<TZeroMass>(0);
    red_ = &AddBox(1, 0.0, 0.0, kRed);
    blue_ = &AddBox(2, 1.0, 0.0, kBlue);
    manager_ = OpenManager();
  }
  void TearDown() override {
    ResetWindowSystem();
    world_.reset();
    OffScreenTest::TearDown();
  }
  template <class T>
  T& Add(int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world_->AdoptObject(std::move(object));
    return added;
  }
  // A box 0.4 m wide filled in the colour, its centre at (x, y).
  TRectangle& AddBox(int16_t identifier, double x, double y, COLORREF colour) {
    TRectangle& box = Add<TRectangle>(identifier);
    box.SetNumberProperty(kTagWidth, 0.4);
    box.SetNumberProperty(kTagHeight, 0.4);
    box.SetShortProperty(kTagFillPattern, 1);
    box.SetColourProperty(kTagFillColour, ColorRefToRGB16(colour));
    box.SetPlacement(TVector3(x, y, 0.0));
    return box;
  }
  void Open(TMainWorldView* view) {
    view_ = view;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 300}, world_.get());
    Redraw();
  }
  void Redraw() {
    view_->InvalidateAllDeep();
    manager_->DrawNow();
  }
  MacPoint Centre(TThing& box) {
    TVector position;
    box.GetPosition(position);
    return view_->WorldToView(position);
  }
  // A pixel of the background picture (0) or the display picture (1).
  COLORREF InPicture(int16_t which, const MacPoint& point) {
    HDC dc = nullptr;
    manager_->GetBufferInfo(which, &dc, nullptr, nullptr, nullptr);
    return GetPixel(dc, point.h, point.v) & 0xFFFFFF;
  }
  // The display picture's pixels, row by row.
  std::vector<uint32_t> DisplayPixels() {
    HBITMAP bitmap = nullptr;
    int16_t width = 0;
    int16_t height = 0;
    manager_->GetBufferInfo(1, nullptr, &bitmap, &width, &height);
    const GdiBitmap* picture = LookupBitmap(bitmap);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; picture && y < height; ++y) {
      for (int32_t x = 0; x < width; ++x)
        pixels.push_back(picture->Row(y)[x] & 0xFFFFFF);
    }
    return pixels;
  }
  // The painting calls the display picture received since the last time this was asked.
  int64_t DisplayPaints() {
    HDC dc = nullptr;
    manager_->GetBufferInfo(1, &dc, nullptr, nullptr, nullptr);
    DrawWork& work = LookupDC(dc)->work;
    return std::exchange(work.paints, 0);
  }
  COLORREF OnWindow(const MacPoint& point) {
    RECT inner;
    RECT outer;
    GetWindowRect(manager_->GetWindowHandle(), &inner);
    GetWindowRect(host_->m_hWnd, &outer);
    return At(inner.left - outer.left + point.h, inner.top - outer.top + point.v);
  }

  std::unique_ptr<TWorldDoc> world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TZeroMass* ground_ = nullptr;
  TRectangle* red_ = nullptr;
  TRectangle* blue_ = nullptr;
};

TEST_F(WorldLayerPassesTest, EachRunStateFillsThePicturesItsOwnWay) {
  Open(new TMainWorldView);
  const MacPoint red = Centre(*red_);
  ASSERT_EQ(red, MacPoint(200, 150));
  // Editing: the shapes lie in the background and the full picture over them.
  EXPECT_EQ(InPicture(0, red), kRed);
  EXPECT_EQ(InPicture(1, red), kRed);
  EXPECT_EQ(OnWindow(red), kRed);
  EXPECT_EQ(OnWindow(MacPoint(250, 150)), kWhite);
  // A selected body shows its handles in the display picture only.
  world_->Select(red_);
  Redraw();
  const MacPoint corner(178, 128);  // beside the corner, inside its handle
  EXPECT_EQ(InPicture(0, corner), kWhite);
  EXPECT_NE(InPicture(1, corner), kWhite);
  world_->DeselectAll();

  // Running: the background holds nothing of the objects; the display every one of them.
  view_->SetRunState(TMainWorldView::kRunning);
  Redraw();
  EXPECT_EQ(InPicture(0, red), kWhite);
  EXPECT_EQ(InPicture(1, red), kRed);
  EXPECT_EQ(OnWindow(Centre(*blue_)), kBlue);

  // Playing back: the display shows the objects at the frame as well.
  view_->SetRunState(TMainWorldView::kReplaying);
  red_->SetPlacement(TVector3(0.0, 1.0, 0.0));
  view_->UpdateObjectTransforms();
  view_->InvalidateForeground();
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(Centre(*red_)), kRed);
  EXPECT_EQ(OnWindow(red), kWhite);
}

TEST_F(WorldLayerPassesTest, PlayingBackTheSelectionOrTheOverlayIsDrawnOnTheScreen) {
  Open(new TMainWorldView);
  view_->SetRunState(TMainWorldView::kReplaying);
  world_->Select(red_);
  Redraw();
  const MacPoint red = Centre(*red_);
  const MacPoint blue = Centre(*blue_);
  // Both change colour after the display picture was made; only the screen is drawn again.
  red_->SetColourProperty(kTagFillColour, ColorRefToRGB16(kBlue));
  blue_->SetColourProperty(kTagFillColour, ColorRefToRGB16(kRed));
  const MacRect all(0, 0, 400, 300);
  view_->InvalidateRectOnScreen(all);
  manager_->DrawNow();
  EXPECT_EQ(InPicture(1, red), kRed);
  EXPECT_EQ(OnWindow(red), kBlue);   // selected: drawn on the screen
  EXPECT_EQ(OnWindow(blue), kBlue);  // not selected: the picture's

  // With an overlay, the overlay is drawn in the selection's place.
  view_->SetOverlayList({blue_});
  view_->InvalidateRectOnScreen(all);
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(red), kRed);
  EXPECT_EQ(OnWindow(blue), kRed);

  // An overlay object that leaves the world is no longer drawn, on the screen or in the
  // picture; nor is it found by a press.
  view_->SetPriorityList({blue_});
  world_->RemoveObject(blue_);
  view_->InvalidateRectOnScreen(all);
  view_->SetRunState(TMainWorldView::kRunning);
  Redraw();
  EXPECT_EQ(OnWindow(blue), kWhite);
  EXPECT_EQ(view_->FindObjectAt(blue), nullptr);
}

TEST_F(WorldLayerPassesTest,
       ARunThatLeavesTracksStampsTheObjectsBeforeTheSelectionIntoTheBackground) {
  Open(new TTrackingView);
  world_->Select(blue_);
  view_->SetRunState(TMainWorldView::kRunning);
  view_->InvalidateBackground();
  Redraw();
  EXPECT_EQ(view_->GetLastDrawnObject(), red_);
  EXPECT_EQ(InPicture(0, Centre(*red_)), kRed);
  EXPECT_EQ(InPicture(0, Centre(*blue_)), kWhite);
  EXPECT_EQ(OnWindow(Centre(*blue_)), kBlue);
  // The next frame draws only what comes after the stamped objects: the red box stays where it
  // was stamped, the selected blue one moves.
  const MacPoint redWas = Centre(*red_);
  const MacPoint blueWas = Centre(*blue_);
  red_->SetPlacement(TVector3(0.0, 1.0, 0.0));
  blue_->SetPlacement(TVector3(1.0, 1.0, 0.0));
  view_->UpdateObjectTransforms();
  view_->InvalidateForeground();
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(redWas), kRed);
  EXPECT_EQ(OnWindow(Centre(*red_)), kWhite);
  EXPECT_EQ(OnWindow(Centre(*blue_)), kBlue);
  EXPECT_EQ(OnWindow(blueWas), kWhite);
}

TEST_F(WorldLayerPassesTest, TheReferenceCrosshairCrossesTheRectangleAndItsIconSitsOnThePoint) {
  Open(new TMainWorldView);
  const MacPoint red = Centre(*red_);
  const MacPoint far(10, static_cast<int16_t>(red.v + 60));
  const auto icon = [&] {
    std::vector<COLORREF> pixels;
    for (int16_t v = -16; v < 16; ++v)
      for (int16_t h = -16; h < 16; ++h)
        pixels.push_back(OnWindow(MacPoint(static_cast<int16_t>(Centre(*red_).h + h),
                                           static_cast<int16_t>(Centre(*red_).v + v))));
    return pixels;
  };
  EXPECT_EQ(OnWindow(MacPoint(10, red.v)), kWhite);
  view_->SetReference(red_, 1, 0);
  manager_->DrawNow();
  EXPECT_NE(OnWindow(MacPoint(10, red.v)), kWhite);
  EXPECT_NE(OnWindow(MacPoint(red.h, 5)), kWhite);
  EXPECT_EQ(OnWindow(far), kWhite);
  EXPECT_EQ(OnWindow(MacPoint(10, static_cast<int16_t>(red.v + 1))), kWhite);

  // The icon alone, over the reference's own body.
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  red_->SetPlacement(TVector3(0.6, 0.0, 0.0));
  view_->UpdateObjectTransforms();
  view_->SetReference(red_, 0, 0);
  Redraw();
  const std::vector<COLORREF> bare = icon();
  view_->SetReference(red_, 0, 1);
  manager_->DrawNow();
  EXPECT_NE(icon(), bare);
  EXPECT_EQ(OnWindow(MacPoint(10, Centre(*red_).v)), kWhite);
  FreeResourceLibrary(GetResourceModule1());
  SetResourceModule1(nullptr);
}

TEST_F(WorldLayerPassesTest, ABodyRedrawnWhileDraggedShowsAtOnceAndItsOldPlaceClearsWithTheUpdate) {
  Open(new TMainWorldView);
  const MacPoint was = Centre(*red_);
  view_->RedrawObject(red_, 1, false);
  red_->SetPlacement(TVector3(0.0, -1.0, 0.0));
  view_->UpdateObjectTransforms();
  view_->RedrawObject(red_, 1, false);
  const MacPoint is = Centre(*red_);
  // On the window before any painting.
  EXPECT_EQ(OnWindow(is), kRed);
  EXPECT_EQ(InPicture(1, is), kRed);
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(was), kWhite);
  EXPECT_EQ(OnWindow(is), kRed);
  // Released, it lies in the background too.
  view_->RedrawObject(red_, TMainWorldView::kPhaseRelease, false);
  EXPECT_EQ(InPicture(0, is), kRed);
}

TEST_F(WorldLayerPassesTest, AFullRedrawWhileEditingShowsWhatTheObjectsDrawnOverTheBackgroundShow) {
  // Three boxes each over the one before, the middle one selected with its handles.
  blue_->SetPlacement(TVector3(0.3, 0.0, 0.0));
  AddBox(3, 0.55, 0.0, RGB(0, 150, 0));
  world_->Select(blue_);
  Open(new TMainWorldView);
  DisplayPaints();
  Redraw();
  const std::vector<uint32_t> full = DisplayPixels();
  const int64_t fullPaints = DisplayPaints();
  // The objects alone drawn again over the background as it stands: every one of them.
  view_->InvalidateForeground();
  manager_->DrawNow();
  EXPECT_EQ(DisplayPixels(), full);
  // The full redraw left the objects ahead of the selection as the background copy held them.
  EXPECT_LT(fullPaints, DisplayPaints());

  // A box changed with the objects' layer alone stale shows its change over the old background.
  red_->SetColourProperty(kTagFillColour, ColorRefToRGB16(kBlue));
  view_->InvalidateForeground();
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(view_->WorldToView(TVector(-0.1, 0.0))), kBlue);
}

TEST_F(WorldLayerPassesTest, HitsFindTheTopmostObjectAndHandlesOnlyOnTheSelection) {
  Open(new TMainWorldView);
  blue_->SetPlacement(TVector3(0.1, 0.0, 0.0));
  view_->UpdateObjectTransforms();
  const MacPoint both = view_->WorldToView(TVector(0.05, 0.0));
  EXPECT_EQ(view_->FindObjectAt(both), blue_);  // the later one lies on top
  EXPECT_EQ(view_->FindObjectAt(both, false), nullptr);
  EXPECT_EQ(view_->FindObjectAt(MacPoint(20, 20)), nullptr);  // the ground answers no press

  // While a highlight is shown the priority list is asked first.
  view_->SetPriorityList({red_});
  EXPECT_EQ(view_->FindObjectAt(both), blue_);
  world_->Select(blue_);
  EXPECT_EQ(view_->FindObjectAt(both), red_);

  int32_t handle = -1;
  const MacPoint redCorner = view_->WorldToView(TVector(-0.2, 0.2));
  EXPECT_EQ(view_->FindHandleHit(redCorner, handle), nullptr);
  const MacPoint blueCorner = view_->WorldToView(TVector(0.3, 0.2));
  EXPECT_EQ(view_->FindHandleHit(blueCorner, handle), blue_);
}

TEST_F(WorldLayerPassesTest, DamageFarFromAnObjectLeavesItOutButTheGroundsAxesCrossIt) {
  ground_->SetShowAxes(1);
  Open(new TMainWorldView);
  const COLORREF axis = RGB16ToColorRef(kAxisColour);
  // The x axis runs through the origin, under the red box: far from it, on the left.
  const MacPoint onAxis(20, 150);
  ASSERT_EQ(OnWindow(onAxis), axis);
  // A box changed far from the damage keeps its old picture; the axis is drawn again.
  blue_->SetColourProperty(kTagFillColour, ColorRefToRGB16(kRed));
  view_->InvalidateWorldRect(MacRect(10, 140, 30, 160));
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(onAxis), axis);
  EXPECT_EQ(InPicture(0, onAxis), axis);
  EXPECT_EQ(OnWindow(Centre(*blue_)), kBlue);
}

TEST_F(WorldLayerPassesTest, TheActiveHighlightIsDrawnInXorOverTheSelectionAndTakenBackExactly) {
  Open(new TMainWorldView);
  const auto around = [&] {
    std::vector<COLORREF> pixels;
    for (int16_t v = 120; v < 185; ++v)
      for (int16_t h = 170; h < 235; ++h)
        pixels.push_back(OnWindow(MacPoint(h, v)));
    return pixels;
  };
  const std::vector<COLORREF> plain = around();
  // Nothing is selected: nothing to highlight.
  view_->HighlightChanged(TWrappedWindow::kHighlightInactive, TWrappedWindow::kHighlightActive);
  EXPECT_EQ(around(), plain);
  world_->Select(red_);
  view_->HighlightChanged(TWrappedWindow::kHighlightInactive, TWrappedWindow::kHighlightActive);
  const std::vector<COLORREF> shown = around();
  EXPECT_NE(shown, plain);
  // Changes that neither leave nor reach the active state draw nothing.
  view_->HighlightChanged(TWrappedWindow::kHighlightNew, TWrappedWindow::kHighlightInactive);
  EXPECT_EQ(around(), shown);
  view_->HighlightChanged(TWrappedWindow::kHighlightActive, TWrappedWindow::kHighlightInactive);
  EXPECT_EQ(around(), plain);
  // Running, the highlight is left alone.
  view_->SetRunState(TMainWorldView::kRunning);
  view_->HighlightChanged(TWrappedWindow::kHighlightInactive, TWrappedWindow::kHighlightActive);
  EXPECT_EQ(around(), plain);
}

TEST_F(WorldLayerPassesTest, ALineIsRedrawnWholeWhenItMovesAndFollowsTheZoom) {
  Add<TLineHandler>(9);
  TLine& line = Add<TLine>(10);
  line.SetEndPoint1(TVector(-1.5, -1.0), 0);
  line.SetEndPoint2(TVector(1.5, -1.0), 0);
  line.FindHandler();
  Open(new TMainWorldView);
  const COLORREF black = RGB(0, 0, 0);
  const MacPoint farEnd(70, 250);  // 1.3 m left of the line's middle
  ASSERT_EQ(OnWindow(farEnd), black);
  EXPECT_EQ(view_->FindObjectAt(farEnd), &line);
  // Moved down by redrawing it where it was and where it is, its far part follows too.
  view_->RedrawObject(&line, 0, false);
  line.SetEndPoint1(TVector(-1.5, -1.1), 0);
  line.SetEndPoint2(TVector(1.5, -1.1), 0);
  view_->UpdateObjectTransforms();
  view_->RedrawObject(&line, 0, false);
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(farEnd), kWhite);
  EXPECT_EQ(OnWindow(MacPoint(70, 260)), black);
  line.SetEndPoint1(TVector(-1.5, -1.0), 0);
  line.SetEndPoint2(TVector(1.5, -1.0), 0);
  Redraw();
  // Zoomed out about the view's centre, the line comes to half its distance from it.
  view_->ZoomAboutPoint(TVector(200, -150), 0.5);
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(MacPoint(135, 200)), black);
  EXPECT_EQ(OnWindow(farEnd), kWhite);
}

}  // namespace
}  // namespace view_test
