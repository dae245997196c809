// The Scripts menu's entries and its answers when there is nothing to act on.

#include <gtest/gtest.h>

#include <memory>

#include "model/command/CommandCore.h"
#include "scripting/shell/ScriptsMenu.h"

namespace {

TEST(ScriptsMenuEntries, AtMostTwentyFiveEachWithACommandOfItsPlace) {
  ScriptsMenu menu;
  EXPECT_FALSE(menu.InsertItem(2, "x", "/x.ybs"));  // past count + 1
  for (int16_t i = 1; i <= ScriptsMenu::kMaxEntries; ++i) {
    ASSERT_TRUE(menu.InsertItem(i, Str255(("entry " + std::to_string(i)).c_str()), "/e.ybs")) << i;
  }
  // A 26th entry would carry no command that runs it.
  EXPECT_FALSE(menu.InsertItem(26, "late", "/late.ybs"));
  EXPECT_FALSE(menu.InsertItem(1, "early", "/early.ybs"));
  EXPECT_EQ(menu.CountItems(), 25);
  Str255 text, path;
  int16_t command = 0;
  menu.GetItem(25, text, path, &command);
  EXPECT_STREQ(text.Chars(), "entry 25");
  EXPECT_EQ(command, 5545);
  command = 7;
  menu.GetItem(26, text, path, &command);
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_TRUE(path.IsEmpty());
  EXPECT_EQ(command, 7);
  // A new entry takes the first place whose entry has no command yet.
  menu.SetItemCommand(3, 0);
  ASSERT_TRUE(menu.DeleteItem(25));
  ASSERT_TRUE(menu.InsertItem(1, "first", "/first.ybs"));
  menu.GetItem(1, text, path, &command);
  EXPECT_EQ(command, 5523);
  EXPECT_FALSE(menu.DeleteItem(0));
}

TEST(ScriptsMenuEntries, NothingToActOnGivesItsPairAndRaisesNothing) {
  ScriptsMenu menu;  // not initialized: no host
  ScriptResult result;
  menu.RunScriptObject(result, nullptr);
  EXPECT_EQ(result, (ScriptResult{2, 5}));
  TScriptText script;
  script.Reset();
  menu.RunScriptObject(result, &script);
  EXPECT_EQ(result, (ScriptResult{2, 7}));
  menu.LoadLibraryScript(result, "/nowhere/tools.ybs");
  EXPECT_EQ(result, (ScriptResult{6, 7}));
  menu.UnloadLibraryScript(result, "/nowhere/tools.ybs");
  EXPECT_EQ(result, (ScriptResult{8, 7}));
  EXPECT_EQ(ScriptsMenu::Current(), &menu);
}

TEST(ScriptsMenuEntries, LongPathKeepsItsFileNameInTheFileRecordAndWholeAsThePath) {
  const Str255 path("/home/someone/a/folder/deep/enough/to/pass/sixty/three/characters/run.ybs");
  EXPECT_STREQ(ScriptFileSpecOfPath(path).name.Chars(), "run.ybs");
  EXPECT_STREQ(ScriptFileSpecOfPath("/short/run.ybs").name.Chars(), "/short/run.ybs");
  ScriptsMenu menu;
  bool found = true;
  std::unique_ptr<TScriptText> script(menu.ScriptFromPath(path, false, &found));
  EXPECT_FALSE(found);
  EXPECT_STREQ(script->Path().Chars(), path.Chars());
  EXPECT_TRUE(script->IsFileBacked());
}

TEST(ScriptsMenuEntries, AnActionButtonsScriptCommandRunsTheEntryAtItsPlace) {
  ScriptsMenu menu;
  ASSERT_TRUE(menu.InsertItem(1, "first", "/first.ybs"));
  ASSERT_TRUE(menu.InsertItem(2, "second", "/second.ybs"));
  std::unique_ptr<TCommandCore> second(menu.DoMenuCommand(8242));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetCommandNumber(), 5522);
  // No entry at the third place: nothing runs.
  EXPECT_EQ(menu.DoMenuCommand(8243), nullptr);
}

}  // namespace
