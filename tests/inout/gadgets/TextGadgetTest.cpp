// The text gadget: its stored text and alignment read back, fitting its height, and the end of
// an edit.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "inout/gadgets/ActionButton.h"
#include "inout/gadgets/TextGadget.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "tests/support/MemoryCanvas.h"

namespace {

class CountingOwner : public TLinkOwner {
 public:
  void ObjectChanged(TLink&) override { ++changes; }
  RGB16Color DisplayColour(const RGB16Color& c) override { return c; }
  void TrackingEnabled() override {}
  std::optional<MacPoint> WorldToScreen(const TVector&) override { return {}; }
  double GridSpacing() const override { return 0.0; }
  double AngleStep() const override { return 0.0; }
  int changes = 0;
};

std::vector<uint8_t> Take(TObjectWriter& writer) {
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

class TextGadgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    RegisterInOutputClasses();
    FreezeClassRegistry();
    constexpr int16_t kCount = 1;
    table_.assign(2 + 6, 0);
    std::memcpy(table_.data(), &kCount, 2);
    std::memcpy(table_.data() + 2, &kBlockTextGadgetFrame, 2);
    std::memcpy(table_.data() + 4, &kTextGadgetTag, 4);
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), table_.data(),
                   static_cast<uint32_t>(table_.size())};
    module_ = {"text-gadget-test.dll", entries_, 1};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("text-gadget-test.dll"));
    text.Initialize();
    text.SetOwner(&owner);
    text.MoveBy(MacPoint(10, 20));
    text.SetSize(MacPoint(120, 40));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("text-gadget-test.dll");
    FreeClassRegistry();
    FreeDrawingPort();
    FreeHandlePool();
  }
  std::vector<uint8_t> Block(int16_t code) {
    TObjectWriterKind2 writer;
    writer.Init(nullptr);
    text.WriteBlockContents(code, writer);
    return Take(writer);
  }
  std::unique_ptr<TTextGadget> RoundTrip() {
    const std::vector<TLink*> objects{&text};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    const std::vector<uint8_t> bytes = Take(*writer);
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(TTextGadget::kClassID)) return nullptr;
    return std::unique_ptr<TTextGadget>(static_cast<TTextGadget*>(read[0].release()));
  }

  CountingOwner owner;
  TTextGadget text;
  std::vector<uint8_t> table_;
  ResourceEntry entries_[1];
  ResourceModuleTable module_{};
};

TEST_F(TextGadgetTest, TextIsStoredWithMacintoshLineEndsAndSymbols) {
  text.SetText("a\r\nb\r\nc");
  // The count, the five bytes kept, and the pad to an even length that documents keep.
  EXPECT_EQ(Block(kBlockTextGadgetText),
            (std::vector<uint8_t>{0, 0, 0, 5, 'a', 13, 'b', 13, 'c', 0}));

  // Degree, ring A, slashed O and slashed o travel as their Macintosh codes.
  text.SetText("\xB0\xC5\xD8\xF8x");
  EXPECT_EQ(Block(kBlockTextGadgetText),
            (std::vector<uint8_t>{0, 0, 0, 5, 0xA1, 0x81, 0xAF, 0xBF, 'x', 0}));
  EXPECT_EQ(TTextGadget::FromStored("\xA1\x81\xAF\xBF"), "\xB0\xC5\xD8\xF8");

  text.SetText("a\r\nb\r\nc \xB0");
  auto read = RoundTrip();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetText(), "a\r\nb\r\nc \xB0");
  EXPECT_EQ(read->GetSize(), MacPoint(120, 40));
  EXPECT_EQ(read->GetPosition(), MacPoint(10, 20));
}

TEST_F(TextGadgetTest, AlignmentTagsAndStoredCodes) {
  int16_t checked = 0;
  text.GetChoiceProperty(MakeTag("syst"), checked, nullptr);
  EXPECT_EQ(checked, 1);
  text.SelectChoice(MakeTag("righ"));
  EXPECT_EQ(text.GetAlignment(), TTextGadget::kAlignRight);
  text.GetChoiceProperty(MakeTag("left"), checked, nullptr);
  EXPECT_EQ(checked, 0);
  EXPECT_EQ(Block(kBlockTextGadgetFrame), (std::vector<uint8_t>{0, 40, 0, 120, 0xFF, 0xFF, 0xFF, 0xFF}));
  auto right = RoundTrip();
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->GetAlignment(), TTextGadget::kAlignRight);

  text.SelectChoice(MakeTag("cent"));
  EXPECT_EQ(Block(kBlockTextGadgetFrame)[7], 1);
  text.SelectChoice(MakeTag("left"));
  EXPECT_EQ(Block(kBlockTextGadgetFrame)[7], 0xFE);
}

TEST_F(TextGadgetTest, HeightIsFittedToTheTextOnceAndNeverBelowALine) {
  MacPoint small(50, 3);
  text.ConstrainSize(small);
  EXPECT_EQ(small.v, text.GetLineHeight() + 10);
  EXPECT_EQ(TTextGadget::PlacedWidth(30, 100), 100);
  EXPECT_EQ(TTextGadget::PlacedWidth(30, 160), 130);

  MemoryCanvas canvas(300, 300);
  SetPortDC(canvas.dc());
  text.SetSize(MacPoint(60, 20));
  text.SetText("one two three four five six seven eight nine ten eleven twelve");
  text.Draw(MacRect(0, 0, 300, 300), 0);
  EXPECT_TRUE(text.IsHeightFitted());
  const int16_t fitted = text.GetSize().v;
  EXPECT_GT(fitted, 3 * text.GetLineHeight());
  text.SetSize(MacPoint(60, 20));
  text.Draw(MacRect(0, 0, 300, 300), 0);
  EXPECT_EQ(text.GetSize().v, 20);  // later draws keep the size the user gave
  // The text is drawn inside its frame: some pixel of the first line is no longer white.
  bool inked = false;
  for (int x = 14; x < 60 && !inked; ++x)
    for (int y = 24; y < 24 + text.GetLineHeight() && !inked; ++y)
      inked = canvas.At(x, y) != RGB(255, 255, 255);
  EXPECT_TRUE(inked);
  SetPortDC(nullptr);
}

TEST_F(TextGadgetTest, EndingAnEditCountsOnlyRealChangesAndEmptyTextGoes) {
  text.SetText("keep");
  owner.changes = 0;
  text.BeginEditing();
  EXPECT_FALSE(text.EndEditing("keep", MacPoint(120, 40)));
  EXPECT_EQ(owner.changes, 0);
  EXPECT_FALSE(text.IsEditing());

  text.BeginEditing();
  EXPECT_FALSE(text.EndEditing("kept", MacPoint(150, 40)));
  EXPECT_EQ(text.GetText(), "kept");
  EXPECT_EQ(text.GetSize(), MacPoint(150, 40));
  EXPECT_GE(owner.changes, 1);

  text.BeginEditing();
  EXPECT_TRUE(text.EndEditing("", MacPoint(150, 40)));
}

TEST_F(TextGadgetTest, TheTextFrameIsALabelAreaForTheTextToolOrWhileMarked) {
  using Region = std::unique_ptr<RegionRec, void (*)(RegionRec*)>;
  const auto fresh = [] { return Region(AllocRegion(), FreeRegion); };
  const auto in = [](const Region& region, int16_t h, int16_t v) {
    return RegionContainsPoint(MacPoint(h, v).Packed(), region.get());
  };
  // The selection tool: a text gadget adds its frame to the third region; no label area.
  Region labels = fresh();
  Region third = fresh();
  text.BuildRegion(nullptr, labels.get(), third.get(), TGadget::kSelectionCode);
  EXPECT_TRUE(in(third, 12, 22));
  EXPECT_TRUE(RegionIsEmpty(labels.get()));
  // The text tool: the text frame, 5 pixels in, goes from the third region to the label region.
  text.BuildRegion(nullptr, labels.get(), third.get(), TGadget::kTextAreaCode);
  EXPECT_TRUE(in(labels, 20, 30));
  EXPECT_FALSE(in(third, 20, 30));
  EXPECT_FALSE(in(labels, 12, 22));
  EXPECT_TRUE(in(third, 12, 22));
  // Marked, the gadget is a label area for the selection tool too.
  Region marked = fresh();
  text.SetDisplayFlags(1);
  text.BuildRegion(nullptr, marked.get(), nullptr, TGadget::kSelectionCode);
  EXPECT_TRUE(in(marked, 20, 30));
  // Any other gadget cuts its frame out of the third region.
  TGadget plain;
  plain.Initialize();
  plain.MoveBy(MacPoint(10, 20));
  plain.SetSize(MacPoint(30, 30));
  Region all = fresh();
  RegionSetRect(all.get(), 0, 0, 100, 100);
  plain.BuildRegion(nullptr, nullptr, all.get(), TGadget::kSelectionCode);
  EXPECT_FALSE(in(all, 20, 30));
  EXPECT_TRUE(in(all, 5, 5));
}

}  // namespace
