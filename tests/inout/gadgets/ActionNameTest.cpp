// An action's name in the action list fills a fixed 30-byte field: it ends at its first NUL or
// its trailing blanks, and what follows in the field is not part of it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/Resources.h"
#include "inout/gadgets/ActionButton.h"

namespace {

// One 32-byte record: the name's field as given, filled to 30 bytes with blanks, then the command.
void AddRecord(std::vector<uint8_t>& list, std::string field, int16_t command) {
  field.resize(30, ' ');
  list.insert(list.end(), field.begin(), field.end());
  list.push_back(static_cast<uint8_t>(command & 0xFF));
  list.push_back(static_cast<uint8_t>((command >> 8) & 0xFF));
}

class ActionNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    // A name cut short by a NUL with old text behind it, and one that fills its field with
    // blanks after a space inside it.
    AddRecord(actions_, std::string("Reset\0Run the world again", 25), 1032);
    AddRecord(actions_, "Go on", 1033);
    AddRecord(actions_, std::string("\0Hidden name", 12), 1034);
    entry_ = {"actn", 0, nullptr, static_cast<uint16_t>(kActionListId), actions_.data(),
              static_cast<uint32_t>(actions_.size())};
    module_ = {"action-names.dll", &entry_, 1};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("action-names.dll"));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("action-names.dll");
    FreeHandlePool();
  }
  std::string NameOf(int16_t command) {
    Str255 name;
    if (!button_.LookupCommandName(command, name)) return "<none>";
    // Every character the name holds, a NUL among them included.
    return std::string(reinterpret_cast<const char*>(name.Bytes() + 1),
                       static_cast<size_t>(name.Length()));
  }

  TActionButton button_;
  std::vector<uint8_t> actions_;
  ResourceEntry entry_{};
  ResourceModuleTable module_{};
};

TEST_F(ActionNameTest, ANameEndsAtItsNulOrItsTrailingBlanks) {
  EXPECT_EQ(NameOf(1032), "Reset");
  EXPECT_EQ(NameOf(1033), "Go on");
  EXPECT_EQ(NameOf(1034), "");
}

}  // namespace
