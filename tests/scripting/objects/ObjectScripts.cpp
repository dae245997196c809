#include "tests/scripting/objects/ObjectScripts.h"

#include "scripting/document/APIDocument.h"
#include "scripting/host/ScriptHost.h"

void ObjectScripts::SetUp() {
  ScriptedProgram::SetUp();
  commands_ = std::make_unique<TCommandHandler>(nesting_);
  application_.NewDocument();
  document_ = application_.front;
  documentObject_ = static_cast<TAPIDispatcher*>(document_->GetAPIDocument(yb_));
  objects_ = new TAPILinkCollection(&callLog_, &World(), documentObject_);
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Fixture", kScriptNoId, nullptr);
  ScriptDefineGlobal(b, "Objects", kScriptObject, "DE22YBLnk.YBObjectCollection", objects_);
  ASSERT_NE(ScriptFinishDescription(b, &fixture_, nullptr), 0);
  ASSERT_EQ(ScriptRegisterLibrary(
                menu_->Host()->GetEngine(), "Fixture", fixture_,
                +[](ScriptRunContext*, uint32_t, int32_t, ScriptFrame*) {}),
            0);
}

void ObjectScripts::TearDown() {
  ScriptedProgram::TearDown();
  ScriptFreeDescription(fixture_);
  commands_.reset();
}

std::string ObjectScripts::Caught(const std::string& statements) {
  return Run("On Error Resume Next\n" + statements + "\nPrint Err.Number");
}

TAPIDispatcher* ObjectScripts::ScriptObjectOf(TLink* object) {
  return static_cast<TAPIDispatcher*>(object->GetAPIObject(documentObject_));
}
