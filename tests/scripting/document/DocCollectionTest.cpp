// The collection of open documents and the documents' script objects.

#include <gtest/gtest.h>

#include "basic/Engine.h"
#include "basic/Value.h"
#include "scripting/document/APIDocument.h"
#include "scripting/document/DocumentLibrary.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

using Documents = ScriptedProgram;

TEST_F(Documents, EachDocumentHasOneScriptObjectFoundThroughEveryRoad) {
  application_.NewDocument();
  application_.NewDocument();
  EXPECT_EQ(Run("Print YB.Documents.Count\n"
                "Print YB.ActiveDocument Is YB.Documents.Item(2); YB.ActiveDocument Is YB.Documents(1)\n"
                "Print YB.Documents.Item(0) Is Nothing; YB.Documents.Item(3) Is Nothing"),
            "2\nTrueFalse\nTrueTrue\n");
  auto* front = static_cast<TAPIDispatcher*>(application_.front->GetAPIDocument(nullptr));
  ASSERT_NE(front, nullptr);
  EXPECT_TRUE(front->HasTag(TAPIDocument::kTag));
  EXPECT_EQ(front->parent(), yb_);
}

TEST_F(Documents, ElementThatIsNotADocumentCountsAndGivesNothing) {
  application_.NewDocument();
  TQVDoc* document = application_.front;
  TList notADocument;
  notADocument.IList();
  application_.documents.InsertFirst(&notADocument);
  EXPECT_EQ(Run("Print YB.Documents.Count; YB.Documents.Item(1) Is Nothing; YB.Documents.Item(2) Is Nothing"),
            "2TrueFalse\n");
  application_.documents.Delete(&notADocument);
  EXPECT_EQ(application_.front, document);
}

TEST_F(Documents, DocumentClosedWhileAScriptHoldsItsObjectLeavesItCutLoose) {
  application_.NewDocument();
  // Hiding the properties window closes the front document in the test application.
  EXPECT_EQ(Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nYB.ShowPropertiesWindow = True\n"
                "On Error Resume Next\nYB.ShowPropertiesWindow = False\n"
                "Print YB.Documents.Count; YB.ActiveDocument Is Nothing\n"
                "Set YB.ActiveDocument = d\nPrint Err.Number\n"
                "Dim n As Integer\nn = YB.Documents.Count\nPrint Err.Number"),
            "0True\n0\n0\n");
  EXPECT_EQ(yb_->ChildCount(), 1);  // the collection; the cut-loose document object went
}

}  // namespace

namespace {

// The document library's road, called as the engine calls it.
class DocumentLibraryRoad : public Documents {
 protected:
  // A run context of an empty Main, whose member call errors can be read back.
  ScriptRunContext* Context() {
    script_ = std::make_unique<TScriptText>();
    script_->Reset();
    menu_->Host()->Compile(script_.get());
    uint16_t error = 0;
    module_ = ScriptLoadModule(menu_->Host()->GetEngine(), script_->LibraryCode(), &error);
    uint32_t contextError = 0;
    return ScriptNewRunContext(module_, ScriptEntrySpec{}, 4, &contextError);
  }
  std::unique_ptr<TScriptText> script_;
  ScriptModule* module_ = nullptr;
};

TEST_F(DocumentLibraryRoad, IdsAboveTheTableAreIgnoredAndOthersCheckTheReceiver) {
  ScriptRunContext* call = Context();
  int notAnObject = 0;
  ScriptFrame frame;
  frame.slots = {basic::Value::Integer(0), basic::Value::Object(&notAnObject, -1)};
  frame.used = 2;
  frame.call = call;
  DispatchYBDocument(call, 201, 1, &frame);
  EXPECT_FALSE(call->pendingError);
  DispatchYBDocument(call, 3, 1, &frame);
  EXPECT_TRUE(call->pendingError);
  EXPECT_EQ(call->pendingNumber, 901);
  call->pendingError = false;
  frame.slots[1] = basic::Value::Object(yb_, -1);  // alive, but not a document collection
  DispatchYBDocument(call, 3, 1, &frame);
  EXPECT_EQ(call->pendingNumber, 999);
  ScriptFreeRunContext(call);
  ScriptUnloadModule(module_);
}

TEST_F(Documents, CollectionAScriptStillHoldsOutlivesTheApplicationObject) {
  TAPICallLog log;
  auto* application = new TAPIApplication(&log, &application_);
  TAPIDocCollection* documents = application->Documents();
  documents->AddRef();  // a script's reference
  delete application;
  EXPECT_EQ(documents->refCount(), 1);
  EXPECT_EQ(documents->parent(), nullptr);
  documents->Release();
}

}  // namespace
