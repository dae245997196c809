// Inputs: the value and range rules of each kind, undo records, replay, cell names, the slider's
// layout, thumb and drag, the button's press rules, the text box's parse, and the input's blocks
// written byte for byte and read back.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "inout/inputs/Input.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// Counts the finished value changes handed to undo.
class CountingSink : public TInputUndoSink {
 public:
  bool IsInputUndoOff(const TInput&) const override { return off; }
  void ValueChanged(TInput&, double old, bool immediate) override {
    olds.push_back(old);
    immediates.push_back(immediate);
  }
  bool off = false;
  std::vector<double> olds;
  std::vector<bool> immediates;
};

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    input.Initialize();
    TInput::SetUndoSink(&sink);
  }
  void TearDown() override {
    TInput::SetUndoSink(nullptr);
    FreeDrawingPort();
    FreeHandlePool();
  }
  // A horizontal slider at (10, 10) with a track of the given length and thickness.
  void MakeHorizontalSlider(int16_t length, int16_t thickness) {
    input.MoveBy(MacPoint(10, 10));
    input.ResizeFromCorner(kCornerBottomRight, MacPoint(static_cast<int16_t>(length + 8),
                                                        static_cast<int16_t>(thickness + 8)));
  }
  // The point over the track at pixel d from its start, where a press puts the thumb's middle.
  MacPoint AlongTrack(int d) const {
    const MacRect track = input.GetTrackRect();
    return MacPoint(static_cast<int16_t>(track.left + d + input.GetThumbLength() / 2),
                    static_cast<int16_t>((track.top + track.bottom) / 2));
  }
  CountingSink sink;
  TInput input;
};

TEST_F(InputTest, ValueIsClampedForSlidersAndTextBoxesOnly) {
  ASSERT_EQ(input.GetKind(), TInputKind::kSlider);
  input.SetValue(5.0, true, false);
  EXPECT_EQ(input.GetValue(), 1.0);
  input.SetKind(TInputKind::kTextBox);
  input.SetValue(-2.0, true, false);
  EXPECT_EQ(input.GetValue(), 0.0);
  input.SetKind(TInputKind::kTable);
  input.SetValue(5.0, true, false);
  EXPECT_EQ(input.GetValue(), 5.0);
  input.SetKind(TInputKind::kSlider);
  input.SetLinked(true);
  input.SetValue(7.0, true, false);
  EXPECT_EQ(input.GetValue(), 7.0);
  EXPECT_EQ(input.InputValue(), 7.0);
}

TEST_F(InputTest, ButtonsSetFromOutsideStayInTheirRange) {
  input.SetKind(TInputKind::kButton);
  input.SetMomentary(false);
  input.SetValue(5.0, true, false);
  EXPECT_EQ(input.GetValue(), 1.0);
  input.SetValue(-3.0, true, false);
  EXPECT_EQ(input.GetValue(), 0.0);
}

TEST_F(InputTest, RangeTagsOrderTheEnds) {
  input.SetNumberProperty(MakeTag("  Mi"), 3.0);
  double minimum = 0.0;
  double maximum = 0.0;
  input.GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 1.0);
  EXPECT_EQ(maximum, 3.0);
  EXPECT_EQ(input.GetSpan(), 2.0);
}

TEST_F(InputTest, LogScaleRaisesOnlyAMinimumAtOrBelowZero) {
  input.SetMinMax(0.0, 100.0);
  input.SetLogScale(true);
  double minimum = 0.0;
  double maximum = 0.0;
  input.GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 1.0);
  EXPECT_NEAR(input.GetSpan(), std::log(100.0), 1e-12);

  // A positive minimum below one is a sound logarithmic range and is kept.
  input.SetLogScale(false);
  input.SetMinMax(0.5, 8.0);
  input.SetLogScale(true);
  input.GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 0.5);
  EXPECT_NEAR(input.GetSpan(), std::log(16.0), 1e-12);
}

TEST_F(InputTest, UndoRecordsOnlyChangesOfAtLeastTheThreshold) {
  input.SetMinMax(0.0, 1.0);
  input.SetValue(0.5, false, false);
  input.BeginValueChange();
  input.SetValue(0.5 + 1e-18, false, true);
  EXPECT_TRUE(sink.olds.empty());

  input.BeginValueChange();
  input.SetValue(0.75, false, true);
  ASSERT_EQ(sink.olds.size(), 1u);
  EXPECT_EQ(sink.olds[0], 0.5);
  EXPECT_FALSE(sink.immediates[0]);
  EXPECT_FALSE(input.HasPendingChange());

  // A script's value goes to undo at once.
  input.SetNumberProperty(MakeTag("ipVl"), 0.25);
  ASSERT_EQ(sink.olds.size(), 2u);
  EXPECT_EQ(sink.olds[1], 0.75);
  EXPECT_TRUE(sink.immediates[1]);

  sink.off = true;
  input.BeginValueChange();
  input.SetValue(1.0, false, true);
  EXPECT_EQ(sink.olds.size(), 2u);
}

TEST_F(InputTest, ReplayKeepsAValueTheUserJustChanged) {
  MakeHorizontalSlider(120, 12);
  input.ShowRecordedValue(0.3);
  EXPECT_EQ(input.GetValue(), 0.3);
  input.TrackClick(0, AlongTrack(102), true);
  input.TrackClick(2, AlongTrack(102), true);
  const double chosen = input.GetValue();
  input.ShowRecordedValue(0.3);
  EXPECT_EQ(input.GetValue(), chosen);  // the user's value survives one frame
  input.ShowRecordedValue(0.3);
  EXPECT_EQ(input.GetValue(), 0.3);
}

TEST_F(InputTest, CellNamesFollowTheDocumentAndKeepAGivenName) {
  input.SetShortProperty(MakeTag("itec"), 3);
  input.SetShortProperty(MakeTag("iter"), 2);
  input.GetLinkItemName(4, "");
  Str255 name;
  input.GetLinkTargetName(name);
  EXPECT_TRUE(name.IsEmpty());
  input.GetLinkItemName(4, "Matlab sheet");  // capitals: not the word
  input.GetLinkTargetName(name);
  EXPECT_STREQ(name.AsCString(), "R6C2");
  input.GetLinkItemName(1, "matlab");
  input.GetLinkTargetName(name);
  EXPECT_STREQ(name.AsCString(), "R6C2");
  input.SetLinkTargetName("");
  input.GetLinkItemName(2, "my matlab");
  input.GetLinkTargetName(name);
  EXPECT_STREQ(name.AsCString(), "u21");

  // Not linked: the cell tags leave the out-value alone and answer true.
  uint16_t value = 77;
  EXPECT_EQ(input.GetShortProperty(MakeTag("itec"), value, nullptr), 1);
  EXPECT_EQ(value, 77);
}

TEST_F(InputTest, ValueTextHasTwoDigits) {
  input.SetMinMax(-1e6, 1e6);
  input.SetValue(3.14159, false, false);
  EXPECT_STREQ(input.FormatValueText().AsCString(), "3.14");
  input.SetValue(0.001, false, false);
  EXPECT_STREQ(input.FormatValueText().AsCString(), "1.00e-03");
}

TEST_F(InputTest, TextBoxTakesNumbersAndRevertsOtherText) {
  input.SetKind(TInputKind::kTextBox);
  input.SetValue(0.5, false, false);
  EXPECT_FALSE(input.TakeValueText("abc"));
  EXPECT_EQ(input.GetValue(), 0.5);
  EXPECT_STREQ(input.FormatValueText().AsCString(), "0.50");
  input.BeginValueChange();
  EXPECT_TRUE(input.TakeValueText("5"));
  input.CommitValueChange();
  EXPECT_EQ(input.GetValue(), 1.0);
  EXPECT_EQ(sink.olds.size(), 1u);
}

TEST_F(InputTest, SliderThumbFollowsTrackSize) {
  MakeHorizontalSlider(120, 12);
  EXPECT_TRUE(input.IsHorizontal());
  EXPECT_EQ(input.GetTrackLength(), 120);
  EXPECT_EQ(input.GetThumbLength(), 18);
  input.SetSize(MacPoint(32, 16));  // track 24 by 8
  EXPECT_EQ(input.GetThumbLength(), 6);

  input.SetMinMax(0.0, 10.0);
  input.SetValue(5.0, false, false);
  input.SetSize(MacPoint(128, 20));
  input.ComputeThumbOffset();
  EXPECT_EQ(input.GetThumbOffset(), 51);  // half of 120 - 18
  input.SetLinked(true);
  input.SetValue(50.0, false, false);  // beyond the range: the far end
  input.ComputeThumbOffset();
  EXPECT_EQ(input.GetThumbOffset(), 102);
}

TEST_F(InputTest, SliderOrientationFollowsTheShape) {
  MakeHorizontalSlider(120, 12);
  MacPoint size(100, 40);
  input.ConstrainSize(size);
  EXPECT_TRUE(input.IsHorizontal());
  size = MacPoint(40, 100);
  input.ConstrainSize(size);
  EXPECT_FALSE(input.IsHorizontal());
  EXPECT_EQ(size.v, 100);
  EXPECT_LE(size.h - 8, (size.v - 8) / 4);
}

TEST_F(InputTest, SnapsGiveOnlyTheSteps) {
  MakeHorizontalSlider(120, 12);
  input.SetSnaps(4);
  std::set<double> seen;
  input.TrackClick(0, AlongTrack(0), true);
  for (int d = -10; d <= 115; ++d) {
    input.TrackClick(1, AlongTrack(d), true);
    seen.insert(input.GetValue());
  }
  input.TrackClick(2, AlongTrack(60), true);
  EXPECT_EQ(input.GetValue(), 0.5);
  EXPECT_EQ(seen, (std::set<double>{0.0, 0.25, 0.5, 0.75, 1.0}));
  EXPECT_EQ(sink.olds.size(), 1u);  // one press, one undo record
}

TEST_F(InputTest, LogarithmicDragKeepsTheThumbUnderThePointer) {
  MakeHorizontalSlider(120, 12);
  input.SetMinMax(1.0, 100.0);
  input.SetLogScale(true);
  input.TrackClick(0, AlongTrack(51), true);
  input.TrackClick(2, AlongTrack(51), true);
  EXPECT_NEAR(input.GetValue(), 10.0, 1e-9);  // the middle of 1..100 on a log scale
  input.ComputeThumbOffset();
  EXPECT_EQ(input.GetThumbOffset(), 51);
}

TEST_F(InputTest, MomentaryButtonsSpringBackAndTogglesFlipOncePerPress) {
  input.SetKind(TInputKind::kButton);
  input.MoveBy(MacPoint(5, 5));
  input.SetSize(MacPoint(80, 30));
  const MacPoint face(20, 15);
  ASSERT_TRUE(input.HitsControl(face));
  EXPECT_TRUE(input.TrackClick(0, face, true));
  EXPECT_EQ(input.GetValue(), 1.0);
  EXPECT_TRUE(input.IsPressed());
  EXPECT_FALSE(input.TrackingDone());
  input.TrackClick(2, face, true);
  EXPECT_EQ(input.GetValue(), 0.0);

  input.SetMomentary(false);
  EXPECT_TRUE(input.TrackingDone());
  input.TrackClick(0, face, true);
  input.TrackClick(2, face, true);
  EXPECT_EQ(input.GetValue(), 1.0);
  input.TrackClick(0, face, true);
  input.TrackClick(2, face, true);
  EXPECT_EQ(input.GetValue(), 0.0);
}

// Documents: every number big-endian, shorts as 4 bytes.
class Bytes {
 public:
  Bytes& Long(int32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& Word(uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v >> 8));
    bytes.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& Double(double v) {
    const auto bits = std::bit_cast<uint64_t>(v);
    for (int shift = 56; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<uint8_t>(bits >> shift));
    return *this;
  }
  std::vector<uint8_t> bytes;
};

class InputFilingTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    RegisterInputClass();
    FreezeClassRegistry();
    constexpr int16_t kCount = 1;
    table_.resize(2 + 6);
    std::memcpy(table_.data(), &kCount, 2);
    std::memcpy(table_.data() + 2, &kBlockInput, 2);
    std::memcpy(table_.data() + 4, &kInputTag, 4);
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), table_.data(),
                   static_cast<uint32_t>(table_.size())};
    module_ = {"input-test.dll", entries_, 1};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("input-test.dll"));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("input-test.dll");
    FreeClassRegistry();
    InputTest::TearDown();
  }
  static std::vector<uint8_t> Take(TObjectWriter& writer) {
    Handle handle = writer.TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }
  static std::vector<uint8_t> Block(TInput& input, int16_t code) {
    TObjectWriterKind2 writer;
    writer.Init(nullptr);
    input.WriteBlockContents(code, writer);
    return Take(writer);
  }
  static std::unique_ptr<TInput> RoundTrip(TInput& input) {
    const std::vector<TLink*> objects{&input};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    const std::vector<uint8_t> bytes = Take(*writer);
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(TInput::kClassID)) return nullptr;
    return std::unique_ptr<TInput>(static_cast<TInput*>(read[0].release()));
  }
  std::vector<uint8_t> table_;
  ResourceEntry entries_[1];
  ResourceModuleTable module_{};
};

TEST_F(InputFilingTest, InputBlockIsLaidOutFieldByField) {
  input.SetMinMax(-2.0, 4.0);
  input.SetValue(1.5, false, false);
  input.SetSnaps(3);
  input.SetShowText(true);
  input.SetColourProperty(MakeTag("colr"), RGB16Color{.red = 0x1100, .blue = 0x2200, .green = 0x3300});
  const std::vector<uint8_t> expected = Bytes()
                                            .Long(1)
                                            .Double(1.5)
                                            .Double(-2.0)
                                            .Double(4.0)
                                            .Long(3)
                                            .Long(1)
                                            .Long(1)
                                            .Long(0)
                                            .Long(0)
                                            .Word(0x1100)
                                            .Word(0x3300)
                                            .Word(0x2200)
                                            .Long(12)
                                            .Long(120)
                                            .Long(80)
                                            .Word(20)
                                            .Word(80)
                                            .Long(0)
                                            .bytes;
  const std::vector<uint8_t> got = Block(input, kBlockInput);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "byte " << i;
  EXPECT_EQ(Block(input, kBlockInputCell), Bytes().Long(1).Long(1).bytes);
}

TEST_F(InputFilingTest, ReadingKeepsKindRangeAndLogSpan) {
  input.SetName("Spring constant");
  input.SetKind(TInputKind::kTextBox);
  input.SetMinMax(1.0, 100.0);
  input.SetLogScale(true);
  input.SetValue(10.0, false, false);
  input.MoveBy(MacPoint(30, 40));
  auto read = RoundTrip(input);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetKind(), TInputKind::kTextBox);
  EXPECT_EQ(read->GetValue(), 10.0);
  EXPECT_TRUE(read->IsLogScale());
  // The span read back is the logarithmic one that the scale needs.
  EXPECT_NEAR(read->GetSpan(), std::log(100.0), 1e-12);
  EXPECT_EQ(read->GetPosition(), MacPoint(30, 40));
  EXPECT_STREQ(read->GetName().AsCString(), "Spring constant");
  // The text box's set-up ran although a new input is a slider.
  EXPECT_EQ(read->GetSize().v, read->GetAscent() + read->GetDescent() + 4 + 8);
}

TEST_F(InputTest, ASlidersTrackIsAControlAreaAndItsShownValueALabelArea) {
  MakeHorizontalSlider(120, 12);
  const auto centre = [](const MacRect& r) {
    return MacPoint(static_cast<int16_t>((r.left + r.right) / 2),
                    static_cast<int16_t>((r.top + r.bottom) / 2));
  };
  const auto areas = [this](MacPoint point) {
    RegionRec* controls = AllocRegion();
    RegionRec* labels = AllocRegion();
    input.BuildRegion(controls, labels, nullptr, TGadget::kSelectionCode);
    const std::pair<bool, bool> in{RegionContainsPoint(point.Packed(), controls),
                                   RegionContainsPoint(point.Packed(), labels)};
    FreeRegion(controls);
    FreeRegion(labels);
    return in;
  };
  EXPECT_EQ(areas(centre(input.GetTrackRect())), std::make_pair(true, false));
  input.SetShowText(true);
  EXPECT_EQ(areas(centre(input.GetValueTextRect())), std::make_pair(false, true));
  // The label above the frame is part of the selection tool's third region.
  input.SetName("Speed");
  ASSERT_GT(input.GetLabelWidth(), 0);
  RegionRec* third = AllocRegion();
  input.BuildRegion(nullptr, nullptr, third, TGadget::kSelectionCode);
  EXPECT_TRUE(RegionContainsPoint(centre(input.GetLabelRect()).Packed(), third));
  FreeRegion(third);
}

}  // namespace
