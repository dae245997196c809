// Property dialogs made of panels: the panel table chooses by the classes of the selection
// (preference, narrowing, the include-descendants flag, re-choosing), the details part grows
// and shrinks the window, the factory builds each number's class, and the dialog command runs
// a dialog modally with its edits left for undo.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "core/CommandNesting.h"
#include "model/command/CommandHandler.h"
#include "platform/win32/Dialog.h"
#include "tests/model/command/TestWorld.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/dialogs/DialogFactory.h"
#include "ui/dialogs/OwlDialogs.h"
#include "ui/dialogs/PanelDialogs.h"
#include "ui/dialogs/PanelTable.h"
#include "ui/dialogs/WindowsDialog.h"

namespace dialog_test {
namespace {

// KBase > K1 > K11, K12; KBase > K2.
class KBase : public TThing {
  DECLARE_CLASS_ID(9200, TThing)
};
class K1 : public KBase {
  DECLARE_CLASS_ID(9201, KBase)
};
class K2 : public KBase {
  DECLARE_CLASS_ID(9202, KBase)
};
class K11 : public K1 {
  DECLARE_CLASS_ID(9203, K1)
};
class K12 : public K1 {
  DECLARE_CLASS_ID(9204, K1)
};

template <class T>
TObject* Make() {
  return new T;
}

constexpr int16_t kPanels = 9301;
constexpr int16_t kDetails = 9401;
constexpr int16_t kP10 = 9310, kP20 = 9320, kP30 = 9330, kP40 = 9340, kP50 = 9350;

class SilentReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

class PanelDialogTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    RegisterClassInfo("KBase", MakeTag("KBas"), 9200, Make<KBase>, sizeof(KBase));
    RegisterClassInfo("K1", MakeTag("K1__"), 9201, Make<K1>, sizeof(K1));
    RegisterClassInfo("K2", MakeTag("K2__"), 9202, Make<K2>, sizeof(K2));
    RegisterClassInfo("K11", MakeTag("K11_"), 9203, Make<K11>, sizeof(K11));
    FreezeClassRegistry();
    const int16_t hierarchy[] = {4, 9201, 9200, 9202, 9200, 9203, 9201, 9204, 9201, 9200, 0};
    AdoptClassHierarchy(NewHandleFromBytes(hierarchy, sizeof hierarchy));
    BuildPanelModule();
    SetResourceModule2(LoadResourceLibrary("panels-test.dll"));
  }
  void TearDown() override {
    application_.DropAllCommands();
    SetResourceModule2(nullptr);
    UnregisterResourceModule("panels-test.dll");
    FreeClassHierarchy();
    FreeClassRegistry();
    DialogFixture::TearDown();
  }

  void BuildPanelModule() {
    DialogTemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION, 4, "Panels", 200, 100);
    writer.Item(WS_TABSTOP | 1, 1, kButtonOrdinal, "OK", 8, 80, 40, 14);
    writer.Item(WS_TABSTOP, 2, kButtonOrdinal, "Cancel", 56, 80, 40, 14);
    writer.Item(WS_TABSTOP, 453, kButtonOrdinal, "More", 104, 80, 40, 14);
    writer.Item(WS_TABSTOP, 454, kButtonOrdinal, "Less", 150, 80, 40, 14);
    template_ = writer.bytes;
    FilterBytes empty;
    empty.Word(0);
    empty_ = empty.Bytes();
    // Each panel: one static item tagged with the panel.
    for (int16_t panel : {kP10, kP20, kP30, kP40, kP50, static_cast<int16_t>(kDetails + 1)}) {
      FilterBytes list;
      list.Word(1).Word(80).Tag("pane").Record(0, panel, 0x50000000, 4, 4, 60, 14, "panel");
      panelLists_.push_back(list.Bytes());
    }
    // (K1, 10), (K2, 20), (KBase, 30, descendants), (KBase, 40), (K1, 50).
    FilterBytes table;
    table.Word(0).Word(5);
    table.Tag("K1__").Word(kP10).Word(0);
    table.Tag("K2__").Word(kP20).Word(0);
    table.Tag("KBas").Word(kP30).Word(1);
    table.Tag("KBas").Word(kP40).Word(0);
    table.Tag("K1__").Word(kP50).Word(0);
    table_ = table.Bytes();
    const int16_t height = 40;
    details_.assign(reinterpret_cast<const uint8_t*>(&height),
                    reinterpret_cast<const uint8_t*>(&height) + 2);
    const auto entry = [](const char* type, uint16_t typeId, int16_t id,
                          const std::vector<uint8_t>& bytes) {
      return ResourceEntry{type, typeId, nullptr, static_cast<uint16_t>(id), bytes.data(),
                           static_cast<uint32_t>(bytes.size())};
    };
    entries_ = {entry(nullptr, 5, kPanels, template_), entry("fltr", 0, kPanels, empty_),
                entry("l)(a", 0, kPanels, table_),    entry(nullptr, 5, kDetails, template_),
                entry("fltr", 0, kDetails, empty_),   entry("MDDi", 0, kDetails, details_)};
    const int16_t numbers[] = {kP10, kP20, kP30, kP40, kP50, kDetails + 1};
    for (size_t i = 0; i < panelLists_.size(); ++i) {
      entries_.push_back(entry("fltr", 0, numbers[i], panelLists_[i]));
    }
    RegisterResourceModule(ResourceModuleTable{"panels-test.dll", entries_.data(),
                                               static_cast<uint32_t>(entries_.size())});
  }

  template <class Dialog>
  void Open(Dialog& dialog, int16_t number) {
    const TDialogCreationRecord record{&dialog, number, number, number, 0};
    dialog.Initialize(nullptr, 0, &record);
    dialog.ShowModeless();
  }
  void Choose(WindowBase& dialog, std::vector<TLink*> selection) {
    selection_ = std::move(selection);
    dialog.Binding().Attach(&selection_, &world_);
    dialog.ChoosePanels(1);
  }
  std::vector<int16_t> Shown(const WindowBase& dialog) const {
    std::vector<int16_t> shown;
    for (int16_t panel : {kP10, kP20, kP30, kP40, kP50}) {
      if (dialog.FindPanelItem(panel) != nullptr) shown.push_back(panel);
    }
    return shown;
  }

  SilentReporter reporter_;
  TCommandNesting nesting_{reporter_};
  TCommandHandler application_{nesting_};
  command_test::TTestWorld world_{1};
  std::vector<TLink*> selection_;

 private:
  std::vector<uint8_t> template_, empty_, table_, details_;
  std::vector<std::vector<uint8_t>> panelLists_;
  std::vector<ResourceEntry> entries_;
};

TEST_F(PanelDialogTest, ThePreferredEntryWinsAndLaterEntriesShowOnlyWhereTheyApply) {
  TPanelDialog dialog;
  Open(dialog, kPanels);
  EXPECT_EQ(dialog.GetClassFilter(), -1);
  K2& two = world_.Add<K2>(20);
  K1& one = world_.Add<K1>(21);
  Choose(dialog, {&two, &one});
  // Entry 1 (K1) wins; KBase shows only with its descendants flag; the entry of the filter's
  // own class shows without it.
  EXPECT_EQ(Shown(dialog), (std::vector<int16_t>{kP10, kP30, kP50}));
  EXPECT_EQ(dialog.GetClassFilter(), 9201);
  ASSERT_NE(dialog.FindPanelItem(kP10), nullptr);
  EXPECT_TRUE(dialog.FindPanelItem(kP10)->HasControlWindow());
  EXPECT_EQ(dialog.FindPanelItem(kP10)->GetOwningPanel(), kP10);

  // Another selection: the earlier panels go, the kept one stays the same item.
  TMacDialogItem* const kept = dialog.FindPanelItem(kP30);
  Choose(dialog, {&two});
  EXPECT_EQ(Shown(dialog), (std::vector<int16_t>{kP20, kP30}));
  EXPECT_EQ(dialog.FindPanelItem(kP30), kept);
  EXPECT_EQ(dialog.GetClassFilter(), 9202);
  // Showing a shown panel renews it; hiding an absent one does nothing.
  dialog.ShowPanel(kP30, 1);
  dialog.ShowPanel(kP40, 0);
  EXPECT_EQ(Shown(dialog), (std::vector<int16_t>{kP20, kP30}));
}

TEST_F(PanelDialogTest, TheFilterNarrowsToWhatTheChosenObjectsShare) {
  TPanelDialog dialog;
  Open(dialog, kPanels);
  K11& a = world_.Add<K11>(20);
  K11& b = world_.Add<K11>(21);
  K12& c = world_.Add<K12>(22);
  Choose(dialog, {&a, &b});
  EXPECT_EQ(dialog.GetClassFilter(), 9203);
  // A K12 among them widens the filter back to their common base, the entry's class.
  Choose(dialog, {&a, &c});
  EXPECT_EQ(dialog.GetClassFilter(), 9201);
}

TEST_F(PanelDialogTest, NoMatchAndMalformedTablesShowNoPanels) {
  TPanelDialog dialog;
  Open(dialog, kPanels);
  Choose(dialog, {&world_.Thing(0)});
  EXPECT_TRUE(Shown(dialog).empty());
  // Tables cut short count as missing; a negative count gives no entries.
  const uint8_t shortTable[] = {0, 0, 2, 0, 'K', '1', '_', '_', 0x10, 0x24, 0, 0};
  EXPECT_FALSE(ParsePanelTable(shortTable).has_value());
  EXPECT_FALSE(ParsePanelTable(std::span<const uint8_t>(shortTable, 3)).has_value());
  const uint8_t negative[] = {5, 0, 0xFF, 0xFF};
  ASSERT_TRUE(ParsePanelTable(negative).has_value());
  EXPECT_EQ(ParsePanelTable(negative)->defaultPanel, 5);
  EXPECT_TRUE(ParsePanelTable(negative)->entries.empty());
}

TEST_F(PanelDialogTest, TheDetailsGrowAndShrinkTheWindowByTheirHeight) {
  EXPECT_EQ(TMoreDetailsDialog::LineHeight(16), 14);
  EXPECT_EQ(TMoreDetailsDialog::LineHeight(20), 17);
  EXPECT_EQ(TMoreDetailsDialog::LineHeight(13), 11);
  EXPECT_EQ(9 * TMoreDetailsDialog::LineHeight(20) / 8, 19);
  EXPECT_EQ(TMoreDetailsDialog::DetailsHeight(kDetails), 40);
  EXPECT_EQ(TMoreDetailsDialog::DetailsHeight(kPanels), 1);

  TMoreDetailsDialog dialog;
  Open(dialog, kDetails);
  const HWND window = dialog.GetDialogHandle();
  const int32_t step =
      40 * TMoreDetailsDialog::LineHeight(HIWORD(static_cast<uintptr_t>(GetDialogBaseUnits()))) /
      8;
  RECT before{};
  GetWindowRect(window, &before);
  dialog.ShowPanel(dialog.DetailsPanel(), 1);
  RECT grown{};
  GetWindowRect(window, &grown);
  EXPECT_TRUE(dialog.DetailsShown());
  EXPECT_EQ(grown.bottom - grown.top, before.bottom - before.top + step);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, 453)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, 454)));
  // Asking again changes nothing; collapsing gives the height back.
  dialog.ShowPanel(dialog.DetailsPanel(), 1);
  dialog.ShowPanel(dialog.DetailsPanel(), 0);
  RECT shrunk{};
  GetWindowRect(window, &shrunk);
  EXPECT_FALSE(dialog.DetailsShown());
  EXPECT_EQ(shrunk.bottom - shrunk.top, before.bottom - before.top);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, 453)));
}

TEST_F(PanelDialogTest, TheFactoryBuildsEachNumbersClass) {
  EXPECT_EQ(CreateDialogById(3002, nullptr), nullptr);
  EXPECT_EQ(CreateDialogById(10415, nullptr), nullptr);
  EXPECT_EQ(DialogClassOf(1009), TDialogClass::kPanel);
  EXPECT_EQ(DialogClassOf(10424), TDialogClass::kVectorSettings);
  EXPECT_EQ(DialogClassOf(1104), TDialogClass::kAction);
  EXPECT_EQ(DialogClassOf(10100), TDialogClass::kFloating);

  std::unique_ptr<TDialogWindow> details(CreateDialogById(1039, nullptr));
  ASSERT_NE(details, nullptr);
  EXPECT_TRUE(details->IsMemberClass(429));
  auto* detailsWindow = dynamic_cast<TOwlMoreDetailsDialog*>(details->GetDialog());
  ASSERT_NE(detailsWindow, nullptr);
  EXPECT_EQ(detailsWindow->GetCommandNumber(), kMoreChoicesCommand);

  std::unique_ptr<TDialogWindow> choices(CreateDialogById(1600, nullptr));
  ASSERT_NE(choices, nullptr);
  ASSERT_TRUE(choices->IsMemberClass(427));
  EXPECT_EQ(static_cast<TMoreChoicesDialog*>(choices.get())->GetCommandNumber(),
            kMoreChoicesCommand);
  EXPECT_EQ(choices->GetDialog()->GetTemplateId(), 1600);
  EXPECT_EQ(choices->GetCancelResult(), 1600);
}

// A handler that notes the commands that reach it.
class TNotingHandler : public TTargetHandler {
 public:
  TCommandCore* DoMenuCommand(int16_t command) override {
    commands.push_back(command);
    return nullptr;
  }
  std::vector<int16_t> commands;
};

TEST_F(PanelDialogTest, TheMoreChoicesCommandAcceptsTheDialogAndGoesUpTheChain) {
  std::unique_ptr<TDialogWindow> made(CreateDialogById(10410, nullptr));
  ASSERT_NE(made, nullptr);
  auto* choices = static_cast<TMoreChoicesDialog*>(made.get());
  TNotingHandler above;
  choices->SetNextHandler(&above);
  choices->DoMenuCommand(1031);
  EXPECT_EQ(choices->IsResultSet(), 0);
  choices->DoMenuCommand(kMoreChoicesCommand);
  EXPECT_EQ(choices->IsResultSet(), 1);
  EXPECT_EQ(choices->GetResultTag(), kAcceptedResult);
  EXPECT_EQ(above.commands, (std::vector<int16_t>{1031, kMoreChoicesCommand}));
  EXPECT_FALSE(choices->IsPropertyTag(MakeTag("md_l")));
  EXPECT_TRUE(choices->IsPropertyTag(MakeTag("m___")));
}

TEST_F(PanelDialogTest, VectorSettingsNeedTheSelectionsSettingsObject) {
  std::unique_ptr<TDialogWindow> made(CreateDialogById(10424, nullptr));
  ASSERT_NE(made, nullptr);
  auto* settings = static_cast<TVectorSettingsDialog*>(made.get());
  std::vector<TLink*> selection{&world_.Thing(0)};
  try {
    settings->SetSelection(&selection, nullptr, nullptr, 1);
    ADD_FAILURE() << "a selection without vector settings was taken";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
  EXPECT_EQ(settings->GetVectorSettings(), nullptr);
  // Detaching asks for nothing.
  settings->SetSelection(nullptr, nullptr, nullptr, 0);
}

}  // namespace
}  // namespace dialog_test
