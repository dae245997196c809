// The hot-point snapper in a world of stand-in objects and a view that maps 10 pixels to a
// world unit around the window point (100, 100) and draws into a white bitmap.

#include "views/world/HotPointSnapper.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/lines/Line.h"
#include "constraints/Constraint.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MenuSetup.h"
#include "model/Formula.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "tests/core/WindowTestSupport.h"

namespace {

// An object with hot points at given world positions; it may cover a world rectangle.
class TSpot : public TThing {
 public:
  struct Hot {
    TVector world;
    int32_t kind;
    int16_t index;
  };
  std::vector<Hot> hot;
  uint16_t hitTarget = 0;
  bool covers = false;
  double left = 0, bottom = 0, right = 0, top = 0;
  std::vector<TThing*> parts;
  std::vector<TThing*> attachments;
  TThing* owner = nullptr;
  uint16_t attachable = 0;
  uint16_t acceptsOwners = 1;

  explicit TSpot(std::vector<Hot> points = {}) : hot(std::move(points)) {}
  uint16_t IsHitTarget() override { return hitTarget; }
  uint16_t IsAttachable() override { return attachable; }
  std::vector<TThing*> GetAttachments() override { return attachments; }
  std::vector<TThing*> GetSubObjects() override { return parts; }
  TThing* GetOwnerThing() override { return owner; }
  uint16_t AcceptsOwner(TThing*) override { return acceptsOwners; }
  uint16_t ContainsWorldPoint(const TVector& p) override {
    return covers && p.x >= left && p.x <= right && p.y >= bottom && p.y <= top ? 1 : 0;
  }
  uint16_t FindHotPoint(double tolerance, const TVector& mouse, TVector& world, TVector& own,
                        int32_t& kind, int16_t& index) override {
    for (const Hot& h : hot) {
      if (std::fabs(mouse.x - h.world.x) > tolerance || std::fabs(mouse.y - h.world.y) > tolerance)
        continue;
      world = h.world;
      own = TVector(h.world.x - 1.0, h.world.y);
      kind = h.kind;
      index = h.index;
      return 1;
    }
    return 0;
  }
  uint16_t GetHotPointFormulas(int32_t kind, int16_t index, Str255& x, Str255& y) override {
    if (kind != 14) return 0;
    x = Str255(index == 2 ? "1+1" : "2");
    y = Str255("3*(");
    return 1;
  }
};

// A joint between two objects that is not in force yet.
class TJoint : public TCnstr {
 public:
  std::vector<TThing*> joined;
  uint16_t IsTwoEnded() override { return 1; }
  uint16_t CanJoin() override { return 1; }
  uint16_t IsJoinedTo(TThing* object) override {
    return std::find(joined.begin(), joined.end(), object) != joined.end() ? 1 : 0;
  }
};

class TTestView : public THotPointView {
 public:
  double minorSpacing = 0.5;
  double fineStep = 0.0625;
  uint16_t showGrid = 1;
  TLink* under = nullptr;
  TLink* reference = nullptr;
  int brackets = 0;
  HDC dc = nullptr;

  TTestView() {
    dc = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(dc, 200, 200);
    SelectObject(dc, bitmap_);
    PatBlt(dc, 0, 0, 200, 200, WHITENESS);
  }
  ~TTestView() {
    DeleteDC(dc);
    DeleteObject(bitmap_);
  }
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        pixels.push_back(GetPixel(dc, x, y));
    return pixels;
  }

  void GetGridParameters(GridParameters& grid) override {
    grid.spacing = 1.0;
    grid.minorSpacing = minorSpacing;
    grid.fineStep = fineStep;
    grid.subdivisions = 2;
  }
  int16_t HorizontalPixelDistance(double length) override {
    return static_cast<int16_t>(std::lround(-length * 10.0));  // sign dropped by the snapper
  }
  uint16_t GetShowGrid() override { return showGrid; }
  TLink* FindObjectAt(const POINT&, int16_t) override { return under; }
  TLink* FindObjectInRect(const TVector&, double) override { return nullptr; }
  uint16_t SnapPointToView(int16_t tolerance, const POINT& pixel, TVector& world, POINT& window,
                           int32_t& kind) override {
    const POINT near{(pixel.x + 5) / 10 * 10, (pixel.y + 5) / 10 * 10};
    if (std::abs(near.x - pixel.x) > tolerance || std::abs(near.y - pixel.y) > tolerance) return 0;
    window = near;
    world = WindowToWorld(near);
    kind = kHotPointGrid;
    return 1;
  }
  POINT WorldToWindow(const TVector& w) override {
    return POINT{static_cast<int32_t>(std::lround(100 + 10 * w.x)),
                 static_cast<int32_t>(std::lround(100 - 10 * w.y))};
  }
  TVector WindowToWorld(const POINT& p) override {
    return TVector((p.x - 100) / 10.0, (100 - p.y) / 10.0);
  }
  TLink* GetReferenceObject() override { return reference; }
  HDC BeginHotPointDrawing() override {
    ++brackets;
    return dc;
  }
  void EndHotPointDrawing(HDC) override { --brackets; }

 private:
  HBITMAP bitmap_ = nullptr;
};

class HotPointSnapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    world = std::make_unique<TWorldDoc>();
    snapper = Adopt(std::make_unique<THotPointSnapper>());
    snapper->SetView(&view);
  }
  void TearDown() override {
    world.reset();
    FreeHandlePool();
  }
  template <class T>
  T* Adopt(std::unique_ptr<T> object) {
    T* raw = object.get();
    raw->Initialize();
    world->AdoptObject(std::move(object));
    return raw;
  }
  TSpot* AddSpot(std::vector<TSpot::Hot> hot) { return Adopt(std::make_unique<TSpot>(hot)); }
  // The search at a world point, through the window point the view shows it at.
  uint16_t FindAt(const TVector& mouse, THotPointHit& hit) {
    return snapper->FindHotPoint(view.WorldToWindow(mouse), mouse, hit);
  }

  TTestView view;
  std::unique_ptr<TWorldDoc> world;
  THotPointSnapper* snapper = nullptr;
};

TEST_F(HotPointSnapperTest, TolerancesFollowTheMinorGridSpacing) {
  const struct {
    double minor;
    int16_t pixels;
  } cases[] = {{0.3, 2}, {0.6, 5}, {0.8, 5}, {0.0, 0}};
  for (const auto& c : cases) {
    view.minorSpacing = c.minor;
    snapper->InvalidateTolerance();
    EXPECT_EQ(snapper->GetPixelTolerance(), c.pixels) << c.minor;
  }
  EXPECT_DOUBLE_EQ(snapper->GetWorldTolerance(), 0.0);  // minor 0 less the fine step
  view.minorSpacing = 0.5;
  EXPECT_DOUBLE_EQ(snapper->GetWorldTolerance(), 0.0);  // kept until invalidated
  snapper->InvalidateTolerance();
  EXPECT_DOUBLE_EQ(snapper->GetWorldTolerance(), 0.5 - 0.0625);
}

TEST_F(HotPointSnapperTest, LaterObjectsWinInTheWorldListsAndEarlierLinesWin) {
  TSpot* below = AddSpot({{{1, 1}, 1, 0}});
  TSpot* above = AddSpot({{{1.2, 1}, 1, 0}});
  THotPointHit hit;
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, above);
  EXPECT_EQ(hit.window.x, 112);
  EXPECT_EQ(hit.window.y, 90);
  EXPECT_DOUBLE_EQ(hit.own.x, 0.2);  // the own-frame position comes back too
  world->RemoveObject(above);
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, below);

  // Lines are searched first to last.
  auto* lines = Adopt(std::make_unique<TLineHandler>());
  world->RemoveObject(below);
  TSpot first({{{5, 5}, 1, 0}});
  TSpot second({{{5.1, 5}, 1, 0}});
  lines->GetLines()->InsertLast(&first);
  lines->GetLines()->InsertLast(&second);
  snapper->Refresh();
  ASSERT_EQ(FindAt({5.05, 5}, hit), 1);
  EXPECT_EQ(hit.target, &first);
  lines->GetLines()->DeleteAll();
}

TEST_F(HotPointSnapperTest, HiddenHotPointsAndTheTrackedObjectAreNotTaken) {
  TSpot* body = AddSpot({{{1, 1}, 14, 2}});
  TSpot* cover = AddSpot({});
  cover->hitTarget = 1;
  cover->covers = true;
  cover->left = 0;
  cover->bottom = 0;
  cover->right = 2;
  cover->top = 2;
  THotPointHit hit;
  EXPECT_EQ(FindAt({1, 1}, hit), 0);
  cover->covers = false;
  body->hitTarget = 1;  // an object covering its own hot point still offers it
  body->covers = true;
  body->right = body->top = 2;
  ASSERT_EQ(FindAt({1, 1}, hit), 1);
  EXPECT_EQ(hit.target, body);

  std::unique_ptr<THotPointRecord> record;
  EXPECT_EQ(snapper->Snap(view.WorldToWindow({1, 1}), {1, 1}, body, record), 0);
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(snapper->GetTrackedObject(), nullptr);  // put back after the search
  ASSERT_EQ(snapper->Snap(view.WorldToWindow({1, 1}), {1, 1}, cover, record), 1);
  int32_t kind = 0;
  int16_t index = 0;
  record->GetKindAndIndex(kind, index);
  EXPECT_EQ(record->GetTarget(), body);
  EXPECT_EQ(kind, 14);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(record->GetWorldPosition(), TVector3(1, 1));
}

TEST_F(HotPointSnapperTest, AnObjectUnderTheMouseIsSearchedAloneWithItsParts) {
  TSpot* other = AddSpot({{{3, 3}, 1, 0}});
  TSpot* owner = AddSpot({});
  owner->hitTarget = 1;
  TSpot part({{{3.1, 3}, 14, 1}});
  owner->parts = {&part};
  view.under = owner;
  THotPointHit hit;
  ASSERT_EQ(FindAt({3.05, 3}, hit), 1);
  EXPECT_EQ(hit.target, &part);
  owner->parts.clear();
  // Nothing on the object under the mouse: neither the world's lists nor the grid are asked.
  EXPECT_EQ(FindAt({3.05, 3}, hit), 0);
  view.under = nullptr;
  ASSERT_EQ(FindAt({3.05, 3}, hit), 1);
  EXPECT_EQ(hit.target, other);
}

TEST_F(HotPointSnapperTest, AJoiningObjectSnapsOnlyToTheBodiesItsEndsSitOn) {
  // Two bodies with a point each; a joint hangs on the first point.
  TSpot* first = AddSpot({{{1, 1}, 14, 1}});
  TSpot* second = AddSpot({{{1.2, 1}, 14, 1}});
  TSpot* elsewhere = AddSpot({{{1.1, 1}, 1, 0}});
  TSpot* end1 = AddSpot({});
  TSpot* end2 = AddSpot({});
  end1->owner = first;
  end2->owner = second;
  end1->attachable = end2->attachable = 1;
  auto* joint = Adopt(std::make_unique<TJoint>());
  joint->AttachObject(end1);
  joint->AttachObject(end2);
  end1->attachments = end2->attachments = {joint};
  THotPointHit hit;

  // Dragging the joint searches the body of its first end alone.
  snapper->SetTrackedObject(joint);
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, first);
  TSpot part({{{1.1, 1.05}, 15, 3}});
  first->hot.clear();
  first->parts = {&part};
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, &part);
  first->parts.clear();
  EXPECT_EQ(FindAt({1.1, 1}, hit), 0) << "the lists are not searched for a joint";

  // Dragging a point whose joint is not in force searches the body at the joint's other end.
  snapper->SetTrackedObject(end1);
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, second);
  second->acceptsOwners = 0;  // the other body refuses: the point's own body is searched
  EXPECT_EQ(FindAt({1.1, 1}, hit), 0);

  // A point without a joint searches the lists, passing over points its constraints hold.
  end1->attachments.clear();
  snapper->SetTrackedObject(end2);
  end2->attachments = {end1};
  end1->attachments = {end2};
  elsewhere->attachable = 1;
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, elsewhere);
  end1->hot = {{{1.1, 1}, 1, 0}};
  end2->attachments = {elsewhere};
  elsewhere->attachments = {end1};
  ASSERT_EQ(FindAt({1.1, 1}, hit), 1);
  EXPECT_EQ(hit.target, elsewhere) << "a point held by the dragged point's attachments is skipped";
}

TEST_F(HotPointSnapperTest, TheGridCatchesWhatNoObjectOffers) {
  world->SetAngleSnap(1);
  snapper->UpdateGridSnap();
  ASSERT_EQ(snapper->GetSnapToGrid(), 1);
  THotPointHit hit;
  ASSERT_EQ(snapper->FindHotPoint(POINT{122, 79}, {2.2, 2.1}, hit), 1);
  EXPECT_EQ(hit.target, world.get());
  EXPECT_EQ(hit.kind, kHotPointGrid);
  EXPECT_EQ(hit.index, 0);
  EXPECT_EQ(hit.window.x, 120);
  EXPECT_EQ(hit.window.y, 80);
  EXPECT_EQ(snapper->FindHotPoint(POINT{125, 80}, {2.5, 2}, hit), 0);  // beyond 3 pixels
  view.showGrid = 0;
  snapper->UpdateGridSnap();
  EXPECT_EQ(snapper->FindHotPoint(POINT{122, 79}, {2.2, 2.1}, hit), 0);
}

TEST_F(HotPointSnapperTest, HoverCrossIsDrawnAndErasedExactly) {
  AddSpot({{{2, 2}, 1, 0}});
  const std::vector<COLORREF> blank = view.Pixels();
  snapper->UpdateHoverMarker(POINT{121, 80}, 1, 0);
  EXPECT_EQ(view.Pixels(), blank) << "marking is off until a tool asks for it";

  snapper->ShowHotPoints();
  snapper->UpdateHoverMarker(POINT{121, 80}, 1, 0);
  ASSERT_NE(snapper->GetHoverObject(), nullptr);
  EXPECT_EQ(GetPixel(view.dc, 120, 80), RGB(255, 255, 255));  // both diagonals: twice
  EXPECT_EQ(GetPixel(view.dc, 121, 81), RGB(0, 0, 0));
  for (int d : {-5, 5}) {
    EXPECT_EQ(GetPixel(view.dc, 120 + d, 80 + d), RGB(0, 0, 0)) << d;
    EXPECT_EQ(GetPixel(view.dc, 120 + d, 80 - d), RGB(0, 0, 0)) << d;
  }
  EXPECT_EQ(GetPixel(view.dc, 126, 86), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(view.dc, 121, 80), RGB(255, 255, 255));
  const std::vector<COLORREF> marked = view.Pixels();
  snapper->UpdateHoverMarker(POINT{119, 81}, 1, 0);  // the same hot point: left as drawn
  EXPECT_EQ(view.Pixels(), marked);

  snapper->UpdateHoverMarker(POINT{160, 160}, 1, 0);
  EXPECT_EQ(view.Pixels(), blank);
  EXPECT_EQ(snapper->GetHoverObject(), nullptr);
  EXPECT_EQ(snapper->GetHoverPixel().x, -1);

  snapper->UpdateHoverMarker(POINT{121, 80}, 1, 0);
  snapper->UpdateHoverMarker(POINT{121, 80}, 0, 0);  // over an object: erased
  EXPECT_EQ(view.Pixels(), blank);
  EXPECT_EQ(view.brackets, 0);
}

TEST_F(HotPointSnapperTest, AMarkedObjectThatChangesOrLeavesIsForgottenWithoutDrawing) {
  TSpot* spot = AddSpot({{{2, 2}, 1, 0}});
  TSpot* other = AddSpot({});
  snapper->ShowHotPoints();
  snapper->UpdateHoverMarker(POINT{120, 80}, 1, 0);
  ASSERT_EQ(snapper->GetHoverObject(), spot);
  const std::vector<COLORREF> marked = view.Pixels();
  snapper->ForgetObject(other);
  EXPECT_EQ(snapper->GetHoverObject(), spot);
  snapper->ForgetObject(spot);  // the view redraws the object and the cross with it
  EXPECT_EQ(snapper->GetHoverObject(), nullptr);
  EXPECT_EQ(view.Pixels(), marked);

  // An object linked with the snapper that leaves the world is no longer tracked.
  snapper->SetTrackedObject(spot);
  spot->AddDependent(snapper);
  world->RemoveObject(spot);
  EXPECT_EQ(snapper->GetTrackedObject(), nullptr);
}

TEST_F(HotPointSnapperTest, ToolsAndRunsSwitchMarking) {
  world->SetCurrentTool(2500);
  snapper->UpdateForTool();
  EXPECT_EQ(snapper->IsMarkerWanted(), 1);
  world->SetCurrentTool(2000);
  snapper->UpdateForTool();
  EXPECT_EQ(snapper->IsMarkerWanted(), 0);
  EXPECT_EQ(snapper->IsActive(), 1);
}

TEST_F(HotPointSnapperTest, PointFormulasComeFromTheHotPointAndKeepTheValue) {
  TSpot* body = AddSpot({{{1, 1}, 14, 2}});
  TSpot* point = AddSpot({});
  Str255 x, y;
  ASSERT_EQ(snapper->FindHotPointFormulas(view.WorldToWindow({1, 1}), {1, 1}, x, y), 1);
  EXPECT_STREQ(x.AsCString(), "1+1");
  snapper->SetFlagProperty(kAttachByFormulaTag, 0);
  uint16_t flag = 9;
  ASSERT_EQ(snapper->GetFlagProperty(kAttachByFormulaTag, flag, nullptr), 1);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(snapper->FindHotPointFormulas(view.WorldToWindow({1, 1}), {1, 1}, x, y), 0);

  TFormula fx(4.0);
  TFormula fy(5.0);
  snapper->ApplyPointFormulas(point, Str255("1+1"), Str255("7"), {&fx, &fy});
  EXPECT_TRUE(fx.IsFormula());
  EXPECT_EQ(fx.GetValue(), 4.0);
  EXPECT_EQ(fy.GetValue(), 7.0);
  // A text that does not compile fails and is not attached.
  EXPECT_THROW(snapper->ApplyPointFormulas(point, Str255("3*("), Str255("1"), {&fy, nullptr}),
               QVException);
  EXPECT_FALSE(fy.IsFormula());
  (void)body;
}

class HotPointSnapperMenuTest : public MenuFrameTest {};

TEST_F(HotPointSnapperMenuTest, CommandFlipsTheOptionAndItsMark) {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, kCmdSnapToHotPoints, "Snap to Hot Points");
  AppendMenu(bar_, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), "Edit");
  OpenFrame();
  THotPointSnapper snapper;
  snapper.Initialize();
  snapper.DoSetupMenus();
  EXPECT_EQ(GetMenuState(bar_, kCmdSnapToHotPoints, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  for (uint16_t expected : {0, 1}) {
    MarkMenusSetUp();
    uint16_t handled = 0;
    EXPECT_EQ(snapper.DoMenuCommand(kCmdSnapToHotPoints, handled), nullptr);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(MenusNeedSetup());
    EXPECT_EQ(snapper.GetSnapToHotPoints(), expected);
    snapper.DoSetupMenus();
    EXPECT_EQ(GetMenuState(bar_, kCmdSnapToHotPoints, MF_BYCOMMAND) & MF_CHECKED,
              expected != 0 ? MF_CHECKED : 0u);
  }
  uint16_t handled = 1;
  EXPECT_EQ(snapper.DoMenuCommand(1051, handled), nullptr);
  EXPECT_EQ(handled, 0);
}

TEST_F(HotPointSnapperTest, BlockHoldsBothOptionsAndReadsBack) {
  uint16_t handled = 0;
  snapper->DoMenuCommand(kCmdSnapToHotPoints, handled);  // snapping off, formulas on
  snapper->SetIdentifier(7);
  std::vector<TLink*> list{snapper};
  auto document = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
  Handle stored = document->TakeHandle();
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(stored));
  // After identifier, class tag, blank tag and code: the length, the two options, the end code.
  const uint8_t contents[] = {0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  const uint8_t* block = std::search(bytes, bytes + GetHandleByteSize(stored), std::begin(contents),
                                     std::end(contents));
  ASSERT_NE(block, bytes + GetHandleByteSize(stored));
  EXPECT_EQ(block[-1], 0xAE);  // block 5038
  EXPECT_EQ(block[-2], 0x13);

  // Read into the snapper of another world that holds the identifier.
  TWorldDoc other;
  auto copy = std::make_unique<THotPointSnapper>();
  copy->Initialize();
  copy->SetIdentifier(7);
  THotPointSnapper* target = copy.get();
  other.AdoptObject(std::move(copy));
  ASSERT_EQ(target->GetSnapToHotPoints(), 1);
  ReadObjects(stored, 2, 2, &other, nullptr, nullptr, nullptr);
  FreeHandle(stored);
  EXPECT_EQ(target->GetSnapToHotPoints(), 0);
  EXPECT_EQ(target->GetAttachByFormula(), 1);
  EXPECT_EQ(target->IsActive(), 0);  // the option read is in force
}

}  // namespace
