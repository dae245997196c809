// The curved slot and its spline point: the open and closed type with the polar table it brings,
// the table commands and control-point values, the table as clipboard text (refused texts leave
// the table alone), the curve drawn in pixels with its sampling limits, hit tests, snapping onto
// the curve, the DXF polyline, and the document read back byte for byte.

#include <fstream>
#include <numbers>
#include <sstream>

#include "bodies/DXFOutput.h"
#include "bodies/Polygon.h"
#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "model/filing/ObjectWriter.h"
#include "tests/constraints/SlotTestSupport.h"

namespace {

using namespace body_tags;
using slot_tests::CanvasPort;
constexpr double kPi = std::numbers::pi;
const uint32_t kTagOpen = MakeTag("_oPn");
const uint32_t kTagClosed = MakeTag("_cLd");
const uint32_t kTagPolar = MakeTag("polS");
const uint32_t kTagCartesian = MakeTag("carS");
const uint32_t kTagExport = MakeTag("iiPt");
const uint32_t kTagPerSpan = MakeTag("iPti");
const uint32_t kTextScrap = MakeTag("TEXT");

uint32_t Ref(char a, char b, int32_t index, bool first) {
  return point_ref::Make(point_ref::Kind(a, b), index, first);
}

int16_t FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

class CurvedSlotTest : public slot_tests::SlotFixture {
 protected:
  void SetUp() override {
    SlotFixture::SetUp();
    document = std::make_unique<TQVDoc>();
  }
  void TearDown() override {
    document.reset();
    SlotFixture::TearDown();
  }

  // An 80 x 80 box centred at (50, -50), shown from (10, 10) to (90, 90); the curve's frame is
  // the spline point at the box's centre, so a curve point (x, y) shows at (50 + x, 50 - y).
  void Build(const std::vector<TVector>& points) {
    TWorldDoc& world = document->World();
    box = &AddBox(world, 2, 50.0, -50.0, 80.0, 80.0);
    other = &AddBox(world, 3, 60.0, -30.0, 4.0, 4.0);
    table = &Add<TTable>(world, 4);
    for (const TVector& p : points) table->AppendPoint(p);
    origin = &AddPoint<TSplinePoint>(world, 5, *box, 0.0, 0.0, 0.0);
    follower = &AddPoint(world, 6, *other, 0.0, 0.0, 0.0);
    slot = &Add<TCurvedSlot>(world, 7);
    slot->AttachObject(origin);
    slot->AttachObject(follower);
    slot->SetPointTable(table);
  }
  std::vector<TVector> Table() const {
    std::vector<TVector> out;
    for (int32_t i = 1; i <= slot->ControlPointCount(); ++i) out.push_back(slot->ControlPoint(i));
    return out;
  }
  static void PutText(const std::string& text) {
    Handle data = AllocHandleChecked(static_cast<int32_t>(text.size() + 1));
    std::copy(text.c_str(), text.c_str() + text.size() + 1,
              reinterpret_cast<char*>(HandleData(data)));
    EmptyClipboardScrap();
    ASSERT_EQ(PutClipboardScrap(kTextScrap, data), 0);
    FreeHandle(data);
  }
  static std::string ClipboardText() {
    Handle data = AllocHandleChecked(0);
    std::string text;
    if (GetClipboardScrap(data, kTextScrap) == 0)
      text.assign(reinterpret_cast<const char*>(HandleData(data)), GetHandleByteSize(data));
    FreeHandle(data);
    return text.substr(0, text.find('\0'));
  }

  // A closed curve with its table, spline point and export settings, drawn once.
  static void BuildFiledWorld(TWorldDoc& world, int32_t& sampleCount) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TRectangle& a = AddBox(world, 2, 50.0, -50.0, 80.0, 80.0);
    TRectangle& b = AddBox(world, 3, 10.0, -10.0, 4.0, 4.0);
    TTable& points = Add<TTable>(world, 4);
    for (TVector p : {TVector(0, 0), TVector(10, 5), TVector(20, -5), TVector(5, -15)})
      points.AppendPoint(p);
    auto& origin = AddPoint<TSplinePoint>(world, 5, a, 1.0, 2.0, 0.5);
    auto& follower = AddPoint(world, 6, b, 0.0, 0.0, 0.0);
    auto& curve = Add<TCurvedSlot>(world, 7);
    curve.SetShortProperty(kTagAlwaysActive, 1);
    curve.AttachObject(&origin);
    curve.AttachObject(&follower);
    curve.SetPointTable(&points);
    curve.SetSplineType(TCurvedSlot::kClosed);
    curve.SetFlagProperty(kTagExport, 1);
    curve.SetShortProperty(kTagPerSpan, 7);
    curve.PrepareDrawing(MacRect(0, 0, 100, 100));
    sampleCount = curve.SampleCount();
  }

  std::unique_ptr<TQVDoc> document;
  TRectangle* box = nullptr;
  TRectangle* other = nullptr;
  TTable* table = nullptr;
  TSplinePoint* origin = nullptr;
  TPoint* follower = nullptr;
  TCurvedSlot* slot = nullptr;
};

// Each type tag selects its own state whatever value it is given; the closed curve's table
// shows radius and angle, and the spline point follows the type in its lock answer.
TEST_F(CurvedSlotTest, TheTypeTagsChooseOpenOrClosedAndThePolarTableComesWithClosing) {
  Build({{0, 0}, {10, 0}, {10, 10}});
  EXPECT_FALSE(slot->IsClosed()) << "a new curve is open";
  EXPECT_FALSE(slot->IsPolar());
  EXPECT_EQ(slot->GetKindNumber(), 2546);
  EXPECT_EQ(slot->GetSplinePoint(), origin);
  EXPECT_EQ(origin->GetPointTable(), table);
  EXPECT_EQ(origin->IsLocked(), TSplinePoint::kLockOpen);
  slot->SetFlagProperty(kTagClosed, 0);
  EXPECT_TRUE(slot->IsClosed());
  EXPECT_TRUE(slot->IsPolar());
  EXPECT_EQ(origin->GetSplineType(), 1);
  EXPECT_EQ(origin->IsLocked(), TSplinePoint::kLockClosed);
  Str255 title;
  slot->GetStringProperty(MakeTag("ppt1"), title, nullptr);
  EXPECT_EQ(title, Str255("Radius"));
  slot->SetFlagProperty(kTagOpen, 0);
  EXPECT_FALSE(slot->IsClosed());
  EXPECT_FALSE(slot->IsPolar());
  slot->GetStringProperty(MakeTag("ppt2"), title, nullptr);
  EXPECT_EQ(title, Str255("Y"));
  slot->SetFlagProperty(kTagPolar, 0);
  EXPECT_TRUE(slot->IsPolar());
  slot->SetFlagProperty(kTagCartesian, 1);
  EXPECT_FALSE(slot->IsPolar());
}

// The solver finds the curve through the spline point's table; a curved slot without them gives
// it no goals, so that it never runs as a straight slot.
TEST_F(CurvedSlotTest, OnlyACurveWithItsSplinePointAndTableHasGoals) {
  Build({{0, 0}, {10, 0}});
  slot->PrepareGoals();
  ASSERT_EQ(slot->Goals().size(), 1u);
  EXPECT_EQ(slot->Goal(1).type, 1);
  EXPECT_EQ(slot->Goal(1).component, 1);
  slot->SetPointTable(nullptr);
  slot->PrepareGoals();
  EXPECT_TRUE(slot->Goals().empty());
  slot->SetPointTable(table);
  TCurvedSlot plain;
  plain.Initialize();
  plain.AttachObject(follower);
  plain.AttachObject(&AddPoint(document->World(), 30, *box, 0.0, 0.0, 0.0));
  plain.SetPointTable(table);
  plain.PrepareGoals();
  EXPECT_TRUE(plain.Goals().empty());
  plain.SetPointTable(nullptr);
}

TEST_F(CurvedSlotTest, ControlPointsAreEditedThroughTheirReferencesAndAnglesWrap) {
  Build({{3, 4}, {10, 0}, {0, 10}});
  double value = 0.0;
  EXPECT_TRUE(slot->GetNumberProperty(Ref('p', 'p', 1, true), value, nullptr));
  EXPECT_EQ(value, 3.0);
  slot->SetNumberProperty(Ref('h', 'p', 1, false), 6.0);
  EXPECT_EQ(slot->ControlPoint(1), TVector(3, 6));
  EXPECT_FALSE(slot->GetNumberProperty(Ref('p', 'p', 4, true), value, nullptr));

  slot->SetPolar(true);
  slot->SetNumberProperty(Ref('p', 'p', 1, false), 0.0);
  int32_t unit = 0;
  ASSERT_TRUE(slot->GetControlPointValue(Ref('p', 'p', 1, true), value, unit));
  EXPECT_NEAR(value, std::hypot(3.0, 6.0), 1e-12);
  EXPECT_EQ(unit, body_tags::kDimLength);
  slot->SetNumberProperty(Ref('p', 'p', 1, true), 5.0);
  // 370 degrees are stored as 10.
  slot->SetNumberProperty(Ref('p', 'p', 1, false), 370.0 * kPi / 180.0);
  ASSERT_TRUE(slot->GetControlPointValue(Ref('p', 'p', 1, false), value, unit));
  EXPECT_NEAR(value, 10.0 * kPi / 180.0, 1e-12);
  EXPECT_EQ(unit, body_tags::kDimAngle);
  EXPECT_NEAR(slot->ControlPoint(1).x, 5.0 * std::cos(10.0 * kPi / 180.0), 1e-12);
}

TEST_F(CurvedSlotTest, InsertAndDeleteCommandsKeepAtLeastTwoPoints) {
  Build({{0, 0}, {10, 0}, {20, 5}});
  using point_ref::kDelete;
  using point_ref::kInsert;
  EXPECT_TRUE(slot->HasAction(point_ref::Make(kDelete, 1, false)));
  EXPECT_TRUE(slot->HasAction(point_ref::Make(kDelete, 3, false)));
  EXPECT_FALSE(slot->HasAction(point_ref::Make(kDelete, 4, false)));
  EXPECT_FALSE(slot->HasAction(point_ref::Make(kDelete, 0, false)));
  EXPECT_TRUE(slot->HasAction(point_ref::Make(kInsert, 3, false)));
  EXPECT_FALSE(slot->HasAction(point_ref::Make(kInsert, 4, false)));
  slot->DoAction(point_ref::Make(kInsert, 2, false));
  EXPECT_EQ(Table(), (std::vector<TVector>{{0, 0}, {10, 0}, {10, 0}, {20, 5}}));
  slot->DoAction(point_ref::Make(kDelete, 1, false));
  slot->DoAction(point_ref::Make(kDelete, 1, false));
  EXPECT_EQ(Table(), (std::vector<TVector>{{10, 0}, {20, 5}}));
  for (int32_t i = 0; i <= 3; ++i)
    EXPECT_FALSE(slot->HasAction(point_ref::Make(kDelete, i, false))) << i;
  slot->DoAction(point_ref::Make(kDelete, 1, false));
  EXPECT_EQ(slot->ControlPointCount(), 2);

  slot->SelectVertex(1, 1);
  EXPECT_EQ(FailureOf([&] { slot->DeleteSelectedVertex(); }), TCurvedSlot::kErrTooFewPoints);
  EXPECT_EQ(slot->ControlPointCount(), 2);
}

// A sketch in world points ends as the curve's own: a last point on the first closes it, the
// attached points go to the curve's origin and the points are re-expressed in its frame.
TEST_F(CurvedSlotTest, AFinishedSketchBecomesTheCurvesOwnCoordinates) {
  Build({});
  // The sketch draws in world points before the curve has its points attached.
  slot->DetachObject(follower);
  slot->DetachObject(origin);
  for (TVector p : {TVector(40, -40), TVector(60, -40), TVector(60, -60), TVector(40, -40)})
    slot->InsertControlPoint(slot->ControlPointCount(), p);
  EXPECT_EQ(slot->ControlPointCount(), 4);
  slot->FinishSketch(1);
  EXPECT_EQ(slot->ControlPointCount(), 3);
  EXPECT_FALSE(slot->IsClosed());
  slot->AttachObject(origin);
  slot->AttachObject(follower);
  slot->AfterCreation();
  EXPECT_FALSE(slot->IsClosed());
  EXPECT_EQ(origin->GetWorldXY(), TVector(40, -40));
  EXPECT_EQ(follower->GetWorldXY(), TVector(40, -40));
  EXPECT_EQ(slot->ControlPoint(1), TVector(0, 0));
  EXPECT_EQ(slot->ControlPoint(3), TVector(20, -20));

  // A curve ended on its first point closes and stays closed.
  slot->InsertControlPoint(3, TVector(40, -40));
  slot->CloseIfEnded();
  EXPECT_TRUE(slot->IsClosed());
  slot->SetNumberProperty(Ref('p', 'p', 4, true), 3.0);
  slot->CloseIfEnded();
  EXPECT_TRUE(slot->IsClosed());

  TCurvedSlot lone;
  lone.Initialize();
  TTable& few = Add<TTable>(document->World(), 40);
  few.AppendPoint({1, 1});
  lone.SetPointTable(&few);
  EXPECT_EQ(FailureOf([&] { lone.FinishSketch(0); }), 0);
  EXPECT_EQ(FailureOf([&] { lone.FinishSketch(1); }), TCurvedSlot::kErrTooFewPoints);
  lone.SetPointTable(nullptr);
}

TEST_F(CurvedSlotTest, TheInterpolatedExportIsSizedBeforeAnythingIsWritten) {
  Build({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  slot->SetFlagProperty(kTagExport, 1);
  uint16_t perSpan = 0;
  EXPECT_EQ(slot->GetShortProperty(kTagPerSpan, perSpan, nullptr), 1);
  EXPECT_EQ(perSpan, 10);
  EXPECT_EQ(slot->InterpolatedExportSize(10), 34);
  slot->SetSplineType(TCurvedSlot::kClosed);
  EXPECT_EQ(slot->InterpolatedExportSize(10), 45);
  EXPECT_EQ(slot->QuickInterpolate(10).size(), 45u * 2);

  table->Clear();
  for (int i = 0; i < 801; ++i) table->AppendPoint({std::cos(i * 0.01) * 100, std::sin(i * 0.01) * 100});
  slot->InvalidateCurve(1);
  slot->SetShortProperty(kTagPerSpan, 3);
  EXPECT_EQ(slot->InterpolatedExportSize(3), 3205);
  PutText("untouched");
  EXPECT_EQ(FailureOf([&] { slot->CopyPointTable(); }), TCurvedSlot::kErrTooManyCopied);
  EXPECT_EQ(ClipboardText(), "untouched");
}

// The table goes out as lines of two numbers and comes back the same; a closed curve writes
// radius and angle.
TEST_F(CurvedSlotTest, TheTableTravelsAsClipboardText) {
  Build({{1.5, -2}, {10, 0.25}, {3, 4}});
  slot->CopyPointTable();
  const std::string text = ClipboardText();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 3);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  std::istringstream numbers(text);
  for (const TVector& p : Table()) {
    double x = 0.0, y = 0.0;
    numbers >> x >> y;
    EXPECT_EQ(TVector(x, y), p);
  }
  const std::vector<TVector> before = Table();
  table->Clear();
  table->AppendPoint({7, 7});
  table->AppendPoint({8, 8});
  EXPECT_TRUE(slot->HasAction(MakeTag("paTb")));
  slot->DoAction(MakeTag("paTb"));
  EXPECT_EQ(Table(), before);

  slot->SetSplineType(TCurvedSlot::kClosed);
  slot->CopyPointTable();
  std::istringstream lines(ClipboardText());
  double radius = 0.0, angle = 0.0;
  lines >> radius >> angle;
  EXPECT_NEAR(radius, 2.5, 1e-12);
  EXPECT_NEAR(angle, std::atan2(-2.0, 1.5) + 2 * kPi, 1e-12);
  slot->DoAction(MakeTag("paTb"));
  ASSERT_EQ(slot->ControlPointCount(), 3);
  EXPECT_NEAR(slot->ControlPoint(1).x, 1.5, 1e-12);
  EXPECT_NEAR(slot->ControlPoint(1).y, -2.0, 1e-12);
}

// A text is checked whole before the table is touched: a bad line, too few or too many points
// fail with their own error and leave the old points.
TEST_F(CurvedSlotTest, ARefusedPasteLeavesTheTableAsItWas) {
  Build({{0, 0}, {10, 0}, {20, 5}});
  const std::vector<TVector> before = Table();
  struct Case {
    std::string text;
    int16_t error;
  };
  std::string many;
  for (int i = 0; i < TCurvedSlot::kMaxPastedPoints + 1; ++i) many += std::to_string(i) + " 1\r\n";
  const Case cases[] = {{"1 2\r\nthree 4\r\n5 6\r\n", TCurvedSlot::kErrBadPastedText},
                        {"1 2 3\r\n4 5\r\n", TCurvedSlot::kErrBadPastedText},
                        {"1 2\r\n", TCurvedSlot::kErrBadPastedText},
                        {"", TCurvedSlot::kErrBadPastedText},
                        {many, TCurvedSlot::kErrTooManyPasted}};
  for (const Case& c : cases) {
    PutText(c.text);
    EXPECT_EQ(FailureOf([&] { slot->PastePointTable(); }), c.error) << c.text.substr(0, 20);
    EXPECT_EQ(Table(), before);
  }
  many.resize(many.rfind("2046 1"));
  PutText("\r\n" + many + "\r\n");
  EXPECT_EQ(FailureOf([&] { slot->PastePointTable(); }), 0);
  EXPECT_EQ(slot->ControlPointCount(), TCurvedSlot::kMaxPastedPoints);
  PutText("1,2\r\n3;4\r\n");
  slot->PastePointTable();
  EXPECT_EQ(Table(), (std::vector<TVector>{{1, 2}, {3, 4}}));
}

// Two control points draw as their polygon; more as the sampled spline through them, which
// leaves the polygon's chords; an open curve runs on straight to the edges of the view, a closed
// one not.
TEST_F(CurvedSlotTest, TheCurveIsDrawnThroughItsPointsAndOnToTheEdges) {
  Build({{-30, 0}, {30, 0}});
  const MacRect view(0, 0, 100, 100);
  {
    CanvasPort port(100, 100);
    slot->DrawShape(view, 0);
    EXPECT_TRUE(port.IsInk(35, 50));
    EXPECT_FALSE(port.IsInk(5, 50)) << "no extensions on a two-point polygon";
  }
  // An arc of a circle of radius 40 about the spline point, in spans of 60 degrees.
  std::vector<TVector> points;
  for (double degrees : {150.0, 90.0, 30.0, -30.0, -90.0})
    points.emplace_back(40.0 * std::cos(degrees * kPi / 180.0), 40.0 * std::sin(degrees * kPi / 180.0));
  table->Clear();
  for (TVector p : points) table->AppendPoint(p);
  slot->InvalidateCurve(1);
  auto edgeInk = [](const CanvasPort& port) {
    bool ink = false;
    // Lines leave out their last pixel: the view's outermost row and column stay clear.
    for (int i = 1; i < 99; ++i)
      ink = ink || port.IsInk(1, i) || port.IsInk(98, i) || port.IsInk(i, 1) || port.IsInk(i, 98);
    return ink;
  };
  {
    CanvasPort port(100, 100);
    slot->DrawShape(view, 0);
    ASSERT_FALSE(slot->SamplingFailed());
    ASSERT_GT(slot->SampleCount(), 5);
    // Every sample is drawn, and some lie well off the chords between the control points.
    double off = 0.0;
    for (int32_t i = 0; i < slot->SampleCount(); ++i) {
      const TVector s(slot->Samples()[2 * i], slot->Samples()[2 * i + 1]);
      const MacPoint at = slot->CurveToScreen(s);
      bool ink = false;
      for (int dh = -1; dh <= 1; ++dh)
        for (int dv = -1; dv <= 1; ++dv) ink = ink || port.IsInk(at.h + dh, at.v + dv);
      EXPECT_TRUE(ink) << i;
      double nearest = 1e9;
      for (size_t k = 1; k < points.size(); ++k) {
        const TVector a = points[k - 1], b = points[k];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double t = std::clamp(((s.x - a.x) * dx + (s.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        nearest = std::min(nearest, std::hypot(s.x - a.x - t * dx, s.y - a.y - t * dy));
      }
      off = std::max(off, nearest);
    }
    EXPECT_GT(off, 3.0);
    EXPECT_TRUE(edgeInk(port)) << "the extensions reach the view's edge";
  }
  {
    // The spline point shows the curve in place of its icon, not a straight slot's line.
    CanvasPort port(100, 100);
    TPointConstraintHooks::DrawContext context{view, 0, origin, 1};
    uint16_t show = 1;
    slot->BeforePointDrawing(context, 0, *origin, show);
    EXPECT_EQ(show, 0);
    EXPECT_TRUE(port.IsInk(50, 10));
    EXPECT_FALSE(port.IsInk(30, 48));
    EXPECT_FALSE(port.IsInk(30, 51));
  }
  slot->SetSplineType(TCurvedSlot::kClosed);
  {
    CanvasPort port(100, 100);
    slot->DrawShape(view, 0);
    EXPECT_FALSE(edgeInk(port));
    EXPECT_GT(port.InkCount(), 100);
  }
}

// A long curve at a fine scale would need more samples than the curve keeps: it is sampled again
// with a coarser step instead of failing. Points that make no curve, and a scale at which no
// step could keep the count down, end in the control polygon, and never in an endless loop.
TEST_F(CurvedSlotTest, SamplingStaysWithinItsBufferAndAlwaysEnds) {
  // A circle so large that keeping within four pixels of it takes about 5000 samples.
  std::vector<TVector> circle;
  for (int i = 0; i < 16; ++i)
    circle.emplace_back(2e7 * std::cos(i * kPi / 8.0), 2e7 * std::sin(i * kPi / 8.0));
  Build(circle);
  slot->SetSplineType(TCurvedSlot::kClosed);
  {
    SplineHandle spline = EngineNewSpline(1);
    std::vector<double> xy;
    for (const TVector& p : circle) xy.insert(xy.end(), {p.x, p.y});
    ASSERT_EQ(EngineSetSplinePoints(spline, 16, xy.data()), 0);
    std::vector<double> out(2 * 20000);
    int16_t more = 0;
    double a = 0.0, b = 0.0;
    const int32_t fine = EngineSplineInterpolate(spline, out.data(), 20000, 4.0, 8.0, 0, 0, 0, 0,
                                                 &more, &a, &b, 0);
    EngineDeleteSpline(spline);
    ASSERT_GT(fine, TCurvedSlot::kMaxSamples) << "four pixels at this scale need more room";
  }
  slot->PrepareDrawing(MacRect(0, 0, 100, 100));
  EXPECT_FALSE(slot->SamplingFailed());
  EXPECT_GT(slot->SampleCount(), 100) << "sampled, not just its control points";
  EXPECT_LE(slot->SampleCount(), TCurvedSlot::kMaxSamples);

  std::vector<TVector> zigzag;
  for (int i = 0; i < 300; ++i) zigzag.emplace_back(i * 10.0 - 1500.0, (i % 2) * 400.0 - 200.0);
  slot->SetSplineType(TCurvedSlot::kOpen);

  table->Clear();
  for (int i = 0; i < 3; ++i) table->AppendPoint({5, 5});
  slot->InvalidateCurve(1);
  slot->PrepareDrawing(MacRect(0, 0, 100, 100));
  EXPECT_TRUE(slot->SamplingFailed());
  {
    CanvasPort port(100, 100);
    slot->DrawShape(MacRect(0, 0, 100, 100), 0);
    EXPECT_TRUE(port.IsInk(54, 45));
  }

  table->Clear();
  for (const TVector& p : zigzag) table->AppendPoint(p);
  box->SetScreenTransform(Transform2D(1e12, 0.0, 50.0, -50.0, 0.0, 1e12));
  slot->InvalidateCurve(1);
  slot->PrepareDrawing(MacRect(0, 0, 100, 100));
  EXPECT_TRUE(slot->SamplingFailed() || slot->SampleCount() <= TCurvedSlot::kMaxSamples);
}

TEST_F(CurvedSlotTest, HitsFindHandlesSpansAndTheCurve) {
  Build({{-30, 0}, {-10, 0}, {10, 0}, {30, 0}});
  const MacRect view(0, 0, 100, 100);
  slot->PrepareDrawing(view);
  int16_t part = 0;
  int32_t vertex = 0, span = 0;
  // The handle of point 2, at (40, 50), grown by four pixels.
  ASSERT_TRUE(slot->FindHit(MacPoint(46, 53), part, vertex, span));
  EXPECT_EQ(part, 1);
  EXPECT_EQ(vertex, 2);
  ASSERT_TRUE(slot->FindHit(MacPoint(50, 51), part, vertex, span));
  EXPECT_EQ(part, 2);
  EXPECT_EQ(span, 2);
  ASSERT_TRUE(slot->FindHit(MacPoint(92, 50), part, vertex, span));
  EXPECT_EQ(span, 4) << "beyond the last point";
  ASSERT_TRUE(slot->FindHit(MacPoint(8, 50), part, vertex, span));
  EXPECT_EQ(span, 0) << "before the first point";
  EXPECT_FALSE(slot->FindHit(MacPoint(50, 60), part, vertex, span));
  EXPECT_TRUE(slot->HitsLine(MacPoint(50, 51)));
  EXPECT_FALSE(slot->HitsLine(MacPoint(50, 60)));
  EXPECT_FALSE(slot->IsInRect(MacRect(0, 0, 100, 100))) << "an open curve is never enclosed";

  table->Clear();
  for (int i = 0; i < 8; ++i)
    table->AppendPoint({20 * std::cos(i * kPi / 4), 20 * std::sin(i * kPi / 4)});
  slot->SetSplineType(TCurvedSlot::kClosed);
  slot->PrepareDrawing(view);
  EXPECT_TRUE(slot->IsInRect(MacRect(25, 25, 75, 75)));
  EXPECT_FALSE(slot->IsInRect(MacRect(25, 25, 60, 75)));
  EXPECT_FALSE(slot->HitsLine(MacPoint(5, 50))) << "outside the closed curve's bounds";
}

// The follower goes to the nearest point of the curve with its rotation 0; the spline point
// stays where it is.
TEST_F(CurvedSlotTest, SnappingPutsTheOtherPointsOnTheCurve) {
  Build({{-30, 0}, {-10, 0}, {10, 0}, {30, 0}});
  origin->SetRotation(kPi / 2.0);
  follower->SetLocalPosition({0.0, 0.0, 0.7});
  slot->SnapPointsOntoSlot(nullptr);
  EXPECT_EQ(origin->GetWorldXY(), TVector(50, -50));
  const TVector at = follower->GetWorldXY();
  EXPECT_NEAR(at.x, 50.0, 1e-9);
  EXPECT_NEAR(at.y, -30.0, 1e-9);
  EXPECT_NEAR(follower->GetWorldRotation(), 0.0, 1e-12);
}

class TDXFRecorder : public TDXFOutput {
 public:
  std::vector<int16_t> entities;
  std::vector<std::pair<int16_t, double>> values;
  std::vector<TVector> coordinates;
  void BeginEntity(int16_t kind, const Str255&) override { entities.push_back(kind); }
  void WriteValue(int16_t group, double value, int32_t) override { values.emplace_back(group, value); }
  void WriteCoords(double x, double y, double, int32_t, int16_t) override {
    coordinates.emplace_back(x, y);
  }
};

// A curve that was never drawn is sampled for the export: a POLYLINE of its samples in world
// coordinates, then SEQEND.
TEST_F(CurvedSlotTest, TheDXFPolylineHoldsTheCurveAsItIsNow) {
  std::vector<TVector> arc;
  for (double degrees : {150.0, 90.0, 30.0, -30.0})
    arc.emplace_back(40.0 * std::cos(degrees * kPi / 180.0), 40.0 * std::sin(degrees * kPi / 180.0));
  Build(arc);
  TDXFRecorder recorder;
  EXPECT_FALSE(slot->ExportDXF(recorder, 1));
  ASSERT_TRUE(slot->ExportDXF(recorder, kExportDXF));
  ASSERT_GE(recorder.entities.size(), 5u);
  EXPECT_EQ(recorder.entities.front(), TDXFOutput::kPolyline);
  EXPECT_EQ(recorder.entities.back(), TDXFOutput::kSequenceEnd);
  EXPECT_EQ(recorder.values, (std::vector<std::pair<int16_t, double>>{{66, 1.0}, {70, 0.0}}));
  EXPECT_EQ(recorder.coordinates.size(), recorder.entities.size() - 2);
  EXPECT_GT(recorder.coordinates.size(), 4u);
  EXPECT_NEAR(recorder.coordinates.front().x, 50.0 + arc.front().x, 1e-9);
  EXPECT_NEAR(recorder.coordinates.front().y, -50.0 + arc.front().y, 1e-9);
  EXPECT_NEAR(recorder.coordinates.back().x, 50.0 + arc.back().x, 1e-9);
  for (const TVector& p : recorder.coordinates)
    EXPECT_NEAR(std::hypot(p.x - 50.0, p.y + 50.0), 40.0, 1.0);

  // Changed since: the export follows.
  slot->SetNumberProperty(Ref('p', 'p', 1, true), -45.0);
  TDXFRecorder again;
  slot->SetSplineType(TCurvedSlot::kClosed);
  slot->ExportDXF(again, kExportDXF);
  EXPECT_EQ(again.values[1], (std::pair<int16_t, double>{70, 1.0}));
  EXPECT_NEAR(again.coordinates.front().x, 5.0, 1e-9);

  // Off the screen the curve is sampled at its fixed fine tolerances, not at a stale view's.
  box->InvalidateScreenCache();
  slot->InvalidateCurve(0);
  TDXFRecorder unseen;
  slot->ExportDXF(unseen, kExportDXF);
  EXPECT_GT(unseen.coordinates.size(), 2 * again.coordinates.size());
}

std::vector<char> FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// Written, read and written again: the same bytes, and the curve comes back with its table,
// type, spline point and export settings.
TEST_F(CurvedSlotTest, CurvedSlotsReadBackByteForByte) {
  const std::filesystem::path again = path.string() + ".again";
  int32_t samples = 0;
  {
    TQVDoc written;
    BuildFiledWorld(written.World(), samples);
    written.WriteDocument(path.string());
  }
  ASSERT_GT(samples, 0);
  TQVDoc read;
  read.ReadDocument(path.string());
  auto* curve = dynamic_cast<TCurvedSlot*>(read.World().FindObject(7));
  auto* point = dynamic_cast<TSplinePoint*>(read.World().FindObject(5));
  ASSERT_NE(curve, nullptr);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(curve->GetSplinePoint(), point);
  ASSERT_NE(curve->GetPointTable(), nullptr);
  EXPECT_EQ(curve->GetPointTable(), point->GetPointTable());
  EXPECT_EQ(curve->ControlPointCount(), 4);
  EXPECT_TRUE(curve->IsClosed());
  EXPECT_EQ(point->IsLocked(), TSplinePoint::kLockClosed);
  EXPECT_EQ(point->GetCurvedSlot(), curve);
  uint16_t value = 0;
  EXPECT_EQ(curve->GetShortProperty(kTagPerSpan, value, nullptr), 1);
  EXPECT_EQ(value, 7);
  read.WriteDocument(again.string());
  const std::vector<char> first = FileBytes(path), second = FileBytes(again);
  std::filesystem::remove(again);
  for (size_t i = 0; i < std::min(first.size(), second.size()); ++i)
    ASSERT_EQ(first[i], second[i]) << "first difference at byte " << i;
  EXPECT_EQ(first.size(), second.size());
}

// The sample count a document stores is a hint: a negative or absurd one reads without harm.
TEST_F(CurvedSlotTest, AStoredSampleCountOutOfRangeDoesNotFailTheReading) {
  int32_t samples = 0;
  {
    TQVDoc written;
    BuildFiledWorld(written.World(), samples);
    written.WriteDocument(path.string());
  }
  std::vector<char> bytes = FileBytes(path);
  // Block 5024: its code and its length (16), then the lock, type, table and the sample count,
  // four bytes each.
  const char pattern[] = {0, 0, 0x13, static_cast<char>(0xA0), 0, 0, 0, 16};
  const auto found = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
  ASSERT_NE(found, bytes.end());
  const size_t count = static_cast<size_t>(found - bytes.begin()) + sizeof(pattern) + 12;
  ASSERT_EQ((static_cast<uint8_t>(bytes[count + 2]) << 8) | static_cast<uint8_t>(bytes[count + 3]),
            samples);
  for (const uint32_t stored : {0xFFFFFFF6u, 0x7FFFFFFFu}) {
    for (int i = 0; i < 4; ++i) bytes[count + i] = static_cast<char>(stored >> (24 - 8 * i));
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    TQVDoc read;
    EXPECT_EQ(FailureOf([&] { read.ReadDocument(path.string()); }), 0) << stored;
    auto* curve = dynamic_cast<TCurvedSlot*>(read.World().FindObject(7));
    auto* body = dynamic_cast<TMass*>(read.World().FindObject(2));
    ASSERT_NE(curve, nullptr);
    ASSERT_NE(body, nullptr);
    // Filed again as a count the curve can hold.
    read.WriteDocument(path.string());
    const std::vector<char> rewritten = FileBytes(path);
    ASSERT_EQ(rewritten.size(), bytes.size());
    int32_t filed = 0;
    for (int i = 0; i < 4; ++i) filed = filed << 8 | static_cast<uint8_t>(rewritten[count + i]);
    EXPECT_GE(filed, 0);
    EXPECT_LE(filed, TCurvedSlot::kMaxSamples);
    body->ValidateScreenTransform(Transform2D());
    curve->PrepareDrawing(MacRect(0, 0, 100, 100));
    EXPECT_EQ(curve->SampleCount(), samples);
  }
}

}  // namespace

namespace {

// What older documents stored with a spline point and the program no longer writes: three
// quantities.
class TOlderSplinePoint : public TSplinePoint {
 public:
  void WriteFields(TObjectWriter& writer) override {
    TSplinePoint::WriteFields(writer);
    writer.WriteBlock(*this, kBlockLegacyQuantities);
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockLegacyQuantities) return TSplinePoint::WriteBlockContents(code, writer);
    writer.WriteConstant(1.0);
    writer.WriteConstant(2.0);
    writer.WriteFormulaText("time");
  }
};

bool HoldsBlock(const std::vector<char>& bytes, int16_t code) {
  const char pattern[] = {0, 0, static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern)) !=
         bytes.end();
}

using OlderCurvedSlotTest = CurvedSlotTest;

TEST_F(OlderCurvedSlotTest, QuantitiesOfOlderSplinePointsAreReadAndNotWrittenAgain) {
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TRectangle& a = AddBox(world, 2, 50.0, -50.0, 80.0, 80.0);
    TTable& points = Add<TTable>(world, 4);
    for (TVector p : {TVector(0, 0), TVector(10, 5), TVector(20, -5)}) points.AppendPoint(p);
    auto& origin = AddPoint<TOlderSplinePoint>(world, 5, a, 1.0, 2.0, 0.5);
    auto& follower = AddPoint(world, 6, a, 3.0, 0.0, 0.0);
    auto& curve = Add<TCurvedSlot>(world, 7);
    curve.AttachObject(&origin);
    curve.AttachObject(&follower);
    curve.SetPointTable(&points);
    written.WriteDocument(path.string());
  }
  const std::vector<char> older = FileBytes(path);
  ASSERT_TRUE(HoldsBlock(older, TSplinePoint::kBlockLegacyQuantities));
  TQVDoc read;
  ASSERT_EQ(FailureOf([&] { read.ReadDocument(path.string()); }), 0);
  auto* curve = dynamic_cast<TCurvedSlot*>(read.World().FindObject(7));
  auto* origin = dynamic_cast<TSplinePoint*>(read.World().FindObject(5));
  ASSERT_NE(curve, nullptr);
  ASSERT_NE(origin, nullptr);
  EXPECT_EQ(curve->ControlPointCount(), 3);
  EXPECT_EQ(origin->GetLocalPosition().x, 1.0);
  EXPECT_EQ(origin->LegacyQuantity(0).GetValue(), 1.0);
  EXPECT_EQ(origin->LegacyQuantity(1).GetValue(), 2.0);
  EXPECT_TRUE(origin->LegacyQuantity(2).IsFormula());
  read.WriteDocument(path.string());
  const std::vector<char> newer = FileBytes(path);
  EXPECT_FALSE(HoldsBlock(newer, TSplinePoint::kBlockLegacyQuantities));
}

}  // namespace
