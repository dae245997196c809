#include "core/geometry/CursorHolder.h"

#include <gtest/gtest.h>

#include "core/Resources.h"
#include "platform/win32/Cursor.h"

namespace {

TEST(CursorHolderTest, DefaultAndStandardArrow) {
  const TCursorHolder none;
  EXPECT_EQ(none.id, 0u);
  EXPECT_EQ(none.standard, 1u);
  EXPECT_EQ(none.cursor, nullptr);

  const TCursorHolder arrow(0);
  EXPECT_EQ(arrow.standard, 1u);
  CursorInfo info;
  ASSERT_TRUE(DescribeCursor(arrow.cursor, &info));
  EXPECT_TRUE(info.standard);
  EXPECT_EQ(info.id, IDC_ARROW);
}

TEST(CursorHolderTest, LoadsFromTheProgramLibraryOrFallsBackToTheArrow) {
  const HMODULE saved = GetResourceModule1();
  HMODULE library = reinterpret_cast<HMODULE>(uintptr_t{0x1000});
  SetResourceModule1(library);
  SetCursorResourceProbe(
      [library](const void* module, uintptr_t id) { return module == library && id == 130; });

  const TCursorHolder loaded(130);
  EXPECT_EQ(loaded.id, 130u);
  EXPECT_EQ(loaded.standard, 0u);
  CursorInfo info;
  ASSERT_TRUE(DescribeCursor(loaded.cursor, &info));
  EXPECT_FALSE(info.standard);
  EXPECT_EQ(info.id, 130u);
  EXPECT_EQ(info.module, library);

  const TCursorHolder missing(131);
  EXPECT_EQ(missing.id, 0u);
  EXPECT_EQ(missing.standard, 1u);
  ASSERT_TRUE(DescribeCursor(missing.cursor, &info));
  EXPECT_EQ(info.id, IDC_ARROW);

  SetCursorResourceProbe(nullptr);
  SetResourceModule1(saved);
}

}  // namespace
