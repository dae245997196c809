// The picture gadget: both stored forms of its picture, what a lone or short block gives, its
// attachment and visibility blocks, and hiding by recorded values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "inout/gadgets/ActionButton.h"
#include "inout/gadgets/PictGadget.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "platform/win32/Metafile.h"
#include "tests/support/MemoryCanvas.h"

namespace {

// A metafile picture, black all over, as the clipboard gives one: extents in hundredths of a
// millimetre (one inch by three quarters).
PictureRec* BlackPicture() {
  HDC recorder = CreateMetaFile(nullptr);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  const RECT all{0, 0, 2540, 1905};  // the whole picture, in the units of its extents
  FillRect(recorder, &all, black);
  DeleteObject(black);
  HMETAFILE metafile = CloseMetaFile(recorder);
  PictureRec* picture = PictureFromMetafile(MM_ANISOTROPIC, 2540, 1905, metafile);
  DeleteMetaFile(metafile);
  return picture;
}

std::vector<uint8_t> Take(TObjectWriter& writer) {
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

class PictGadgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    RegisterInOutputClasses();
    FreezeClassRegistry();
    constexpr int16_t kCount = 1;
    table_.assign(2 + 6, 0);
    std::memcpy(table_.data(), &kCount, 2);
    std::memcpy(table_.data() + 2, &kBlockPictAttachment, 2);
    std::memcpy(table_.data() + 4, &kPictGadgetTag, 4);
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), table_.data(),
                   static_cast<uint32_t>(table_.size())};
    // A 16 by 16 bitmap, black all over.
    bitmap_.assign(40 + 16 * 48, 0);
    const uint32_t header[4] = {40, 16, 16, 1 | (24u << 16)};
    std::memcpy(bitmap_.data(), header, sizeof header);
    entries_[1] = {nullptr, 2, nullptr, static_cast<uint16_t>(kBitmapId), bitmap_.data(),
                   static_cast<uint32_t>(bitmap_.size())};
    module_ = {"pict-gadget-test.dll", entries_, 2};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("pict-gadget-test.dll"));
    pict.Initialize();
    pict.MoveBy(MacPoint(10, 10));
  }
  void TearDown() override {
    TPictGadget::SetPictureConverter(nullptr);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("pict-gadget-test.dll");
    FreeClassRegistry();
    FreeDrawingPort();
    FreeHandlePool();
  }
  std::vector<uint8_t> Document() {
    const std::vector<TLink*> objects{&pict};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    return Take(*writer);
  }
  static std::unique_ptr<TPictGadget> Read(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(TPictGadget::kClassID)) return nullptr;
    return std::unique_ptr<TPictGadget>(static_cast<TPictGadget*>(read[0].release()));
  }
  std::vector<uint8_t> Block(int16_t code) {
    TObjectWriterKind2 writer;
    writer.Init(nullptr);
    pict.WriteBlockContents(code, writer);
    return Take(writer);
  }
  // Whether the document names block 10013 anywhere (its code, big-endian).
  static bool MentionsPictureBlock(const std::vector<uint8_t>& bytes) {
    const uint8_t code[2] = {0x27, 0x1D};
    return std::search(bytes.begin(), bytes.end(), code, code + 2) != bytes.end();
  }

  TPictGadget pict;
  static constexpr int16_t kBitmapId = 777;
  std::vector<uint8_t> table_;
  std::vector<uint8_t> bitmap_;
  ResourceEntry entries_[2];
  ResourceModuleTable module_{};
};

TEST_F(PictGadgetTest, PictureIsStoredAsMetafileThenAsEmptyMacintoshPicture) {
  EXPECT_FALSE(MentionsPictureBlock(Document()));

  PictureRec* black = BlackPicture();
  const MacPoint pictureSize(black->frame.right, black->frame.bottom);
  pict.SetPicture(black);
  EXPECT_EQ(pict.GetSize(), pictureSize);  // sized to the picture
  pict.SetSize(MacPoint(50, 40));          // the user's size is what the document keeps
  const std::vector<uint8_t> document = Document();
  EXPECT_TRUE(MentionsPictureBlock(document));

  auto read = Read(document);
  ASSERT_NE(read, nullptr);
  PictureRec* picture = read->GetPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->mapMode, MM_ANISOTROPIC);
  EXPECT_EQ(picture->xExtent, 2540);
  EXPECT_EQ(picture->yExtent, 1905);
  EXPECT_EQ(read->GetSize(), MacPoint(50, 40));
  EXPECT_EQ(read->GetMacPicture(), TPictGadget::EmptyMacPicture());
  EXPECT_EQ(TPictGadget::EmptyMacPicture(),
            (std::vector<uint8_t>{0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A}));

  // The read picture draws black where the original did.
  MemoryCanvas canvas(100, 100);
  SetPortDC(canvas.dc());
  read->Draw(MacRect(0, 0, 100, 100), 0);
  EXPECT_EQ(canvas.At(35, 30), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(65, 55), RGB(255, 255, 255));
  SetPortDC(nullptr);
}

TEST_F(PictGadgetTest, LoneBlockIsAMacintoshPictureKeptForSaving) {
  const std::vector<uint8_t> mac{0, 12, 0, 0, 0, 0, 0, 20, 0, 20, 0xAB, 0xCD};
  std::vector<uint8_t> seen;
  TPictGadget::SetPictureConverter([&seen](const std::vector<uint8_t>& bytes) {
    seen = bytes;
    PictureRec* made = BlackPicture();
    METAFILEPICT converted{MM_ANISOTROPIC, 20, 20, CopyMetaFile(made->metafile, nullptr)};
    KillPicture(made);
    return std::optional<METAFILEPICT>(converted);
  });
  pict.TakeStoredPicture(kBlockPicture, mac);
  ASSERT_NE(pict.GetPicture(), nullptr);
  EXPECT_EQ(seen, mac);
  EXPECT_EQ(pict.GetPicture()->xExtent, 20);

  auto read = Read(Document());
  ASSERT_NE(read, nullptr);
  ASSERT_NE(read->GetPicture(), nullptr);  // the metafile form came first
  EXPECT_EQ(read->GetMacPicture(), mac);   // and the picture that was read second
}

TEST_F(PictGadgetTest, ShortMetafileFormReadsAsNoPicture) {
  // A first block shorter than its 8-byte header, followed by the second form.
  pict.TakeStoredPicture(kBlockPicture, {8, 0, 40});
  pict.TakeStoredPicture(kBlockPicture, TPictGadget::EmptyMacPicture());
  EXPECT_EQ(pict.GetPicture(), nullptr);
  // Bits that are no metafile give none either.
  TPictGadget other;
  other.Initialize();
  other.TakeStoredPicture(kBlockOldMetafile, {8, 0, 40, 0, 30, 0, 0, 0, 1, 2, 3});
  EXPECT_EQ(other.GetPicture(), nullptr);
}

TEST_F(PictGadgetTest, AttachmentBlockCarriesVisibilityFlags) {
  pict.SetSize(MacPoint(40, 30));
  const auto flagsOf = [this] { return Block(kBlockPictAttachment).back(); };
  EXPECT_EQ(flagsOf(), 0);
  TFormula formula;
  formula.SetFromPieces("time - 1");
  pict.SetVisibilityFormula(formula);
  EXPECT_EQ(flagsOf(), 3);
  pict.ShowRecordedVisibility(-0.5);
  EXPECT_EQ(flagsOf(), 1);

  auto hidden = Read(Document());
  ASSERT_NE(hidden, nullptr);
  EXPECT_TRUE(hidden->IsFormulaInUse());
  EXPECT_FALSE(hidden->IsVisible());
  EXPECT_EQ(hidden->GetSize(), MacPoint(40, 30));
  // A constant given for the formula hides nothing any more.
  hidden->SetVisibilityFormula(TFormula(1.0));
  EXPECT_FALSE(hidden->IsFormulaInUse());
  EXPECT_TRUE(hidden->IsVisible());
}

TEST_F(PictGadgetTest, RecordedValuesHideAndShowThePicture) {
  pict.SetPicture(BlackPicture());
  pict.SetFormulaInUse(true);
  MemoryCanvas canvas(100, 100);
  SetPortDC(canvas.dc());
  pict.SetSize(MacPoint(50, 40));
  pict.ShowRecordedVisibility(0.0);
  EXPECT_FALSE(pict.IsDisplayed());
  pict.Draw(MacRect(0, 0, 100, 100), 0);
  EXPECT_EQ(canvas.At(35, 30), RGB(255, 255, 255));
  pict.ShowRecordedVisibility(2.0);
  EXPECT_TRUE(pict.IsDisplayed());
  pict.Draw(MacRect(0, 0, 100, 100), 0);
  EXPECT_EQ(canvas.At(35, 30), RGB(0, 0, 0));
  SetPortDC(nullptr);

  // Without a formula the recorded values are not consulted.
  pict.SetFormulaInUse(false);
  pict.ShowRecordedVisibility(-1.0);
  EXPECT_TRUE(pict.IsVisible());
}

TEST_F(PictGadgetTest, DefaultSizeIsOfferedWhileTheSizeDiffersFromThePictures) {
  EXPECT_EQ(pict.HasAction(kTagDefaultSize), 0);  // no picture
  pict.SetPicture(BlackPicture());
  const MacPoint own = pict.GetSize();
  EXPECT_EQ(pict.HasAction(kTagDefaultSize), 0);
  pict.SetSize(MacPoint(static_cast<int16_t>(own.h + 7), own.v));
  EXPECT_EQ(pict.HasAction(kTagDefaultSize), 1);
  pict.DoAction(kTagDefaultSize);
  EXPECT_EQ(pict.GetSize(), own);
  EXPECT_EQ(pict.HasAction(kTagDefaultSize), 0);
}

TEST_F(PictGadgetTest, AttachingTheSameBodyOrDetachingAnotherChangesNothing) {
  TPictGadget body;  // any link stands for the body here
  body.Initialize();
  pict.AttachTo(&body, true);
  EXPECT_EQ(pict.GetAttachedBody(), &body);
  EXPECT_FALSE(pict.IsDisplayed());  // the body carries it
  TPictGadget other;
  other.Initialize();
  pict.AttachTo(&other, false);
  EXPECT_EQ(pict.GetAttachedBody(), &body);
  pict.AttachTo(&body, false);
  EXPECT_EQ(pict.GetAttachedBody(), nullptr);
  EXPECT_TRUE(pict.IsDisplayed());
}

TEST_F(PictGadgetTest, AResourcePictureShowsItsBitmapAndAMissingOneChangesNothing) {
  pict.SetPicture(nullptr, kBitmapId);
  EXPECT_EQ(pict.GetPictureResource(), kBitmapId);
  ASSERT_NE(pict.GetPicture(), nullptr);
  EXPECT_EQ(pict.GetSize(), MacPoint(16, 16));  // the bitmap's own size
  pict.SetSize(MacPoint(40, 30));
  MemoryCanvas canvas(100, 100);
  SetPortDC(canvas.dc());
  pict.Draw(MacRect(0, 0, 100, 100), 0);
  SetPortDC(nullptr);
  EXPECT_EQ(canvas.At(45, 35), RGB(0, 0, 0));  // stretched over the frame
  EXPECT_EQ(canvas.At(55, 45), RGB(255, 255, 255));

  try {
    pict.SetPicture(nullptr, kBitmapId + 1);
    ADD_FAILURE() << "a missing bitmap was taken";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -108);
  }
  EXPECT_EQ(pict.GetPictureResource(), kBitmapId);
  EXPECT_EQ(pict.GetSize(), MacPoint(40, 30));
  // A metafile picture takes the bitmap's place.
  pict.SetPicture(BlackPicture());
  EXPECT_EQ(pict.GetPictureResource(), 0);
  EXPECT_EQ(pict.GetPicture()->bitmapId, 0);
}

}  // namespace
