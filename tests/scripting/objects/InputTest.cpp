// YBInput over a world input: style words, values and options reach the input by tag; the
// collection of a world's inputs.

#include <gtest/gtest.h>

#include <map>

#include "scripting/objects/APIInput.h"
#include "tests/model/world/WorldTestSupport.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

// A world input that keeps whatever it is given by tag; one style at a time.
class TKeepingInput : public world_test::TTestInput {
 public:
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void*) override {
    value = flags[tag];
    return 1;
  }
  void SetFlagProperty(uint32_t tag, uint16_t value) override {
    for (uint32_t style : kStyles)
      if (tag == style) flags[style] = 0;
    flags[tag] = value;
  }
  uint16_t GetNumberProperty(uint32_t tag, double& value, void*) override {
    value = numbers[tag];
    return 1;
  }
  void SetNumberProperty(uint32_t tag, const double& value) override { numbers[tag] = value; }
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void*) override {
    value = shorts[tag];
    return 1;
  }
  void SetShortProperty(uint32_t tag, uint16_t value) override { shorts[tag] = value; }

  static constexpr uint32_t kStyles[] = {MakeTag("  Tx"), MakeTag("  Sl"), MakeTag("  Bt"),
                                         MakeTag("  DT")};
  std::map<uint32_t, uint16_t> flags;
  std::map<uint32_t, double> numbers;
  std::map<uint32_t, uint16_t> shorts;
};

using Inputs = ObjectScripts;

TEST_F(Inputs, StyleWordsInAnyCaseChooseTheStyleAndOtherWordsChangeNothing) {
  TKeepingInput* input = Adopt(std::make_unique<TKeepingInput>());
  EXPECT_EQ(Run("Dim i As YBInput\nSet i = Objects.Input(1)\nPrint i.Format; i.Kind\n"
                "i.Format = \"SLIDER\"\nPrint i.Format\ni.Format = \"dial\"\nPrint i.Format\n"
                "i.Value = 2.5\ni.Snaps = 12\ni.ShowText = True\n"
                "Print i.Value; i.Snaps; i.ShowText; Objects.Input(1) Is i"),
            "undefinedinput\nslider\nslider\n2.512TrueTrue\n");
  EXPECT_EQ(input->flags[MakeTag("  Sl")], 1);
  EXPECT_EQ(input->numbers[MakeTag("ipVl")], 2.5);
}

TEST_F(Inputs, TheCollectionHoldsTheWorldsInputsAndAGoneInputFails) {
  TKeepingInput* input = Adopt(std::make_unique<TKeepingInput>());
  TAPIInputCollection inputs(&callLog_, &World(), documentObject_);
  int32_t count = 0;
  inputs.Count(&count);
  EXPECT_EQ(count, 1);
  TAPIDispatcher* item = nullptr;
  inputs.Item(1, &item);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->HasTag(TAPIInput::kTag));
  item->AddRef();
  World().RemoveObject(input);
  double value = 0.0;
  EXPECT_EQ(static_cast<TAPIInput*>(item)->GetNumber(MakeTag("ipVl"), value).code, kAPINoTarget);
  EXPECT_EQ(static_cast<TAPIInput*>(item)->ReadTable("table.txt").code, kAPINoTarget);
  item->Release();
}

}  // namespace
