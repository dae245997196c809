// The object libraries' dispatch road as the engine calls it: ids that no member took, and ids
// beyond a library's table, do nothing; a registered id checks its receiver.

#include <gtest/gtest.h>

#include "basic/Engine.h"
#include "basic/Value.h"
#include "bodies/Shapes.h"
#include "scripting/host/ScriptHost.h"
#include "scripting/objects/BodyLibrary.h"
#include "scripting/objects/ConstraintLibrary.h"
#include "scripting/objects/LinkLibrary.h"
#include "scripting/objects/PointLibrary.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

class LibraryRoad : public ObjectScripts {
 protected:
  void SetUp() override {
    ObjectScripts::SetUp();
    script_ = std::make_unique<TScriptText>();
    script_->Reset();
    menu_->Host()->Compile(script_.get());
    uint16_t error = 0;
    module_ = ScriptLoadModule(menu_->Host()->GetEngine(), script_->LibraryCode(), &error);
    uint32_t contextError = 0;
    call_ = ScriptNewRunContext(module_, ScriptEntrySpec{}, 4, &contextError);
  }
  void TearDown() override {
    ScriptFreeRunContext(call_);
    ScriptUnloadModule(module_);
    ObjectScripts::TearDown();
  }
  // Calls the id on the receiver; answers the error number raised, 0 for none.
  int32_t Call(ScriptDispatch dispatch, uint32_t id, TAPIDispatcher* receiver) {
    ScriptFrame frame;
    frame.slots = {basic::Value::Integer(0), basic::Value::Object(receiver, -1),
                   basic::Value::Integer(1)};
    frame.used = 3;
    frame.call = call_;
    call_->pendingError = false;
    call_->pendingNumber = 0;
    dispatch(call_, id, 2, &frame);
    return call_->pendingError ? call_->pendingNumber : 0;
  }

  std::unique_ptr<TScriptText> script_;
  ScriptModule* module_ = nullptr;
  ScriptRunContext* call_ = nullptr;
};

TEST_F(LibraryRoad, IdsWithoutAMemberDoNothingAndMembersCheckTheirReceiver) {
  TAPIDispatcher* circle = ScriptObjectOf(Adopt(std::make_unique<TOval>()));
  EXPECT_EQ(Call(&DispatchYBBody, 3, circle), 0);
  EXPECT_EQ(Call(&DispatchYBBody, 41, circle), 0);
  EXPECT_EQ(Call(&DispatchYBBody, 500, circle), 0);
  EXPECT_EQ(Call(&DispatchYBLink, 29, circle), 0);
  EXPECT_EQ(Call(&DispatchYBConstraint, 48, circle), 0);
  EXPECT_EQ(Call(&DispatchYBBody, 8, circle), 999);   // Height is a rectangle's
  EXPECT_EQ(Call(&DispatchYBPoint, 1, circle), 999);  // Kind of a point
  EXPECT_EQ(Call(&DispatchYBConstraint, 1, circle), 999);
  EXPECT_EQ(Call(&DispatchYBLink, 17, objects_), 999);  // a collection is no YBObject
  EXPECT_EQ(Call(&DispatchYBBody, 1, circle), 0);
}

}  // namespace
