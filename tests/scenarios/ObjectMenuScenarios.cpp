// The objects' own menu items: Edit > Properties offers the properties dialog of the selection
// and of each kind of object, greyed while nothing of that kind is selected, and the world's own
// dialogs; a spring picked in the Properties window's object list opens its own dialog from the
// menu, and what is typed there is saved. A double click inside the wheel picks the wheel, never
// the background behind it.

#include <algorithm>
#include <string>
#include <vector>

#include "constraints/Springs.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// Edit > Properties: the dialogs of the selection and of each kind of object, then the world's.
const MenuPath kProperties = {"Edit", "Properties"};
constexpr char kSelectionItem[] = "Of the Selection...", kBodyItem[] = "Body...",
               kSpringItem[] = "Spring...", kRopeItem[] = "Rope...", kDamperItem[] = "Damper...";
constexpr char kSimulationItem[] = "World Simulation...", kNumbersItem[] = "Numbers and Units...",
               kViewItem[] = "World View...";

// The stiffness of the saved world's spring, or the failure to read it.
struct SavedSpring {
  std::string failure;
  double stiffness = -1.0;
};

SavedSpring ReadSpring(const std::string& path) {
  SavedSpring saved;
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      auto* spring = dynamic_cast<TLSpring*>(object);
      if (spring == nullptr) continue;
      const TFormula* formula =
          spring->GetFormulaProperty(MakeTag("a___"), nullptr, nullptr, nullptr, nullptr);
      if (formula != nullptr) saved.stiffness = formula->GetValue();
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

class ObjectMenus : public SampleScenario {
 protected:
  // A copy of the spring-and-pin sample under the name, opened in a fresh program; where its box
  // and its wheel are on the screen.
  void OpenSample(const std::string& name) {
    ASSERT_TRUE(OpenCopy(name));
    ASSERT_EQ(Opened().BodiesOfKind("TRectangle").size(), 1u) << Opened().Description();
    ASSERT_EQ(Opened().BodiesOfKind("TOval").size(), 1u) << Opened().Description();
    const SavedBody box = Opened().BodiesOfKind("TRectangle")[0];
    const SavedBody wheel = Opened().BodiesOfKind("TOval")[0];
    box_ = OutlineOf("TRectangle");
    ASSERT_FALSE(box_.Empty()) << "the box is not shown";
    // The wheel's centre, from the box's (y grows downwards on the screen).
    wheelX_ = box_.x + box_.width / 2 + Pixels(wheel.x - box.x);
    wheelY_ = box_.y + box_.height / 2 - Pixels(wheel.y - box.y);
    wheelRadius_ = Pixels(wheel.width / 2);
  }

  // Opens Edit > Properties and answers the place of its submenu (empty when none opened).
  Box OpenPropertiesSubmenu() {
    const std::vector<Box> before = Me().ShownPlaces();
    EXPECT_TRUE(Click(kProperties));
    EXPECT_TRUE(Me().Idle());
    Box submenu;
    for (const Box& place : Me().ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end() && place.x > submenu.x)
        submenu = place;
    return submenu;
  }
  // The row of an item of the open Properties submenu.
  static Box ItemRow(const Box& submenu, const std::string& item) {
    MenuPath path = kProperties;
    path.push_back(item);
    return MenuItemRow(submenu, path);
  }
  // Whether the item of the open submenu is drawn in black, as an item that can be chosen is;
  // a greyed item has no black letters.
  static bool ShowsEnabled(const Box& submenu, const std::string& item) {
    const Box row = ItemRow(submenu, item);
    if (row.Empty()) return false;
    return Me().Grab({row.x + 2, row.y, row.width - 4, row.height}).Count(IsInk) > 10;
  }
  // Clicks the item of the open submenu.
  static void ClickItem(const Box& submenu, const std::string& item) {
    const Box row = ItemRow(submenu, item);
    Me().Click(submenu.x + 20, row.y + row.height / 2);
  }
  // Window > Properties: the floating Properties window, and its place.
  void OpenPropertiesWindow() {
    ASSERT_TRUE(Click({"Window", "Properties"}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Properties") != 0; }))
        << "the Properties window did not open";
    ASSERT_TRUE(Me().Idle());
    properties_ = Me().Place(Me().WindowTitled("Properties"));
  }
  // The Properties window's object list, where the chosen object's name shows.
  Box ObjectField() const { return Box{properties_.x + 100, properties_.y + 40, 220, 16}; }
  // Gives the object list the keyboard (a click drops its entries, Escape takes them away),
  // picks its last object with End and goes up the rows to the object, each row picked in turn.
  void ChooseInObjectList(int rowsUpFromTheLast) {
    const Box field = ObjectField();
    Me().Click(field.x + field.width / 2, field.y + field.height / 2);
    ASSERT_TRUE(Me().Idle());
    Me().Key("Escape");
    ASSERT_TRUE(Me().Idle());
    Me().Key("End");
    ASSERT_TRUE(Me().Idle());
    for (int i = 0; i < rowsUpFromTheLast; ++i) {
      Me().Key("Up");
      ASSERT_TRUE(Me().Idle());
    }
  }
  // Chooses the item of Edit > Properties, waits for the dialog of the title and cancels it.
  void ChooseAndCancel(const std::string& item, const std::string& title) {
    const Box submenu = OpenPropertiesSubmenu();
    ASSERT_FALSE(submenu.Empty()) << "Edit > Properties opened no submenu";
    ASSERT_TRUE(ShowsEnabled(submenu, item)) << title << " is grey";
    ClickItem(submenu, item);
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(title) != 0; }))
        << "no " << title << ": " << testing::PrintToString(Me().Titles());
    ASSERT_TRUE(Me().Idle());
    Me().Key("Escape");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(title) == 0; }))
        << "Escape did not close " << title;
    ASSERT_TRUE(Me().Idle());
  }
  void CloseMenus() {
    Me().Key("Escape");
    Me().Key("Escape");
    ASSERT_TRUE(Me().Idle());
  }

  Box box_;
  int wheelX_ = 0, wheelY_ = 0, wheelRadius_ = 0;
  Box properties_;
};

TEST_F(ObjectMenus, ThePropertyItemsAreGreyUntilAnObjectOfTheirKindIsSelected) {
  ASSERT_NO_FATAL_FAILURE(OpenSample("menus-follow-the-selection.yb"));
  Box submenu = OpenPropertiesSubmenu();
  ASSERT_FALSE(submenu.Empty()) << "Edit > Properties opened no submenu";
  for (const char* item : {kSelectionItem, kBodyItem, kSpringItem, kRopeItem, kDamperItem})
    EXPECT_FALSE(ShowsEnabled(submenu, item)) << "item " << item << " with nothing selected";
  ASSERT_NO_FATAL_FAILURE(CloseMenus());

  // Inside the box, away from the spring's end at its middle.
  Me().Click(box_.x + box_.width / 4, box_.y + box_.height / 4);
  ASSERT_TRUE(Me().Idle());
  submenu = OpenPropertiesSubmenu();
  ASSERT_FALSE(submenu.Empty()) << "Edit > Properties opened no submenu";
  EXPECT_TRUE(ShowsEnabled(submenu, kSelectionItem));
  EXPECT_TRUE(ShowsEnabled(submenu, kBodyItem));
  for (const char* item : {kSpringItem, kRopeItem, kDamperItem})
    EXPECT_FALSE(ShowsEnabled(submenu, item)) << "item " << item << " with the box selected";
  ASSERT_NO_FATAL_FAILURE(CloseMenus());

  // Each enabled item opens its dialog on the box.
  ASSERT_NO_FATAL_FAILURE(ChooseAndCancel(kSelectionItem, "Selection Properties"));
  ASSERT_NO_FATAL_FAILURE(ChooseAndCancel(kBodyItem, "Body Properties"));
}

TEST_F(ObjectMenus, TheSpringPickedInThePropertiesWindowOpensItsDialogFromTheMenu) {
  ASSERT_NO_FATAL_FAILURE(OpenSample("spring-from-the-menu.yb"));
  const SavedSpring before = ReadSpring(CopyPath());
  ASSERT_EQ(before.failure, "");
  ASSERT_NE(before.stiffness, 42.0);
  ASSERT_NO_FATAL_FAILURE(OpenPropertiesWindow());
  // The list ends with the spring, the wheel, the wheel's two points and the pin.
  ASSERT_NO_FATAL_FAILURE(ChooseInObjectList(4));

  const Box submenu = OpenPropertiesSubmenu();
  ASSERT_FALSE(submenu.Empty()) << "Edit > Properties opened no submenu";
  ASSERT_TRUE(ShowsEnabled(submenu, kSpringItem)) << "Spring is grey with the spring picked";
  ClickItem(submenu, kSpringItem);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Spring Properties") != 0; }))
      << "no Spring Properties: " << testing::PrintToString(Me().Titles());
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Spring Properties"; }))
      << "the dialog did not take the keyboard: " << Me().FocusedTitle();
  // The stiffness follows the name: Tab goes there and selects what it holds.
  Me().Key("Tab");
  Me().Type("42");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Spring Properties") == 0; }))
      << "Return did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedSpring after = ReadSpring(CopyPath());
  ASSERT_EQ(after.failure, "");
  EXPECT_DOUBLE_EQ(after.stiffness, 42.0);
}

TEST_F(ObjectMenus, ADoubleClickInsideTheWheelPicksTheWheelNotTheBackground) {
  ASSERT_NO_FATAL_FAILURE(OpenSample("wheel-not-background.yb"));
  ASSERT_NO_FATAL_FAILURE(OpenPropertiesWindow());
  // With nothing selected the object list shows the world's first object, the background.
  const Picture first = Me().Grab(ObjectField());

  Me().DoubleClick(wheelX_, wheelY_ + wheelRadius_ / 2);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Body Properties") != 0; }))
      << "no Body Properties: " << testing::PrintToString(Me().Titles());
  ASSERT_TRUE(Me().Idle());
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Body Properties") == 0; }));
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(Me().Grab(ObjectField()).Differences(first), 0)
      << "the Properties window still names the background";
  // A body is selected, and the background never offers the body's dialog.
  const Box submenu = OpenPropertiesSubmenu();
  ASSERT_FALSE(submenu.Empty()) << "Edit > Properties opened no submenu";
  EXPECT_TRUE(ShowsEnabled(submenu, kBodyItem));
  ASSERT_NO_FATAL_FAILURE(CloseMenus());
}

TEST_F(ObjectMenus, TheWorldsOwnDialogsOpenFromEditProperties) {
  ASSERT_TRUE(Running());
  ASSERT_NO_FATAL_FAILURE(ChooseAndCancel(kSimulationItem, "Simulation"));
  ASSERT_NO_FATAL_FAILURE(ChooseAndCancel(kNumbersItem, "Numbers and Units"));
  ASSERT_NO_FATAL_FAILURE(ChooseAndCancel(kViewItem, "View"));
}

}  // namespace
}  // namespace scenario
