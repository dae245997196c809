// A data table loaded by the world's Read Data Table command (the file typed into its open
// dialog) drives a table input that sets the spring constant of the spring-and-pin world: the
// run swings with the period of the table's constant; saved and reopened, the input keeps the
// table.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "constraints/Springs.h"
#include "exchange/tables/DataTable.h"
#include "inout/gadgets/GadgetFinishing.h"
#include "inout/inputs/Input.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "tests/app/SampleFixture.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tools/samples/SampleWorlds.h"

namespace {

using namespace sample_worlds;

constexpr int16_t kTableInputId = 91;

class TableInputRunTest : public SampleFixture {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    SampleFixture::SetUp();
    folder_ = std::filesystem::temp_directory_path() / ("yb-table-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
    SampleFixture::TearDown();
    ResetWindowSystem();
    UseProcessClock();
  }
  // The box swings about x = 1 with amplitude 0.5 and angular frequency sqrt(k / m), m = 1.
  static void ExpectSwing(TWorldDoc& world, double k) {
    auto* box = world.FindObject(kBoxId);
    ASSERT_NE(box, nullptr);
    auto* rectangle = dynamic_cast<TRectangle*>(box);
    ASSERT_NE(rectangle, nullptr);
    RunAndShow(world, 2.0, [&](int16_t frame, double t) {
      EXPECT_NEAR(rectangle->PositionX()->GetValue(), 1.0 + 0.5 * std::cos(std::sqrt(k) * t), 1e-6)
          << frame;
    });
  }

  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

TEST_F(TableInputRunTest, TableLoadedByTheCommandDrivesTheRun) {
  std::ofstream(folder_ / "stiff.dta", std::ios::binary) << "time k\r\n0 36\r\n100 36\r\n";
  auto document = Open(kSpringAndPinFile);
  TWorldDoc& world = document->World();
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(kSpringId));
  ASSERT_NE(spring, nullptr);

  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(kTableInputId);
  TInput& input = *made;
  world.AdoptObject(std::move(made));
  ASSERT_TRUE(FinishInputControls(TSpringBase::kCommandConstantInput, input, nullptr, spring));
  input.SetKind(TInputKind::kTable);

  // The user types the file's name into the command's open dialog.
  std::string title;
  ScriptUser({[&title] {
                title = GetWindowTextString(GetOpenFileDialogWindow());
                for (const char c : std::string("stiff.dta"))
                  InjectCharacter(static_cast<uint8_t>(c));
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  TDataTableManager& manager = DataTableManagerFor(world);
  EXPECT_EQ(manager.DoMenuCommand(TDataTableManager::kCmdLoadTable), nullptr);
  EXPECT_EQ(title, "Read a data table");
  ASSERT_EQ(manager.Tables().size(), 1u);
  input.SetDataTable(manager.Tables()[0]);
  ExpectSwing(world, 36.0);
  EXPECT_EQ(input.GetValue(), 36.0);

  const std::string saved = (folder_ / "driven.yb").string();
  document->WriteDocument(saved);
  auto reopened = std::make_unique<TQVDoc>();
  reopened->ReadDocument(saved);
  auto* kept = dynamic_cast<TInput*>(reopened->World().FindObject(kTableInputId));
  ASSERT_NE(kept, nullptr);
  auto* table = dynamic_cast<TDataTable*>(kept->GetDataTable());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetRowCount(), 2);
  reopened->World().ShowFrame(0, 1);
  ExpectSwing(reopened->World(), 36.0);
}

}  // namespace
