// The application's New commands: each of the ten numbers makes a new document of its own
// number; the numbers either side belong to other commands. The Read Data Table items go to the
// front world.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/shell/ApplicationHandler.h"
#include "core/CommandNesting.h"
#include "core/Failure.h"

namespace {

class TSilentFailures : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

TEST(NewDocumentCommands, EveryNewNumberFromTheFirstToTheLastMakesADocument) {
  TSilentFailures failures;
  TCommandNesting nesting(failures);
  TApplicationHandler application(nesting);
  std::vector<int16_t> made;
  application.GetServices().newDocument = [&](int16_t command) { made.push_back(command); };
  for (const int16_t command : {int16_t{9}, int16_t{10}, int16_t{15}, int16_t{19}, int16_t{20}}) {
    std::unique_ptr<TCommandCore> newCommand(application.DoMenuCommand(command));
    if (newCommand) newCommand->Perform();
  }
  EXPECT_EQ(made, (std::vector<int16_t>{10, 15, 19}));
}

TEST(NewDocumentCommands, EachReadDataTableItemAsksTheFrontWorldForItsCommand) {
  TSilentFailures failures;
  TCommandNesting nesting(failures);
  TApplicationHandler application(nesting);
  std::vector<int16_t> asked;
  application.GetServices().loadTableFrontWorld = [&](int16_t command) -> TCommandCore* {
    asked.push_back(command);
    return nullptr;
  };
  for (const int16_t command : {1124, 1125, 1126, 1127, 1128})
    std::unique_ptr<TCommandCore>(application.DoMenuCommand(command));
  EXPECT_EQ(asked, (std::vector<int16_t>{1125, 1126, 1127}));
}

}  // namespace
