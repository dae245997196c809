// Naming a body in place, end to end through the window layer: a click on the body's name label
// in a document window opens the label's edit control, keys typed on the desktop change the
// text, Return names the body, the Undo command takes the name back and again, and the
// document written and read again keeps the name.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/frames/DocumentWindows.h"
#include "bodies/BodyTags.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "tests/app/SketchFixture.h"
#include "tools/samples/SampleBuilder.h"
#include "views/world/WorldViewCompanions.h"

namespace {

using namespace body_tags;

constexpr int16_t kBoxId = 2;
constexpr int16_t kUndo = 101;
constexpr uint32_t kShowName = MakeTag("shoN");

class WorldLabelEditingTest : public SketchFixture {
 protected:
  // One box with its name shown.
  std::string DocumentPath() override {
    using namespace sample_worlds;
    auto document = NewSampleDocument();
    TWorldDoc& world = document->World();
    AddGround(world);
    TRectangle& box = Add<TRectangle>(world, kBoxId);
    box.SetNumberProperty(kTagWidth, 0.6);
    box.SetNumberProperty(kTagHeight, 0.6);
    box.SetMass(1.0);
    box.SetFormulaProperty(kTagPosX, TFormula(0.0));
    box.SetFormulaProperty(kTagPosY, TFormula(0.0));
    box.SetName(Str255("Box"));
    box.SetFlagProperty(kShowName, 1);
    document->WriteDocument(written_.string());
    return written_.string();
  }
  void SetUp() override {
    const std::string stem = "yb-labels-" + std::to_string(::getpid());
    written_ = std::filesystem::temp_directory_path() / (stem + ".yb");
    saved_ = std::filesystem::temp_directory_path() / (stem + "-saved.yb");
    SketchFixture::SetUp();
  }
  void TearDown() override {
    SketchFixture::TearDown();
    std::filesystem::remove(written_);
    std::filesystem::remove(saved_);
  }
  TThing& Box() { return *static_cast<TThing*>(world_->FindObject(kBoxId)); }
  std::string Name() { return Box().GetName().Chars(); }

  std::filesystem::path written_;
  std::filesystem::path saved_;
};

TEST_F(WorldLabelEditingTest, AClickedLabelTypedAndReturnedNamesTheBodyUndoablyAndIsSaved) {
  const MacRect label = view_->LabelRect(&Box());
  ASSERT_LT(label.left, label.right);
  // The name shows under the box, in the dark letters of its text style on the white world.
  int32_t ink = 0;
  for (int16_t v = label.top; v < label.bottom; ++v)
    for (int16_t h = label.left; h < label.right; ++h)
      if (PixelAt(MacPoint(h, v)) != RGB(255, 255, 255)) ++ink;
  EXPECT_GT(ink, 5);
  const POINT press = Screen(MacPoint(static_cast<int16_t>(label.right - 1),
                                      static_cast<int16_t>((label.top + label.bottom) / 2)));
  // A click at the end of the label, the name taken back letter by letter, a new one typed and
  // Returned.
  std::vector<std::function<void()>> user = {[&] {
    InjectMouseMove(press);
    InjectMouseButton(MouseButton::kLeft, true, press);
    InjectMouseButton(MouseButton::kLeft, false, press);
  }};
  for (int i = 0; i < 3; ++i) user.push_back([] { InjectKeyStroke(VK_END); });
  for (int i = 0; i < 3; ++i) user.push_back([] { InjectKeyStroke(VK_BACK); });
  for (char c : std::string("Cart")) user.push_back([c] { InjectCharacter(static_cast<uint8_t>(c)); });
  user.push_back([] { InjectKeyStroke(VK_RETURN); });
  RunLoop(user);
  Pump();
  ASSERT_EQ(view_->GetEditTarget(), &Box());
  EXPECT_EQ(view_->GetLabelEditor()->GetText(), "Cart");
  EXPECT_EQ(Name(), "Cart");

  Command(kUndo);
  EXPECT_EQ(Name(), "Box");
  Command(kUndo);
  EXPECT_EQ(Name(), "Cart");

  // A click on free space ends the editing; the window shows the world again.
  const POINT away = Screen(On(-3.0, 2.0));
  RunLoop({[&] {
    InjectMouseMove(away);
    InjectMouseButton(MouseButton::kLeft, true, away);
    InjectMouseButton(MouseButton::kLeft, false, away);
  }});
  Pump();
  EXPECT_EQ(view_->GetEditTarget(), nullptr);
  EXPECT_EQ(Name(), "Cart");

  // The label, clicked again where the closed editor stood, opens it again with the new name.
  const MacRect renamed = view_->LabelRect(&Box());
  const POINT again = Screen(MacPoint(static_cast<int16_t>(renamed.left + 1),
                                      static_cast<int16_t>((renamed.top + renamed.bottom) / 2)));
  EXPECT_EQ(WindowFromPoint(again), view_->GetWindowHandle());
  RunLoop({[&] {
    InjectMouseMove(again);
    InjectMouseButton(MouseButton::kLeft, true, again);
    InjectMouseButton(MouseButton::kLeft, false, again);
  }});
  Pump();
  EXPECT_EQ(view_->GetEditTarget(), &Box());
  EXPECT_EQ(view_->GetLabelEditor()->GetText(), "Cart");
  Command(kCmdShowGrid);
  EXPECT_EQ(view_->GetEditTarget(), nullptr);

  TQVDoc& document = documents_->Documents().front()->Document();
  document.WriteDocument(saved_.string());
  TQVDoc reopened;
  reopened.ReadDocument(saved_.string());
  auto* box = dynamic_cast<TThing*>(reopened.World().FindObject(kBoxId));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(std::string(box->GetName().Chars()), "Cart");
  EXPECT_EQ(box->IsNameShown(), 1);
}

}  // namespace
