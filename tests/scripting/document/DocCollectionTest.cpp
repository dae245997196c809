// The collection of open documents and the documents' script objects.

#include <gtest/gtest.h>

#include "scripting/document/APIDocument.h"
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
