// The two pin meter commands make their meter through the pin's own tracker: the pin chosen takes
// mode 1 with the meter, and Undo gives it back its mode with the meter gone. Every other
// meter command leaves the pin's mode alone. No menu lists the two, so their templates are lent
// the pin force meter's for the test.
#include <cstdint>
#include <string>
#include <vector>

#include "constraints/Pin.h"
#include "core/Resources.h"
#include "inout/gadgets/GadgetTrackers.h"
#include "tests/app/SketchFixture.h"

namespace {

using namespace sample_worlds;

constexpr int16_t kCmdUndo = 101;
constexpr int16_t kPinForceMeter = 5022;
constexpr char kLentLibrary[] = "pin-meter-templates.dll";

class PinMeterTrackerTest : public SketchFixture {
 protected:
  void SetUp() override {
    SketchFixture::SetUp();
    if (HasFatalFailure()) return;
    LendPinMeterTemplates();
    pin_ = dynamic_cast<TPin*>(world_->FindObject(kWheelPinId));
    ASSERT_NE(pin_, nullptr);
    ASSERT_EQ(pin_->GetMode(), 0);
  }
  void TearDown() override {
    // The lent library stands in the last place of the search; the error texts come back.
    if (errorTexts_ != nullptr) SetResourceModule3(errorTexts_);
    UnregisterResourceModule(kLentLibrary);
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }

  // The meter a command makes with the pin selected, or null when it made none.
  TLink* MeterOfCommand(int16_t command) {
    world_->DeselectAll();
    world_->Select(pin_);
    const size_t before = world_->Objects().size();
    Command(command);
    if (world_->Objects().size() != before + 1) return nullptr;
    return world_->Objects().back();
  }

  TPin* pin_ = nullptr;

 private:
  void LendPinMeterTemplates() {
    Handle meter = GetResourceHandle(MakeTag("ZodA"), kPinForceMeter);
    ASSERT_NE(meter, nullptr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(meter));
    template_.assign(bytes, bytes + GetHandleByteSize(meter));
    ReleaseResourceHandle(meter);
    for (const int16_t command : {kFirstPinMeterCommand, kLastPinMeterCommand}) {
      entries_.push_back(ResourceEntry{"ZodA", 0, nullptr, static_cast<uint16_t>(command),
                                       template_.data(),
                                       static_cast<uint32_t>(template_.size())});
    }
    RegisterResourceModule(
        ResourceModuleTable{kLentLibrary, entries_.data(), static_cast<uint32_t>(entries_.size())});
    errorTexts_ = GetResourceModule3();
    SetResourceModule3(LoadResourceLibrary(kLentLibrary));
  }

  std::vector<uint8_t> template_;
  std::vector<ResourceEntry> entries_;
  HMODULE errorTexts_ = nullptr;
};

TEST_F(PinMeterTrackerTest, EachPinMeterCommandSetsThePinsModeWithItsMeterUndoably) {
  for (const int16_t command : {kFirstPinMeterCommand, kLastPinMeterCommand}) {
    SCOPED_TRACE(command);
    const size_t before = world_->Objects().size();
    ASSERT_NE(MeterOfCommand(command), nullptr) << "no meter was made";
    EXPECT_EQ(pin_->GetMode(), 1);
    Command(kCmdUndo);
    EXPECT_EQ(world_->Objects().size(), before);
    EXPECT_EQ(pin_->GetMode(), 0);
    Command(kCmdUndo);  // the one Undo item redoes what it undid
    EXPECT_EQ(world_->Objects().size(), before + 1);
    EXPECT_EQ(pin_->GetMode(), 1);
    Command(kCmdUndo);
    ASSERT_EQ(pin_->GetMode(), 0);
  }
}

TEST_F(PinMeterTrackerTest, TheOtherPinMetersLeaveThePinsMode) {
  ASSERT_NE(MeterOfCommand(kPinForceMeter), nullptr) << "no meter was made";
  EXPECT_EQ(pin_->GetMode(), 0);
}

}  // namespace
