#include "core/Failure.h"

#include <gtest/gtest.h>

#include "core/CommandNesting.h"
#include "core/Handle.h"
#include "core/MenuSetup.h"
#include "core/RecoveryPoint.h"

namespace {

// Catches the failure that code raises and answers (error, message).
template <class Code>
std::pair<int16_t, int32_t> FailureOf(Code&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return {failure.error(), failure.message()};
  }
  ADD_FAILURE() << "no failure raised";
  return {0x7FFF, 0};
}

TEST(Failure, ExceptionIsAFrameworkException) {
  const QVException failure(-43, 0x7F61000D);
  EXPECT_STREQ(failure.GetRuntimeClass()->m_lpszClassName, "QVException");
  EXPECT_TRUE(failure.IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_EQ(failure.GetRuntimeClass()->m_pfnCreateObject, nullptr);
}

TEST(Failure, CheckHelpersRaiseTheirCodes) {
  int value = 0;
  EXPECT_EQ(FailureOf([] { ThrowFailure(-25005, 42); }), std::make_pair(int16_t{-25005}, 42));
  EXPECT_EQ(FailureOf([] { FailIfNull(nullptr); }), std::make_pair(int16_t{-108}, 0));
  EXPECT_EQ(FailureOf([] { FailIfNullNoCode(nullptr); }), std::make_pair(int16_t{0}, 1));
  EXPECT_EQ(FailureOf([] { FailIfNullResource(nullptr); }), std::make_pair(int16_t{2}, 0));
  EXPECT_EQ(FailureOf([] { FailIfError(-43); }), std::make_pair(int16_t{-43}, 0));
  EXPECT_NO_THROW(FailIfNull(&value));
  EXPECT_NO_THROW(FailIfNullNoCode(&value));
  EXPECT_NO_THROW(FailIfNullResource(&value));
  EXPECT_EQ(FailIfError(0), 0);
  EXPECT_NO_THROW(FailIfResError());
  EXPECT_NO_THROW(FailIfSpaceLow());
  EXPECT_FALSE(IsSpaceLow());
}

TEST(Failure, MemoryErrorIsRaisedOnceAfterAFailedResize) {
  InitHandlePool();
  Handle handle = AllocHandle(16);
  SetHeapCeiling(1000);
  ResizeHandleRaw(handle, 5000);
  SetHeapCeiling(SIZE_MAX);
  EXPECT_EQ(GetMemError(), -108);
  EXPECT_EQ(GetMemError(), -108) << "reading does not clear";
  EXPECT_EQ(FailureOf([] { FailIfMemError(); }), std::make_pair(int16_t{-108}, 0));
  EXPECT_EQ(GetMemError(), 0);
  EXPECT_NO_THROW(FailIfMemError());
  FreeHandle(handle);
  FreeHandlePool();
}

TEST(Failure, LowMemoryIsBelow512KilobytesOfMemoryAndPageFile) {
  SetMemoryProbe([] { return uint64_t{600 * 1024}; });
  EXPECT_FALSE(IsMemoryLow());
  EXPECT_NO_THROW(FailIfMemoryLow());
  SetMemoryProbe([] { return uint64_t{500 * 1024}; });
  EXPECT_TRUE(IsMemoryLow());
  EXPECT_EQ(FailureOf([] { FailIfMemoryLow(); }), std::make_pair(int16_t{-108}, 0));
  SetMemoryProbe([] { return uint64_t{524288}; });
  EXPECT_FALSE(IsMemoryLow()) << "exactly 512 KB is enough";
  SetMemoryProbe(nullptr);
  EXPECT_FALSE(IsMemoryLow()) << "the test machine has more than 512 KB free";
}

TEST(RecoveryPoint, KnownErrorsContinueOnTheFallbackPath) {
  struct Tracker {
    int* released;
    ~Tracker() { ++*released; }
  };
  int released = 0;
  bool fellBack = false;
  int16_t seenError = 0;
  WithRecoveryPoint(
      [&] {
        Tracker tracker{&released};
        ThrowFailure(-108, 0);
      },
      [&](int16_t error, int32_t) {
        seenError = error;
        return error == -108;
      },
      [&] { fellBack = true; });
  EXPECT_TRUE(fellBack);
  EXPECT_EQ(seenError, -108);
  EXPECT_EQ(released, 1) << "the abandoned frame's destructors ran";
}

TEST(RecoveryPoint, OtherErrorsPassOnUnchanged) {
  bool fellBack = false;
  const auto failure = FailureOf([&] {
    WithRecoveryPoint([] { ThrowFailure(-25008, 7); },
                      [](int16_t error, int32_t) { return error == -108; },
                      [&] { fellBack = true; });
  });
  EXPECT_EQ(failure, std::make_pair(int16_t{-25008}, 7));
  EXPECT_FALSE(fellBack);
}

class RecordingReporter : public TFailureReporter {
 public:
  void ShowError(int16_t error, int32_t message) override { shown.emplace_back(error, message); }
  std::vector<std::pair<int16_t, int32_t>> shown;
};

TEST(CommandNesting, OutermostFailureIsShownOnceAndMenusAreSetUpAgain) {
  RecordingReporter reporter;
  TCommandNesting nesting(reporter);
  MarkMenusSetUp();
  nesting.Perform([&] {
    nesting.Perform([&] {
      EXPECT_EQ(nesting.Depth(), 2);
      ThrowFailure(-43, 0x7F61000D);
    });
  });
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0], std::make_pair(int16_t{-43}, int32_t{0x7F61000D}));
  EXPECT_TRUE(MenusNeedSetup());
  EXPECT_EQ(nesting.Depth(), 0);
}

TEST(CommandNesting, InnerLevelsPassTheSameFailureOn) {
  RecordingReporter reporter;
  TCommandNesting nesting(reporter);
  std::pair<int16_t, int32_t> seenInside{};
  nesting.Perform([&] {
    seenInside = FailureOf([&] { nesting.Perform([] { ThrowFailure(-39, 5); }); });
  });
  EXPECT_EQ(seenInside, std::make_pair(int16_t{-39}, 5));
  EXPECT_TRUE(reporter.shown.empty()) << "the outer command caught it, so nothing is shown";
}

TEST(CommandNesting, SilentAbortShowsNothing) {
  RecordingReporter reporter;
  TCommandNesting nesting(reporter);
  MarkMenusSetUp();
  nesting.Perform([] { ThrowFailure(0, 0); });
  nesting.Perform([] { FailIfNullNoCode(nullptr); });
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_TRUE(MenusNeedSetup());
  EXPECT_EQ(nesting.Depth(), 0);
}

TEST(CommandNesting, ForeignExceptionsPassOnAndRestoreTheDepth) {
  RecordingReporter reporter;
  TCommandNesting nesting(reporter);
  EXPECT_THROW(nesting.Perform([] { throw std::runtime_error("framework"); }),
               std::runtime_error);
  EXPECT_EQ(nesting.Depth(), 0);
  EXPECT_TRUE(reporter.shown.empty());
}

}  // namespace
