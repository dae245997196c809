// The world's actions, as a dialog's action buttons perform them: zooming its window to every
// object, making it the start of new documents, linking to an external table and loading a data
// table through the first of its objects that loads tables.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/world/PreferencesCommand.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "platform/win32/Profile.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

constexpr uint32_t kZoom = MakeTag("zExt");
constexpr uint32_t kPreferences = MakeTag("prfF");
constexpr uint32_t kLink = MakeTag("exLi");
constexpr uint32_t kLoadTable = MakeTag("DTGo");

class TMarkCommand : public TSmallCommand {
 public:
  explicit TMarkCommand(int16_t number) { Init(number, nullptr, nullptr, nullptr); }
};

// A document window that counts zooms and answers the menu commands it is given with a command
// of the same number, when told to.
class TActionDisplay : public TWorldDisplay {
 public:
  bool GetShowGrid() const override { return false; }
  void SetShowGrid(bool) override {}
  void ZoomToExtents() override { ++zooms; }
  void UpdateView() override {}
  TWindowPlacement GetPlacement() const override { return {}; }
  void SetPlacement(const TWindowPlacement&) override {}
  void ApplyWindowSettings() override {}
  void SetShown(bool) override {}
  void FocusView() override {}
  MacPoint WorldToPixel(const TVector&) override { return MacPoint(0, 0); }
  MacRect ExtentInPort() const override { return MacRect(); }
  void ScrollToOrigin(double, double) override {}
  TCommandCore* DoWorldMenuCommand(int16_t command) override {
    asked.push_back(command);
    return answers ? new TMarkCommand(command) : nullptr;
  }

  int zooms = 0;
  bool answers = true;
  std::vector<int16_t> asked;
};

// An object of the world that takes one menu number, with a command or without.
class TLoaderObject : public TTestObject {
 public:
  int16_t takes = 0;
  bool withCommand = true;
  int calls = 0;
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override {
    if (command != takes) return TTestObject::DoObjectMenuCommand(command, handled);
    ++calls;
    handled = true;
    if (!withCommand) return nullptr;
    return std::make_unique<TMarkCommand>(command);
  }
};

class WorldActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    document = std::make_unique<TQVDoc>();
    World().SetHost(&host);
  }
  void TearDown() override {
    World().SetDisplay(nullptr);
    document.reset();
    scope.reset();
  }
  TWorldDoc& World() { return document->World(); }
  TLoaderObject& AddLoader(int16_t identifier, int16_t takes) {
    auto object = std::make_unique<TLoaderObject>();
    object->Initialize();
    object->SetIdentifier(identifier);
    object->takes = takes;
    TLoaderObject& kept = *object;
    World().AdoptObject(std::move(object));
    return kept;
  }
  std::vector<int16_t> PostedNumbers() const {
    std::vector<int16_t> numbers;
    for (const auto& command : host.posted) numbers.push_back(command->GetCommandNumber());
    return numbers;
  }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TQVDoc> document;
  TActionDisplay display;
};

TEST_F(WorldActionsTest, TheWorldHasItsFourActionsAndNoOthers) {
  for (uint32_t tag : {kZoom, kPreferences, kLink, kLoadTable})
    EXPECT_EQ(World().HasAction(tag), 1) << tag;
  EXPECT_EQ(World().HasAction(MakeTag("zSca")), 0);
  // An action the world does not have changes nothing and posts nothing.
  World().SetDisplay(&display);
  World().DoAction(MakeTag("xxxx"));
  EXPECT_EQ(display.zooms, 0);
  EXPECT_TRUE(display.asked.empty());
  EXPECT_TRUE(host.posted.empty());
}

TEST_F(WorldActionsTest, ZoomAndLinkGoThroughTheWindowAndDoNothingWithoutOne) {
  for (uint32_t tag : {kZoom, kLink}) World().DoAction(tag);
  EXPECT_TRUE(host.posted.empty());

  World().SetDisplay(&display);
  World().DoAction(kZoom);
  EXPECT_EQ(display.zooms, 1);
  EXPECT_TRUE(display.asked.empty());
  World().DoAction(kLink);
  ASSERT_EQ(display.asked, std::vector<int16_t>{1130});
  EXPECT_EQ(PostedNumbers(), std::vector<int16_t>{1130});
  // The menus may make nothing (nothing selected): nothing is posted.
  display.answers = false;
  World().DoAction(kLink);
  EXPECT_EQ(host.posted.size(), 1u);
}

TEST_F(WorldActionsTest, LoadingATableAsksTheFirstObjectThatLoadsTables) {
  World().SetDisplay(&display);
  TLoaderObject& other = AddLoader(2, 1107);
  TLoaderObject& first = AddLoader(3, 1125);
  TLoaderObject& second = AddLoader(4, 1125);
  World().DoAction(kLoadTable);
  EXPECT_EQ(other.calls, 0);
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(second.calls, 0);
  EXPECT_EQ(World().GetTableLoader(), &first);
  EXPECT_EQ(PostedNumbers(), std::vector<int16_t>{1125});
  EXPECT_TRUE(display.asked.empty());

  // A loader that does its work at once posts nothing; one that leaves the world is forgotten.
  first.withCommand = false;
  World().DoAction(kLoadTable);
  EXPECT_EQ(host.posted.size(), 1u);
  World().RemoveObject(&first);
  EXPECT_EQ(World().GetTableLoader(), nullptr);
  World().DoAction(kLoadTable);
  EXPECT_EQ(World().GetTableLoader(), &second);
}

TEST_F(WorldActionsTest, AWorldWithoutATableLoaderAsksItsMenusForOne) {
  World().DoAction(kLoadTable);  // no window: nothing to ask
  EXPECT_TRUE(host.posted.empty());
  World().SetDisplay(&display);
  World().DoAction(kLoadTable);
  EXPECT_EQ(display.asked, std::vector<int16_t>{1125});
  EXPECT_EQ(PostedNumbers(), std::vector<int16_t>{1125});
  EXPECT_EQ(World().GetTableLoader(), nullptr);
}

class PreferencesActionTest : public WorldActionsTest {
 protected:
  void SetUp() override {
    WorldActionsTest::SetUp();
    kept = GetWindowsDirectory();
    folder = std::filesystem::temp_directory_path() /
             ("yb-prefs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    // The configuration directory need not exist yet.
    SetWindowsDirectory((folder / "config").string());
  }
  void TearDown() override {
    SetWindowsDirectory(kept);
    std::filesystem::remove_all(folder);
    WorldActionsTest::TearDown();
  }
  std::string kept;
  std::filesystem::path folder;
};

TEST_F(PreferencesActionTest, ThePostedCommandWritesTheWorldAsTheStartOfNewDocuments) {
  auto object = std::make_unique<TTestObject>();
  object->Initialize();
  object->SetIdentifier(2);
  object->value = 2.5;
  World().AdoptObject(std::move(object));
  World().SetShortProperty(MakeTag("sk p"), 3);
  document->SetChangeCount(4);

  World().DoAction(kPreferences);
  ASSERT_EQ(PostedNumbers(), std::vector<int16_t>{kCmdMakePreferences});
  const std::filesystem::path written = folder / "config" / kPreferencesDocumentName;
  EXPECT_EQ(TPreferencesCommand::PreferencesPath(), written.string());
  EXPECT_FALSE(std::filesystem::exists(written));  // only when the command is performed
  host.posted.front()->Perform();
  ASSERT_TRUE(std::filesystem::exists(written));
  EXPECT_FALSE(std::filesystem::exists(written.string() + ".saving"));

  // The user's document is still unsaved and unnamed; the world files its results again.
  EXPECT_EQ(document->GetChangeCount(), 4);
  EXPECT_TRUE(document->Path().empty());
  EXPECT_EQ(World().GetFileResults(), 1);

  TQVDoc reopened;
  reopened.ReadDocument(written.string());
  auto* read = dynamic_cast<TTestObject*>(reopened.World().FindObject(2));
  ASSERT_NE(read, nullptr);
  EXPECT_DOUBLE_EQ(read->value, 2.5);
  EXPECT_EQ(reopened.World().GetSkipFrames(), 3);
}

TEST_F(PreferencesActionTest, WithoutAConfigurationDirectoryTheCommandFails) {
  const std::string profile = GetProfileFile();
  SetWindowsDirectory("");
  SetProfileFile("");
  EXPECT_TRUE(TPreferencesCommand::PreferencesPath().empty());
  TPreferencesCommand command(World(), document.get());
  EXPECT_THROW(command.DoIt(), QVException);
  SetProfileFile(profile);
}

}  // namespace
}  // namespace world_test
