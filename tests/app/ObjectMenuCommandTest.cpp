// The text-style commands of the selection, sent to the main frame as a menu item would send
// them: colours 1151 to 1158, sizes 1601 to 1699 and faces 11001 to 11008, each one undoable
// change of every selected object that carries a text style.

#include <memory>

#include <gtest/gtest.h>

#include "tests/app/SketchFixture.h"
#include "views/world/ObjectMenuCommand.h"

namespace {

using sample_worlds::kBoxId;
using sample_worlds::kWheelId;

class ObjectMenuCommandTest : public SketchFixture {
 protected:
  void SetUp() override {
    SketchFixture::SetUp();
    box = dynamic_cast<TSingleStyleLink*>(world_->FindObject(kBoxId));
    wheel = dynamic_cast<TSingleStyleLink*>(world_->FindObject(kWheelId));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(wheel, nullptr);
    ASSERT_EQ(box->GetFont(), wheel->GetFont());
    ASSERT_EQ(box->GetFont().style, 0);
  }
  void TearDown() override {
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }
  int32_t Changes() const { return world_->GetDocument()->GetChangeCount(); }
  void SelectBoth() {
    world_->Select(box);
    world_->Select(wheel);
  }

  TSingleStyleLink* box = nullptr;
  TSingleStyleLink* wheel = nullptr;
};

TEST_F(ObjectMenuCommandTest, ASizeCommandSizesEverySelectedTextAsOneUndoableChange) {
  const FontSpec before = box->GetFont();
  // Nothing selected: nothing to change, and the document stays as it was.
  int32_t changes = Changes();
  Command(1631);
  EXPECT_EQ(box->GetFont(), before);
  EXPECT_EQ(Changes(), changes);

  SelectBoth();
  Command(1631);
  EXPECT_EQ(box->GetFont().size, 31);
  EXPECT_EQ(wheel->GetFont().size, 31);
  EXPECT_EQ(box->GetFont().fontNumber, before.fontNumber);
  EXPECT_EQ(Changes(), changes + 1);
  Command(101);
  EXPECT_EQ(box->GetFont(), before);
  EXPECT_EQ(wheel->GetFont(), before);
  Command(101);
  EXPECT_EQ(wheel->GetFont().size, 31);
}

TEST_F(ObjectMenuCommandTest, FaceCommandsSetABitOnAllUnlessAllHaveItAndPlainClearsEvery) {
  SelectBoth();
  FontSpec italic = box->GetFont();
  italic.style = kStyleItalic;
  box->SetTextStyle(italic, box->GetTextColour());
  // Bold: neither has it, so both get it; the italic box keeps its italic.
  Command(11002);
  EXPECT_EQ(box->GetFont().style, kStyleBold | kStyleItalic);
  EXPECT_EQ(wheel->GetFont().style, kStyleBold);
  // Italic: only the box has it, so both get it.
  Command(11003);
  EXPECT_EQ(wheel->GetFont().style, kStyleBold | kStyleItalic);
  // Bold again: both have it, so both lose it.
  Command(11002);
  EXPECT_EQ(box->GetFont().style, kStyleItalic);
  EXPECT_EQ(wheel->GetFont().style, kStyleItalic);
  // The last face bit, then plain text.
  Command(11008);
  EXPECT_EQ(box->GetFont().style, kStyleItalic | 0x40);
  Command(11001);
  EXPECT_EQ(box->GetFont().style, 0);
  EXPECT_EQ(wheel->GetFont().style, 0);
}

TEST_F(ObjectMenuCommandTest, ColourCommandsGiveTheirColourAndLeaveTheFont) {
  SelectBoth();
  const FontSpec font = box->GetFont();
  Command(1153);
  EXPECT_EQ(box->GetTextColour(), (RGB16Color{.red = 0xFFFF, .blue = 0, .green = 0}));
  Command(1158);
  EXPECT_EQ(wheel->GetTextColour(), (RGB16Color{.red = 0xFFFF, .blue = 0, .green = 0xFFFF}));
  EXPECT_EQ(box->GetFont(), font);
  Command(101);
  EXPECT_EQ(box->GetTextColour(), (RGB16Color{.red = 0xFFFF, .blue = 0, .green = 0}));
}

TEST_F(ObjectMenuCommandTest, TheRangesEndWhereTheySay) {
  SelectBoth();
  for (int16_t command : {1151, 1158, 1601, 1699, 11001, 11008}) {
    auto made = TObjectMenuCommand::Make(command, *world_, world_->Selection());
    ASSERT_NE(made, nullptr) << command;
    EXPECT_EQ(made->GetCommandNumber(), command);
    EXPECT_EQ(made->Targets().size(), 2u);
    EXPECT_EQ(made->GetTag(), command >= 1601 && command <= 1699 ? TObjectMenuCommand::kSizeTag : 0u);
  }
  for (int16_t command : {1150, 1159, 1600, 1700, 11000, 11009})
    EXPECT_EQ(TObjectMenuCommand::Make(command, *world_, world_->Selection()), nullptr) << command;
}

}  // namespace
