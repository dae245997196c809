#pragma once
// The steps of scenarios that run scripts: Script > Run Script... and what the program printed.

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

  // Whether the running program has printed the words.
  static bool Said(const std::string& words) {
    return Program() != nullptr && Program()->Output().find(words) != std::string::npos;
  }
};

}  // namespace scenario
