// Copying, pasting and printing a world, end to end through the window layer: two boxes of a
// world in a document window are selected with a band, the copy command puts them on the
// clipboard with a picture that plays back to their pixels, paste places two more that undo
// takes away, and printing to the PDF printer writes a page that shows them in their colours at
// their places.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/services/ClipboardView.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "core/ClipboardScrap.h"
#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/gadgets/PictGadget.h"
#include "model/command/PlacingCommands.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Profile.h"
#include "tests/app/SketchFixture.h"
#include "tools/samples/SampleBuilder.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/PrintAction.h"
#include "views/world/ScrapViews.h"
#include "views/world/SelectionCommands.h"

namespace {

using namespace body_tags;

constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr int16_t kLeftBox = 2;
constexpr int16_t kRightBox = 3;
constexpr int16_t kTriangle = 4;
constexpr int16_t kTriangleTable = 5;
constexpr double kBoxX = 1.0;
constexpr int16_t kUndo = 101;

// An RGB image as pdftoppm writes it (binary PPM).
struct Page {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
  COLORREF At(int32_t x, int32_t y) const {
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
  }
};

bool ReadPpm(const std::filesystem::path& path, Page& page) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  int32_t maximum = 0;
  file >> magic >> page.width >> page.height >> maximum;
  file.get();
  if (!file || magic != "P6" || maximum != 255 || page.width <= 0 || page.height <= 0) return false;
  page.rgb.resize(static_cast<size_t>(page.width) * static_cast<size_t>(page.height) * 3);
  file.read(reinterpret_cast<char*>(page.rgb.data()), static_cast<std::streamsize>(page.rgb.size()));
  return static_cast<size_t>(file.gcount()) == page.rgb.size();
}

// A metafile picture record of a filled square, as another program puts it on the clipboard.
Handle SquarePicture(HMETAFILE& metafile) {
  const HDC recorder = CreateMetaFile(nullptr);
  Rectangle(recorder, 0, 0, 10, 10);
  metafile = CloseMetaFile(recorder);
  METAFILEPICT picture;
  picture.mm = MM_ANISOTROPIC;
  picture.xExt = 10;
  picture.yExt = 10;
  picture.hMF = metafile;
  return NewHandleFromBytes(&picture, sizeof picture);
}

class WorldClipboardPrintTest : public SketchFixture {
 protected:
  // Two boxes of 0.6 m side by side on the world's axis, one red and one blue, and a triangle.
  std::string DocumentPath() override {
    using namespace sample_worlds;
    auto document = NewSampleDocument();
    TWorldDoc& world = document->World();
    AddGround(world);
    for (const auto& [identifier, x, colour] :
         {std::tuple{kLeftBox, -kBoxX, kRed}, std::tuple{kRightBox, kBoxX, kBlue}}) {
      TRectangle& box = Add<TRectangle>(world, identifier);
      box.SetNumberProperty(kTagWidth, 0.6);
      box.SetNumberProperty(kTagHeight, 0.6);
      box.SetMass(1.0);
      box.SetFormulaProperty(kTagPosX, TFormula(x));
      box.SetFormulaProperty(kTagPosY, TFormula(0.0));
      box.SetShortProperty(kTagFillPattern, 1);
      box.SetColourProperty(kTagFillColour, ColorRefToRGB16(colour));
    }
    // A triangle well below the boxes.
    TTable& vertices = Add<TTable>(world, kTriangleTable);
    for (const TVector& p : {TVector{-0.5, -0.5}, TVector{0.5, -0.5}, TVector{0.5, 0.5}})
      vertices.AppendPoint(p);
    TPolygon& triangle = Add<TPolygon>(world, kTriangle);
    triangle.LinkVertexTable(&vertices);
    triangle.SetFormulaProperty(kTagPosX, TFormula(0.0));
    triangle.SetFormulaProperty(kTagPosY, TFormula(-2.5));
    triangle.ShapeChanged(1);
    const std::string path = (folder_ / "boxes.yb").string();
    document->WriteDocument(path);
    return path;
  }
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("yb-clipboard-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    savedProfile_ = GetProfileFile();
    SketchFixture::SetUp();
  }
  void TearDown() override {
    SketchFixture::TearDown();
    SetProfileFile(savedProfile_);
    std::filesystem::remove_all(folder_);
  }

  std::string ClipboardText() {
    const Handle text = AllocHandle(0);
    const int16_t error = GetClipboardScrap(text, kTextScrapType);
    const std::string read = error == 0 ? std::string(HandleData(text), text->size) : "";
    FreeHandle(text);
    return read;
  }
  int32_t CountRectangles() {
    int32_t count = 0;
    for (TLink* object : world_->Objects())
      if (object->IsMemberClass(TRectangle::kClassID)) ++count;
    return count;
  }
  bool ClipboardHolds(uint32_t type) { return GetClipboardScrap(nullptr, type) == 0; }

  // The clipboard's picture played into a white bitmap of the view's size.
  struct Played {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    SIZE size{};
    ~Played() {
      SelectObject(dc, old);
      DeleteObject(bitmap);
      DeleteDC(dc);
    }
  };
  void PlayClipboardPicture(Played& played, METAFILEPICT& picture) {
    const Handle data = AllocHandle(0);
    ASSERT_EQ(GetClipboardScrap(data, kPictureScrapType), 0);
    ASSERT_GE(GetHandleByteSize(data), sizeof picture);
    std::memcpy(&picture, HandleData(data), sizeof picture);
    FreeHandle(data);
    RECT client;
    GetClientRect(view_->GetWindowHandle(), &client);
    played.dc = CreateCompatibleDC(nullptr);
    played.bitmap = CreateBitmap(client.right, client.bottom, 1, 32, nullptr);
    played.old = SelectObject(played.dc, played.bitmap);
    PatBlt(played.dc, 0, 0, client.right, client.bottom, WHITENESS);
    // As the clipboard viewer plays a scaled picture: its extents give the viewport (the window
    // first spans them, so that an isotropic mapping keeps the viewport it is given), and its
    // records set the window.
    SetMapMode(played.dc, picture.mm);
    SetWindowExtEx(played.dc, picture.xExt, picture.yExt, nullptr);
    const TClipboardView::DeviceMetrics device{
        GetDeviceCaps(played.dc, HORZRES), GetDeviceCaps(played.dc, VERTRES),
        GetDeviceCaps(played.dc, HORZSIZE), GetDeviceCaps(played.dc, VERTSIZE)};
    played.size = TClipboardView::PictureViewport(picture.xExt, picture.yExt, client.right,
                                                  client.bottom, device);
    SetViewportExtEx(played.dc, played.size.cx, played.size.cy, nullptr);
    ASSERT_TRUE(PlayMetaFile(played.dc, picture.hMF));
    SetMapMode(played.dc, MM_TEXT);
  }
  // The bounds of the pixels of one colour in the played picture: left, top, right, bottom.
  static RECT BoundsOf(const Played& played, COLORREF colour) {
    RECT bounds{INT32_MAX, INT32_MAX, -1, -1};
    for (int32_t y = 0; y < played.size.cy + 4; ++y) {
      for (int32_t x = 0; x < played.size.cx + 4; ++x) {
        if (GetPixel(played.dc, x, y) != colour) continue;
        bounds = RECT{std::min<LONG>(bounds.left, x), std::min<LONG>(bounds.top, y),
                      std::max<LONG>(bounds.right, x + 1), std::max<LONG>(bounds.bottom, y + 1)};
      }
    }
    return bounds;
  }

  std::filesystem::path folder_;
  std::string savedProfile_;
};

TEST_F(WorldClipboardPrintTest, BandCopyPasteUndoAndPrintToPdf) {
  const MacPoint left = On(-kBoxX, 0.0);
  const MacPoint right = On(kBoxX, 0.0);
  const MacPoint between = On(0.0, 0.0);
  ASSERT_EQ(PixelAt(left), kRed);
  ASSERT_EQ(PixelAt(right), kBlue);
  ASSERT_EQ(PixelAt(between), kWhite);

  // A band round both boxes selects them.
  Drag({TVector(-2.0, -0.8), TVector(0.0, 0.0), TVector(2.0, 0.8)});
  ASSERT_EQ(world_->Selection().size(), 2u);

  // Copy: the clipboard holds the object stream and a picture that plays back to the boxes'
  // pixels, and nothing between them.
  ASSERT_TRUE(EmptyClipboardScrap());
  Command(kCmdCopy);
  EXPECT_TRUE(ClipboardHolds(kObjectScrapType));
  EXPECT_TRUE(ClipboardHolds(kPictureScrapType));
  EXPECT_EQ(world_->Selection().size(), 2u);
  {
    Played played;
    METAFILEPICT picture;
    PlayClipboardPicture(played, picture);
    if (HasFatalFailure()) return;
    EXPECT_EQ(picture.mm, MM_ISOTROPIC);
    // The picture is as large as the boxes on the screen: its extents, hundredths of a
    // millimetre, show as the pixels that hold both boxes at any angle (0.6 m is 30 pixels).
    EXPECT_GE(played.size.cx, right.h - left.h + 30);
    EXPECT_LE(played.size.cx, right.h - left.h + 50);
    EXPECT_GE(played.size.cy, 30);
    EXPECT_LE(played.size.cy, 50);
    // Played at that size from its top left corner, the boxes stand as far apart as on the
    // screen, each its own size, with nothing between them.
    const RECT red = BoundsOf(played, kRed);
    const RECT blue = BoundsOf(played, kBlue);
    ASSERT_LT(red.left, red.right) << "no red box in the picture";
    ASSERT_LT(blue.left, blue.right) << "no blue box in the picture";
    EXPECT_NEAR(red.right - red.left, 30, 2);
    EXPECT_NEAR(blue.bottom - blue.top, 30, 2);
    EXPECT_NEAR(blue.left - red.left, right.h - left.h, 1);
    EXPECT_NEAR(red.top, blue.top, 1);
    // The rectangle copied holds each box turned any way: a few pixels more than the box.
    EXPECT_LE(red.left, 10) << "the picture does not start at its top left corner";
    EXPECT_LE(red.top, 10) << "the picture does not start at its top left corner";
    EXPECT_EQ(GetPixel(played.dc, (red.right + blue.left) / 2, (red.top + red.bottom) / 2),
              kWhite);
  }

  // Paste places two more boxes; undo takes them away again.
  const size_t before = world_->Objects().size();
  Command(kCmdPaste);
  EXPECT_EQ(CountRectangles(), 4);
  EXPECT_EQ(world_->Objects().size(), before + 2);
  EXPECT_NE(world_->FindObject(kLeftBox), nullptr);
  EXPECT_NE(world_->FindObject(kRightBox), nullptr);
  Command(kUndo);
  EXPECT_EQ(CountRectangles(), 2);
  EXPECT_EQ(world_->Objects().size(), before);

  // Printing without asking goes to the printer the settings name.
  const std::filesystem::path pdf = folder_ / "boxes.pdf";
  const std::string profile = (folder_ / "settings.ini").string();
  std::ofstream(profile) << "[windows]\ndevice=PDF, PDF, " << pdf.string() << "\n";
  SetProfileFile(profile);
  Command(kCmdPrintDefault);
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_FALSE(PrintingInProgress());
  EXPECT_FALSE(GetUseSolidBrushes());

  const std::filesystem::path image = folder_ / "page";
  const std::string render =
      "pdftoppm -r 150 -singlefile " + pdf.string() + " " + image.string() + " 2>/dev/null";
  ASSERT_EQ(std::system(render.c_str()), 0);
  Page page;
  ASSERT_TRUE(ReadPpm(image.string() + ".ppm", page));
  RECT client;
  GetClientRect(view_->GetWindowHandle(), &client);
  const double scale =
      std::min(static_cast<double>(page.width) / client.right,
               static_cast<double>(page.height) / client.bottom);
  auto onPage = [&](const MacPoint& point) {
    return page.At(static_cast<int32_t>(point.h * scale), static_cast<int32_t>(point.v * scale));
  };
  EXPECT_EQ(onPage(left), kRed);
  EXPECT_EQ(onPage(right), kBlue);
  EXPECT_EQ(onPage(between), kWhite);
}

TEST_F(WorldClipboardPrintTest, CopyPutsObjectsPictureAndTextAfterOneEmptying) {
  const Handle before = NewHandleFromBytes("before", 6);
  ASSERT_EQ(PutClipboardScrap(kTextScrapType, before), 0);
  FreeHandle(before);
  world_->Select(world_->FindObject(kTriangle));

  std::unique_ptr<TCommandCore> copy = MakeCutCopyCommand(kCmdCopy, *world_, view_);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->CanUndo(), 0);
  copy->Perform();
  EXPECT_EQ(GetClipboardScrap(nullptr, kObjectScrapType), 0);
  EXPECT_EQ(GetClipboardScrap(nullptr, kPictureScrapType), 0);
  // The text is the triangle's vertices, one a line.
  std::istringstream text(ClipboardText());
  std::vector<TVector> vertices;
  for (double x = 0, y = 0; text >> x >> y;) vertices.emplace_back(x, y);
  ASSERT_EQ(vertices.size(), 3u);
  EXPECT_DOUBLE_EQ(vertices[1].x, 0.5);
  // In the world's frame: the triangle sits 2.5 m down.
  EXPECT_DOUBLE_EQ(vertices[1].y, -3.0);
  // The application keeps the view as its clipboard view; it holds the objects.
  EXPECT_FALSE(app_->Commands().OwnClipboardViewIsCurrent());
  auto* scrap = dynamic_cast<TPictureScrapView*>(app_->Commands().GetClipboardView());
  ASSERT_NE(scrap, nullptr);
  EXPECT_GT(scrap->GetScrapData(nullptr, kObjectScrapType), 0);

  // Cut takes no text form, and takes the selection out, undoably.
  std::unique_ptr<TCommandCore> cut = MakeCutCopyCommand(kCmdCut, *world_, view_);
  EXPECT_EQ(cut->CanUndo(), 1);
  cut->Perform();
  EXPECT_EQ(GetClipboardScrap(nullptr, kTextScrapType), kErrClipboard);
  EXPECT_EQ(world_->FindObject(kTriangle), nullptr);
  cut->Undo();
  EXPECT_NE(world_->FindObject(kTriangle), nullptr);
}

TEST_F(WorldClipboardPrintTest, PasteChoosesByTheClipboardsType) {
  // Text alone places nothing.
  const Handle text = NewHandleFromBytes("1\t2\r\n", 5);
  ASSERT_TRUE(EmptyClipboardScrap());
  ASSERT_EQ(PutClipboardScrap(kTextScrapType, text), 0);
  EXPECT_EQ(MakePasteCommand(kCmdPaste, *world_), nullptr);
  EXPECT_EQ(PendingScrapType(), kTextScrapType);
  // A picture goes on the window in a picture gadget of its size, undoably.
  HMETAFILE metafile = nullptr;
  const Handle picture = SquarePicture(metafile);
  ASSERT_EQ(PutClipboardScrap(kPictureScrapType, picture), 0);
  {
    std::unique_ptr<TCommandCore> pasted = MakePasteCommand(kCmdPaste, *world_);
    EXPECT_EQ(PendingScrapType(), kPictureScrapType);
    ASSERT_NE(dynamic_cast<TPictPasteCommand*>(pasted.get()), nullptr);
    EXPECT_EQ(pasted->GetCommandNumber(), kCmdPastePicture);
  }
  const size_t before = world_->Objects().size();
  Command(kCmdPaste);
  ASSERT_EQ(world_->Objects().size(), before + 1);
  auto* gadget = dynamic_cast<TPictGadget*>(world_->Objects().back());
  ASSERT_NE(gadget, nullptr);
  ASSERT_NE(gadget->GetPicture(), nullptr);
  const MacRect frame = gadget->GetPicture()->frame;
  EXPECT_EQ(gadget->GetSize(), MacPoint(static_cast<int16_t>(frame.right - frame.left),
                                        static_cast<int16_t>(frame.bottom - frame.top)));
  Command(kUndo);
  EXPECT_EQ(world_->Objects().size(), before);

  // The program's own objects win over the other forms.
  world_->Select(world_->FindObject(kTriangle));
  MakeCutCopyCommand(kCmdCopy, *world_, view_)->Perform();
  ASSERT_EQ(GetClipboardScrap(nullptr, kTextScrapType), 0);
  std::unique_ptr<TCommandCore> paste = MakePasteCommand(kCmdPaste, *world_);
  auto* placing = dynamic_cast<TCommandSub*>(paste.get());
  ASSERT_NE(placing, nullptr);
  EXPECT_EQ(placing->GetCommandNumber(), kCmdPaste);
  // The triangle, with the vertex table it holds.
  ASSERT_EQ(placing->PlacedCount(), 2);
  const std::vector<TLink*> placed = placing->PlacedObjects();
  EXPECT_EQ(std::count_if(placed.begin(), placed.end(),
                          [](TLink* object) { return object->IsMemberClass(TPolygon::kClassID); }),
            1);

  // Nothing on the clipboard: no command.
  ASSERT_TRUE(EmptyClipboardScrap());
  EXPECT_EQ(MakePasteCommand(kCmdPaste, *world_), nullptr);
  FreeHandle(text);
  FreeHandle(picture);
  DeleteMetaFile(metafile);
}


TEST_F(WorldClipboardPrintTest, ClearTakesTheSelectionOutAndUndoBringsItBackLinked) {
  world_->Select(world_->FindObject(kTriangle));
  world_->Select(world_->FindObject(kLeftBox));
  Command(kCmdClear);
  EXPECT_EQ(world_->FindObject(kTriangle), nullptr);
  EXPECT_EQ(world_->FindObject(kLeftBox), nullptr);
  EXPECT_NE(world_->FindObject(kRightBox), nullptr);
  Command(kUndo);
  // Back under their identifiers, selected, the triangle with its vertices.
  auto* triangle = dynamic_cast<TPolygon*>(world_->FindObject(kTriangle));
  ASSERT_NE(triangle, nullptr);
  EXPECT_EQ(triangle->GetVertices()->GetCount(), 3);
  EXPECT_EQ(world_->Selection().size(), 2u);
  EXPECT_NE(world_->FindObject(kLeftBox), nullptr);
  // Redone, they go again.
  Command(kUndo);
  EXPECT_EQ(world_->FindObject(kTriangle), nullptr);
  EXPECT_EQ(world_->FindObject(kLeftBox), nullptr);
}

TEST_F(WorldClipboardPrintTest, InVertexEditingCopyAndClearActOnTheSelectedVertex) {
  auto* triangle = static_cast<TPolygon*>(world_->FindObject(kTriangle));
  triangle->DuplicateVertex(1, 1);
  world_->SetMode(TWorldDoc::kPartTool, 0);
  world_->Select(triangle);
  // Without a selected vertex the ordinary commands are made.
  EXPECT_EQ(dynamic_cast<TVertexEditCommand*>(MakeVertexEditCommand(kCmdClear, *world_).get()),
            nullptr);
  triangle->SelectVertex(2, 0);
  Command(kCmdCopy);
  std::istringstream text(ClipboardText());
  size_t lines = 0;
  for (double x = 0, y = 0; text >> x >> y;) ++lines;
  EXPECT_EQ(lines, 4u);
  EXPECT_NE(world_->FindObject(kTriangle), nullptr);

  Command(kCmdClear);
  ASSERT_EQ(world_->FindObject(kTriangle), triangle);
  EXPECT_EQ(triangle->GetVertices()->GetCount(), 3);
  Command(kUndo);
  EXPECT_EQ(static_cast<TPolygon*>(world_->FindObject(kTriangle))->GetVertices()->GetCount(), 4);
}

TEST_F(WorldClipboardPrintTest, PlayerModeRefusesCutCopyAndPasteButNotClear) {
  world_->Select(world_->FindObject(kLeftBox));
  world_->SetPlayerMode(1);
  for (const int16_t command : {kCmdCut, kCmdCopy, kCmdPaste})
    EXPECT_EQ(view_->DoMenuCommand(command), nullptr) << command;
  std::unique_ptr<TCommandCore> clear(view_->DoMenuCommand(kCmdClear));
  ASSERT_NE(clear, nullptr);
  clear->Perform();
  EXPECT_EQ(world_->FindObject(kLeftBox), nullptr);
  world_->SetPlayerMode(0);
}

}  // namespace
