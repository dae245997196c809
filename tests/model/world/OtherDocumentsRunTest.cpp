// Only one document runs at a time: a run command made for one document's world stops the runs
// of the other open documents, never its own.

#include <gtest/gtest.h>

#include <memory>

#include "core/List.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class OtherDocumentsRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    first = std::make_unique<TQVDoc>();
    second = std::make_unique<TQVDoc>();
    first->World().SetHost(&host);
    second->World().SetHost(&host);
  }
  void TearDown() override {
    TWorldHost::SetOpenDocuments(nullptr);
    runs.clear();
    first.reset();
    second.reset();
    scope.reset();
  }
  // A run (stop-others clear: the world's own runs go on) made in the document and kept.
  TCommand& Run(TQVDoc& document, int16_t number = 1031) {
    runs.push_back(document.World().MakeRunCommand(number, 0));
    return *runs.back();
  }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TQVDoc> first;
  std::unique_ptr<TQVDoc> second;
  std::vector<std::unique_ptr<TCommand>> runs;
};

TEST_F(OtherDocumentsRunTest, ARunInOneOpenDocumentStopsTheOthersButNotItsOwn) {
  TList open;
  open.IList();
  open.InsertLast(first.get());
  open.InsertLast(second.get());
  TWorldHost::SetOpenDocuments(&open);

  TCommand& running = Run(*first);
  TCommand& again = Run(*first, 1101);
  EXPECT_FALSE(running.IsStopped());
  EXPECT_FALSE(again.IsStopped());

  TCommand& other = Run(*second);
  EXPECT_TRUE(running.IsStopped());
  EXPECT_TRUE(again.IsStopped());
  EXPECT_FALSE(other.IsStopped());

  // Back in the first document, the second's run stops in turn.
  TCommand& back = Run(*first);
  EXPECT_TRUE(other.IsStopped());
  EXPECT_FALSE(back.IsStopped());
  open.Delete(first.get());
  open.Delete(second.get());
}

TEST_F(OtherDocumentsRunTest, DocumentsTheApplicationDoesNotListAreLeftRunning) {
  TCommand& running = Run(*first);
  Run(*second);
  EXPECT_FALSE(running.IsStopped());

  // A list naming only the running document, with an entry that is no document.
  auto stranger = std::make_unique<TList>();
  TList open;
  open.IList();
  open.InsertLast(stranger.get());
  open.InsertLast(first.get());
  TWorldHost::SetOpenDocuments(&open);
  Run(*first);
  EXPECT_FALSE(running.IsStopped());
  Run(*second);
  EXPECT_TRUE(running.IsStopped());
  open.Delete(stranger.get());
  open.Delete(first.get());
}

}  // namespace
}  // namespace world_test
