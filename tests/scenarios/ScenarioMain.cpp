// The scenario program's own verdict: a scenario marked as waiting for another piece of work may
// fail without failing the run, and is listed as waiting; a marked scenario that passes fails
// the run, so that its mark is removed.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "tests/scenarios/Harness.h"

namespace scenario {
const std::string& WaitingFor();
}

namespace {

class WaitingMarks : public ::testing::EmptyTestEventListener {
 public:
  // The screen as the failure found it, before the scenario's later steps change it.
  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (result.failed()) scenario::PictureTheFailure();
  }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    if (!scenario::WaitingFor().empty())
      marks_[std::string(info.test_suite_name()) + "." + info.name()] = scenario::WaitingFor();
  }
  const std::map<std::string, std::string>& Marks() const { return marks_; }

 private:
  std::map<std::string, std::string> marks_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto* marks = new WaitingMarks();
  ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
  tests.listeners().Append(marks);
  // The verdict below counts the failures itself, weighing the waiting marks.
  [[maybe_unused]] const int counted = RUN_ALL_TESTS();

  const char* listPath = std::getenv("YB_SCENARIO_WAITING");
  std::ofstream list;
  if (listPath && *listPath) list.open(listPath, std::ios::app);
  int verdict = 0;
  for (int s = 0; s < tests.total_test_suite_count(); ++s) {
    const ::testing::TestSuite& suite = *tests.GetTestSuite(s);
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const ::testing::TestInfo& info = *suite.GetTestInfo(t);
      if (!info.should_run()) continue;
      const std::string name = std::string(suite.name()) + "." + info.name();
      const auto mark = marks->Marks().find(name);
      const bool failed = info.result()->Failed();
      if (mark == marks->Marks().end()) {
        if (failed) verdict = 1;
        continue;
      }
      if (failed) {
        std::cout << "WAITING " << name << " for \"" << mark->second << "\"\n";
        if (list.is_open()) list << name << " waits for \"" << mark->second << "\"\n";
        continue;
      }
      std::cout << "PASSED BUT MARKED " << name << ": it no longer waits for \"" << mark->second
                << "\"; remove the mark\n";
      verdict = 1;
    }
  }
  return verdict;
}
