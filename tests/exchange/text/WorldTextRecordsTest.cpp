// Record objects written as a text world and opened through the document: the polygon, its
// shape list, points on it and on the ground, a pin and a motor come back field by field, and a
// body turned by the motor turns at the motor's speed when the world runs.

#include "exchange/text/WorldTextRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/exchange/text/TextWorldTest.h"

namespace {

std::string g_worldText;

void HandOverText(const std::string&, double, std::vector<uint8_t>& text, std::string&) {
  text.assign(g_worldText.begin(), g_worldText.end());
}

// Outline entries of 22 bytes with their integer point (vertical, horizontal) at byte 8.
std::vector<uint8_t> Entries(const std::vector<MacPoint>& points) {
  std::vector<uint8_t> bytes(points.size() * TWorldText1701::kEntryBytes + 5, 0xAB);
  for (size_t i = 0; i < points.size(); ++i) {
    std::memcpy(&bytes[i * 22 + 8], &points[i].v, 2);
    std::memcpy(&bytes[i * 22 + 10], &points[i].h, 2);
  }
  return bytes;
}

class WorldTextRecordsTest : public TextWorldTest {
 protected:
  WorldTextRecordsTest() : TextWorldTest("world-text-test.dll") {}
  void TearDown() override {
    TQVDoc::SetDrawingImporter(nullptr);
    WorldRunTest::TearDown();
  }

  // A document with the run settings and the ground, reading the records' text.
  std::unique_ptr<TQVDoc> Open(const std::string& text) {
    auto document = std::make_unique<TQVDoc>();
    Add<TEngine>(document->World(), 30000);
    Add<TZeroMass>(document->World(), 0);
    g_worldText = text;
    TQVDoc::SetDrawingImporter(&HandOverText);
    document->ReadAlternateFile("records.dxf");
    return document;
  }
};

// A triangle outline in tenths, its centroid at (2/3, 1/3) once converted.
const TWorldText1701::Conversion kTenths = [](const EngPoint& p) {
  return EngPoint(p.x / 10.0, p.y / 10.0);
};

TEST_F(WorldTextRecordsTest, RecordsReadBackFieldByField) {
  TWorldTextRecord::RestartIdentifiers();
  const TWorldText1701 shape(Entries({MacPoint(0, 0), MacPoint(20, 0), MacPoint(0, 10)}), kTenths);
  TWorldText1201 body(shape);
  body.SetName("Middle Link");
  TWorldText1500 head(body, EngPosition(2, 0));
  head.SetName("Head \"A\"");
  const TWorldText1500 ground(EngPosition(5, 6));
  TWorldText5230 pin(head, ground);
  pin.AddRow(1, 0, 0, 0);
  pin.AddRow(1, 0, 1, 0);
  TWorldText5225 motor(head, ground);
  motor.drive = 2.5;
  motor.AddRow(2, 0, 2, 2.5);
  motor.AddRow(1, 0, 0, 0);
  motor.AddRow(1, 0, 1, 0);
  TWorldTextWriter writer;
  writer.WriteHeader();
  for (const TWorldTextRecord* record :
       std::initializer_list<const TWorldTextRecord*>{&shape, &body, &head, &ground, &pin, &motor})
    record->WriteObject(writer);
  writer.WriteListEnd();

  const auto document = Open(std::string(writer.Text()));
  TWorldDoc& world = document->World();
  auto* polygon = dynamic_cast<TPolygon*>(world.FindObject(body.Identifier()));
  ASSERT_NE(polygon, nullptr);
  EXPECT_STREQ(polygon->GetName().Chars(), "Middle Link");
  const TVector3 at = polygon->GetPositionValues();
  EXPECT_NEAR(at.x, 2.0 / 3.0, 1e-5);
  EXPECT_NEAR(at.y, 1.0 / 3.0, 1e-5);
  TTable* vertices = polygon->GetVertexTable();
  ASSERT_NE(vertices, nullptr);
  ASSERT_EQ(vertices->GetCount(), 3);
  // About the centroid, a tenth larger.
  EXPECT_NEAR(vertices->GetPoint(2).x, (2 - 2.0 / 3.0) * 1.1, 1e-5);
  EXPECT_NEAR(vertices->GetPoint(3).y, (1 - 1.0 / 3.0) * 1.1, 1e-5);

  auto* headPoint = dynamic_cast<TPoint*>(world.FindObject(head.Identifier()));
  auto* groundPoint = dynamic_cast<TPoint*>(world.FindObject(ground.Identifier()));
  ASSERT_NE(headPoint, nullptr);
  ASSERT_NE(groundPoint, nullptr);
  EXPECT_EQ(headPoint->GetBody(), polygon);
  EXPECT_STREQ(headPoint->GetName().Chars(), "Head \"A\"");
  EXPECT_NEAR(headPoint->GetWorldXY().x, 2.0, 1e-5);
  EXPECT_NEAR(headPoint->GetWorldXY().y, 0.0, 1e-5);
  EXPECT_NEAR(groundPoint->GetWorldXY().x, 5.0, 1e-12);
  EXPECT_NEAR(groundPoint->GetWorldXY().y, 6.0, 1e-12);

  auto* readPin = dynamic_cast<TPin*>(world.FindObject(pin.Identifier()));
  ASSERT_NE(readPin, nullptr);
  EXPECT_EQ(readPin->Attached(), (std::vector<TLink*>{headPoint, groundPoint}));
  EXPECT_EQ(readPin->IsLocked(), 1);
  auto* readMotor = dynamic_cast<TRPiston*>(world.FindObject(motor.Identifier()));
  ASSERT_NE(readMotor, nullptr);
  EXPECT_EQ(readMotor->Attached(), (std::vector<TLink*>{headPoint, groundPoint}));
  EXPECT_EQ(readMotor->GetDriveKind(), TPiston::kVelocity);
  EXPECT_EQ(readMotor->Quantity().GetValue(), 2.5);
  EXPECT_EQ(readMotor->IsLocked(), 1);
}

TEST_F(WorldTextRecordsTest, ABodyOnAMotorTurnsAtItsSpeed) {
  TWorldTextRecord::RestartIdentifiers();
  const TWorldText1701 shape(Entries({MacPoint(0, 0), MacPoint(0, 20), MacPoint(10, 0)}), kTenths);
  const TWorldText1201 body(shape);
  const TWorldText1500 pivot(body, EngPosition(0, 0));
  const TWorldText1500 ground(EngPosition(0, 0));
  // The motor turns its second point's body against its first's.
  TWorldText5225 motor(ground, pivot);
  motor.drive = 1.5;
  motor.AddRow(2, 0, 2, 1.5);
  motor.AddRow(1, 0, 0, 0);
  motor.AddRow(1, 0, 1, 0);
  TWorldTextWriter writer;
  writer.WriteHeader();
  for (const TWorldTextRecord* record :
       std::initializer_list<const TWorldTextRecord*>{&shape, &body, &pivot, &ground, &motor})
    record->WriteObject(writer);
  writer.WriteListEnd();

  const auto document = Open(std::string(writer.Text()));
  TWorldDoc& world = document->World();
  constexpr int16_t kFrames = 10;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  auto* polygon = dynamic_cast<TPolygon*>(world.FindObject(body.Identifier()));
  ASSERT_NE(polygon, nullptr);
  for (int16_t frame = 1; frame <= kFrames; frame += 3) {
    world.ShowFrame(frame, 1);
    EXPECT_NEAR(polygon->GetRotationValue(), 1.5 * frame * step, 1e-6) << frame;
  }
}

}  // namespace
