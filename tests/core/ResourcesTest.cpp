#include "core/Resources.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/ClassHierarchy.h"
#include "core/Failure.h"
#include "core/Tag.h"
#include "platform/win32/Cursor.h"

namespace {

// A "STRD" list: big-endian count, then counted strings.
std::vector<uint8_t> List(const std::vector<std::string>& items, int count = -1) {
  const int n = count < 0 ? static_cast<int>(items.size()) : count;
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
  for (const std::string& item : items) {
    bytes.push_back(static_cast<uint8_t>(item.size()));
    bytes.insert(bytes.end(), item.begin(), item.end());
  }
  return bytes;
}

// A string-table block of single-byte texts.
std::vector<uint8_t> Block(const std::vector<std::string>& strings) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < 16; ++i) {
    const std::string text = i < strings.size() ? strings[i] : "";
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.push_back(0);
    for (const char c : text) {
      bytes.push_back(static_cast<uint8_t>(c));
      bytes.push_back(0);
    }
  }
  return bytes;
}

const std::vector<uint8_t> kThree = List({"one", "two", "three"});
const std::vector<uint8_t> kPadded = List({std::string("pad\0\0", 5), std::string("\0", 1)});
// Claims three items but the second runs past the end.
const std::vector<uint8_t> kTruncated = {0, 3, 1, 'a', 9, 'b'};
const std::vector<uint8_t> kOther = List({"from the second library"});
// The class hierarchy: 523 under 257, 257 the root.
const uint8_t kHier[] = {1, 0, 0x0B, 0x02, 0x01, 0x01, 0x01, 0x01, 0, 0};

std::vector<uint8_t> BlockWith(int slot, const std::string& text) {
  std::vector<std::string> strings(16);
  strings[slot] = text;
  return Block(strings);
}
const std::vector<uint8_t> kMainBlock = BlockWith(1105 % 16, "fallback text");
const std::vector<uint8_t> kSecondBlock = BlockWith(1205 % 16, "second fallback");
// Only a cursor group's presence matters to the cursor calls.
const uint8_t kCursorGroup[] = {0, 0, 2, 0, 0, 0};

const ResourceEntry kMainEntries[] = {
    {"STRD", 0, nullptr, 1100, kThree.data(), static_cast<uint32_t>(kThree.size())},
    {"STRD", 0, nullptr, 1101, kPadded.data(), static_cast<uint32_t>(kPadded.size())},
    {"STRD", 0, nullptr, 1102, kTruncated.data(), static_cast<uint32_t>(kTruncated.size())},
    {nullptr, 6, nullptr, 1105 / 16 + 1, kMainBlock.data(),
     static_cast<uint32_t>(kMainBlock.size())},
    {"HIER", 0, nullptr, 10, kHier, sizeof kHier},
    {nullptr, 12, nullptr, 200, kCursorGroup, sizeof kCursorGroup},
    {nullptr, 12, nullptr, 26200, kCursorGroup, sizeof kCursorGroup},
};
const ResourceEntry kSecondEntries[] = {
    {"STRD", 0, nullptr, 1100, kOther.data(), static_cast<uint32_t>(kOther.size())},
    {"STRD", 0, nullptr, 1200, kOther.data(), static_cast<uint32_t>(kOther.size())},
    {nullptr, 6, nullptr, 1205 / 16 + 1, kSecondBlock.data(),
     static_cast<uint32_t>(kSecondBlock.size())},
    {nullptr, 12, nullptr, 26101, kCursorGroup, sizeof kCursorGroup},
    {nullptr, 12, nullptr, 105, kCursorGroup, sizeof kCursorGroup},
    // Not a cursor group: the fallback must not take it.
    {nullptr, 1, nullptr, 26300, kCursorGroup, sizeof kCursorGroup},
};
const ResourceModuleTable kMain = {"res-main.dll", kMainEntries, std::size(kMainEntries)};
const ResourceModuleTable kSecond = {"res-second.dll", kSecondEntries, std::size(kSecondEntries)};

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceModule(kMain);
    RegisterResourceModule(kSecond);
    SetResourceModule1(LoadResourceLibrary("res-main.dll"));
    SetResourceModule2(LoadResourceLibrary("res-second.dll"));
    SetResourceModule3(nullptr);
    InstallCursorResourceProbe();
  }
  void TearDown() override {
    SetCursorResourceProbe(nullptr);
    FreeClassHierarchy();
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    UnregisterResourceModule("res-main.dll");
    UnregisterResourceModule("res-second.dll");
    FreeHandlePool();
  }

  static std::string Text(const Str255& s) { return std::string(s.Chars(), s.Length()); }

  static std::string Ind(int16_t list, int16_t index, const char* before = "unchanged") {
    Str255 out(before);
    GetIndString(out, list, index);
    return Text(out);
  }
};

TEST_F(ResourcesTest, TypedResourceComesBackAsACopy) {
  Handle handle = GetResourceHandle(MakeTag("STRD"), 1100);
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(GetHandleByteSize(handle), kThree.size());
  EXPECT_EQ(std::vector<uint8_t>(HandleData(handle), HandleData(handle) + kThree.size()), kThree);
  // The copy is the caller's to change.
  HandleData(handle)[2] = 'X';
  Handle again = GetResourceHandle(MakeTag("STRD"), 1100);
  EXPECT_EQ(HandleData(again)[2], 3);
  ReleaseResourceHandle(handle);
  ReleaseResourceHandle(again);
  EXPECT_EQ(GetResourceHandle(MakeTag("STRD"), 4242), nullptr);
  EXPECT_EQ(GetResourceHandle(MakeTag("strx"), 1100), nullptr);
}

TEST_F(ResourcesTest, MainLibraryIsSearchedFirst) {
  EXPECT_EQ(Ind(1100, 1), "one");
  // Only the second library has list 1200.
  EXPECT_EQ(Ind(1200, 1), "from the second library");
  SetResourceModule1(nullptr);
  EXPECT_EQ(Ind(1100, 1), "from the second library");
}

TEST_F(ResourcesTest, IndexedStringsFromALIst) {
  EXPECT_EQ(Ind(1100, 2), "two");
  EXPECT_EQ(Ind(1100, 3), "three");
  EXPECT_EQ(Ind(1100, 0), "one");
  EXPECT_EQ(Ind(1100, -4), "one");
  EXPECT_EQ(Ind(1101, 1), "pad");
  EXPECT_EQ(Ind(1101, 2), "");
  Str255 out;
  LookupIndString(out, 1100, 3);
  EXPECT_EQ(Text(out), "three");
}

TEST_F(ResourcesTest, BeyondTheListFallsBackToTheStringTable) {
  // Index 5 of a three-item list: string-table entry 1105.
  EXPECT_EQ(Ind(1100, 5), "fallback text");
  // No entry 1104 either: the text is left as it was.
  EXPECT_EQ(Ind(1100, 4), "unchanged");
  // A missing list empties the text before the fallback.
  EXPECT_EQ(Ind(1103, 2), "fallback text");
  EXPECT_EQ(Ind(1190, 1), "");
  // The string table is searched in the second library too.
  EXPECT_EQ(Ind(1195, 10), "second fallback");
}

TEST_F(ResourcesTest, MalformedListIsNotReadPastItsEnd) {
  EXPECT_EQ(Ind(1102, 1), "a");
  EXPECT_EQ(Ind(1102, 2), "unchanged");
  // Item 3 lies beyond the broken item, so the string table answers.
  EXPECT_EQ(Ind(1102, 3), "fallback text");
}

TEST_F(ResourcesTest, TableStringsFromTheMainLibraryOnly) {
  Str255 out("stale");
  QV_GetIndString(out, 1100, 5);
  EXPECT_EQ(Text(out), "fallback text");
  QV_GetIndString(out, 1200, 5);
  EXPECT_EQ(Text(out), "");
  // The sum is taken in 16 bits.
  QV_GetIndString(out, -1, 1106);
  EXPECT_EQ(Text(out), "fallback text");
}

TEST_F(ResourcesTest, HierarchyLoadsFromTheLibraries) {
  LoadClassHierarchy();
  EXPECT_EQ(ParentClassId(523), 257);
  EXPECT_TRUE(IsDescendantClassID(523, 257));
  SetResourceModule1(nullptr);
  try {
    LoadClassHierarchy();
    FAIL() << "a missing table was accepted";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
  EXPECT_FALSE(IsClassHierarchyLoaded());
}

// The module and id a holder's cursor stands for, or "standard <id>".
std::string CursorOf(const TCursorHolder& holder) {
  CursorInfo info;
  if (!DescribeCursor(holder.cursor, &info)) return "no cursor";
  if (info.standard) return "standard " + std::to_string(info.id);
  const char* module = GetResourceLibraryName(static_cast<HMODULE>(const_cast<void*>(info.module)));
  return std::string(module ? module : "?") + " " + std::to_string(info.id);
}

TEST_F(ResourcesTest, CursorsFallBackByMovingTheIdThenToTheArrow) {
  TCursorHolder holder;
  LoadCursorWithFallback(holder, 200);
  EXPECT_EQ(holder.id, 200u);
  EXPECT_EQ(holder.standard, 0u);
  EXPECT_EQ(CursorOf(holder), "res-main.dll 200");

  // Missing from the main library: moved up or down by 26000 and found wherever it is.
  LoadCursorWithFallback(holder, 101);
  EXPECT_EQ(holder.id, 26101u);
  EXPECT_EQ(holder.standard, 0u);
  EXPECT_EQ(CursorOf(holder), "res-second.dll 26101");
  LoadCursorWithFallback(holder, 26105);
  EXPECT_EQ(holder.id, 105u);
  EXPECT_EQ(CursorOf(holder), "res-second.dll 105");
  // 26001 is moved down, 26000 up.
  LoadCursorWithFallback(holder, 26000);
  EXPECT_EQ(holder.id, 0u);

  // Present in the main library under both ids: the asked-for one wins.
  LoadCursorWithFallback(holder, 26200);
  EXPECT_EQ(holder.id, 26200u);

  // Nowhere (26300 is a cursor image, not a group): the standard arrow.
  for (const uint16_t missing : {uint16_t{300}, uint16_t{26001}, uint16_t{65535}}) {
    LoadCursorWithFallback(holder, missing);
    EXPECT_EQ(holder.id, 0u);
    EXPECT_EQ(holder.standard, 1u);
    EXPECT_EQ(CursorOf(holder), "standard " + std::to_string(IDC_ARROW));
  }

  // The libraries are the only source: without a main library the arrow's own number is not
  // taken for a standard cursor.
  SetResourceModule1(nullptr);
  LoadCursorWithFallback(holder, static_cast<uint16_t>(IDC_ARROW));
  EXPECT_EQ(holder.id, 0u);
  EXPECT_EQ(holder.standard, 1u);
  LoadCursorWithFallback(holder, 101);
  EXPECT_EQ(holder.id, 26101u) << "the moved id is still searched for in every module";
}

}  // namespace
