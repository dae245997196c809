// A formula typed in a world that shows lengths in centimetres: the spring-and-pin sample's rest
// length typed as "50*2" (centimetres, so the metre it had) runs as that metre, and keeps its
// meaning when the world is saved and opened again.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "constraints/Springs.h"
#include "simulation/UnitHandler.h"
#include "simulation/UnitTables.h"
#include "tests/app/SketchFixture.h"

namespace {

using namespace sample_worlds;

constexpr int32_t kLengthKind = 0x1000000;
constexpr int16_t kMetres = 1;
constexpr int16_t kCentimetres = 2;

class FormulaUnitsTest : public SketchFixture {
 protected:
  void SetUp() override {
    SketchFixture::SetUp();
    if (HasFatalFailure()) return;
    units_ = dynamic_cast<TWorldUnitHandler*>(world_->GetUnitHandler());
    ASSERT_NE(units_, nullptr);
    units_->SetUnit(kQuantityDistance, kCentimetres);
    spring_ = dynamic_cast<TSpringBase*>(world_->FindObject(kSpringId));
    ASSERT_NE(spring_, nullptr);
    ASSERT_EQ(spring_->RestValue().SetFormattedText(Str255("50*2"), units_, kLengthKind), 0);
    ASSERT_DOUBLE_EQ(spring_->RestValue().GetValue(), 1.0);
  }
  void TearDown() override {
    std::filesystem::remove(saved_);
    SketchFixture::TearDown();
  }

  double BoxX() {
    auto* box = dynamic_cast<TMass*>(world_->FindObject(kBoxId));
    TVector3 placement;
    if (box != nullptr) box->GetPlacement(placement);
    return placement.x;
  }

  TWorldUnitHandler* units_ = nullptr;
  TSpringBase* spring_ = nullptr;
  const std::filesystem::path saved_ = std::filesystem::temp_directory_path() /
                                       ("yb-formula-units-" + std::to_string(::getpid()) + ".yb");
};

// Released 0.5 m stretched from its rest length of a metre, the box follows
// x(t) = 1 + 0.5 cos(10 t).
TEST_F(FormulaUnitsTest, ARestLengthTypedInCentimetresRunsAsTheMetreItMeans) {
  const double step = world_->GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(0.3 / step));
  world_->RunToFrame(frames, nullptr);
  ASSERT_EQ(world_->LastFrame(), frames);
  for (const int16_t frame : {static_cast<int16_t>(frames / 3), frames}) {
    SCOPED_TRACE(frame);
    world_->ShowFrame(frame, 1);
    EXPECT_NEAR(BoxX(), 1.0 + 0.5 * std::cos(10.0 * frame * step), 1e-3);
  }
}

TEST_F(FormulaUnitsTest, ARestLengthTypedInCentimetresIsSavedAndOpenedWithItsMeaning) {
  TQVDoc& document = documents_->Documents().front()->Document();
  document.WriteDocument(saved_.string());
  const std::vector<uint8_t> first = program_documents::ReadBytes(saved_);

  TQVDoc reopened;
  reopened.ReadDocument(saved_.string());
  auto* spring = dynamic_cast<TSpringBase*>(reopened.World().FindObject(kSpringId));
  ASSERT_NE(spring, nullptr);
  Str255 text;
  spring->RestValue().GetText(text);
  EXPECT_EQ(std::string(text.AsCString()), "50*2");
  EXPECT_DOUBLE_EQ(spring->RestValue().GetValue(), 1.0);
  // Shown in metres now, the text still means centimetres.
  auto* units = dynamic_cast<TWorldUnitHandler*>(reopened.World().GetUnitHandler());
  ASSERT_NE(units, nullptr);
  units->SetUnit(kQuantityDistance, kMetres);
  EXPECT_DOUBLE_EQ(spring->RestValue().GetValue(), 1.0);
  units->SetUnit(kQuantityDistance, kCentimetres);

  reopened.WriteDocument(saved_.string());
  EXPECT_EQ(program_documents::ReadBytes(saved_), first);
}

}  // namespace
