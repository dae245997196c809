// Action buttons: caption from the action list, sizing, the press, what a press posts, and the
// button blocks read back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "core/port/PortText.h"
#include "inout/gadgets/ActionButton.h"
#include "model/command/CommandCore.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// Answers for the application: which commands it makes, what it was asked to post.
class FakeHost : public TActionHost {
 public:
  bool IsCommandEnabled(int16_t command) override { return command != disabled; }
  TCommandCore* MakeMenuCommand(int16_t command) override {
    asked.push_back(command);
    if (command == refused) return nullptr;
    auto* made = new TCommandCore();
    made->InitCommand(command, nullptr, nullptr, nullptr);
    return made;
  }
  void PostCommand(TCommandCore* command) override {
    posted.push_back(command->GetCommandNumber());
    delete command;
  }
  void ClearChangeCount(TActionButton&) override { ++cleared; }
  void UpdateWorldView(TActionButton&) override { ++viewUpdates; }
  bool ScriptName(TActionButton&, int16_t index, Str255& name) override {
    if (index > 2) return false;
    name = index == 1 ? "Bounce" : "Spin";
    return true;
  }
  bool IsRunning(TActionButton&) override { return running; }
  bool IsDocumentOpen(const Str255& path) override { return path == openPath; }
  void PostOpenDocument(const TActionDocument& document) override {
    opened.emplace_back(document.path.AsCString());
  }

  int16_t disabled = -1;
  int16_t refused = -1;
  bool running = false;
  Str255 openPath;
  std::vector<int16_t> asked;
  std::vector<int16_t> posted;
  std::vector<std::string> opened;
  int cleared = 0;
  int viewUpdates = 0;
};

// One 32-byte action list record.
void AddRecord(std::vector<uint8_t>& list, const char* name, int16_t command) {
  uint8_t record[32];
  std::memset(record, ' ', 30);
  std::memcpy(record, name, std::strlen(name));
  record[30] = static_cast<uint8_t>(command & 0xFF);
  record[31] = static_cast<uint8_t>((command >> 8) & 0xFF);
  list.insert(list.end(), record, record + 32);
}

class ActionButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    AddRecord(actions_, "Run", kCommandRun);
    AddRecord(actions_, "Stop", kCommandStop);
    AddRecord(actions_, "Reset", 1032);
    AddRecord(actions_, "Open ^O", kCommandOpen);
    AddRecord(actions_, "", -777);
    AddRecord(actions_, "Beyond the end", 1101);
    Install();
    TActionButton::SetHost(&host);
    button.Initialize();
  }
  void TearDown() override {
    TActionButton::SetHost(nullptr);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("button-test.dll");
    FreeDrawingPort();
    FreeHandlePool();
  }
  void Install() {
    constexpr int16_t kCount = 2;
    table_.assign(2 + 12, 0);
    std::memcpy(table_.data(), &kCount, 2);
    std::memcpy(table_.data() + 2, &kBlockOpenActionButton, 2);
    std::memcpy(table_.data() + 4, &kOpenActionButtonTag, 4);
    std::memcpy(table_.data() + 8, &kBlockActionButton, 2);
    std::memcpy(table_.data() + 10, &kActionButtonTag, 4);
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), table_.data(),
                   static_cast<uint32_t>(table_.size())};
    entries_[1] = {"actn", 0, nullptr, static_cast<uint16_t>(kActionListId), actions_.data(),
                   static_cast<uint32_t>(actions_.size())};
    module_ = {"button-test.dll", entries_, 2};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("button-test.dll"));
  }
  // Presses the face and releases at the point, moving out first when asked.
  void Press(MacPoint release, bool moveOutFirst) {
    const MacRect face = button.GetFaceRect();
    const MacPoint inside(static_cast<int16_t>(face.left + 2), static_cast<int16_t>(face.top + 2));
    button.TrackClick(0, inside, true);
    if (moveOutFirst) button.TrackClick(1, MacPoint(-50, -50), true);
    button.TrackClick(1, release, true);
    button.TrackClick(2, release, true);
  }

  FakeHost host;
  TActionButton button;
  std::vector<uint8_t> actions_;
  std::vector<uint8_t> table_;
  ResourceEntry entries_[2];
  ResourceModuleTable module_{};
};

TEST_F(ActionButtonTest, CaptionComesFromTheActionListOrTheWorldsScripts) {
  EXPECT_EQ(button.GetCommand(), kCommandRun);
  EXPECT_TRUE(button.UpdateCaption());
  EXPECT_STREQ(button.GetButtonText().AsCString(), "Run");  // trailing blanks dropped
  EXPECT_FALSE(button.UpdateCaption());                     // unchanged: nothing to do

  // The run-or-stop command names the state of the world.
  button.SetCommand(kCommandRunOrStop);
  EXPECT_STREQ(button.GetButtonText().AsCString(), "Run");
  host.running = true;
  EXPECT_TRUE(button.UpdateCaption());
  EXPECT_STREQ(button.GetButtonText().AsCString(), "Stop");

  button.SetCommand(8242);
  EXPECT_STREQ(button.GetButtonText().AsCString(), "Spin");

  // Past the end marker the list is not read, and an unknown command keeps the caption.
  Str255 name;
  EXPECT_FALSE(button.LookupCommandName(1101, name));
  EXPECT_STREQ(name.AsCString(), "Not Found.");
  button.SetCommand(1101);
  EXPECT_STREQ(button.GetButtonText().AsCString(), "Spin");
}

TEST_F(ActionButtonTest, ListWithoutEndMarkerIsReadOnlyToItsEnd) {
  actions_.clear();
  AddRecord(actions_, "Run", kCommandRun);
  actions_.resize(actions_.size() + 20, 0);  // a torn record, too short to hold a number
  Install();
  Str255 name;
  EXPECT_TRUE(button.LookupCommandName(kCommandRun, name));
  EXPECT_FALSE(button.LookupCommandName(0, name));
}

TEST_F(ActionButtonTest, SizeKeepsRoomForTheCaptionAndEvenSides) {
  button.SetShowName(false);
  SetPortFont(&button.GetFont());
  const int reset = PortStringWidth(Str255("Reset"));
  SelectSystemFont();
  MacPoint size(0, 0);
  button.ConstrainSize(size);
  EXPECT_GE(size.h, 3 * reset / 2 + 8);
  EXPECT_EQ(size.v, button.GetAscent() + button.GetDescent() + 4 + 8);

  // 101 - 8 = 93 is made even before the margin comes back.
  size = MacPoint(101, 41);
  button.ConstrainSize(size);
  ASSERT_LE(3 * reset / 2, 92);
  EXPECT_EQ(size.h, 100);
  EXPECT_EQ(size.v, 40);
}

TEST_F(ActionButtonTest, ReleaseInsideTheFacePerformsOnce) {
  button.SetSize(MacPoint(80, 30));
  const MacRect face = button.GetFaceRect();
  const MacPoint inside(static_cast<int16_t>(face.left + 5), static_cast<int16_t>(face.top + 5));
  Press(MacPoint(-50, -50), false);
  EXPECT_TRUE(host.posted.empty());
  EXPECT_FALSE(button.IsPressed());

  Press(inside, true);  // out and back in
  ASSERT_EQ(host.posted.size(), 1u);
  EXPECT_EQ(host.posted[0], kCommandRun);
  EXPECT_EQ(host.viewUpdates, 1);
}

TEST_F(ActionButtonTest, PerformRetriesWithTheMenuIdentifierAndCloseForgetsChanges) {
  host.refused = kCommandRun;
  button.Perform();
  EXPECT_EQ(host.asked, (std::vector<int16_t>{kCommandRun, kCommandRun + 16384}));
  EXPECT_EQ(host.posted, (std::vector<int16_t>{kCommandRun + 16384}));
  EXPECT_EQ(host.cleared, 0);

  button.SetCommand(kCommandClose);
  button.Perform();
  EXPECT_EQ(host.cleared, 1);
  button.SkipChangeCountOnce();
  button.Perform();
  EXPECT_EQ(host.cleared, 1);
  button.Perform();
  EXPECT_EQ(host.cleared, 2);
}

TEST_F(ActionButtonTest, EnabledStateFollowsTheMenu) {
  button.UpdateControlState();
  EXPECT_TRUE(button.IsEnabled());
  host.disabled = kCommandRun;
  button.UpdateControlState();
  EXPECT_FALSE(button.IsEnabled());
  // A hidden button is not looked at.
  host.disabled = -1;
  button.SetFlagProperty(MakeTag("show"), 0);
  ASSERT_EQ(button.IsShown(), 0);
  button.UpdateControlState();
  EXPECT_FALSE(button.IsEnabled());
}

TEST_F(ActionButtonTest, OpenButtonClosesFirstAndNeverReopensAnOpenDocument) {
  TOpenActionButton open;
  open.Initialize();
  TActionDocument document;
  document.path = "C:\\Worlds\\Pendulum.ybw";
  open.SetCommand(kCommandOpen);
  open.RefreshOpenCaption(document);
  EXPECT_STREQ(open.GetButtonText().AsCString(), "Open C:\\Worlds\\Pendulum.ybw");

  open.Perform();
  EXPECT_EQ(host.posted, (std::vector<int16_t>{kCommandClose}));
  EXPECT_EQ(host.cleared, 1);
  ASSERT_EQ(host.opened.size(), 1u);
  EXPECT_EQ(host.opened[0], "C:\\Worlds\\Pendulum.ybw");

  host.openPath = document.path;
  open.Perform();
  EXPECT_EQ(host.posted.size(), 1u);
  EXPECT_EQ(host.opened.size(), 1u);
}

// Documents: every number big-endian, shorts as 4 bytes.
std::vector<uint8_t> Take(TObjectWriter& writer) {
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

std::vector<uint8_t> Block(TLink& object, int16_t code) {
  TObjectWriterKind2 writer;
  writer.Init(nullptr);
  object.WriteBlockContents(code, writer);
  return Take(writer);
}

std::unique_ptr<TLink> RoundTrip(TLink& object) {
  const std::vector<TLink*> objects{&object};
  auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
  const std::vector<uint8_t> bytes = Take(*writer);
  auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto read = reader->TakeObjects();
  if (read.size() != 1) return nullptr;
  return std::move(read[0]);
}

class ActionButtonFilingTest : public ActionButtonTest {
 protected:
  void SetUp() override {
    ActionButtonTest::SetUp();
    RegisterInOutputClasses();
    FreezeClassRegistry();
  }
  void TearDown() override {
    FreeClassRegistry();
    ActionButtonTest::TearDown();
  }
};

TEST_F(ActionButtonFilingTest, ScriptCommandIsStoredNegativeAndReadBack) {
  button.SetSize(MacPoint(90, 30));
  button.SetCommand(8241);
  button.SetColourProperty(MakeTag("colr"), RGB16Color{.red = 0x1200, .blue = 0x5600, .green = 0x3400});
  const std::vector<uint8_t> expected = {0, 30, 0, 90,              // size v, h
                                         0xFF, 0xFF, 0xF5, 0xFE,    // -2562
                                         0x12, 0x00, 0x34, 0x00, 0x56, 0x00};
  EXPECT_EQ(Block(button, kBlockActionButton), expected);

  button.MoveBy(MacPoint(7, 9));
  auto read = RoundTrip(button);
  ASSERT_NE(read, nullptr);
  ASSERT_TRUE(read->IsMemberClass(TActionButton::kClassID));
  auto& copy = static_cast<TActionButton&>(*read);
  EXPECT_EQ(copy.GetCommand(), 8241);
  EXPECT_EQ(copy.GetSize(), MacPoint(90, 30));
  EXPECT_EQ(copy.GetPosition(), MacPoint(7, 9));
  EXPECT_EQ(copy.GetColour().green, 0x3400);
}

TEST_F(ActionButtonFilingTest, OpenButtonKeepsItsDocumentAndRenamesItself) {
  TOpenActionButton open;
  open.Initialize();
  TActionDocument document;
  document.path = "a.ybw";
  document.volume = 3;
  document.fileType = MakeTag("YBwd");
  document.value = 5;
  open.RefreshOpenCaption(document);
  open.SetClosesCurrent(false);
  // The path as a 16-bit count and its characters padded to even length.
  const std::vector<uint8_t> expected = {0, 5, 'a', '.', 'y', 'b', 'w', 0,  // path
                                         0, 0, 0,   3,                      // volume
                                         0, 0, 0,   0,                      // directory
                                         0, 0, 0,   0,                      // pending
                                         0, 0, 0,   0,                      // close current
                                         'Y', 'B', 'w', 'd', 0, 0, 0, 5};
  const std::vector<uint8_t> got = Block(open, kBlockOpenActionButton);
  EXPECT_EQ(got, expected);

  // A chosen document not yet taken over is what is stored.
  open.SetPendingDocument(4, 77, Str255("b.ybw"));
  const std::vector<uint8_t> pending = Block(open, kBlockOpenActionButton);
  ASSERT_GE(pending.size(), 22u);
  EXPECT_EQ(pending[2], 'b');
  EXPECT_EQ(pending[11], 4);
  EXPECT_EQ(pending[15], 77);
  EXPECT_EQ(pending[19], 1);

  auto read = RoundTrip(open);
  ASSERT_NE(read, nullptr);
  ASSERT_TRUE(read->IsMemberClass(TOpenActionButton::kClassID));
  auto& copy = static_cast<TOpenActionButton&>(*read);
  EXPECT_STREQ(copy.GetDocument().path.AsCString(), "b.ybw");
  EXPECT_FALSE(copy.HasPendingDocument());
  EXPECT_FALSE(copy.ClosesCurrent());
  EXPECT_EQ(copy.GetDocument().fileType, MakeTag("YBwd"));
  EXPECT_STREQ(copy.GetButtonText().AsCString(), "Open b.ybw");
}

TEST_F(ActionButtonTest, TheFaceOfAnEnabledButtonIsAControlArea) {
  button.SetSize(MacPoint(80, 30));
  const MacRect face = button.GetFaceRect();
  const MacPoint inside(static_cast<int16_t>(face.left + 5), static_cast<int16_t>(face.top + 5));
  const MacPoint rim(static_cast<int16_t>(face.left - 2), static_cast<int16_t>(face.top - 2));
  RegionRec* controls = AllocRegion();
  RegionRec* third = AllocRegion();
  button.BuildRegion(controls, nullptr, third, TGadget::kSelectionCode);
  EXPECT_TRUE(RegionContainsPoint(inside.Packed(), controls));
  EXPECT_FALSE(RegionContainsPoint(inside.Packed(), third));
  EXPECT_FALSE(RegionContainsPoint(rim.Packed(), controls));
  EXPECT_TRUE(RegionContainsPoint(rim.Packed(), third));  // a button adds its frame
  FreeRegion(controls);
  FreeRegion(third);
}

}  // namespace
