// The picture filter is bound while the program's main window lives: once it is let go, a
// stored picture converts to nothing (the caller shows its fallback) until it is bound again.

#include <gtest/gtest.h>

#include <vector>

#include "exchange/pictures/PictureConversion.h"
#include "platform/win32/Metafile.h"

namespace {

// A picture of the first format: frame 10 by 10, one painted rectangle.
const std::vector<uint8_t> kPicture = {0,    0,    0, 0, 0, 0, 0, 10, 0,  10, 0x11,
                                       0x01, 0x31, 0, 0, 0, 0, 0, 10, 0, 10, 0xFF};

TEST(GraphicsFilterBinding, ConversionsNeedTheFilterBound) {
  LoadGraphicsFilter();
  const auto bound = ConvertPictToMetafile(kPicture);
  ASSERT_TRUE(bound.has_value());
  EXPECT_EQ(bound->xExt, 10);
  EXPECT_EQ(bound->yExt, 10);
  DeleteMetaFile(bound->hMF);

  FreeGraphicsFilter();
  EXPECT_FALSE(ConvertPictToMetafile(kPicture).has_value());

  LoadGraphicsFilter();
  const auto again = ConvertPictToMetafile(kPicture);
  ASSERT_TRUE(again.has_value());
  DeleteMetaFile(again->hMF);
}

}  // namespace
