// YBObject and YBObjectCollection: every world object through one script class, the world's
// visible objects by index and by kind.

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "scripting/objects/ObjectMaker.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using Objects = ObjectScripts;

TEST_F(Objects, TheWorldsVisibleObjectsAreCountedAndIndexedAndTheSameObjectComesBack) {
  Adopt(std::make_unique<TZeroMass>());
  TOval* circle = Adopt(std::make_unique<TOval>());
  Adopt(std::make_unique<TCOMPoint>());
  TPoint* hidden = Adopt(std::make_unique<TPoint>());
  hidden->SetIdentifier(0);
  EXPECT_EQ(
      Run("Print Objects.Count; Objects.Item(0) Is Nothing; Objects.Item(-1) Is Nothing; "
          "Objects.Item(2) Is Nothing\n"
          "Print Objects.Item(1).Kind; Objects(1) Is Objects.Body(1); Objects.Point(1) Is Nothing"),
      "1TrueTrueTrue\nbodyTrueFalse\n");
  // The one point the typed walk finds is the one without an identifier, which Item skips.
  EXPECT_EQ(ScriptObjectOf(circle)->parent(), documentObject_);
  EXPECT_TRUE(ScriptObjectOf(circle)->HasTag(MakeTag("APCi")));
}

TEST_F(Objects, NamesFlagsAndTypedAccessorsActOnTheWorldObject) {
  TRectangle* box = Adopt(std::make_unique<TRectangle>());
  EXPECT_EQ(
      Run("Dim o As YBObject\nSet o = Objects(1)\no.Name = \"crate\"\no.Show = 5\n"
          "Print o.Name & \" \" & o.Show & \" \" & o.ID\n"
          "Print o.Body Is o; o.Point Is Nothing; o.Constraint Is Nothing; o.Output Is Nothing"),
      "crate True 1\nTrueTrueTrueTrue\n");
  EXPECT_EQ(std::string(box->GetName().Chars()), "crate");
  EXPECT_EQ(box->IsShown(), 1);
  // A body has no frame of a control.
  EXPECT_EQ(Caught("Print Objects(1).X"), "901\n");
}

TEST_F(Objects, AnObjectWhoseWorldObjectWentIsCutLooseAndFailsWith901) {
  TOval* circle = Adopt(std::make_unique<TOval>());
  auto* object = static_cast<TAPILink*>(ScriptObjectOf(circle));
  object->AddRef();  // a script's reference
  World().RemoveObject(circle);
  EXPECT_TRUE(object->TargetGone());
  EXPECT_EQ(object->parent(), nullptr);
  Str255 name;
  EXPECT_EQ(object->GetName(name).code, kAPINoTarget);
  Str63 kind;
  EXPECT_EQ(object->GetKind(kind).code, kAPINoTarget);
  object->Release();
  // Without a script's reference the script object goes with the world object.
  TOval* other = Adopt(std::make_unique<TOval>());
  ScriptObjectOf(other);
  const int32_t children = documentObject_->ChildCount();
  World().RemoveObject(other);
  EXPECT_EQ(documentObject_->ChildCount(), children - 1);
}

TEST_F(Objects, AWorldObjectKeptForUndoLetsItsScriptObjectGoAndMakesANewOneLater) {
  TOval* circle = Adopt(std::make_unique<TOval>());
  auto* object = static_cast<TAPILink*>(ScriptObjectOf(circle));
  object->AddRef();
  ReleaseWorldScriptObject(*circle);
  EXPECT_TRUE(object->TargetGone());
  TAPIDispatcher* again = ScriptObjectOf(circle);
  EXPECT_NE(again, object);
  EXPECT_EQ(again->target(), circle);
  object->Release();
}

TEST_F(Objects, ASelectionCountsEveryElementButIndexesOnlyVisibleObjects) {
  TOval* circle = Adopt(std::make_unique<TOval>());
  TCOMPoint* centre = Adopt(std::make_unique<TCOMPoint>());
  TList selection;
  selection.IList();
  selection.InsertLast(circle);
  selection.InsertLast(centre);
  TAPIDispatcher* circleObject = ScriptObjectOf(circle);
  TAPILinkCollection chosen(&callLog_, &selection, nullptr);
  int32_t count = 0;
  chosen.Count(&count);
  EXPECT_EQ(count, 2);
  TAPIDispatcher* item = nullptr;
  chosen.Item(2, &item);
  EXPECT_EQ(item, nullptr);
  chosen.Item(1, &item);
  EXPECT_EQ(item, circleObject);
  selection.DeleteAll();
}

}  // namespace
