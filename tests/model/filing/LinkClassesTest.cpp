#include "model/filing/LinkClasses.h"

#include <memory>

#include <gtest/gtest.h>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "model/Link.h"
#include "model/filing/ClassSource.h"

namespace {

TEST(LinkClassesTest, ClassTableEntriesNamingTheLinkBasesMakeThem) {
  InitHandlePool();
  RegisterLinkClasses();
  FreezeClassRegistry();
  const struct {
    uint32_t tag;
    int16_t classId;
  } expected[] = {{MakeTag("unrc"), 515}, {MakeTag("name"), 517}, {0x636E69DFu, 401}};
  for (const auto& entry : expected) {
    std::unique_ptr<TLink> object(MapOldClassTag(entry.tag));
    ASSERT_NE(object, nullptr) << entry.classId;
    EXPECT_EQ(object->GetClassIDAt(0), entry.classId);
    EXPECT_EQ(ClassIdFromTag(entry.tag), entry.classId);
  }
  FreeClassRegistry();
  FreeHandlePool();
}

}  // namespace
