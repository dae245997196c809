// A linkage file made here opens through the document as a four-bar: the links, their points and
// the joins equal to the file, turning under the motor when the world runs; a file without its
// title or of one place only is refused.

#include "exchange/dxf/LinkageBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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
#include "core/Failure.h"
#include "exchange/dxf/DXFImport.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/exchange/text/TextWorldTest.h"

namespace {

struct Point {
  double x, y;
};

// A file in tenths of a metre: the title record at byte 210, then the links.
class LinkageFile {
 public:
  LinkageFile() : bytes_(210, 0) {
    std::vector<uint8_t> title(64, 0);
    Put(title, 0, 100);
    Put(title, 8, 2);  // metres
    Put(title, 10, 10);
    Put(title, 12, 10);
    bytes_.insert(bytes_.end(), title.begin(), title.end());
    bytes_.insert(bytes_.end(), {7, 7, 7});
  }
  void AddLink(int16_t type, const std::vector<Point>& named, const std::vector<Point>& outline) {
    std::vector<uint8_t> record(6, 0);
    Put(record, 0, type);
    Put(record, 2, static_cast<int16_t>(outline.size()));
    Put(record, 4, 3);
    for (const auto* points : {&named, &outline}) {
      for (const Point& p : *points) {
        std::vector<uint8_t> entry(22, 0x5A);
        Put(entry, 8, static_cast<int16_t>(std::lround(p.y * 10)));
        Put(entry, 10, static_cast<int16_t>(std::lround(p.x * 10)));
        record.insert(record.end(), entry.begin(), entry.end());
      }
    }
    bytes_.insert(bytes_.end(), record.begin(), record.end());
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  static void Put(std::vector<uint8_t>& bytes, size_t at, int16_t value) {
    std::memcpy(bytes.data() + at, &value, 2);
  }
  std::vector<uint8_t> bytes_;
};

// A crank of length 1 about (0, 0), a coupler to (4, 3) with a tracer, a rocker about (4, 0).
const Point kA{0, 0}, kB{0, 1}, kC{4, 3}, kD{4, 0}, kTracer{2, 3.5};

LinkageFile FourBar() {
  LinkageFile file;
  file.AddLink(308, {kA, kA, kB}, {{-0.2, -0.2}, {0.2, -0.2}, {0.2, 1.2}, {-0.2, 1.2}});
  file.AddLink(309, {kB, kC, kTracer}, {{-0.2, 0.8}, {4.2, 2.8}, {4.2, 3.2}, {2, 3.7}, {-0.2, 1.2}});
  file.AddLink(308, {kC, kD, kD}, {{3.8, -0.2}, {4.2, -0.2}, {4.2, 3.2}, {3.8, 3.2}});
  return file;
}

class LinkageBuilderTest : public TextWorldTest {
 protected:
  LinkageBuilderTest() : TextWorldTest("linkage-test.dll") {}
  void TearDown() override {
    RemoveDrawingImport();
    std::filesystem::remove(file_);
    WorldRunTest::TearDown();
  }
  std::unique_ptr<TQVDoc> Open(const LinkageFile& linkage) {
    file_ = path.string() + ".lnk";
    std::ofstream(file_, std::ios::binary)
        .write(reinterpret_cast<const char*>(linkage.Bytes().data()),
               static_cast<std::streamsize>(linkage.Bytes().size()));
    InstallDrawingImport();
    auto document = std::make_unique<TQVDoc>();
    Add<TEngine>(document->World(), 30000);
    Add<TZeroMass>(document->World(), 0);
    document->ReadDocument(file_);
    return document;
  }
  std::string file_;
};

template <class T>
std::map<std::string, T*> ByName(TWorldDoc& world) {
  std::map<std::string, T*> found;
  for (TLink* object : world.Linked()) {
    if (auto* typed = dynamic_cast<T*>(object)) found[typed->GetName().Chars()] = typed;
  }
  return found;
}

TEST_F(LinkageBuilderTest, AFourBarOpensAsTheFileSaysAndTurnsUnderItsMotor) {
  const auto document = Open(FourBar());
  TWorldDoc& world = document->World();
  auto links = ByName<TPolygon>(world);
  ASSERT_EQ(links.size(), 3u);
  TPolygon* input = links["Input BinLink"];
  TPolygon* middle = links["Middle TernLink"];
  TPolygon* output = links["Output BinLink"];
  ASSERT_TRUE(input && middle && output);
  EXPECT_NEAR(input->GetPositionValues().x, 0.0, 1e-9);
  EXPECT_NEAR(input->GetPositionValues().y, 0.5, 1e-9);
  ASSERT_EQ(middle->GetVertexTable()->GetCount(), 5);
  EXPECT_NEAR(output->GetVertexTable()->GetPoint(1).x, (3.8 - 4.0) * 1.1, 1e-9);

  auto points = ByName<TPoint>(world);
  const std::map<std::string, std::pair<Point, TMass*>> expected = {
      {"Driver Point", {kA, nullptr}}, {"Input Head", {kA, input}},   {"Input Tail", {kB, input}},
      {"TL Head", {kB, middle}},       {"TL Tail", {kC, middle}},     {"Tracer", {kTracer, middle}},
      {"Output head", {kC, output}},   {"Output Tail", {kD, output}}, {"Ground Point", {kD, nullptr}}};
  ASSERT_EQ(points.size(), expected.size());
  for (const auto& [name, place] : expected) {
    SCOPED_TRACE(name);
    TPoint* point = points[name];
    ASSERT_NE(point, nullptr);
    EXPECT_NEAR(point->GetWorldXY().x, place.first.x, 1e-9);
    EXPECT_NEAR(point->GetWorldXY().y, place.first.y, 1e-9);
    if (place.second != nullptr) EXPECT_EQ(point->GetBody(), place.second);
    else EXPECT_EQ(point->GetBody(), world.FindObject(0));
  }
  std::vector<std::vector<TLink*>> pins;
  for (TLink* object : world.Linked())
    if (auto* pin = dynamic_cast<TPin*>(object)) pins.push_back(pin->Attached());
  EXPECT_EQ(pins, (std::vector<std::vector<TLink*>>{{points["Input Tail"], points["TL Head"]},
                                                    {points["TL Tail"], points["Output head"]},
                                                    {points["Output Tail"], points["Ground Point"]}}));
  auto motors = ByName<TRPiston>(world);
  ASSERT_EQ(motors.size(), 1u);
  EXPECT_EQ(motors.begin()->second->Attached(),
            (std::vector<TLink*>{points["Driver Point"], points["Input Head"]}));

  constexpr int16_t kFrames = 10;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  world.ShowFrame(kFrames, 1);
  EXPECT_NEAR(input->GetRotationValue(), kFrames * step, 1e-6);
  // The coupler follows: its head stays on the crank's end.
  const TVector head = points["TL Head"]->GetWorldXY();
  EXPECT_NEAR(head.x, -std::sin(kFrames * step), 1e-4);
  EXPECT_NEAR(head.y, std::cos(kFrames * step), 1e-4);
}

TEST_F(LinkageBuilderTest, FilesWithoutATitleOrOfOnePlaceAreRefused) {
  Handle text = AllocHandle(0);
  std::vector<uint8_t> untitled = FourBar().Bytes();
  untitled[210] = 99;
  EXPECT_FALSE(IsLinkageFile(untitled));
  try {
    BuildLinkage(untitled, text, MacPoint(640, 480));
    ADD_FAILURE() << "a file without a title was built";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25002);
  }
  LinkageFile flat;
  for (int16_t type : {308, 309, 308})
    flat.AddLink(type, {kA, kA, kA}, {kA, kA, kA});
  try {
    BuildLinkage(flat.Bytes(), text, MacPoint(640, 480));
    ADD_FAILURE() << "a linkage of one place was built";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrLinkageFlat);
  }
  EXPECT_EQ(GetHandleByteSize(text), 0u);
  FreeHandle(text);
}

}  // namespace
