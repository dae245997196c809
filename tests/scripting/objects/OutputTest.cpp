// YBOutput over a meter: style words, display flags as script booleans, the world's meters, and
// the tags that name a column's properties.

#include <gtest/gtest.h>

#include <map>

#include "scripting/objects/APIOutput.h"
#include "tests/model/world/WorldTestSupport.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

// A meter that keeps its flags by tag; one style at a time.
class TKeepingMeter : public world_test::TRoleObject<533> {
 public:
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void*) override {
    value = flags[tag];
    return 1;
  }
  void SetFlagProperty(uint32_t tag, uint16_t value) override {
    for (uint32_t style : {MakeTag("  Tx"), MakeTag("  Br"), MakeTag("  Gr")})
      if (tag == style) flags[style] = 0;
    flags[tag] = value;
  }
  std::map<uint32_t, uint16_t> flags;
};

using Outputs = ObjectScripts;

TEST_F(Outputs, StyleWordsAndDisplayFlagsReachTheMeter) {
  TKeepingMeter* meter = Adopt(std::make_unique<TKeepingMeter>());
  EXPECT_EQ(Run("Dim m As YBOutput\nSet m = Objects.Output(1)\nPrint m.Kind; m.Format\n"
                "m.Format = \"GrAph\"\nm.Format = \"pie\"\nm.ShowUnits = 7\n"
                "Print m.Format; m.ShowUnits = True; m.ShowGrid = False; Objects(1).Output Is m"),
            "outputundefined\ngraphTrueTrueTrue\n");
  EXPECT_EQ(meter->flags[MakeTag("o Un")], 1);
  TAPIOutputCollection meters(&callLog_, &World(), documentObject_);
  int32_t count = 0;
  meters.Count(&count);
  EXPECT_EQ(count, 1);
}

TEST(ColumnTags, NameTheKindAndTheListPosition) {
  EXPECT_EQ(MakeColumnTag(1, 2), MakeTag("o i1"));
  EXPECT_EQ(MakeColumnTag(0, 5), MakeTag("o e4"));
  EXPECT_EQ(MakeColumnTag(4, 1), MakeTag("o s0"));
  EXPECT_EQ(MakeColumnTag(7, 3), MakeTag("o  2"));
  EXPECT_EQ(MakeColumnTag(2, 0), 0u);
  EXPECT_EQ(MakeColumnTag(2, 6), 0u);
}

}  // namespace
