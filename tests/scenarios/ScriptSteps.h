#pragma once
// The steps of scenarios that run scripts: Script > Run Script... and what the program printed.

#include <filesystem>
#include <string>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {

// Scripts often work on a private copy of a sample and are judged by the world it saves.
class ScriptScenario : public SampleScenario {
 protected:
  // Script > Run Script... by the mouse, or by its keys (Alt+S, R); the script's path typed
  // into the file dialog, and Return.
  ::testing::AssertionResult RunScript(const std::string& path, bool byKeys = false) {
    if (byKeys) {
      Me().Key("s", {"Alt_L"});
      Me().Key("r");
    } else if (!Click({"Script", "Run Script..."})) {
      return ::testing::AssertionFailure() << "the Script menu did not open";
    }
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == "Run Script"; }))
      return ::testing::AssertionFailure()
             << "the script file dialog did not take the keyboard: " << Me().FocusedTitle();
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    Me().Type(path);
    Me().Key("Return");
    return ::testing::AssertionSuccess();
  }

  // The shell command that sends the text to the program's script service as one execute, as
  // another program does; it prints the service's answer.
  static std::string ExecuteCommand(const std::string& text) {
    const std::filesystem::path tool = std::filesystem::path(ProgramPath()).parent_path().parent_path() /
                                       "tools/dde/yb-dde-execute";
    return "YB_DDE_DIR='" + Home().Path("dde") + "' '" + tool.string() + "' --timeout 600000 '" +
           text + "'";
  }

  // Whether the running program has printed the words.
  static bool Said(const std::string& words) {
    return Program() != nullptr && Program()->Output().find(words) != std::string::npos;
  }
};

}  // namespace scenario
