// Ropes, rods, separators and pulley lines made by a script over the program's own templates run
// with a point on a body; a run that cannot go on answers 1 to the script and shows no alert.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Ropes.h"
#include "model/Formula.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"

namespace {

class ScriptPulleyRun : public ::testing::Test {
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
    std::fclose(alerts_);
  }

  // A new constraint of the kind with its point number `onCircle` (from 0) moved onto a new
  // circle, as a script does with the point's Body.
  TLRope* RopeWithPointOnACircle(const char* kind, size_t onCircle) {
    TAPIDispatcher* circle = nullptr;
    EXPECT_EQ(object_->NewBody(Str31("circle"), &circle).code, 0);
    TAPIDispatcher* made = nullptr;
    EXPECT_EQ(object_->NewConstraint(Str31(kind), &made).code, 0);
    if (circle == nullptr || made == nullptr) return nullptr;
    auto* rope = static_cast<TLRope*>(made->target());
    rope->OwnPoints().at(onCircle)->AttachToBody(static_cast<TMass*>(circle->target()));
    return rope;
  }
  // Runs the frames; answers what the function form of Run answers.
  int16_t Run(int16_t frames) {
    int16_t failed = -1;
    EXPECT_EQ(object_->Run(true, frames, &failed).code, 0);
    return failed;
  }
  int16_t Frame() {
    int16_t frame = -1;
    object_->GetCurrentFrame(&frame);
    return frame;
  }
  std::string Alerts() {
    std::fflush(alerts_);
    std::rewind(alerts_);
    std::string text;
    for (int c = std::fgetc(alerts_); c != EOF; c = std::fgetc(alerts_))
      text += static_cast<char>(c);
    return text;
  }

  std::FILE* alerts_ = std::tmpfile();
  TApp app_{alerts_};
  TAPICallLog log_;
  TAPIApplication* root_ = nullptr;
  std::unique_ptr<TQVDoc> document_;
  TAPIDocument* object_ = nullptr;
};

TEST_F(ScriptPulleyRun, ADefaultPulleyOverACircleRunsAtTheLengthItsPointsSpan) {
  // The template's line runs from (0, 0) up to (0, 0.1) and down to (0.1, 0); any of its points
  // goes onto the circle.
  for (size_t onCircle = 0; onCircle < 3; ++onCircle) {
    document_ = std::make_unique<TQVDoc>();
    object_ = static_cast<TAPIDocument*>(document_->GetAPIDocument(root_));
    TLRope* pulley = RopeWithPointOnACircle("pulley", onCircle);
    ASSERT_NE(pulley, nullptr);
    ASSERT_EQ(pulley->AttachedCount(), 3);
    EXPECT_NEAR(pulley->PathLength(), 0.1 + std::sqrt(0.02), 1e-12) << onCircle;
    EXPECT_NEAR(pulley->Quantity().GetValue(), pulley->PathLength(), 1e-12) << onCircle;
    const int16_t start = Frame();
    EXPECT_EQ(Run(10), 0) << onCircle;
    EXPECT_EQ(Frame(), start + 10) << onCircle;
  }
  EXPECT_EQ(Alerts(), "");
}

TEST_F(ScriptPulleyRun, EveryRopeKindRunsWithItsLastPointOnACircle) {
  for (const char* kind : {"rope", "rod", "separator", "pulley"}) {
    document_ = std::make_unique<TQVDoc>();
    object_ = static_cast<TAPIDocument*>(document_->GetAPIDocument(root_));
    TLRope* rope = RopeWithPointOnACircle(kind, std::string(kind) == "pulley" ? 2 : 1);
    ASSERT_NE(rope, nullptr) << kind;
    const int16_t start = Frame();
    EXPECT_EQ(Run(10), 0) << kind;
    EXPECT_EQ(Frame(), start + 10) << kind;
  }
  EXPECT_EQ(Alerts(), "");
}

// As World > Run does, the failure is reported before the script hears 1.
TEST_F(ScriptPulleyRun, ARunThatCannotGoOnIsReportedAnswersOneAndLeavesTheDocumentUnchanged) {
  // Both ends are fixed 0.1 apart: no place of the circle makes the line shorter than that.
  TLRope* pulley = RopeWithPointOnACircle("pulley", 1);
  ASSERT_NE(pulley, nullptr);
  pulley->SetFormulaProperty(kTagQuantity, TFormula(0.05));
  document_->SetChangeCount(0);
  EXPECT_EQ(Run(10), 1);
  EXPECT_NE(Alerts().find("(error -28702)"), std::string::npos) << Alerts();
  EXPECT_EQ(document_->GetChangeCount(), 0);
}

}  // namespace
