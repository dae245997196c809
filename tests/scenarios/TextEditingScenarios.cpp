// Text at the desktop: a body's name label clicked and typed over, blocks of text dragged out
// with the Text tool and typed into, a text emptied by typing taken out and brought back by
// Undo, and Edit > Font restyling the selected names and texts, undoably. What was typed and
// chosen is checked in the world the program saved.

#include <algorithm>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "core/Failure.h"
#include "core/port/PortText.h"
#include "inout/gadgets/TextGadget.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

struct SavedText {
  std::string text;
  FontSpec font;
  int height = 0;
};

// The names and texts of a saved world: the box's (the sample's one rectangle) and every block
// of text.
struct SavedWords {
  std::string failure;
  std::string boxName;
  FontSpec boxFont;
  std::vector<SavedText> texts;
};

SavedWords ReadWords(const std::string& path) {
  SavedWords saved;
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (auto* text = dynamic_cast<TTextGadget*>(object)) {
        saved.texts.push_back({text->GetText(), text->GetFont(), text->GetSize().v});
      } else if (auto* box = dynamic_cast<TRectangle*>(object)) {
        saved.boxName = box->GetName().AsCString();
        saved.boxFont = box->GetFont();
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

class TextEditing : public ScriptScenario {
 protected:
  // A private copy of the spring-and-pin sample under the name, opened in a fresh program, and
  // the window that shows it.
  void OpenWindow(const std::string& name) {
    ASSERT_TRUE(OpenCopy(name));
    document_ = window_seen::FindDocumentWindow(Me(), Frame());
    ASSERT_TRUE(document_.Found()) << "no document window";
  }

  SavedWords SaveAndReadWords() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadWords(CopyPath());
  }

  Box World() const { return window_seen::WholeWorld(document_); }

  // A column of the world's view, from its left edge.
  int WorldX(int x) const { return World().x + x; }

  // The pointer off the program's windows, and everything it asked for drawn.
  void Settle() {
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Me().Idle());
  }

  // Names the box (the sample's first body) and shows its name by a script; answers where the
  // label appeared.
  Box ShowBoxName(const std::string& name) {
    Settle();
    const Picture before = Me().Grab(World());
    const std::string script = WriteScript(
        "show-name.ybs",
        {"Sub Main()", "  Dim b", "  Set b = YB.ActiveDocument.Bodies(1)",
         "  b.Name = \"" + name + "\"", "  b.ShowName = True", "  Print \"labelled\"",
         "End Sub"});
    EXPECT_TRUE(RunScript(script));
    EXPECT_TRUE(Me().WaitUntil([] { return Said("labelled"); })) << Program()->Output();
    Settle();
    return ChangedBox(before, Me().Grab(World()));
  }

  // Tools > Text, a drag across the view from the left end of the block to its right, and the
  // words typed at once into the new block. The tool stays chosen until Tools > Select, after
  // which a press on an empty place ends the typing.
  void PlaceText(int fromX, int y, int toX, const std::string& words) {
    ASSERT_TRUE(Choose({"Tools", "Text"}));
    Me().SlowDrag(fromX, y, toX, y);
    ASSERT_TRUE(Me().Idle());
    Me().Type(words);
    ASSERT_TRUE(Choose({"Tools", "Select"}));
    ClickAway();
  }

  // Whether the world looks as World > Redraw the World draws it.
  ::testing::AssertionResult AsRedrawn() {
    Settle();
    const Picture shown = Me().Grab(World());
    if (!Choose({"World", "Redraw the World"}))
      return ::testing::AssertionFailure() << "World > Redraw the World could not be chosen";
    Settle();
    if (Me().Grab(World()) == shown) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the world changed when it was redrawn";
  }

  // A press on an empty place of the view ends any typing.
  void ClickAway() {
    Me().Click(WorldX(40), World().Bottom() - 40);
    ASSERT_TRUE(Me().Idle());
  }

  window_seen::DocumentWindow document_;
};

// Where the Text tool drags its block: low in the view, away from the sample's objects.
constexpr int kTextLeft = 300, kTextRight = 460, kTextDrop = 120;

TEST_F(TextEditing, AClickedNameLabelTypedOverAndReturnedRenamesTheBody) {
  ASSERT_NO_FATAL_FAILURE(OpenWindow("labelled-box.yb"));
  const Box label = ShowBoxName("Box");
  ASSERT_FALSE(label.Empty()) << "the box's name was not shown";
  ASSERT_EQ(SaveAndReadWords().boxName, "Box");

  // A click on the name, the name taken back letter by letter from its end, a new one typed.
  Me().Click(label.x + label.width / 2, label.y + label.height / 2);
  ASSERT_TRUE(Me().Idle());
  Me().Key("End");
  for (int i = 0; i < 3; ++i) Me().Key("BackSpace");
  Me().Type("Crate");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  const SavedWords renamed = SaveAndReadWords();
  ASSERT_EQ(renamed.failure, "");
  EXPECT_EQ(renamed.boxName, "Crate");

  // Undo takes the typed name back.
  ClickAway();
  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(SaveAndReadWords().boxName, "Box");
}

TEST_F(TextEditing, TheTextToolsBlockTakesTypingAndADoubleClickTypesIntoItAgain) {
  ASSERT_NO_FATAL_FAILURE(OpenWindow("texts.yb"));
  const int y = World().Bottom() - kTextDrop;
  // The dragged block takes the keys at once.
  PlaceText(WorldX(kTextLeft), y, WorldX(kTextRight), "Hello");
  SavedWords saved = SaveAndReadWords();
  ASSERT_EQ(saved.failure, "");
  ASSERT_EQ(saved.texts.size(), 1u) << "no block of text was placed";
  EXPECT_NE(saved.texts[0].text.find("Hello"), std::string::npos) << saved.texts[0].text;

  // A double click on the block types into it again, after what it holds.
  Me().DoubleClick(WorldX(kTextLeft) + 10, y);
  ASSERT_TRUE(Me().Idle());
  Me().Control("End");
  Me().Type("Again");
  ClickAway();
  saved = SaveAndReadWords();
  ASSERT_EQ(saved.texts.size(), 1u);
  EXPECT_NE(saved.texts[0].text.find("HelloAgain"), std::string::npos) << saved.texts[0].text;
}

TEST_F(TextEditing, ATextEmptiedByTypingGoesAndUndoBringsItBack) {
  ASSERT_NO_FATAL_FAILURE(OpenWindow("emptied.yb"));
  const int y = World().Bottom() - kTextDrop;
  PlaceText(WorldX(kTextLeft), y, WorldX(kTextRight), "Gone");
  ASSERT_EQ(SaveAndReadWords().texts.size(), 1u) << "no block of text was placed";

  Me().DoubleClick(WorldX(kTextLeft) + 10, y);
  ASSERT_TRUE(Me().Idle());
  Me().Control("End");
  for (int i = 0; i < 4; ++i) Me().Key("BackSpace");
  ClickAway();
  EXPECT_TRUE(SaveAndReadWords().texts.empty()) << "the emptied text stayed in the world";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  const SavedWords back = SaveAndReadWords();
  ASSERT_EQ(back.texts.size(), 1u) << "Undo did not bring the text back";
  EXPECT_NE(back.texts[0].text.find("Gone"), std::string::npos) << back.texts[0].text;
}

TEST_F(TextEditing, EditFontRestylesTheSelectedNamesAndTextsUndoably) {
  ASSERT_NO_FATAL_FAILURE(OpenWindow("fonts.yb"));
  ASSERT_FALSE(ShowBoxName("Box").Empty()) << "the box's name was not shown";
  const int y = World().Bottom() - kTextDrop;
  PlaceText(WorldX(kTextLeft), y, WorldX(kTextRight), "Styled words");
  const SavedWords before = SaveAndReadWords();
  ASSERT_EQ(before.texts.size(), 1u) << "no block of text was placed";
  constexpr int kPoints = 36;
  ASSERT_LT(before.texts[0].font.size, kPoints);
  ASSERT_LT(before.boxFont.size, kPoints);

  // Everything selected, Edit > Font..., the size typed in place of the one shown, and OK.
  Me().Control("a");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Edit", "Font..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Font"; }))
      << "the font dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  // From the face list past the style list to the size.
  Me().Key("Tab");
  Me().Key("Tab");
  Me().Key("End");
  for (int i = 0; i < 4; ++i) Me().Key("BackSpace");
  Me().Type(std::to_string(kPoints));
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Font") == 0; }))
      << "the font dialog stayed";
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(AsRedrawn()) << "after Edit > Font";

  // A point is at least a pixel of the screen: the height is the size or more.
  const SavedWords styled = SaveAndReadWords();
  ASSERT_EQ(styled.texts.size(), 1u);
  EXPECT_GE(styled.texts[0].font.size, kPoints);
  // Too wide for one line at that size, the words take two, and the block is as high.
  EXPECT_GE(styled.texts[0].height, 2 * kPoints);
  EXPECT_EQ(styled.boxFont.size, styled.texts[0].font.size)
      << "the name and the text took different sizes";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(AsRedrawn()) << "after Undo";
  // Undo again redoes.
  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(AsRedrawn()) << "after Redo";
  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  const SavedWords undone = SaveAndReadWords();
  ASSERT_EQ(undone.texts.size(), 1u);
  EXPECT_EQ(undone.texts[0].font, before.texts[0].font);
  EXPECT_EQ(undone.boxFont, before.boxFont);
}

}  // namespace
}  // namespace scenario
