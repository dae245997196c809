// Bodies, points and lines sketched end to end in a world's window: each tool chosen from the
// Tools menu, the mouse only synthetic messages through the program's event loop, the result
// checked in the world, in the window's pixels, in the saved and reopened document and in a run.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "inout/gadgets/TextGadget.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldParticipants.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/app/SketchFixture.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "views/trackers/LiveUpdate.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

constexpr int16_t kCircleTool = 2500;
constexpr int16_t kRectangleTool = 2503;
constexpr int16_t kPolygonTool = 2511;
constexpr int16_t kCurvedPolygonTool = 2557;
constexpr int16_t kPointTool = 2505;
constexpr int16_t kAnchorTool = 2534;
constexpr int16_t kLineTool = 2549;
constexpr int16_t kVertexEditing = 2012;

// Told every frame shown; stops the run at frame 10.
class TFrameWatcher : public TLink, public TFrameParticipant {
 public:
  explicit TFrameWatcher(TWorldDoc& world) : world_(world) {}
  void FrameChanged(int16_t frame, int16_t, int16_t) override {
    if (frame >= 10) world_.StopRunning();
  }

 private:
  TWorldDoc& world_;
};

class SketchToolsTest : public SketchFixture {};

TEST_F(SketchToolsTest, ARectangleIsDraggedOutFromTheToolsMenu) {
  const size_t before = world_->Objects().size();
  Command(kRectangleTool);
  EXPECT_EQ(world_->GetCurrentTool(), kRectangleTool);
  // The world's grid is a metre.
  Drag({{0.5, 0.5}, {1.0, 0.8}, {2.4, 1.6}});
  ASSERT_EQ(world_->Objects().size(), before + 1);
  auto* rectangle = Newest<TRectangle>();
  ASSERT_NE(rectangle, nullptr);
  EXPECT_NEAR(rectangle->GetSize().x, 2.0, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1.0, 1e-9);
  EXPECT_TRUE(InkNear(On(0.5, 1.0)));
  EXPECT_TRUE(InkNear(On(2.5, 1.0)));
  EXPECT_FALSE(InkNear(On(2.8, 1.0)));
}

// The text tool: a drag gives a new block of text its place and width, and the block is typed
// into at once; the text typed is its text once another command comes.
TEST_F(SketchToolsTest, ATextIsDraggedOutFromTheToolsMenuAndTypedInto) {
  const size_t before = world_->Objects().size();
  Command(kTextTool);
  EXPECT_EQ(world_->GetCurrentTool(), kTextTool);
  ASSERT_NE(world_->GetToolTracker(), nullptr);
  // 4 metres are 200 pixels. The live-update flag is clear while the text is dragged into
  // place, and set again once it is placed.
  std::vector<uint16_t> live;
  const POINT middle = Screen(On(0.0, 2.0));
  const POINT end = Screen(On(2.0, 2.0));
  Gesture(On(-2.0, 2.0),
          {[&live, middle] {
             live.push_back(GetLiveUpdate());
             InjectMouseMove(middle);
           },
           [&live, end] {
             live.push_back(GetLiveUpdate());
             InjectMouseMove(end);
           },
           [end] { InjectMouseButton(MouseButton::kLeft, false, end); }});
  EXPECT_EQ(live, (std::vector<uint16_t>{0, 0}));
  EXPECT_EQ(GetLiveUpdate(), 1);
  ASSERT_EQ(world_->Objects().size(), before + 1);
  auto* text = dynamic_cast<TTextGadget*>(world_->Objects().back());
  ASSERT_NE(text, nullptr);
  const MacPoint press = On(-2.0, 2.0);
  EXPECT_EQ(text->GetPosition(),
            MacPoint(static_cast<int16_t>(press.h - 4),
                     static_cast<int16_t>(press.v - 2 - text->GetAscent())));
  EXPECT_EQ(text->GetSize().h, 204);
  EXPECT_GE(text->GetSize().v, text->GetLineHeight() + 10);
  ASSERT_TRUE(text->IsEditing());
  ASSERT_NE(view_->LiveGadgetTextField(), nullptr);
  RunLoop({[] { InjectCharacter('H'); }, [] { InjectCharacter('i'); }, [] {}});
  Command(1006);  // redraw
  EXPECT_FALSE(text->IsEditing());
  EXPECT_EQ(text->GetText(), "Hi");
  // A drag no wider than 100 pixels still gives 100.
  Command(kTextTool);
  Drag({{-2.0, -2.0}, {-1.0, -2.0}});
  auto* narrow = dynamic_cast<TTextGadget*>(world_->Objects().back());
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(narrow->GetSize().h, 100);
}

// Every tool item of the Tools menu shows its tool's picture, and a picture of its own while it is
// the tool in use: the rectangle's is a rectangle's outline on the menu's face.
TEST_F(SketchToolsTest, ToolItemsShowTheirToolsPictures) {
  const HMENU bar = GetMenu(main_->m_hWnd);
  ASSERT_NE(bar, nullptr);
  for (UINT tool : {2000u, 2003u, 2012u, 2503u, 2500u, 2511u, 2505u, 2534u, 2549u, 2524u, 2509u,
                    2552u, 2546u, 2513u, 2506u, 2507u, 2537u}) {
    void* plain = nullptr;
    void* chosen = nullptr;
    ASSERT_TRUE(GetMenuItemBitmaps(bar, tool, MF_BYCOMMAND, &plain, &chosen)) << tool;
    EXPECT_NE(plain, nullptr) << tool;
    EXPECT_NE(chosen, nullptr) << tool;
    EXPECT_NE(plain, chosen) << tool;
  }
  void* plain = nullptr;
  ASSERT_TRUE(GetMenuItemBitmaps(bar, kRectangleTool, MF_BYCOMMAND, &plain, nullptr));
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, static_cast<HBITMAP>(plain));
  EXPECT_EQ(GetPixel(dc, 1, 4), RGB(0, 0, 0));    // the outline's top-left corner
  EXPECT_EQ(GetPixel(dc, 14, 11), RGB(0, 0, 0));  // and its bottom-right one
  EXPECT_EQ(GetPixel(dc, 7, 7), RGB(0xF0, 0xF0, 0xF0));
  SelectObject(dc, old);
  DeleteDC(dc);
  // Commands outside the tools have no picture.
  void* none = nullptr;
  GetMenuItemBitmaps(bar, kCmdRun, MF_BYCOMMAND, &none, nullptr);
  EXPECT_EQ(none, nullptr);
}

// A selected line's end handle is dragged with the selection tool: that end follows the mouse,
// the other stays, the window shows the line at its new end, and undo brings the end back.
TEST_F(SketchToolsTest, ALinesEndHandleDragsThatEndAlone) {
  world_->SetAngleSnap(0);
  Command(kLineTool);
  Drag({{-1, 1}, {0, 1.2}, {1, 1}});
  TLine* line = Newest<TLine>();
  ASSERT_NE(line, nullptr);
  const TVector first = line->GetEndPoint1();
  const TVector second = line->GetEndPoint2();
  ASSERT_NEAR(second.x, 1, 0.03);

  Command(TWorldBase::kSelectionTool);
  ClickAt(0, (first.y + second.y) / 2.0);
  ASSERT_EQ(world_->Selection().size(), 1u);
  ASSERT_EQ(world_->Selection().front(), line);
  EXPECT_FALSE(InkNear(On(1.5, -1.5)));
  // Pressed on the second end and dragged down to the right.
  Drag({second, {1.2, 0}, {1.5, -1.5}});
  EXPECT_NEAR(line->GetEndPoint2().x, 1.5, 0.03);
  EXPECT_NEAR(line->GetEndPoint2().y, -1.5, 0.03);
  EXPECT_DOUBLE_EQ(line->GetEndPoint1().x, first.x);
  EXPECT_DOUBLE_EQ(line->GetEndPoint1().y, first.y);
  EXPECT_TRUE(InkNear(On(1.5, -1.5)));
  EXPECT_TRUE(InkNear(On((first.x + 1.5) / 2.0, (first.y - 1.5) / 2.0)));

  // The first end is dragged the same way; the second stays where it went.
  Drag({first, {-1.5, 0.5}, {-2, 0}});
  EXPECT_NEAR(line->GetEndPoint1().x, -2, 0.03);
  EXPECT_NEAR(line->GetEndPoint1().y, 0, 0.03);
  EXPECT_NEAR(line->GetEndPoint2().x, 1.5, 0.03);

  // Undo takes the last drag back.
  app_->Commands().UndoOrRedoLast();
  Pump();
  EXPECT_NEAR(line->GetEndPoint1().x, first.x, 1e-9);
  EXPECT_NEAR(line->GetEndPoint1().y, first.y, 1e-9);
  EXPECT_NEAR(line->GetEndPoint2().x, 1.5, 0.03);
}

TEST_F(SketchToolsTest, EveryKindIsSketchedEditedSavedReopenedAndRun) {
  // The fine grid of the main view (a thirty-second of a metre here) instead of the coarse one,
  // so that points and vertices go where they are dropped. The shapes are dragged by whole
  // grid steps.
  world_->SetAngleSnap(0);
  // A rectangle, 2 by 1.
  Command(kRectangleTool);
  Drag({{0.5, 0.5}, {2.5, 1.5}});
  TRectangle* rectangle = Newest<TRectangle>();
  ASSERT_NE(rectangle, nullptr);
  EXPECT_NEAR(rectangle->GetSize().x, 2, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1, 1e-9);

  // A circle: the shorter side of the drag.
  Command(kCircleTool);
  Drag({{-2, 0.5}, {-2.6, 1.2}, {-4, 3}});
  TOval* circle = Newest<TOval>();
  ASSERT_NE(circle, nullptr);
  EXPECT_NEAR(circle->GetSize().x, 2, 1e-9);
  EXPECT_NEAR(circle->GetPositionValues().x, -3, 1e-9);
  EXPECT_NEAR(circle->GetPositionValues().y, 1.5, 1e-9);

  // A polygon and a curved polygon, click by click.
  Command(kPolygonTool);
  ClickByClick({{-3, -1}, {-1, -1}, {-2, -2.5}});
  TPolygon* polygon = Newest<TPolygon>();
  ASSERT_NE(polygon, nullptr);
  ASSERT_EQ(polygon->GetVertices()->GetCount(), 3);
  Command(kCurvedPolygonTool);
  ClickByClick({{1, -1}, {3, -1}, {3, -2.5}, {1, -2.5}});
  auto* curved = dynamic_cast<TCurvPoly*>(Newest<TPolygon>());
  ASSERT_NE(curved, nullptr);
  EXPECT_TRUE(curved->IsCurved());
  EXPECT_EQ(curved->GetVertices()->GetCount(), 4);

  // A point on the rectangle, an anchor on the circle, a line.
  Command(kPointTool);
  ClickAt(2.0, 1.2);
  TPoint* point = Newest<TPoint>();
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetBody(), rectangle);
  // A second point near the rectangle's top-left corner: the snapper puts it on the corner.
  ClickAt(0.52, 1.48);
  TPoint* cornerPoint = Newest<TPoint>();
  ASSERT_NE(cornerPoint, point);
  EXPECT_EQ(cornerPoint->GetBody(), rectangle);
  EXPECT_NEAR(cornerPoint->GetWorldXY().x, 0.5, 1e-9);
  EXPECT_NEAR(cornerPoint->GetWorldXY().y, 1.5, 1e-9);
  Command(kAnchorTool);
  ClickAt(-3, 1.5);
  TAnchor* anchor = Newest<TAnchor>();
  ASSERT_NE(anchor, nullptr);
  EXPECT_EQ(anchor->GetBody(), circle);
  EXPECT_TRUE(circle->IsAnchored());
  Command(kLineTool);
  Drag({{-1, 2.5}, {0, 2.6}, {1, 2.8}});
  TLine* line = Newest<TLine>();
  ASSERT_NE(line, nullptr);
  EXPECT_NEAR(line->GetEndPoint2().x, 1, 0.03);

  // Vertex editing: a press on the middle of the polygon's first edge inserts a vertex there
  // that follows the drag.
  Command(kVertexEditing);
  Drag({{-2, -1}, {-2, -0.6}, {-2, -0.3}});
  ASSERT_EQ(polygon->GetVertices()->GetCount(), 4);
  TVector inserted;
  ASSERT_TRUE(polygon->GetVertex(2, inserted));
  polygon->LocalToWorld(inserted);
  EXPECT_NEAR(inserted.x, -2, 0.03);
  EXPECT_NEAR(inserted.y, -0.3, 0.03);

  // With the selection tool, the selected rectangle's top-right handle stretches it from its
  // bottom-left corner, and the points on it stay where they are in the world.
  Command(TWorldBase::kSelectionTool);
  ClickAt(1.5, 1.0);
  ASSERT_EQ(world_->Selection().size(), 1u);
  const TVector pointAt = point->GetWorldXY();
  Drag({{2.5, 1.5}, {3.0, 1.5}, {3.5, 1.5}});
  EXPECT_NEAR(rectangle->GetSize().x, 3, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1, 1e-9);
  EXPECT_NEAR(rectangle->GetPositionValues().x, 2, 1e-9);
  EXPECT_NEAR(point->GetWorldXY().x, pointAt.x, 1e-9);
  EXPECT_NEAR(point->GetWorldXY().y, pointAt.y, 1e-9);

  // The window shows them all.
  EXPECT_TRUE(InkNear(On(0.5, 1.0)));   // the rectangle's left side
  EXPECT_TRUE(InkNear(On(3.5, 1.0)));   // and its right side, stretched
  EXPECT_TRUE(InkNear(On(-4, 1.5)));    // the circle's left rim
  EXPECT_TRUE(InkNear(On(-3, -1)));     // a polygon vertex
  EXPECT_TRUE(InkNear(On(-2, -0.3)));   // the inserted vertex
  EXPECT_TRUE(InkNear(On(2, 1.2)));     // the point
  EXPECT_FALSE(InkNear(On(-2, -0.9)));  // where the polygon's edge was

  // Saved and reopened, with the attachments.
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  TWorldDoc& again = reopened.World();
  auto* pointAgain = dynamic_cast<TPoint*>(again.FindObject(point->GetIdentifier()));
  ASSERT_NE(pointAgain, nullptr);
  ASSERT_NE(pointAgain->GetBody(), nullptr);
  EXPECT_EQ(pointAgain->GetBody()->GetIdentifier(), rectangle->GetIdentifier());
  auto* cornerAgain = dynamic_cast<TPoint*>(again.FindObject(cornerPoint->GetIdentifier()));
  ASSERT_NE(cornerAgain, nullptr);
  EXPECT_NEAR(cornerAgain->GetLocalXY().x, cornerPoint->GetLocalXY().x, 1e-12);
  EXPECT_NEAR(cornerAgain->GetLocalXY().y, cornerPoint->GetLocalXY().y, 1e-12);
  auto* anchorAgain = dynamic_cast<TAnchor*>(again.FindObject(anchor->GetIdentifier()));
  ASSERT_NE(anchorAgain, nullptr);
  EXPECT_EQ(anchorAgain->GetBody()->GetIdentifier(), circle->GetIdentifier());
  auto* polygonAgain = dynamic_cast<TPolygon*>(again.FindObject(polygon->GetIdentifier()));
  ASSERT_NE(polygonAgain, nullptr);
  EXPECT_EQ(polygonAgain->GetVertices()->GetCount(), 4);
  auto* curvedAgain = dynamic_cast<TCurvPoly*>(again.FindObject(curved->GetIdentifier()));
  ASSERT_NE(curvedAgain, nullptr);
  EXPECT_TRUE(curvedAgain->IsCurved());

  // Run: the anchored circle stays where it is.
  const TVector3 circleAt = circle->GetPositionValues();
  TFrameWatcher watcher(*world_);
  world_->UpdateViewObject(&watcher, 1);
  Command(kCmdRun);
  world_->UpdateViewObject(&watcher, 0);
  ASSERT_NE(world_->GetStore(), nullptr);
  EXPECT_EQ(world_->CurrentFrame(), 10);
  const TVector3 circleNow = circle->GetPositionValues();
  EXPECT_NEAR(circleNow.x, circleAt.x, 1e-9);
  EXPECT_NEAR(circleNow.y, circleAt.y, 1e-9);
}

}  // namespace
