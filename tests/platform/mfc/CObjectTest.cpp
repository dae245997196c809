#include "platform/mfc/CException.h"

#include <gtest/gtest.h>

namespace {

class TSample : public CException {
  DECLARE_DYNAMIC(TSample)
};
IMPLEMENT_DYNAMIC(TSample, CException)

TEST(CObject, RuntimeClassesKnowTheirBases) {
  const TSample sample;
  const CObject& object = sample;
  EXPECT_STREQ(object.GetRuntimeClass()->m_lpszClassName, "TSample");
  EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(TSample)));
  EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CObject)));
  const CException plain;
  EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(TSample)));
  EXPECT_EQ(RUNTIME_CLASS(TSample)->CreateObject(), nullptr);
}

}  // namespace
