// The bundled sample worlds: what the program writes today is each committed file, byte for
// byte, and the spring-and-pin world opens and runs as its physics says. After a deliberate change
// of the document format, YB_UPDATE_SAMPLES=1 makes this test write the samples afresh (as does
// the yb_make_samples program).

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

using namespace sample_worlds;

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class SampleFileTest : public SampleFixture, public ::testing::WithParamInterface<SampleWorld> {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    written_ = std::filesystem::temp_directory_path() /
               ("yb-sample-" + std::filesystem::path(GetParam().file).stem().string() + "-" +
                std::to_string(::getpid()) + ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(written_);
    SampleFixture::TearDown();
  }

  std::filesystem::path written_;
};

TEST_P(SampleFileTest, CommittedSampleIsWhatTheProgramWritesToday) {
  const std::filesystem::path committed = Committed(GetParam().file);
  GetParam().make()->WriteDocument(written_.string());
  const std::vector<uint8_t> today = FileBytes(written_);
  ASSERT_GT(today.size(), 100u);
  // A second world made the same way is written the same way: nothing depends on addresses.
  GetParam().make()->WriteDocument(written_.string());
  ASSERT_EQ(FileBytes(written_), today);
  const char* update = std::getenv("YB_UPDATE_SAMPLES");
  if (update != nullptr && std::string(update) == "1") {
    std::filesystem::copy_file(written_, committed,
                               std::filesystem::copy_options::overwrite_existing);
  }
  EXPECT_EQ(FileBytes(committed), today)
      << committed << " differs from what the program writes; if the format changed on "
      << "purpose, run yb_make_samples samples (or this test with YB_UPDATE_SAMPLES=1) and "
      << "commit the file";
}

// A sample read back and written again gives the same bytes: nothing is lost on the way.
TEST_P(SampleFileTest, CommittedSampleReadsBackToTheSameBytes) {
  const auto document = Open(GetParam().file);
  document->WriteDocument(written_.string());
  EXPECT_EQ(FileBytes(written_), FileBytes(Committed(GetParam().file)));
}

INSTANTIATE_TEST_SUITE_P(Bundled, SampleFileTest,
                         ::testing::ValuesIn(AllSampleWorlds().begin(), AllSampleWorlds().end()),
                         [](const ::testing::TestParamInfo<SampleWorld>& info) {
                           std::string name = std::filesystem::path(info.param.file).stem();
                           std::erase(name, '-');
                           return name;
                         });

// Every sample in the folder is one the program makes, so none goes stale unseen.
TEST(SampleFolder, HoldsExactlyTheBundledWorlds) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(YB_SAMPLES_DIR)) {
    files.push_back(entry.path().filename().string());
  }
  std::vector<std::string> bundled;
  for (const SampleWorld& sample : AllSampleWorlds())
    bundled.emplace_back(sample.file);
  std::sort(files.begin(), files.end());
  std::sort(bundled.begin(), bundled.end());
  EXPECT_EQ(files, bundled);
}

using SpringAndPinTest = SampleFixture;

TEST_F(SpringAndPinTest, CommittedSampleOpensAndRunsAsItsPhysicsSays) {
  const auto document = Open(kSpringAndPinFile);
  TWorldDoc& world = document->World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(kBoxId));
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(kSpringId));
  auto* wheel = dynamic_cast<TOval*>(world.FindObject(kWheelId));
  auto* pin = dynamic_cast<TPin*>(world.FindObject(kWheelPinId));
  auto* fixed = dynamic_cast<TPoint*>(world.FindObject(kWheelFixedPointId));
  auto* pinned = dynamic_cast<TPoint*>(world.FindObject(kWheelPinnedPointId));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(spring, nullptr);
  ASSERT_NE(wheel, nullptr);
  ASSERT_NE(pin, nullptr);
  ASSERT_NE(fixed, nullptr);
  ASSERT_NE(pinned, nullptr);
  EXPECT_EQ(spring->Quantity().GetValue(), 100.0);
  EXPECT_EQ(wheel->GetShapeRadius(), kWheelRadius);
  ASSERT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(pin->GetPrimaryObject(), fixed);
  EXPECT_EQ(pin->Attached().back(), pinned);

  RunAndShow(world, 2.0, [&](int16_t frame, double t) {
    EXPECT_NEAR(box->PositionX()->GetValue(), 1.0 + 0.5 * std::cos(10.0 * t), 1e-6) << frame;
    // Nothing turns the wheel faster or slower, and the pin holds it to the origin.
    EXPECT_NEAR(wheel->GetRotationValue(), kWheelSpin * t, 1e-5) << frame;
    const TVector a = fixed->GetWorldXY();
    const TVector b = pinned->GetWorldXY();
    EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 0.0, 1e-6) << frame;
  });
}

}  // namespace
