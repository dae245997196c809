// Delete without an object deletes the selection as the Delete command of the menu does: one
// undoable step that brings the objects back, selected, under their identifiers.

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "model/world/WorldDeleteCommand.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

class DeleteSelection : public ObjectScripts {
 protected:
  // Three bodies numbered 3, 4 and 5.
  void AddBodies() {
    for (int16_t identifier = 3; identifier <= 5; ++identifier) {
      TLink* body = identifier == 4 ? static_cast<TLink*>(Adopt(std::make_unique<TRectangle>()))
                                    : Adopt(std::make_unique<TOval>());
      body->SetIdentifier(identifier);
    }
  }
};

TEST_F(DeleteSelection, IsOneUndoableStepThatBringsTheObjectsBackSelected) {
  AddBodies();
  EXPECT_EQ(Caught("Dim d As YBDocument\nSet d = YB.ActiveDocument\n"
                   "d.Select d.Body(3)\nd.Select d.Body(5)\nd.Delete\n"
                   "Print d.Bodies.Count; d.Selection.Count"),
            "10\n0\n");
  EXPECT_EQ(World().Objects().size(), 1u);
  EXPECT_EQ(World().FindObject(3), nullptr);
  ASSERT_NE(World().FindObject(4), nullptr);
  EXPECT_EQ(World().FindObject(5), nullptr);

  auto* last = dynamic_cast<TWorldDeleteCommand*>(commands_->GetLastCommand());
  ASSERT_NE(last, nullptr) << "the delete is the last command, for undo";
  EXPECT_EQ(last->Deleted(), (std::vector<int16_t>{3, 5}));
  const int32_t changes = document_->GetChangeCount();

  commands_->UndoOrRedoLast();
  EXPECT_EQ(World().Objects().size(), 3u);
  ASSERT_NE(World().FindObject(3), nullptr);
  ASSERT_NE(World().FindObject(5), nullptr);
  EXPECT_EQ(World().Selection(), (std::vector<TLink*>{World().FindObject(3), World().FindObject(5)}));
  EXPECT_NE(document_->GetChangeCount(), changes);

  commands_->UndoOrRedoLast();
  EXPECT_EQ(World().Objects().size(), 1u);
  EXPECT_EQ(World().FindObject(3), nullptr);
  EXPECT_TRUE(World().Selection().empty());
}

TEST_F(DeleteSelection, NothingSelectedIsNoCommandAndARunRefusesIt) {
  AddBodies();
  EXPECT_EQ(Caught("Dim d As YBDocument\nSet d = YB.ActiveDocument\nd.Delete\nPrint d.Bodies.Count"),
            "3\n0\n");
  EXPECT_EQ(dynamic_cast<TWorldDeleteCommand*>(commands_->GetLastCommand()), nullptr);
  World().SetRunState(kRunForward);
  EXPECT_EQ(Caught("Dim d As YBDocument\nSet d = YB.ActiveDocument\nd.SelectAll\nd.Delete\n"
                   "Print d.Bodies.Count"),
            "3\n900\n");
  World().SetRunState(kRunIdle);
}

}  // namespace
