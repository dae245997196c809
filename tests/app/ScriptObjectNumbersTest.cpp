// The identifiers of the objects a script makes in a new world: the lowest numbers free, never
// those of the world's own settings objects, and no two alike.

#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "tests/app/ProgramDocuments.h"

namespace {

class ScriptObjectNumbers : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
    root_ = new TAPIApplication(&log_, nullptr);
    SetLiveObjectRoot(root_);
    InstallDocumentScriptObjects();
    document_ = std::make_unique<TQVDoc>();
    object_ = static_cast<TAPIDocument*>(document_->GetAPIDocument(root_));
  }
  void TearDown() override {
    document_.reset();
    delete root_;
    app_.TermUnits();
    app_.FreeResourceDlls();
  }
  static int16_t IdentifierOf(TAPIDispatcher* object) {
    return object != nullptr ? static_cast<TLink*>(object->target())->GetIdentifier() : -1;
  }

  TApp app_;
  TAPICallLog log_;
  TAPIApplication* root_ = nullptr;
  std::unique_ptr<TQVDoc> document_;
  TAPIDocument* object_ = nullptr;
};

TEST_F(ScriptObjectNumbers, NewObjectsTakeTheLowestFreeNumbersBelowTheWorldsOwn) {
  TWorldDoc& world = document_->World();
  std::set<int16_t> before;
  for (const TLink* object : world.Objects()) before.insert(object->GetIdentifier());
  int16_t lowestFree = 1;
  while (before.contains(lowestFree)) ++lowestFree;
  ASSERT_LT(lowestFree, kWorldIdentifier);

  TAPIDispatcher* circle = nullptr;
  ASSERT_EQ(object_->NewBody(Str31("circle"), &circle).code, 0);
  EXPECT_EQ(IdentifierOf(circle), lowestFree);
  // A pulley's template holds several objects: each takes a number of its own.
  TAPIDispatcher* pulley = nullptr;
  ASSERT_EQ(object_->NewConstraint(Str31("pulley"), &pulley).code, 0);
  ASSERT_NE(pulley, nullptr);

  std::set<int16_t> seen;
  for (const TLink* object : world.Objects()) {
    const int16_t identifier = object->GetIdentifier();
    EXPECT_TRUE(seen.insert(identifier).second) << "two objects numbered " << identifier;
    if (!before.contains(identifier)) {
      EXPECT_LT(identifier, kWorldIdentifier);
    }
  }
  EXPECT_GT(seen.size(), before.size() + 2);
}

}  // namespace
