// The panels of the selection's dialog and of the Properties window, with the program's own
// resources: an object of each class shows its own panel and no other, the two dialogs name the
// same panels, and every item of a panel is bound to a property its object answers in the shape
// the item reads, so that no field of a panel stands empty or refuses what is typed.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "simulation/UnitHandler.h"
#include "app/TApp.h"
#include "core/ClassRegistry.h"
#include "core/PString.h"
#include "core/port/Port.h"
#include "core/Tag.h"
#include "model/Formula.h"
#include "model/MenuProperty.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Button.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "simulation/UnitHandler.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/PanelDialogs.h"
#include "ui/dialogs/PanelTable.h"
#include "ui/dialogs/SelectionBinding.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/EntryList.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr int16_t kSelectionDialog = 1600;
constexpr int16_t kPropertiesWindow = 10000;

// Each class by its registered name, and the panel an object of it shows.
const std::map<std::string, int16_t>& ExpectedPanels() {
  static const std::map<std::string, int16_t> panels{
      {"TRectangle", 16001}, {"TOval", 16001},       {"TAnchor", 16002},  {"TPoint", 16003},
      {"TPin", 16004},       {"TSlot", 16005},       {"TCurvedSlot", 16006},
      {"TGear", 16007},      {"TRod", 16008},        {"TLRope", 16009},   {"TLSpring", 16010},
      {"TRSpring", 16010},   {"TLDampSpring", 16010}, {"TLDamper", 16011}, {"TRDamper", 16011},
      {"TRPiston", 16012},   {"TLPiston", 16013},    {"TForce", 16014},   {"TTorque", 16015},
      {"TLine", 16016},      {"TTextGadget", 16017}, {"TInput", 16018},   {"TOutput", 16019},
  };
  return panels;
}

// The samples that hold most kinds; the others are made new.
constexpr const char* kSamples[] = {"spring-and-pin.yb", "cam-follower.yb",
                                    "gear-train-and-rack.yb", "pulley.yb", "double-pendulum.yb"};

std::string ClassName(const TLink* object) {
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    const TClassInfo& info = ClassInfoAt(i);
    if (info.classId == object->GetClassIDAt(0)) return info.name;
  }
  return "?";
}

std::string TagText(uint32_t tag) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[static_cast<size_t>(i)] = static_cast<char>(tag >> (8 * i));
  return '"' + text + '"';
}

// Whether the object answers the tag in the shape that the item's binding reads; items that
// bind nothing (labels) answer true.
bool Answers(TLink& object, const TMacDialogItem& item) {
  const uint32_t tag = item.GetPropertyTag();
  switch (item.GetBindingKind()) {
    case binding_kind::kFormula: {
      double lower = 0.0, upper = 0.0;
      int32_t dimension = 0;
      uint16_t flag = 0;
      return object.GetFormulaProperty(tag, &lower, &upper, &dimension, &flag) != nullptr;
    }
    case binding_kind::kNumber: {
      double value = 0.0;
      return object.GetNumberProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kFlag: {
      uint16_t value = 0;
      return object.GetFlagProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kChoice: {
      int16_t value = 0;
      return object.GetChoiceProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kFill: {
      uint16_t value = 0;
      return object.GetShortProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kColour: {
      RGB16Color value{};
      return object.GetColourProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kInteger: {
      int32_t value = 0;
      return object.GetIntProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kText: {
      Str255 value;
      return object.GetStringProperty(tag, value, nullptr) != 0;
    }
    case binding_kind::kActionChoice:
      return object.HasAction(tag) != 0;
    case binding_kind::kMenu: {
      auto* menus = dynamic_cast<TMenuProperties*>(&object);
      std::vector<TMenuEntry> entries;
      int16_t chosen = -1;
      return menus != nullptr && menus->GetMenuProperty(tag, entries, chosen, nullptr) != 0;
    }
    default:
      return false;
  }
}

class PanelChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    app_.LoadResourceDlls();
    app_.InitUnits();
    for (const char* sample : kSamples) {
      auto document = std::make_unique<TQVDoc>();
      document->ReadDocument(std::string(YB_SAMPLES_DIR) + "/" + sample);
      for (TLink* object : document->World().Objects()) Keep(object);
      documents_.push_back(std::move(document));
    }
    // The kinds no sample holds, made new into the first world.
    TWorldDoc& world = documents_.front()->World();
    for (const char* tag : {"HH__", "spnR", "dS_L", "damp", "damR", "pist", "forc", "torq",
                            "Line", "naep", "inpt", "oupt"}) {
      auto* object = dynamic_cast<TLink*>(CreateObjectByTag(TagFromString(tag)));
      ASSERT_NE(object, nullptr) << tag;
      object->Initialize();
      std::unique_ptr<TLink> owned(object);
      Keep(object);
      world.AdoptObject(std::move(owned));
    }
  }
  void TearDown() override {
    documents_.clear();
    app_.TermUnits();
    app_.FreeResourceDlls();
    ResetWindowSystem();
    UseProcessClock();
  }

  void Keep(TLink* object) {
    const std::string name = ClassName(object);
    if (ExpectedPanels().contains(name) && !objects_.contains(name)) objects_[name] = object;
  }

  // The dialog shown modelessly with the object alone selected and its panels chosen.
  void Choose(WindowBase& dialog, TLink* object) {
    selection_ = {object};
    dialog.Binding().Attach(&selection_, &documents_.front()->World());
    dialog.ChoosePanels(1);
  }
  static std::set<int16_t> ShownPanels(const WindowBase& dialog) {
    std::set<int16_t> shown;
    for (const auto& [name, panel] : ExpectedPanels()) {
      if (dialog.FindPanelItem(panel) != nullptr) shown.insert(panel);
    }
    return shown;
  }
  template <class Dialog>
  static void Open(Dialog& dialog, int16_t number) {
    const TDialogCreationRecord record{&dialog, number, number, number, 10000};
    dialog.Initialize(nullptr, 0, &record);
    dialog.ShowModeless();
  }

  TApp app_;
  std::vector<std::unique_ptr<TQVDoc>> documents_;
  std::map<std::string, TLink*> objects_;
  std::vector<TLink*> selection_;
};

TEST_F(PanelChoiceTest, BothDialogsNameTheSamePanelsForTheSameClasses) {
  const std::optional<TPanelTable> selection = LoadPanelTable(kSelectionDialog);
  const std::optional<TPanelTable> window = LoadPanelTable(kPropertiesWindow);
  ASSERT_TRUE(selection.has_value());
  ASSERT_TRUE(window.has_value());
  ASSERT_EQ(selection->entries.size(), window->entries.size());
  for (size_t i = 0; i < selection->entries.size(); ++i) {
    EXPECT_EQ(selection->entries[i].classTag, window->entries[i].classTag) << i;
    EXPECT_EQ(selection->entries[i].panel, window->entries[i].panel) << i;
    EXPECT_GT(ClassIdFromTag(selection->entries[i].classTag), 0) << "entry " << i;
  }
  // The coordinates bar takes its first two cells' class from the window's table: bodies, then
  // points.
  ASSERT_GE(window->entries.size(), 3u);
  EXPECT_EQ(window->entries[0].classTag, MakeTag("mass"));
  EXPECT_EQ(window->entries[2].classTag, MakeTag("poin"));
}

TEST_F(PanelChoiceTest, EachClassShowsItsOwnPanelAndNoOther) {
  for (const auto& [name, panel] : ExpectedPanels()) {
    ASSERT_TRUE(objects_.contains(name)) << "no " << name << " to select";
  }
  for (int16_t number : {kSelectionDialog, kPropertiesWindow}) {
    std::unique_ptr<WindowBase> dialog;
    if (number == kSelectionDialog) {
      auto made = std::make_unique<TMoreChoicesDialog>();
      Open(*made, number);
      dialog = std::move(made);
    } else {
      auto made = std::make_unique<WindowBase2>();
      Open(*made, number);
      dialog = std::move(made);
    }
    for (const auto& [name, object] : objects_) {
      Choose(*dialog, object);
      EXPECT_EQ(ShownPanels(*dialog), std::set<int16_t>{ExpectedPanels().at(name)})
          << name << " in dialog " << number;
    }
    // A body and a spring together: the body, first in the table, chooses.
    selection_ = {objects_.at("TLSpring"), objects_.at("TRectangle")};
    dialog->Binding().Attach(&selection_, &documents_.front()->World());
    dialog->ChoosePanels(1);
    EXPECT_EQ(ShownPanels(*dialog), std::set<int16_t>{16001}) << "dialog " << number;
    // The background, which no entry names, and then nothing selected: no panel stays.
    Choose(*dialog, objects_.at("TLSpring"));
    Choose(*dialog, documents_.front()->World().Objects().front());
    EXPECT_EQ(ShownPanels(*dialog), std::set<int16_t>{}) << "background in dialog " << number;
    Choose(*dialog, objects_.at("TLSpring"));
    selection_.clear();
    dialog->ChoosePanels(1);
    EXPECT_EQ(ShownPanels(*dialog), std::set<int16_t>{}) << "nothing in dialog " << number;
  }
}

// Some fields belong to one state of their object: a force's size and angle to its polar form,
// a motor's limit to a motor that has one, a constraint's condition to one that does not always
// act. Each object is asked as it is and in its other state.
void ToOtherState(const std::string& name, TLink& object) {
  if (name == "TForce") object.SelectChoice(MakeTag("polr"));
  object.SelectChoice(MakeTag("A Wh"));
  if (name == "TRPiston" || name == "TLPiston") object.SetShortProperty(MakeTag("lres"), 2);
}

TEST_F(PanelChoiceTest, EveryItemOfAPanelIsBoundToAPropertyItsObjectAnswers) {
  WindowBase2 dialog;
  Open(dialog, kPropertiesWindow);
  for (const auto& [name, object] : objects_) {
    Choose(dialog, object);
    const int16_t panel = ExpectedPanels().at(name);
    std::vector<TMacDialogItem*> bound;
    dialog.GetDialog()->EachItem([&](TMacDialogItem* item) {
      if (item->IsRemoved() != 0 || item->GetPanelNumber() != panel) return;
      EXPECT_TRUE(item->HasControlWindow()) << name << ": " << TagText(item->GetPropertyTag());
      if (item->GetBindingKind() != 0) bound.push_back(item);  // labels bind nothing
    });
    EXPECT_FALSE(bound.empty()) << name;
    std::vector<bool> answered(bound.size(), false);
    for (int state = 0; state < 2; ++state) {
      if (state == 1) ToOtherState(name, *object);
      for (size_t i = 0; i < bound.size(); ++i) {
        if (Answers(*object, *bound[i])) answered[i] = true;
      }
    }
    for (size_t i = 0; i < bound.size(); ++i) {
      EXPECT_TRUE(answered[i]) << name << " does not answer " << TagText(bound[i]->GetPropertyTag())
                               << " as binding kind " << bound[i]->GetBindingKind();
    }
  }
}

// The Properties window's Object list names unnamed objects of one kind alike; choosing the
// second of two points selects that point, not the first.
TEST_F(PanelChoiceTest, ThePointChosenInTheObjectListIsTheOneSelected) {
  TWorldDoc& world = documents_.front()->World();
  WindowBase2 window;
  Open(window, kPropertiesWindow);
  window.SetSelection(&world.Selection(), nullptr, &world, 1);
  window.RebuildSelector();
  auto* const list = dynamic_cast<TEntryList*>(window.FindItem(kSelectorTag));
  ASSERT_NE(list, nullptr);
  std::vector<int32_t> points;
  for (int32_t i = 0; i < list->EntryCount(); ++i) {
    if (list->EntryText(i) == Str255("  TPoint")) points.push_back(i);
  }
  ASSERT_GE(points.size(), 2u);
  std::vector<TLink*> worldPoints;
  for (TLink* object : world.Objects()) {
    if (ClassName(object) == "TPoint") worldPoints.push_back(object);
  }
  ASSERT_GE(worldPoints.size(), 2u);
  for (size_t n : {size_t{1}, size_t{0}}) {
    list->SelectEntry(points[n]);
    window.ChooseSelectorEntry(window.FindItem(kSelectorTag));
    ASSERT_EQ(world.Selection().size(), 1u);
    EXPECT_EQ(world.Selection()[0], worldPoints[n]) << "point " << n;
    // The list built again for the new selection has no empty entry at its top.
    window.RebuildSelector();
  }
}

// The selection's dialog, run as its menu command runs it, shows the spring's panel with the
// spring's stiffness; its More Choices button ends the run as accepted, Escape as cancelled.
TEST_F(PanelChoiceTest, TheSelectionsDialogShowsTheSpringAndMoreChoicesAcceptsIt) {
  TWorldDoc& world = documents_.front()->World();
  TLink* const spring = objects_.at("TLSpring");
  const TFormula* stiffness =
      spring->GetFormulaProperty(MakeTag("a___"), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(stiffness, nullptr);
  constexpr int32_t kStiffnessField = 2202;  // the first field of the springs' panel
  for (const bool moreChoices : {true, false}) {
    app_.Commands().DropAllCommands();
    world.DeselectAll();
    world.Select(spring);
    auto* command = new TDialogCommand;
    command->InitDialogCommand(kSelectionDialog, &world, &world.Selection());
    std::string shown;
    ScriptUser({[&] {
      const HWND dialog = GetActiveWindow();
      shown = GetWindowTextString(GetDlgItem(dialog, kStiffnessField));
      if (moreChoices) {
        SendMessage(GetDlgItem(dialog, 453), BM_CLICK, 0, 0);
      } else {
        InjectKeyStroke(VK_ESCAPE);
      }
    }});
    app_.Commands().PostCommand(command);
    while (app_.Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
    ASSERT_FALSE(shown.empty()) << "no stiffness field";
    EXPECT_DOUBLE_EQ(std::stod(shown), stiffness->GetValue());
    EXPECT_EQ(app_.Commands().GetLastCommand() != nullptr, moreChoices);
  }
}

// The world's own dialogs edit the world, its engine and its units: every item of each is
// bound to a property one of them answers.
TEST_F(PanelChoiceTest, TheWorldsDialogsAreBoundToWhatTheWorldItsEngineAndItsUnitsAnswer) {
  TWorldDoc& world = documents_.front()->World();
  std::vector<TLink*> edited{&world};
  for (TLink* object : world.Objects()) {
    if (object->IsMemberClass(406) || object->IsMemberClass(384)) edited.push_back(object);
  }
  ASSERT_EQ(edited.size(), 3u) << "the world has no engine or no unit handler";
  for (int16_t number : {1400, 1500, 1005, 1014, 1077}) {
    TPanelDialog dialog;
    Open(dialog, number);
    ASSERT_NE(dialog.GetDialog(), nullptr) << number;
    dialog.Binding().Attach(&edited, &world);
    int bound = 0;
    dialog.GetDialog()->EachItem([&](TMacDialogItem* item) {
      if (item->GetBindingKind() == 0) return;
      ++bound;
      bool answered = false;
      for (TLink* object : edited) answered = answered || Answers(*object, *item);
      EXPECT_TRUE(answered) << "dialog " << number << ": nothing answers "
                            << TagText(item->GetPropertyTag()) << " as binding kind "
                            << item->GetBindingKind();
    });
    EXPECT_GT(bound, 0) << number;
  }
}

// The unit popups of Numbers and Units offer the units of their quantity, the one shown chosen;
// a unit picked there is the world's, and a named system picked sets every unit and shows them.
TEST_F(PanelChoiceTest, TheNumbersDialogPicksTheUnitsAndTheSystem) {
  TWorldDoc& world = documents_.front()->World();
  auto* units = dynamic_cast<TWorldUnitHandler*>(world.GetUnitHandler());
  ASSERT_NE(units, nullptr);
  units->SetUnitSystem(1);
  auto* command = new TDialogCommand;
  command->InitDialogCommand(1014, &world, nullptr);
  std::string distanceShown, systemShown, massShownAfter;
  int distanceCount = 0;
  // The entry a drop-down list shows.
  const auto shownEntry = [](int item) {
    const HWND list = GetDlgItem(GetActiveWindow(), item);
    const LRESULT chosen = SendMessage(list, CB_GETCURSEL, 0, 0);
    char text[256] = {};
    if (chosen >= 0) SendMessage(list, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(text));
    return std::string(text);
  };
  ScriptUser({[&] {
                const HWND distance = GetDlgItem(GetActiveWindow(), 130);
                distanceShown = shownEntry(130);
                distanceCount = static_cast<int>(SendMessage(distance, CB_GETCOUNT, 0, 0));
                SetFocus(distance);
                InjectKeyStroke(VK_DOWN);
              },
              [&] {
                systemShown = shownEntry(120);
                const HWND system = GetDlgItem(GetActiveWindow(), 120);
                SetFocus(system);
                // "si radians", "cgs", ...: the second is the centimetre-gram-second system.
                SendMessage(system, CB_SETCURSEL, 0, 0);
                InjectKeyStroke(VK_DOWN);
              },
              [&] { massShownAfter = shownEntry(131); },
              [] { InjectKeyStroke(VK_RETURN); }});
  app_.Commands().PostCommand(command);
  while (app_.Commands().PerformNextQueued()) {
  }
  SetIdleScript(nullptr);
  EXPECT_EQ(distanceShown, "meters");
  EXPECT_EQ(distanceCount, 14);
  EXPECT_EQ(systemShown, "custom") << "picking centimetres leaves the named system";
  EXPECT_EQ(units->GetUnitSystem(), 2);
  EXPECT_EQ(units->GetUnit(kQuantityMass), 2);
  EXPECT_EQ(massShownAfter, "grams");
}

// The Numbers and Units dialog, opened as the World menu opens it (on the world, without a
// selection), shows the world's digits and takes a new count typed into it.
TEST_F(PanelChoiceTest, TheNumbersDialogEditsTheWorldsUnits) {
  TWorldDoc& world = documents_.front()->World();
  TLink* const units = world.GetUnitHandler();
  ASSERT_NE(units, nullptr);
  const uint32_t digitsTag = MakeTag("  ##");
  int32_t before = 0;
  ASSERT_NE(units->GetIntProperty(digitsTag, before, nullptr), 0);
  const int32_t wanted = before == 6 ? 7 : 6;
  auto* command = new TDialogCommand;
  command->InitDialogCommand(1014, &world, nullptr);
  std::string shown;
  ScriptUser({[&] {
                const HWND field = GetDlgItem(GetActiveWindow(), 101);
                shown = GetWindowTextString(field);
                SetFocus(field);
                SendMessage(field, EM_SETSEL, 0, -1);
                InjectCharacter(static_cast<uint8_t>('0' + wanted));
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  app_.Commands().PostCommand(command);
  while (app_.Commands().PerformNextQueued()) {
  }
  SetIdleScript(nullptr);
  EXPECT_EQ(shown, std::to_string(before));
  int32_t after = 0;
  ASSERT_NE(units->GetIntProperty(digitsTag, after, nullptr), 0);
  EXPECT_EQ(after, wanted);
}

}  // namespace
