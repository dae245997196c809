// The document object as scripts use it: each member reached by its id, the answers of a new
// world, the switches' ranges, the failures scripts are told of, and a document that closed.

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "basic/Engine.h"
#include "basic/Value.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/document/DocumentLibrary.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

using DocumentMembers = ScriptedProgram;

// The error a statement raises, as "number", or "0" when none.
std::string Caught(const std::string& statement) {
  return "Err.Clear\n" + statement + "\nPrint Err.Number\n";
}

std::string WithDocument(const std::string& body) {
  return "Dim d As YBDocument\nSet d = YB.New()\nOn Error Resume Next\n" + body;
}

TEST_F(DocumentMembers, NewWorldAnswersItsNameFramesAndSettings) {
  EXPECT_EQ(Run(WithDocument("Print d.Name; \" \"; d.CurrentFrame; \" \"; d.HistoryFrames; \" \"; "
                             "d.SkipFrames; \" \"; d.Tracking; \" \"; d.ExportStartFrame")),
            "Untitled -1 0 1 0 0\n");
}

TEST_F(DocumentMembers, SkipFramesAndTrackingTakeOnlyTheirRanges) {
  EXPECT_EQ(Run(WithDocument("d.SkipFrames = 0\nPrint d.SkipFrames\nd.SkipFrames = 101\n"
                             "Print d.SkipFrames\nd.SkipFrames = 100\nPrint d.SkipFrames\n"
                             "d.Tracking = 5\nd.Tracking = -1\nPrint d.Tracking\nd.Tracking = 101\n"
                             "Print d.Tracking\nd.Tracking = 0\nPrint d.Tracking")),
            "1\n1\n100\n5\n5\n0\n");
}

TEST_F(DocumentMembers, FailuresReachTheScriptWithTheirNumbers) {
  EXPECT_EQ(Run(WithDocument(Caught("Set b = d.NewBody(\"circle \")") +
                             Caught("Print d.NewPoint(\"x\") Is Nothing") +
                             Caught("d.ExportMeterData \"/tmp/never-written.txt\"") +
                             Caught("d.ExportDXF \"/tmp/never-written.dxf\", True") +
                             Caught("d.ImportDXF \"/tmp/drawing.dxf\"") +
                             Caught("Print d.ShowToolPalette") + Caught("d.Save"))),
            "904\nTrue\n0\n908\n908\n900\nFalse\n0\n900\n");
}

TEST_F(DocumentMembers, MeterDataOfAWorldWithoutMetersIsRefusedForThatCause) {
  const std::string path = "/tmp/yb-no-meters-" + std::to_string(::getpid()) + ".dta";
  EXPECT_EQ(Run(WithDocument("d.ExportMeterData \"" + path +
                             "\"\nPrint Err.Number; \" \"; Err.Description")),
            "908 The export failed because the world has no meters to export.\n");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(DocumentMembers, CollectionsAreMadeOnceAndLookupsFindNothingInAnEmptyWorld) {
  EXPECT_EQ(Run(WithDocument("Print d.Bodies Is d.Bodies; d.Selection Is d.Objects\n"
                             "Print d.Body(77) Is Nothing; d.Object(\"nobody\") Is Nothing\n"
                             "d.Select Nothing\nd.Delete Nothing\nPrint Err.Number")),
            "TrueFalse\nTrueTrue\n0\n");
}

TEST_F(DocumentMembers, RunAndResetLeaveTheChangeCountAsItWas) {
  application_.NewDocument();
  TQVDoc& document = *application_.front;
  document.SetChangeCount(0);
  EXPECT_EQ(Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nPrint d.Run(10)\nd.Run\n"
                "d.Reset\nPrint Err.Number"),
            "0\n0\n");
  EXPECT_EQ(document.GetChangeCount(), 0);
}

TEST_F(DocumentMembers, CloseDuringARunFailsAndAClosedDocumentsObjectIsDead) {
  application_.NewDocument();
  TQVDoc* document = application_.front;
  document->World().SetRunState(kRunForward);
  EXPECT_EQ(Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" +
                Caught("d.Close") + "Print YB.Documents.Count"),
            "900\n1\n");
  document->World().SetRunState(kRunIdle);
  EXPECT_EQ(Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nDim c As Object\nSet c = d.Bodies\n"
                "d.Close\nPrint YB.Documents.Count\nOn Error Resume Next\n" +
                Caught("Print d.Name") + Caught("Print d.CurrentFrame") + Caught("d.Run")),
            "0\n901\n901\n901\n");
}

TEST_F(DocumentMembers, ADocumentTheApplicationCannotCloseStaysAndTheScriptIsTold) {
  application_.NewDocument();
  application_.closes = false;
  EXPECT_EQ(Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" +
                Caught("d.Close") + "Print YB.Documents.Count; d.Name"),
            "900\n1Untitled\n");
}

TEST_F(DocumentMembers, IdsAboveTheTableAndEmptyIdsDoNothing) {
  application_.NewDocument();
  auto* object = static_cast<TAPIDispatcher*>(application_.front->GetAPIDocument(yb_));
  ScriptFrame frame;
  frame.slots = {basic::Value::Integer(0), basic::Value::Object(object, -1)};
  frame.used = 2;
  for (uint32_t id : {29u, 30u, 50u, 195u, 196u, 198u, 199u, 200u, 201u, 0x10001u})
    DispatchYBDocument(nullptr, id, 1, &frame);
  EXPECT_EQ(frame.slots[0].type(), basic::Value::Integer(0).type());
}

TEST(DocumentUnitMembers, EachPairOfIdsServesOneQuantity) {
  EXPECT_EQ(UnitKindFromMethodId(85), 0);
  EXPECT_EQ(UnitKindFromMethodId(86), 1);
  EXPECT_EQ(UnitKindFromMethodId(87), 1);
  EXPECT_EQ(UnitKindFromMethodId(88), 2);
  EXPECT_EQ(UnitKindFromMethodId(108), 12);
  EXPECT_EQ(UnitKindFromMethodId(109), 12);
  EXPECT_EQ(UnitKindFromMethodId(110), 0);
}

}  // namespace
