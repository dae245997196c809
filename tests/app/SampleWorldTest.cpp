// The bundled sample world: what the program writes today is the committed file, byte for byte,
// and the committed file opens and runs as its physics says. After a deliberate change of the
// document format, YB_UPDATE_SAMPLES=1 makes this test write the sample afresh.

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "simulation/Engine.h"
#include "tests/app/SampleWorlds.h"

namespace {

using namespace sample_worlds;

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class SampleWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
    written_ = std::filesystem::temp_directory_path() /
               ("yb-sample-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                "-" + std::to_string(::getpid()) + ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(written_);
    app_.TermUnits();
    app_.FreeResourceDlls();
  }

  TApp app_;
  std::filesystem::path written_;
  const std::filesystem::path committed_ = std::filesystem::path(YB_SAMPLES_DIR) / kSpringAndPinFile;
};

TEST_F(SampleWorldTest, CommittedSampleIsWhatTheProgramWritesToday) {
  MakeSpringAndPin()->WriteDocument(written_.string());
  const std::vector<uint8_t> today = FileBytes(written_);
  ASSERT_GT(today.size(), 100u);
  // A second world made the same way is written the same way: nothing depends on addresses.
  MakeSpringAndPin()->WriteDocument(written_.string());
  ASSERT_EQ(FileBytes(written_), today);
  const char* update = std::getenv("YB_UPDATE_SAMPLES");
  if (update != nullptr && std::string(update) == "1") {
    std::filesystem::copy_file(written_, committed_,
                               std::filesystem::copy_options::overwrite_existing);
  }
  EXPECT_EQ(FileBytes(committed_), today)
      << committed_ << " differs from what the program writes; if the format changed on "
      << "purpose, run this test with YB_UPDATE_SAMPLES=1 and commit the file";
}

TEST_F(SampleWorldTest, CommittedSampleOpensAndRunsAsItsPhysicsSays) {
  TQVDoc document;
  document.ReadDocument(committed_.string());
  TWorldDoc& world = document.World();
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

  ASSERT_NE(world.GetEngine(), nullptr);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  constexpr int16_t kFrames = 60;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    EXPECT_NEAR(box->PositionX()->GetValue(), 1.0 + 0.5 * std::cos(10.0 * t), 1e-6) << frame;
    // Nothing turns the wheel faster or slower, and the pin holds it to the origin.
    EXPECT_NEAR(wheel->GetRotationValue(), kWheelSpin * t, 1e-5) << frame;
    const TVector a = fixed->GetWorldXY();
    const TVector b = pinned->GetWorldXY();
    EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 0.0, 1e-6) << frame;
  }
}

}  // namespace
