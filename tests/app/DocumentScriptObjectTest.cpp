// A document's script object over worlds of the program's own classes: new objects from their
// templates, lookups, collections, deletion, selection, runs and saves.

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "simulation/StopWhen.h"
#include "tests/app/ProgramDocuments.h"

namespace {

using namespace body_tags;

class DocumentScriptObject : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
    root_ = new TAPIApplication(&log_, nullptr);
    SetLiveObjectRoot(root_);
    InstallDocumentScriptObjects();
    document_ = std::make_unique<TQVDoc>();
    object_ = Object(*document_);
  }
  void TearDown() override {
    document_.reset();
    delete root_;
    std::filesystem::remove(path_);
    app_.TermUnits();
    app_.FreeResourceDlls();
  }

  TAPIDocument* Object(TQVDoc& document) {
    return static_cast<TAPIDocument*>(document.GetAPIDocument(root_));
  }
  TWorldDoc& World() { return document_->World(); }
  // The background body numbered 0, as the tools' worlds have it.
  TZeroMass& AddBackground() {
    auto background = std::make_unique<TZeroMass>();
    background->Initialize();
    background->SetIdentifier(0);
    TZeroMass& added = *background;
    World().AdoptObject(std::move(background));
    return added;
  }
  static TLink* Target(TAPIDispatcher* object) {
    return object != nullptr ? static_cast<TLink*>(object->target()) : nullptr;
  }
  TAPIDispatcher* NewBody(const char* kind) {
    TAPIDispatcher* body = nullptr;
    EXPECT_EQ(object_->NewBody(Str31(kind), &body).code, 0);
    return body;
  }
  TAPIDispatcher* Lookup(TWorldList list, int16_t id) {
    TAPIDispatcher* found = nullptr;
    EXPECT_EQ(object_->ObjectById(list, id, &found).code, 0);
    return found;
  }
  int32_t CountOf(TWorldList list) {
    TAPIDispatcher* collection = nullptr;
    EXPECT_EQ(object_->GetCollection(list, &collection).code, 0);
    int32_t count = -1;
    EXPECT_EQ(static_cast<TAPICollection*>(collection)->Count(&count).code, 0);
    return count;
  }

  TApp app_;
  TAPICallLog log_;
  TAPIApplication* root_ = nullptr;
  std::unique_ptr<TQVDoc> document_;
  TAPIDocument* object_ = nullptr;
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("yb-script-document-" + std::to_string(::getpid()) + ".yb");
};

TEST_F(DocumentScriptObject, NewBodiesOfEachKindHaveUnitMassAndTheDefaultSize) {
  document_->SetChangeCount(0);
  auto* circle = dynamic_cast<TOval*>(Target(NewBody("CiRcLe")));
  auto* square = dynamic_cast<TRectangle*>(Target(NewBody("square")));
  auto* rectangle = dynamic_cast<TRectangle*>(Target(NewBody("Rectangle")));
  auto* polygon = dynamic_cast<TPolygon*>(Target(NewBody("POLYGON")));
  ASSERT_NE(circle, nullptr);
  ASSERT_NE(square, nullptr);
  ASSERT_NE(rectangle, nullptr);
  ASSERT_NE(polygon, nullptr);
  EXPECT_EQ(document_->GetChangeCount(), 4);
  for (TMass* body : std::initializer_list<TMass*>{circle, square, rectangle, polygon})
    EXPECT_DOUBLE_EQ(body->GetMass(), 1.0);
  EXPECT_EQ(circle->GetSize(), TVector(0.1, 0.1));
  EXPECT_EQ(rectangle->GetSize(), TVector(0.1, 0.1));
  const TVector expected[] = {{0.1, 0.1}, {0.1, 0.0}, {0.0, 0.0}};
  for (int i = 0; i < 3; ++i) {
    TVector vertex;
    ASSERT_TRUE(polygon->GetVertex(i + 1, vertex));
    EXPECT_EQ(vertex, expected[i]) << "vertex " << i + 1;
  }
  TVector none;
  EXPECT_FALSE(polygon->GetVertex(4, none));
  // Every object made has an identifier of its own.
  EXPECT_NE(circle->GetIdentifier(), square->GetIdentifier());
  EXPECT_EQ(World().FindObject(circle->GetIdentifier()), circle);

  TAPIDispatcher* refused = nullptr;
  const APIResult result = object_->NewBody(Str31("circle "), &refused);
  EXPECT_EQ(result.code, kAPIBadParameter);
  EXPECT_EQ(result.subcode, kAPIUnknownWord);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(document_->GetChangeCount(), 4);
}

TEST_F(DocumentScriptObject, NewPointsByKindWordAndNothingForOtherWords) {
  TAPIDispatcher* anchor = nullptr;
  TAPIDispatcher* point = nullptr;
  TAPIDispatcher* other = nullptr;
  EXPECT_EQ(object_->NewPoint(Str31("Anchor"), &anchor).code, 0);
  EXPECT_EQ(object_->NewPoint(Str31("point"), &point).code, 0);
  EXPECT_EQ(object_->NewPoint(Str31("x"), &other).code, 0);
  EXPECT_NE(dynamic_cast<TAnchor*>(Target(anchor)), nullptr);
  ASSERT_NE(dynamic_cast<TPoint*>(Target(point)), nullptr);
  EXPECT_EQ(dynamic_cast<TAnchor*>(Target(point)), nullptr);
  EXPECT_EQ(other, nullptr);
}

TEST_F(DocumentScriptObject, NewMetersComeFromTheirTemplateIntoTheOutputsAndCountAsAChange) {
  const int32_t changes = document_->GetChangeCount();
  TAPIDispatcher* first = nullptr;
  TAPIDispatcher* second = nullptr;
  EXPECT_EQ(object_->NewOutput(&first).code, 0);
  EXPECT_EQ(object_->NewOutput(&second).code, 0);
  auto* meter = dynamic_cast<TOutput*>(Target(first));
  ASSERT_NE(meter, nullptr);
  ASSERT_NE(Target(second), nullptr);
  EXPECT_NE(meter->GetIdentifier(), Target(second)->GetIdentifier());
  EXPECT_EQ(World().Outputs(), (std::vector<TLink*>{meter, Target(second)}));
  EXPECT_EQ(CountOf(TWorldList::kOutputs), 2);
  EXPECT_EQ(Lookup(TWorldList::kOutputs, meter->GetIdentifier()), first);
  EXPECT_EQ(document_->GetChangeCount(), changes + 2);
}

TEST_F(DocumentScriptObject, ANewInputComesFromItsTemplateIntoTheInputs) {
  const int32_t changes = document_->GetChangeCount();
  TAPIDispatcher* input = nullptr;
  EXPECT_EQ(object_->NewInput(&input).code, 0);
  auto* made = dynamic_cast<TInput*>(Target(input));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(CountOf(TWorldList::kInputs), 1);
  EXPECT_EQ(Lookup(TWorldList::kInputs, made->GetIdentifier()), input);
  EXPECT_EQ(document_->GetChangeCount(), changes + 1);
}

TEST_F(DocumentScriptObject, LookupsSearchTheirOwnListAndGiveOneObjectPerWorldObject) {
  AddBackground();
  TAPIDispatcher* body = NewBody("circle");
  TAPIDispatcher* point = nullptr;
  object_->NewPoint(Str31("point"), &point);
  const int16_t bodyId = Target(body)->GetIdentifier();
  const int16_t pointId = Target(point)->GetIdentifier();
  EXPECT_EQ(Lookup(TWorldList::kMasses, bodyId), body);
  EXPECT_EQ(Lookup(TWorldList::kObjects, bodyId), body);
  EXPECT_EQ(Lookup(TWorldList::kMasses, pointId), nullptr);
  EXPECT_EQ(Lookup(TWorldList::kPoints, pointId), point);
  EXPECT_EQ(Lookup(TWorldList::kObjects, pointId), point);
  EXPECT_EQ(Lookup(TWorldList::kObjects, 4321), nullptr);

  // Body(0) is the background, which no index of Bodies reaches.
  TAPIDispatcher* background = Lookup(TWorldList::kMasses, 0);
  ASSERT_NE(background, nullptr);
  EXPECT_NE(dynamic_cast<TZeroMass*>(Target(background)), nullptr);
  EXPECT_EQ(CountOf(TWorldList::kBodies), 1);

  // Names match in any ASCII case, and the first of two equal names wins.
  TAPIDispatcher* second = NewBody("square");
  static_cast<TNamedLink*>(Target(body))->SetName(Str255("Wheel"));
  static_cast<TNamedLink*>(Target(second))->SetName(Str255("wHEEL"));
  TAPIDispatcher* found = nullptr;
  EXPECT_EQ(object_->ObjectByName(TWorldList::kObjects, Str255("WHEEL"), &found).code, 0);
  EXPECT_EQ(found, body);
  EXPECT_EQ(object_->ObjectByName(TWorldList::kObjects, Str255("wheel "), &found).code, 0);
  EXPECT_EQ(found, nullptr);
}

TEST_F(DocumentScriptObject, CollectionsAreMadeOnceOverTheLiveLists) {
  TAPIDispatcher* first = nullptr;
  TAPIDispatcher* again = nullptr;
  object_->GetCollection(TWorldList::kBodies, &first);
  object_->GetCollection(TWorldList::kBodies, &again);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, again);
  EXPECT_EQ(first->parent(), object_);
  EXPECT_EQ(CountOf(TWorldList::kBodies), 0);
  EXPECT_EQ(CountOf(TWorldList::kSelection), 0);
  TAPIDispatcher* body = NewBody("circle");
  EXPECT_EQ(CountOf(TWorldList::kBodies), 1);
  TAPIDispatcher* item = nullptr;
  auto* bodies = static_cast<TAPICollection*>(first);
  EXPECT_EQ(bodies->Item(1, &item).code, 0);
  EXPECT_EQ(item, body);
  EXPECT_EQ(bodies->Item(2, &item).code, 0);
  EXPECT_EQ(item, nullptr);
}

TEST_F(DocumentScriptObject, SelectionTakesOnlyObjectsOfItsOwnWorld) {
  TAPIDispatcher* body = NewBody("circle");
  EXPECT_EQ(object_->Select(body, 1).code, 0);
  EXPECT_EQ(CountOf(TWorldList::kSelection), 1);
  EXPECT_EQ(object_->Select(body, 0).code, 0);
  EXPECT_EQ(CountOf(TWorldList::kSelection), 0);

  TQVDoc other;
  TAPIDocument* otherObject = Object(other);
  TAPIDispatcher* stranger = nullptr;
  otherObject->NewBody(Str31("circle"), &stranger);
  ASSERT_NE(stranger, nullptr);
  EXPECT_EQ(object_->Select(stranger, 1).code, 0);
  EXPECT_EQ(object_->Select(nullptr, 1).code, 0);
  EXPECT_EQ(object_->Select(root_, 1).code, 0);
  EXPECT_EQ(CountOf(TWorldList::kSelection), 0);
  EXPECT_EQ(object_->DeleteObject(stranger).code, 0);
  EXPECT_TRUE(WorldHolds(other.World(), Target(stranger)));

  EXPECT_EQ(object_->SelectAll(1).code, 0);
  EXPECT_EQ(CountOf(TWorldList::kSelection), 1);  // the body; never the background
  EXPECT_EQ(object_->SelectAll(0).code, 0);
  EXPECT_EQ(CountOf(TWorldList::kSelection), 0);
}

TEST_F(DocumentScriptObject, SelectedObjectsMoveToTheFrontOrBackInTheirOrder) {
  TLink* first = Target(NewBody("circle"));
  TLink* second = Target(NewBody("square"));
  TLink* third = Target(NewBody("rectangle"));
  World().Select(second);
  World().Select(first);
  EXPECT_EQ(object_->MoveSelection(true).code, 0);
  std::vector<TLink*> objects = World().Objects();
  ASSERT_GE(objects.size(), 3u);
  EXPECT_EQ(objects[objects.size() - 3], third);
  EXPECT_EQ(objects[objects.size() - 2], first);  // the world's order, not the selection's
  EXPECT_EQ(objects.back(), second);
  EXPECT_EQ(object_->MoveSelection(false).code, 0);
  objects = World().Objects();
  EXPECT_EQ(objects[0], first);
  EXPECT_EQ(objects[1], second);
  EXPECT_EQ(objects.back(), third);
}

TEST_F(DocumentScriptObject, DeletingAConstraintTakesItsPointsButSparesSharedOnes) {
  TWorldDoc& world = World();
  TLink* first = Target(NewBody("circle"));
  TLink* second = Target(NewBody("circle"));
  auto add = [&world](auto object, int16_t id) {
    auto* made = object.get();
    made->Initialize();
    made->SetIdentifier(id);
    world.AdoptObject(std::move(object));
    return made;
  };
  TPoint* a = add(std::make_unique<TPoint>(), 100);
  TPoint* b = add(std::make_unique<TPoint>(), 101);
  TPoint* c = add(std::make_unique<TPoint>(), 102);
  a->AttachToBody(static_cast<TMass*>(first));
  b->AttachToBody(static_cast<TMass*>(second));
  c->AttachToBody(static_cast<TMass*>(second));
  TPin* pin = add(std::make_unique<TPin>(), 103);
  pin->AttachObject(a);
  pin->AttachObject(b);
  TPin* other = add(std::make_unique<TPin>(), 104);
  other->AttachObject(b);
  other->AttachObject(c);
  world.Select(pin);
  world.Select(a);

  TAPIDispatcher* held = Lookup(TWorldList::kConstraints, 103);
  ASSERT_NE(held, nullptr);
  held->AddRef();  // a script keeps it
  world.SetRunState(kRunForward);
  EXPECT_EQ(object_->DeleteObject(held).code, kAPICallFailed);
  EXPECT_TRUE(WorldHolds(world, pin));
  world.SetRunState(kRunIdle);

  EXPECT_EQ(object_->DeleteObject(held).code, 0);
  EXPECT_FALSE(WorldHolds(world, pin));
  EXPECT_FALSE(WorldHolds(world, a));
  EXPECT_TRUE(WorldHolds(world, b));  // the other pin holds it
  EXPECT_TRUE(world.Selection().empty());
  EXPECT_TRUE(held->TargetGone());
  held->Release();
}

TEST_F(DocumentScriptObject, RunReachesItsTargetKeepsTheChangeCountAndStepsBack) {
  document_->SetChangeCount(3);
  NewBody("circle");
  int16_t failed = -1;
  EXPECT_EQ(object_->Run(true, 10, &failed).code, 0);
  EXPECT_EQ(failed, 0);
  int16_t frame = 0;
  int16_t frames = 0;
  object_->GetCurrentFrame(&frame);
  object_->GetHistoryFrames(&frames);
  EXPECT_EQ(frame, 9);  // from -1, the frame of no store
  EXPECT_EQ(frames, 10);
  EXPECT_EQ(document_->GetChangeCount(), 4);

  EXPECT_EQ(object_->Run(true, -5, &failed).code, 0);
  object_->GetCurrentFrame(&frame);
  EXPECT_EQ(frame, 4);
  EXPECT_EQ(object_->Reset().code, 0);
  object_->GetCurrentFrame(&frame);
  EXPECT_EQ(frame, 0);
  object_->GetHistoryFrames(&frames);
  EXPECT_EQ(frames, 10);
}

TEST_F(DocumentScriptObject, ARunTargetPastTheLastFrameNumberMeansNoLimitNotAWrap) {
  TStopWhen* holder = nullptr;
  for (TLink* member : World().PauseControls())
    if (auto* found = dynamic_cast<TStopWhen*>(member)) holder = found;
  ASSERT_NE(holder, nullptr);
  holder->DoAction(MakeTag("PWNs"));
  TFormula condition;
  condition.SetFromPieces("time > 0.2");
  holder->SetFormulaProperty(MakeTag("PWe0"), condition);
  holder->SetIndexProperty(MakeTag("PWm0"), kPauseActionStop);
  int16_t failed = -1;
  ASSERT_EQ(object_->Run(true, 3, &failed).code, 0);
  // 2 + 32767 wraps in 16 bits to a negative target; summed in 32 bits it is the run to the end,
  // which the pause control ends.
  EXPECT_EQ(object_->Run(true, 32767, &failed).code, 0);
  EXPECT_EQ(failed, 0);
  int16_t frame = 0;
  object_->GetCurrentFrame(&frame);
  const double step = World().GetEngine()->TimeStep();
  EXPECT_EQ(frame, static_cast<int16_t>(std::floor(0.2 / step)) + 1);
}

TEST_F(DocumentScriptObject, AFailedRunAnswersOneAfterItsAlert) {
  auto* circle = dynamic_cast<TOval*>(Target(NewBody("circle")));
  ASSERT_NE(circle, nullptr);
  circle->SetSize(TVector(0.0, 0.0));  // no size: the run is refused
  int16_t failed = 0;
  EXPECT_EQ(object_->Run(false, 0, &failed).code, 0);
  EXPECT_EQ(failed, 1);
}

TEST_F(DocumentScriptObject, SaveAsFilesResultsOnlyWhenAskedAndKeepsTheSwitch) {
  NewBody("circle");
  int16_t failed = 0;
  object_->Run(true, 5, &failed);
  TQVDoc::SetSaveWithResults(1);
  EXPECT_EQ(object_->SaveAs(Str255(path_.c_str()), 0).code, 0);
  EXPECT_EQ(TQVDoc::GetSaveWithResults(), 1);
  {
    TQVDoc read;
    read.ReadDocument(path_.string());
    EXPECT_TRUE(read.World().GetStore() == nullptr || read.World().GetStore()->FrameCount() == 0);
  }
  EXPECT_EQ(object_->SaveAs(Str255(path_.c_str()), 1).code, 0);
  {
    TQVDoc read;
    read.ReadDocument(path_.string());
    ASSERT_NE(read.World().GetStore(), nullptr);
    EXPECT_EQ(read.World().GetStore()->FrameCount(), 5);
  }
  // A save that cannot be written is told, and the switch is back as well.
  TQVDoc::SetSaveWithResults(0);
  const APIResult failedSave = object_->SaveAs(Str255("/nonexistent-folder/world.yb"), 1);
  EXPECT_EQ(failedSave.code, kAPICallFailed);
  EXPECT_EQ(TQVDoc::GetSaveWithResults(), 0);
  TQVDoc::SetSaveWithResults(1);
  Str63 name;
  object_->GetName(&name);
  EXPECT_EQ(std::string(name.Chars()), path_.filename().string());

  // A longer title comes back cut to 63 characters.
  const std::filesystem::path longer = path_.parent_path() / (std::string(70, 'w') + ".yb");
  EXPECT_EQ(object_->SaveAs(Str255(longer.c_str()), 0).code, 0);
  object_->GetName(&name);
  EXPECT_EQ(std::string(name.Chars()), std::string(63, 'w'));
  std::filesystem::remove(longer);
}

TEST_F(DocumentScriptObject, WhatScriptsHoldOfAClosedDocumentIsDeadNotDangling) {
  TAPIDispatcher* bodies = nullptr;
  object_->GetCollection(TWorldList::kBodies, &bodies);
  TAPIDispatcher* body = NewBody("circle");
  object_->AddRef();
  bodies->AddRef();
  body->AddRef();
  document_.reset();
  int32_t count = 0;
  EXPECT_EQ(static_cast<TAPICollection*>(bodies)->Count(&count).code, kAPINoTarget);
  Str63 name;
  EXPECT_EQ(object_->GetName(&name).code, kAPINoTarget);
  EXPECT_TRUE(body->TargetGone());
  bodies->Release();
  body->Release();
  object_->Release();
}

TEST_F(DocumentScriptObject, AxesSwitchSendsItsCommandOnlyOnAChange) {
  int16_t shown = -1;
  // A world without a background, as an old document may be.
  document_->World().DropDefaultWorldObjects();
  object_->SetShowXYAxes(1);  // no background: nothing to show, nothing read
  object_->GetShowXYAxes(&shown);
  EXPECT_EQ(shown, -1);
  TZeroMass* background = &AddBackground();
  object_->GetShowXYAxes(&shown);
  EXPECT_EQ(shown, background->GetShowAxes() != 0 ? 1 : 0);
  const int16_t before = shown;
  object_->SetShowXYAxes(before);
  object_->GetShowXYAxes(&shown);
  EXPECT_EQ(shown, before);
  object_->SetShowXYAxes(before == 0 ? 1 : 0);
  object_->GetShowXYAxes(&shown);
  EXPECT_NE(shown, before);
}

}  // namespace
