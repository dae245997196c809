// The export dialog's names: the one proposed for a document and the check of a typed one.

#include "exchange/export/ExportFileName.h"

#include <gtest/gtest.h>

#include "exchange/export/ExportHandler.h"

namespace {

TEST(ExportFileName, ProposalDropsOnlyTheFilesOwnExtension) {
  EXPECT_EQ(ProposedExportName("/home/ann/worlds/arm.yb"), "/home/ann/worlds/arm");
  EXPECT_EQ(ProposedExportName("/home/ann/v1.2/arm.yb"), "/home/ann/v1.2/arm");
  EXPECT_EQ(ProposedExportName("/home/ann/v1.2/arm"), "/home/ann/v1.2/arm");
  EXPECT_EQ(ProposedExportName(""), "*");
}

TEST(ExportFileName, TypedNamesTakeTheChosenKindsExtension) {
  const auto name = [](const char* typed, int16_t command) {
    const TExportNameCheck check = CheckExportFileName(typed, command);
    return check.accepted ? check.name + "|" + check.extension : std::string("refused");
  };
  EXPECT_EQ(name("result", kCmdExportMeterData), "result.dta|dta");
  EXPECT_EQ(name("/tmp/out/result", kCmdExportVideo), "result.avi|avi");
  EXPECT_EQ(name("result.dxf", kCmdExportMeterData), "result.dta|dta");
  EXPECT_EQ(name("result.dta", kCmdExportDxfFrames), "result.dxf|dxf");
  EXPECT_EQ(name("arm.v2.avi", kCmdExportVideo), "arm.v2.avi|avi");
  EXPECT_EQ(name("result.txt", kCmdExportMeterData), "refused");
  EXPECT_EQ(name("result.DTA", kCmdExportMeterData), "refused");
  EXPECT_EQ(name("result.", kCmdExportMeterData), "result.dta|dta");
}

TEST(ExportFileName, AcceptedNamesAreKeptByTheHandler) {
  TExportHandler handler;
  handler.Initialize();
  KeepExportFileName(handler, kCmdExportDxfFrame, CheckExportFileName("arm.v2", kCmdExportDxfFrame));
  Str255 name;
  Str255 base;
  Str255 extension;
  handler.GetExportFileName(kCmdExportDxfFrame, name);
  handler.GetExportNames(kCmdExportDxfFrame, base, extension);
  // "arm.v2" has the unknown extension "v2": refused, nothing kept.
  EXPECT_TRUE(name.IsEmpty());
  KeepExportFileName(handler, kCmdExportDxfFrame, CheckExportFileName("arm.v2.dta", kCmdExportDxfFrame));
  handler.GetExportFileName(kCmdExportDxfFrame, name);
  handler.GetExportNames(kCmdExportDxfFrame, base, extension);
  EXPECT_STREQ(name.Chars(), "arm.v2.dxf");
  EXPECT_STREQ(base.Chars(), "arm.v2");
  EXPECT_STREQ(extension.Chars(), "dxf");
}

}  // namespace
