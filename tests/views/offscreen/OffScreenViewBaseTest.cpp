// Grid parameters by scale, masters and their dependents, and the names and classes of the
// windows built for world views.

#include <cmath>
#include <limits>

#include "tests/views/offscreen/OffScreenSupport.h"
#include "platform/win32/WindowMessages.h"
#include "views/offscreen/OffScreenView.h"

namespace view_test {
namespace {

TEST(GridParametersTest, LinesFall20To80PixelsApart) {
  struct Case {
    double scale, major, minor, fine;
    int32_t subdivisions;
  };
  for (const Case& c : {Case{40, 1.0, 0.1, 1.0 / 64, 10}, Case{25, 1.0, 0.25, 1.0 / 32, 4},
                        Case{100, 0.5, 0.05, 1.0 / 128, 10}, Case{1000, 0.05, 0.005, 0, 10}}) {
    const TGridParameters grid = ComputeGridParameters(c.scale, 1.0);
    EXPECT_TRUE(grid.valid);
    EXPECT_NEAR(grid.major, c.major, 1e-12) << c.scale;
    EXPECT_NEAR(grid.minor, c.minor, 1e-12) << c.scale;
    EXPECT_EQ(grid.subdivisions, c.subdivisions) << c.scale;
    if (c.fine != 0) {
      EXPECT_DOUBLE_EQ(grid.fine, c.fine) << c.scale;
    }
    EXPECT_LE(grid.fine * c.scale, 1.0);
  }
  for (double bad : {0.0, -40.0, std::numeric_limits<double>::denorm_min(),
                     std::numeric_limits<double>::infinity(), std::nan("")}) {
    const TGridParameters grid = ComputeGridParameters(bad, 1.0);
    EXPECT_FALSE(grid.valid);
    EXPECT_EQ(grid.major, 1.0);
    EXPECT_EQ(grid.subdivisions, 10);
    EXPECT_EQ(grid.fine, 0.1);
  }
  EXPECT_FALSE(ComputeGridParameters(40, 0.0).valid);
}

class TMasterView : public TOffScreenViewBase {
 public:
  void GetGridParameters(double& first, double& second, double& third, int16_t& count) override {
    first = 2.0;
    second = 0.5;
    third = 0.25;
    count = 4;
  }
  void ViewChanged() override {
    Log().push_back("master view changed");
    TOffScreenViewBase::ViewChanged();
  }
};

class TDependentView : public TOffScreenViewBase {
 public:
  void MouseMoved(const MacPoint& point, bool) override {
    Log().push_back("mouse at " + std::to_string(point.h) + "," + std::to_string(point.v));
  }
  void ViewChanged() override { Log().push_back("dependent view changed"); }
  void ScaleChanged() override { Log().push_back("dependent scale changed"); }
};

using OffScreenViewBaseTest = OffScreenTest;

TEST_F(OffScreenViewBaseTest, DependentsHearTheMasterAndOutliveIt) {
  auto* master = new TMasterView;
  master->InitOffScreenView(nullptr, root_, TViewPoint{0, 0}, TViewPoint{50, 50}, 5, 5, nullptr,
                            nullptr);
  auto* dependent = new TDependentView;
  dependent->InitOffScreenView(nullptr, root_, TViewPoint{60, 0}, TViewPoint{50, 50}, 5, 5,
                               master, nullptr);
  EXPECT_EQ(dependent->GetMaster(), master);
  double first = 0, second = 0, third = 0;
  int16_t count = 0;
  dependent->GetGridParameters(first, second, third, count);
  EXPECT_EQ(first, 0.5);  // the master's minor spacing first
  EXPECT_EQ(second, 2.0);
  EXPECT_EQ(third, 0.25);
  EXPECT_EQ(count, 4);

  Log().clear();
  master->ScaleChanged();
  EXPECT_EQ(Log(), (std::vector<std::string>{"master view changed", "dependent view changed",
                                             "dependent scale changed"}));

  Log().clear();
  master->TrackMouse(TViewPoint{12, 7});
  EXPECT_EQ(Log(), std::vector<std::string>{"mouse at 12,7"});

  delete master->GetWindow();
  EXPECT_EQ(dependent->GetMaster(), nullptr);
  dependent->GetGridParameters(first, second, third, count);
  EXPECT_EQ(first, 1.0);
  EXPECT_EQ(count, 1);
}

class TMainLike : public TOffScreenViewBase {
  DECLARE_CLASS_ID(522, TOffScreenViewBase)

 public:
  void DrawBackground(const MacRect& rect) override {
    Log().push_back("main background " + std::to_string(rect.top) + "-" +
                    std::to_string(rect.bottom));
  }
};
class TCoordsLike : public TOffScreenViewBase {
  DECLARE_CLASS_ID(374, TOffScreenViewBase)
};

TEST_F(OffScreenViewBaseTest, WindowsAreNamedAndChosenByTheViewsClass) {
  TDezevOffScreenMgr* outer = OpenManager();
  auto* main = new TMainLike;
  main->BuildWindow(nullptr, outer, TViewPoint{0, 0}, TViewPoint{100, 100}, 5, 5);
  ASSERT_NE(main->GetWindow(), nullptr);
  EXPECT_STREQ(main->GetWindow()->GetClassName(), "TOwlOffScreenMainWorldView");
  char name[64] = {};
  GetWindowText(main->GetWindowHandle(), name, sizeof name);
  EXPECT_STREQ(name, "TMainWorldView");
  auto* coords = new TCoordsLike;
  coords->BuildWindow(nullptr, outer, TViewPoint{0, 100}, TViewPoint{100, 20}, 5, 5);
  EXPECT_STREQ(coords->GetWindow()->GetClassName(), "TOwlOffScreenView");
  EXPECT_STREQ(coords->WindowName(), "TCoordsView");

  // A view inside two managers takes the inner one.
  auto* inner = new TDumbOffScreenMgr;
  inner->BuildWindow(nullptr, outer, TViewPoint{100, 0}, TViewPoint{100, 100}, 5, 5);
  EXPECT_EQ(inner->GetManager(), outer);
  auto* nested = new TCoordsLike;
  nested->BuildWindow(nullptr, inner, TViewPoint{0, 0}, TViewPoint{10, 10}, 5, 5);
  EXPECT_EQ(nested->GetManager(), inner);

  // Without a parent: no window, no manager.
  TCoordsLike loose;
  loose.BuildWindow(nullptr, nullptr, TViewPoint{0, 0}, TViewPoint{10, 10}, 5, 5);
  EXPECT_EQ(loose.GetWindow(), nullptr);
  EXPECT_EQ(loose.GetManager(), nullptr);
}

TEST_F(OffScreenViewBaseTest, TheLabelEditorGetsTheSizeItAsksForAndWhatItUncoversIsRedrawn) {
  TDezevOffScreenMgr* manager = OpenManager();
  auto* main = new TMainLike;
  main->BuildWindow(nullptr, manager, TViewPoint{20, 10}, TViewPoint{300, 200}, 5, 5);
  WNDCLASS editorClass;
  editorClass.lpfnWndProc = DefWindowProc;
  editorClass.lpszClassName = "LabelEditor";
  RegisterClass(&editorClass);
  const HWND editor = CreateWindowEx(0, "LabelEditor", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50,
                                     main->GetWindowHandle(),
                                     reinterpret_cast<HMENU>(uintptr_t{651}), nullptr);
  ASSERT_NE(editor, nullptr);
  const auto request = [&](RECT wanted) {
    REQRESIZE resize;
    resize.nmhdr = NMHDR{editor, 651, EN_REQUESTRESIZE};
    resize.rc = wanted;
    return SendMessage(main->GetWindowHandle(), WM_NOTIFY, 651,
                       reinterpret_cast<LPARAM>(&resize));
  };
  const auto editorSize = [&] {
    RECT rect;
    GetWindowRect(editor, &rect);
    return TViewPoint{rect.right - rect.left, rect.bottom - rect.top};
  };
  Pump();
  EXPECT_EQ(request(RECT{10, 10, 110, 60}), 1);  // the size it has: nothing changes
  EXPECT_EQ(editorSize(), (TViewPoint{100, 50}));
  EXPECT_EQ(request(RECT{10, 10, 150, 60}), 1);  // only wider: nothing to redraw
  EXPECT_EQ(editorSize(), (TViewPoint{140, 50}));
  Log().clear();
  Pump();
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(request(RECT{10, 10, 150, 30}), 1);  // shorter: the strip below is drawn again
  EXPECT_EQ(editorSize(), (TViewPoint{140, 20}));
  EXPECT_TRUE(Logged("main background 0-200"));  // at once, its frame given
  EXPECT_TRUE(RegionIsEmpty(manager->GetDeepRegion()));
}

TEST_F(OffScreenViewBaseTest, MovingTheTopLeftCornerKeepsTheBottomRight) {
  auto* view = new TCoordsLike;
  view->BuildWindow(nullptr, root_, TViewPoint{100, 50}, TViewPoint{200, 80}, 5, 5);
  view->MoveTopLeft(10, 5, false);
  EXPECT_EQ(view->GetLocation(), (TViewPoint{110, 55}));
  EXPECT_EQ(view->GetStoredSize(), (TViewPoint{190, 75}));
}

}  // namespace
}  // namespace view_test
