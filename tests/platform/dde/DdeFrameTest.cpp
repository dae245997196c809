// The frames of a conversation: each kind reads back as written, a frame that is not whole yet
// waits for more, and a frame over the bound or with fields that do not fill it is bad.

#include <gtest/gtest.h>

#include "platform/dde/DdeFrame.h"

namespace {

DdeFrame RoundTrip(const DdeFrame& frame) {
  const std::vector<uint8_t> bytes = EncodeDdeFrame(frame);
  DdeFrame read;
  size_t used = 0;
  EXPECT_EQ(DecodeDdeFrame(bytes.data(), bytes.size(), &read, &used), DdeFrameStatus::kComplete);
  EXPECT_EQ(used, bytes.size());
  return read;
}

TEST(DdeFrameTest, EachKindReadsBackAsWritten) {
  const std::string service = "YB";
  const DdeFrame wildcard = RoundTrip(DdeFrame::Names(DdeFrameType::kConnect, &service, nullptr));
  EXPECT_EQ(wildcard.type, DdeFrameType::kConnect);
  EXPECT_TRUE(wildcard.hasService);
  EXPECT_FALSE(wildcard.hasTopic);
  EXPECT_EQ(wildcard.service, "YB");

  DdeFrame execute = DdeFrame::Of(DdeFrameType::kExecute);
  execute.data = {'P', 0, 0xFF};
  EXPECT_EQ(RoundTrip(execute).data, execute.data);

  DdeFrame ack = DdeFrame::Of(DdeFrameType::kAck);
  ack.result = 0x8000;
  EXPECT_EQ(RoundTrip(ack).result, 0x8000u);
  EXPECT_EQ(EncodeDdeFrame(ack), (std::vector<uint8_t>{5, 0, 0, 0, 5, 0x00, 0x80, 0, 0}));
}

TEST(DdeFrameTest, APartOfAFrameWaitsAndABadFrameIsRefused) {
  DdeFrame execute = DdeFrame::Of(DdeFrameType::kExecute);
  execute.data.assign(100, 'x');
  const std::vector<uint8_t> bytes = EncodeDdeFrame(execute);
  DdeFrame read;
  size_t used = 0;
  for (size_t cut : {size_t{0}, size_t{3}, bytes.size() - 1})
    EXPECT_EQ(DecodeDdeFrame(bytes.data(), cut, &read, &used), DdeFrameStatus::kIncomplete) << cut;

  const auto decode = [&](std::vector<uint8_t> raw) { return DecodeDdeFrame(raw.data(), raw.size(), &read, &used); };
  // Over the bound: refused at once, without waiting for the bytes.
  EXPECT_EQ(decode({0x01, 0x00, 0x10, 0x00, 4}), DdeFrameStatus::kBad);
  EXPECT_EQ(decode({0xFF, 0xFF, 0xFF, 0xFF}), DdeFrameStatus::kBad);
  EXPECT_EQ(decode({0, 0, 0, 0}), DdeFrameStatus::kBad);                  // empty
  EXPECT_EQ(decode({1, 0, 0, 0, 9}), DdeFrameStatus::kBad);               // unknown type
  EXPECT_EQ(decode({3, 0, 0, 0, 5, 0, 0}), DdeFrameStatus::kBad);         // short answer
  EXPECT_EQ(decode({2, 0, 0, 0, 6, 0}), DdeFrameStatus::kBad);            // trailing byte
  // A name longer than the frame, and a name given for an absent one.
  EXPECT_EQ(decode({6, 0, 0, 0, 1, 1, 9, 0, 'Y', 'B'}), DdeFrameStatus::kBad);
  EXPECT_EQ(decode({8, 0, 0, 0, 1, 0, 2, 0, 'Y', 'B', 0, 0}), DdeFrameStatus::kBad);
}

}  // namespace
