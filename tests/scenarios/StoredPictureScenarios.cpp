// A picture object whose document keeps its picture only in the Macintosh form, as documents
// from the older platform do: opened by the program, the world window shows the picture itself
// (a red field with a blue oval in it), not the crossed-through box shown for a picture that
// cannot be converted; saved again, the document keeps the converted picture beside the old
// form.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Handle.h"
#include "inout/gadgets/PictGadget.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/Metafile.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"
#include "tests/support/MemoryCanvas.h"
#include "tools/samples/SampleBuilder.h"

namespace scenario {
namespace {

constexpr int16_t kPictureId = 30;
// The picture's size in pixels, and its oval, inset from its edges.
constexpr int kWidth = 80, kHeight = 50;
constexpr int kOvalInset = 12;
// Where the picture stands in the world's window.
constexpr int16_t kLeft = 60, kTop = 40;

constexpr char kSample[] = "stored-picture.yb";

// A picture of the first Macintosh format: a red field of the picture's size with a blue oval
// inside it.
std::vector<uint8_t> RedFieldWithBlueOval() {
  std::vector<uint8_t> bytes;
  auto u16 = [&bytes](int value) {
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value));
  };
  auto rect = [&u16](int top, int left, int bottom, int right) {
    u16(top);
    u16(left);
    u16(bottom);
    u16(right);
  };
  u16(0);  // the size, set below
  rect(0, 0, kHeight, kWidth);
  bytes.insert(bytes.end(), {0x11, 0x01});  // the first format
  bytes.push_back(0x0E);                    // fore colour: red
  u16(0);
  u16(205);
  bytes.push_back(0x31);  // paint the rectangle
  rect(0, 0, kHeight, kWidth);
  bytes.push_back(0x0E);  // fore colour: blue
  u16(0);
  u16(409);
  bytes.push_back(0x51);  // paint the oval
  rect(kOvalInset, kOvalInset, kHeight - kOvalInset, kWidth - kOvalInset);
  bytes.push_back(0xFF);
  bytes[0] = static_cast<uint8_t>(bytes.size() >> 8);
  bytes[1] = static_cast<uint8_t>(bytes.size());
  return bytes;
}

// A picture object that files its picture only in the Macintosh form: one picture block where
// the program writes the metafile form and then the Macintosh form. The document reads back as
// an ordinary picture object.
class MacOnlyPicture : public TPictGadget {
 public:
  explicit MacOnlyPicture(std::vector<uint8_t> picture) : picture_(std::move(picture)) {}

  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockPictAttachment);
    writer.WriteBlock(*this, kBlockPicture);
    writer.WriteBlock(*this, kBlockPictSize);
    TGadget::WriteFields(writer);
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockPicture) {
      TPictGadget::WriteBlockContents(code, writer);
      return;
    }
    const Handle bytes =
        NewHandleFromBytes(picture_.data(), static_cast<uint32_t>(picture_.size()));
    writer.WriteHandle(bytes);
    FreeHandleIfAny(bytes);
  }

 private:
  std::vector<uint8_t> picture_;
};

void WriteWorldWithStoredPicture(const std::string& path) {
  const ProgramUnits units;
  auto document = sample_worlds::NewSampleDocument();
  TWorldDoc& world = document->World();
  sample_worlds::AddGround(world);
  auto picture = std::make_unique<MacOnlyPicture>(RedFieldWithBlueOval());
  picture->Initialize();
  picture->SetIdentifier(kPictureId);
  picture->SetSize(MacPoint(kWidth, kHeight));
  picture->MoveBy(MacPoint(kLeft, kTop));
  world.AdoptObject(std::move(picture));
  document->WriteDocument(path);
}

bool Near(int value, int wanted) { return std::abs(value - wanted) <= 24; }
bool IsRed(uint32_t pixel) {
  return Near((pixel >> 16) & 0xFF, 255) && Near((pixel >> 8) & 0xFF, 0) && Near(pixel & 0xFF, 0);
}
bool IsBlue(uint32_t pixel) {
  return Near((pixel >> 16) & 0xFF, 0) && Near((pixel >> 8) & 0xFF, 0) && Near(pixel & 0xFF, 255);
}

// The red and blue of the picture where it shows: the red field's bounds, the blue oval's.
struct SeenPicture {
  Box red;
  Box blue;
};

SeenPicture Seen(const Picture& shown) {
  return SeenPicture{shown.BoundsOf(IsRed), shown.BoundsOf(IsBlue)};
}

// What a saved document keeps of the picture object: whether it is there, its Macintosh form,
// and its metafile form played into a canvas of the picture's size.
struct SavedPicture {
  bool found = false;
  std::vector<uint8_t> macForm;
  int red = 0;
  int blue = 0;
};

SavedPicture ReadSavedPicture(const std::string& path) {
  SavedPicture saved;
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  auto* picture = dynamic_cast<TPictGadget*>(document.World().FindObject(kPictureId));
  if (picture == nullptr) return saved;
  saved.found = true;
  PictureRec* shown = picture->GetPicture();
  saved.macForm = picture->GetMacPicture();
  if (shown == nullptr || shown->metafile == nullptr) return saved;
  MemoryCanvas canvas(kWidth, kHeight);
  SetMapMode(canvas.dc(), MM_ANISOTROPIC);
  SetWindowExtEx(canvas.dc(), shown->xExtent, shown->yExtent, nullptr);
  SetViewportExtEx(canvas.dc(), kWidth, kHeight, nullptr);
  PlayMetaFile(canvas.dc(), shown->metafile);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const COLORREF pixel = canvas.At(x, y);
      saved.red += pixel == RGB(255, 0, 0);
      saved.blue += pixel == RGB(0, 0, 255);
    }
  }
  return saved;
}

class StoredPictures : public window_seen::WorldWindowScenario {};

TEST_F(StoredPictures, AMacintoshPictureOpensAsItselfAndIsSavedConverted) {
  WriteWorldWithStoredPicture(Home().Sample(kSample));
  ASSERT_TRUE(StartOnSample(kSample));
  const window_seen::DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";

  // The red field of the picture's size, the blue oval inside it, its edges inset as drawn.
  const SeenPicture seen = Seen(Me().Grab(document.client));
  ASSERT_FALSE(seen.red.Empty()) << "no red shows: the picture was not converted";
  EXPECT_EQ(seen.red.width, kWidth);
  EXPECT_EQ(seen.red.height, kHeight);
  ASSERT_FALSE(seen.blue.Empty()) << "the picture's oval does not show";
  EXPECT_NEAR(seen.blue.x - seen.red.x, kOvalInset, 1);
  EXPECT_NEAR(seen.blue.y - seen.red.y, kOvalInset, 1);
  EXPECT_NEAR(seen.blue.width, kWidth - 2 * kOvalInset, 1);
  EXPECT_NEAR(seen.blue.height, kHeight - 2 * kOvalInset, 1);

  // Saved, the document keeps the old form as it was read and the converted picture with it.
  Me().Control("s");
  ASSERT_TRUE(Settle());
  const SavedPicture saved = ReadSavedPicture(Home().Sample(kSample));
  ASSERT_TRUE(saved.found) << "the saved world lost the picture object";
  EXPECT_EQ(saved.macForm, RedFieldWithBlueOval());
  EXPECT_GT(saved.red, kWidth * kHeight / 2) << "the saved picture is not the converted one";
  EXPECT_GT(saved.blue, 0);
}

}  // namespace
}  // namespace scenario
