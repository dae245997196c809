// Dialogs, icons, cursors and version blocks compiled from scripts, read back in the layouts the
// window layer reads.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Resources.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Resource.h"
#include "resources/compiler/IconFiles.h"
#include "resources/compiler/ScriptCompiler.h"
#include "tests/core/FileCallsTestFolder.h"
#include "tests/resources/ScriptTestSupport.h"

namespace {

// Reads a dialog template the way a dialog reader would, failing the test on any overrun.
class TemplateReader {
 public:
  explicit TemplateReader(const Bytes& bytes) : bytes_(bytes) {}

  uint32_t Word() {
    if (at_ + 2 > bytes_.size()) throw std::out_of_range("template ends early");
    const uint32_t value = bytes_[at_] | bytes_[at_ + 1] << 8;
    at_ += 2;
    return value;
  }
  uint32_t Long() { return Word() | Word() << 16; }
  int Short() { return static_cast<int16_t>(Word()); }
  std::string Text() {
    std::string text;
    for (uint32_t unit = Word(); unit != 0; unit = Word())
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    return text;
  }
  // "#n" for an ordinal, "" for none, else the text.
  std::string NameOrOrdinal() {
    if (at_ + 2 <= bytes_.size() && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      Word();
      return "#" + std::to_string(Word());
    }
    return Text();
  }
  void Align() { at_ = (at_ + 3) & ~size_t{3}; }
  size_t Position() const { return at_; }

 private:
  const Bytes& bytes_;
  size_t at_ = 0;
};

struct Item {
  uint32_t style, exStyle;
  int x, y, cx, cy;
  uint32_t id;
  std::string windowClass, text;
};

struct DialogTemplate {
  uint32_t style, exStyle;
  int x, y, cx, cy;
  std::string menu, windowClass, caption;
  uint32_t pointSize = 0;
  std::string face;
  std::vector<Item> items;
};

DialogTemplate Read(const Bytes& bytes) {
  TemplateReader in(bytes);
  DialogTemplate dialog;
  dialog.style = in.Long();
  dialog.exStyle = in.Long();
  const uint32_t count = in.Word();
  dialog.x = in.Short();
  dialog.y = in.Short();
  dialog.cx = in.Short();
  dialog.cy = in.Short();
  dialog.menu = in.NameOrOrdinal();
  dialog.windowClass = in.NameOrOrdinal();
  dialog.caption = in.Text();
  if (dialog.style & 0x40) {
    dialog.pointSize = in.Word();
    dialog.face = in.Text();
  }
  for (uint32_t i = 0; i < count; ++i) {
    in.Align();
    Item item;
    item.style = in.Long();
    item.exStyle = in.Long();
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = in.Word();
    item.windowClass = in.NameOrOrdinal();
    item.text = in.NameOrOrdinal();
    EXPECT_EQ(in.Word(), 0u) << "no creation data";
    dialog.items.push_back(item);
  }
  EXPECT_EQ(in.Position(), bytes.size()) << "nothing follows the last control";
  return dialog;
}

TEST(DialogCompilerTest, TemplateBytesOfAOneButtonDialog) {
  const rc::CompiledModule module = Compile(
      "100 DIALOG DISCARDABLE 10, 20, 200, 100\n"
      "STYLE DS_MODALFRAME | WS_POPUP\n"
      "CAPTION \"Hi\"\n"
      "FONT 8, \"Sans\"\n"
      "BEGIN\n"
      "  DEFPUSHBUTTON \"OK\", 1, 5, 6, 50, 14\n"
      "END\n");
  ASSERT_EQ(module.resources.size(), 1u);
  EXPECT_EQ(module.resources[0].type.id, 5);
  EXPECT_EQ(module.resources[0].name.id, 100);
  const Bytes expected = {
      // style DS_MODALFRAME | WS_POPUP, with WS_CAPTION and DS_SETFONT; no extended style
      0xC0, 0x00, 0xC0, 0x80, 0, 0, 0, 0,
      // one control at 10, 20 sized 200 by 100
      1, 0, 10, 0, 20, 0, 200, 0, 100, 0,
      // no menu, the standard class, the title, the font
      0, 0, 0, 0, 'H', 0, 'i', 0, 0, 0, 8, 0, 'S', 0, 'a', 0, 'n', 0, 's', 0, 0, 0,
      // the button (at offset 40, already aligned): child, visible, tab stop, default
      0x01, 0x00, 0x01, 0x50, 0, 0, 0, 0, 5, 0, 6, 0, 50, 0, 14, 0, 1, 0,
      // class: the button ordinal; its text; no creation data
      0xFF, 0xFF, 0x80, 0x00, 'O', 0, 'K', 0, 0, 0, 0, 0};
  EXPECT_EQ(module.resources[0].bytes, expected);
}

TEST(DialogCompilerTest, ControlKindsStylesAndAlignment) {
  const rc::CompiledModule module = Compile(
      "#define IDC_COUNT 101\n"
      "#define MYSTYLE 0x100\n"
      "\"PROPS\" DIALOG 0, 0, 160, 90\n"
      "CAPTION \"Caf\xC3\xA9\"\n"
      "MENU 20000\n"
      "CLASS \"myclass\"\n"
      "EXSTYLE WS_EX_TOOLWINDOW\n"
      "BEGIN\n"
      "  LTEXT \"Count:\", -1, 4, 4, 30, 8\n"
      "  EDITTEXT IDC_COUNT, 40, 4, 40, 12, ES_AUTOHSCROLL | NOT WS_BORDER\n"
      "  AUTOCHECKBOX \"&Show\", 102, 4, 20, 60, 10, NOT WS_TABSTOP | WS_GROUP, "
      "WS_EX_CLIENTEDGE\n"
      "  CONTROL \"\", 103, \"msctls_trackbar32\", MYSTYLE | WS_TABSTOP, 4, 34, 100, 12\n"
      "  CONTROL \"x\", 104, Button, BS_AUTORADIOBUTTON, 4, 50, 40, 10, WS_EX_STATICEDGE\n"
      "  ICON 7, 105, 120, 4, 20, 20\n"
      "  COMBOBOX 106, 4, 64, 80, 60, CBS_DROPDOWNLIST | WS_VSCROLL\n"
      "  GROUPBOX \"Box\", 107, 2, 2, 156, 86\n"
      "END\n");
  ASSERT_EQ(module.resources.size(), 1u);
  EXPECT_EQ(module.resources[0].name.text, "PROPS");
  const DialogTemplate dialog = Read(module.resources[0].bytes);
  // The default popup style with a caption and without a font.
  EXPECT_EQ(dialog.style, 0x80000000u | 0x00800000u | 0x00080000u | 0x00C00000u);
  EXPECT_EQ(dialog.exStyle, 0x80u);
  EXPECT_EQ(dialog.menu, "#20000");
  EXPECT_EQ(dialog.windowClass, "myclass");
  EXPECT_EQ(dialog.caption, "Caf?");
  EXPECT_EQ(dialog.face, "");
  ASSERT_EQ(dialog.items.size(), 8u);

  const uint32_t kChild = 0x50000000;  // WS_CHILD | WS_VISIBLE
  const Item& label = dialog.items[0];
  EXPECT_EQ(label.style, kChild | 0x00020000u);
  EXPECT_EQ(label.id, 0xFFFFu);
  EXPECT_EQ(label.windowClass, "#130");
  EXPECT_EQ(label.text, "Count:");

  const Item& edit = dialog.items[1];
  EXPECT_EQ(edit.style, kChild | 0x00010000u | 0x80u) << "NOT takes the border off";
  EXPECT_EQ(edit.id, 101u);
  EXPECT_EQ(edit.windowClass, "#129");
  EXPECT_EQ(edit.text, "");
  EXPECT_EQ(edit.x, 40);
  EXPECT_EQ(edit.cy, 12);

  const Item& check = dialog.items[2];
  EXPECT_EQ(check.style, kChild | 0x00020000u | 0x3u);
  EXPECT_EQ(check.exStyle, 0x200u);
  EXPECT_EQ(check.text, "&Show");

  const Item& slider = dialog.items[3];
  EXPECT_EQ(slider.style, kChild | 0x100u | 0x00010000u);
  EXPECT_EQ(slider.windowClass, "msctls_trackbar32");
  EXPECT_EQ(slider.exStyle, 0u);

  const Item& radio = dialog.items[4];
  EXPECT_EQ(radio.windowClass, "#128") << "a predefined class by name becomes its ordinal";
  EXPECT_EQ(radio.style, kChild | 0x9u);
  EXPECT_EQ(radio.exStyle, 0x20000u);

  const Item& icon = dialog.items[5];
  EXPECT_EQ(icon.text, "#7");
  EXPECT_EQ(icon.style, kChild | 0x3u);

  EXPECT_EQ(dialog.items[6].windowClass, "#133");
  EXPECT_EQ(dialog.items[6].style, kChild | 0x3u | 0x00200000u | 0x00010000u);
  EXPECT_EQ(dialog.items[7].style, kChild | 0x7u);
  EXPECT_EQ(dialog.items[7].cy, 86);
}

TEST(DialogCompilerTest, MalformedDialogsAreRefused) {
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 STYLE WS_FANCY BEGIN END"),
            "bad.rc:1: unknown style \"WS_FANCY\"");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 STYLE DS_SETFONT BEGIN END"),
            "bad.rc:1: DS_SETFONT needs a FONT statement");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 40000 BEGIN END"),
            "bad.rc:1: 40000 is outside -32768..32767");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 BEGIN\n SLIDER 1, 0, 0, 5, 5 END"),
            "bad.rc:2: expected a control or END, found \"SLIDER\"");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 BEGIN LTEXT 5, 1, 0, 0, 5, 5 END"),
            "bad.rc:1: expected the control's text, found \"5\"");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 BEGIN PUSHBUTTON \"a\", 1, 0, 0, 5"),
            "bad.rc:1: expected a number at the end of the script");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 BEGIN LTEXT \"a\", 1, 0, 0, 5, 5"),
            "bad.rc:1: END is missing");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 TITLE \"x\" BEGIN END"),
            "bad.rc:1: expected a dialog statement or BEGIN, found \"TITLE\"");
  EXPECT_EQ(ErrorOf("1 DIALOG 0, 0, 10, 10 BEGIN CONTROL \"\", 1, \"\", 0, 0, 0, 5, 5 END"),
            "bad.rc:1: a control's class cannot be empty");
  EXPECT_EQ(ErrorOf("1 DIALOGEX 0, 0, 10, 10 BEGIN END"),
            "bad.rc:1: DIALOGEX resources are not supported by this compiler yet");
}

// ---------------------------------------------------------------------------------------------
// Icons and cursors

// An icon or cursor file of square images with 4-bit bitmaps of the given sizes; hot spots
// (cursors) are (size / 2, 1).
Bytes IconFile(bool cursor, const std::vector<uint8_t>& sizes) {
  Bytes file = {0, 0, static_cast<uint8_t>(cursor ? 2 : 1), 0, static_cast<uint8_t>(sizes.size()),
                0};
  std::vector<Bytes> images;
  for (const uint8_t size : sizes) {
    Bytes image(40 + 64 + size, 0xA0);  // header, palette and some pixels
    image[0] = 40;
    image[1] = image[2] = image[3] = 0;
    image[14] = 4;  // bits per pixel
    image[15] = 0;
    images.push_back(image);
  }
  uint32_t offset = static_cast<uint32_t>(6 + 16 * sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    const uint32_t size = static_cast<uint32_t>(images[i].size());
    const Bytes entry = {sizes[i],
                         sizes[i],
                         16,
                         0,
                         static_cast<uint8_t>(cursor ? sizes[i] / 2 : 1),
                         0,
                         static_cast<uint8_t>(cursor ? 1 : 4),
                         0,
                         static_cast<uint8_t>(size),
                         static_cast<uint8_t>(size >> 8),
                         0,
                         0,
                         static_cast<uint8_t>(offset),
                         static_cast<uint8_t>(offset >> 8),
                         0,
                         0};
    file.insert(file.end(), entry.begin(), entry.end());
    offset += size;
  }
  for (const Bytes& image : images)
    file.insert(file.end(), image.begin(), image.end());
  return file;
}

class IconCompilerTest : public ::testing::Test {
 protected:
  // Tests run in parallel processes: each has a folder of its own.
  void SetUp() override { ASSERT_TRUE(folder_.ok()); }

  void Write(const std::string& name, const Bytes& bytes) { folder_.Write(name, bytes); }
  std::string Script() const { return folder_.Path("lib.rc"); }

  TestFolder folder_;
};

const rc::CompiledResource* Find(const rc::CompiledModule& module, uint16_t type, uint16_t id) {
  for (const rc::CompiledResource& resource : module.resources) {
    if (resource.type.id == type && !resource.name.IsText() && resource.name.id == id)
      return &resource;
  }
  return nullptr;
}

TEST_F(IconCompilerTest, CursorGroupListsItsImagesWithHotSpots) {
  const Bytes file = IconFile(true, {32, 16});
  Write("arrow.cur", file);
  Write("hand.cur", IconFile(true, {16}));
  const rc::CompiledModule module =
      Compile("1000 CURSOR \"arrow.cur\"\n 27024 CURSOR DISCARDABLE \"hand.cur\"\n", Script());
  // Two groups, three images numbered 1, 2, 3 across both groups.
  ASSERT_EQ(module.resources.size(), 5u);
  const rc::CompiledResource* group = Find(module, 12, 1000);
  ASSERT_NE(group, nullptr);
  const uint32_t firstSize = 40 + 64 + 32 + 4;
  const uint32_t secondSize = 40 + 64 + 16 + 4;
  const Bytes expected = {0, 0, 2, 0, 2, 0,
                          // width, height of both masks, planes, bits, size, id
                          32, 0, 64, 0, 1, 0, 4, 0, static_cast<uint8_t>(firstSize), 0, 0, 0, 1, 0,
                          16, 0, 32, 0, 1, 0, 4, 0, static_cast<uint8_t>(secondSize), 0, 0, 0, 2,
                          0};
  EXPECT_EQ(group->bytes, expected);

  const rc::CompiledResource* image = Find(module, 1, 1);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->bytes.size(), firstSize);
  EXPECT_EQ(Bytes(image->bytes.begin(), image->bytes.begin() + 4), (Bytes{16, 0, 1, 0}));
  // The image itself follows the hot spot unchanged.
  EXPECT_EQ(Bytes(image->bytes.begin() + 4, image->bytes.end()),
            Bytes(file.begin() + 6 + 32, file.begin() + 6 + 32 + firstSize - 4));

  const rc::CompiledResource* hand = Find(module, 12, 27024);
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(hand->bytes[18], 3) << "the next free cursor image id";
  EXPECT_NE(Find(module, 1, 3), nullptr);
}

TEST_F(IconCompilerTest, IconGroupKeepsTheDirectoryEntries) {
  Write("app.ico", IconFile(false, {32, 16}));
  const rc::CompiledModule module = Compile(
      "1 3 BEGIN BYTE 0 END\n"      // an icon image defined by hand: the file's images follow it
      "NAMED 3 BEGIN BYTE 0 END\n"  // a text name and another type do not take ids
      "9 RCDATA BEGIN BYTE 0 END\n"
      "APPICON ICON \"app.ico\"\n",
      Script());
  const rc::CompiledResource* group = nullptr;
  for (const rc::CompiledResource& resource : module.resources) {
    if (resource.type.id == 14) group = &resource;
  }
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->name.text, "APPICON");
  const uint32_t size = 40 + 64 + 32;
  EXPECT_EQ(Bytes(group->bytes.begin(), group->bytes.begin() + 20),
            (Bytes{0, 0, 1, 0, 2, 0, 32, 32, 16, 0, 1, 0, 4, 0, static_cast<uint8_t>(size),
                   0, 0, 0, 2, 0}));
  const rc::CompiledResource* image = Find(module, 3, 2);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->bytes.size(), size) << "an icon image has no hot spot";
  EXPECT_NE(Find(module, 3, 3), nullptr);
}

// A compiled module registered with the resource calls, as the generated tables are.
class RegisteredModule {
 public:
  explicit RegisteredModule(rc::CompiledModule module) : module_(std::move(module)) {
    rc::FinishModule(module_);
    for (const rc::CompiledResource& resource : module_.resources) {
      entries_.push_back(
          {resource.type.IsText() ? resource.type.text.c_str() : nullptr, resource.type.id,
           resource.name.IsText() ? resource.name.text.c_str() : nullptr, resource.name.id,
           resource.bytes.data(), static_cast<uint32_t>(resource.bytes.size())});
    }
    RegisterResourceModule(
        {module_.fileName.c_str(), entries_.data(), static_cast<uint32_t>(entries_.size())});
  }
  ~RegisteredModule() { UnregisterResourceModule(module_.fileName.c_str()); }
  HMODULE Handle() const { return LoadResourceLibrary(module_.fileName.c_str()); }

 private:
  rc::CompiledModule module_;
  std::vector<ResourceEntry> entries_;
};

TEST_F(IconCompilerTest, CompiledCursorsLoadThroughTheResourceCalls) {
  Write("hand.cur", IconFile(true, {32}));
  const RegisteredModule library(Compile("1005 CURSOR \"hand.cur\"\n", Script()));
  InitHandlePool();
  SetResourceModule1(library.Handle());
  InstallCursorResourceProbe();

  // The group and its image, found and sized by the resource calls.
  const HRSRC group = FindResource(library.Handle(), MAKEINTRESOURCEA(1005), RT_GROUP_CURSOR);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(SizeofResource(library.Handle(), group), 6u + 14u);
  const auto* entry =
      static_cast<const uint8_t*>(LockResource(LoadResource(library.Handle(), group)));
  const uint16_t imageId = static_cast<uint16_t>(entry[6 + 12] | entry[6 + 13] << 8);
  const HRSRC image = FindResource(library.Handle(), MAKEINTRESOURCEA(imageId), RT_CURSOR);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(SizeofResource(library.Handle(), image), 4u + 40u + 64u + 32u);

  TCursorHolder holder;
  LoadCursorWithFallback(holder, 1005);
  EXPECT_EQ(holder.id, 1005u);
  EXPECT_EQ(holder.standard, 0u);
  CursorInfo info;
  ASSERT_TRUE(DescribeCursor(holder.cursor, &info));
  EXPECT_FALSE(info.standard);
  EXPECT_EQ(info.id, 1005u);
  // Cursor 27005 is not there; moved down by 26000 it is 1005, which is.
  LoadCursorWithFallback(holder, 27005);
  EXPECT_EQ(holder.id, 1005u);
  LoadCursorWithFallback(holder, 1006);
  EXPECT_EQ(holder.standard, 1u);

  SetCursorResourceProbe(nullptr);
  SetResourceModule1(nullptr);
  FreeHandlePool();
}

TEST_F(IconCompilerTest, MalformedIconFilesAreRefused) {
  Bytes good = IconFile(false, {16});
  Write("good.ico", good);
  EXPECT_NE(ErrorOf("1 CURSOR \"good.ico\"", Script()).find("not a cursor file"),
            std::string::npos);

  Bytes shortDirectory = good;
  shortDirectory[4] = 9;  // nine entries claimed, one present
  shortDirectory.resize(6 + 16 * 2);
  Write("short.ico", shortDirectory);
  EXPECT_NE(ErrorOf("1 ICON \"short.ico\"", Script()).find("directory runs past the end"),
            std::string::npos);

  Bytes pastEnd = good;
  pastEnd[6 + 13] = 0x40;  // offset far beyond the file
  Write("past.ico", pastEnd);
  EXPECT_NE(ErrorOf("1 ICON \"past.ico\"", Script()).find("image 1 runs past the end"),
            std::string::npos);

  Bytes notBitmap = good;
  notBitmap[6 + 16] = 12;  // an old-style header size
  Write("old.ico", notBitmap);
  EXPECT_NE(ErrorOf("1 ICON \"old.ico\"", Script()).find("neither a bitmap nor PNG"),
            std::string::npos);

  Bytes empty = good;
  empty[4] = 0;
  Write("empty.ico", empty);
  EXPECT_NE(ErrorOf("1 ICON \"empty.ico\"", Script()).find("holds no image"), std::string::npos);

  Write("tiny.ico", Bytes{0, 0, 1});
  EXPECT_NE(ErrorOf("1 ICON \"tiny.ico\"", Script()).find("too short"), std::string::npos);

  EXPECT_EQ(ErrorOf("1 ICON \"good.ico\"\n1 ICON \"good.ico\"", Script()),
            Script() + ":2: resource 14 1 is defined twice");
}

TEST(IconFilesTest, PngIconsPassThroughButNotPngCursors) {
  Bytes file = IconFile(false, {16});
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
  std::copy(png.begin(), png.end(), file.begin() + 22);
  const std::vector<rc::IconImage> images = rc::ReadIconFile(file, false);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].bitCount, 4) << "taken from the directory, as a PNG has no bitmap header";
  file[2] = 2;
  EXPECT_THROW(rc::ReadIconFile(file, true), rc::IconFileError);
}

// ---------------------------------------------------------------------------------------------
// Version blocks

struct VersionNode {
  std::string key;
  bool text = false;
  uint16_t valueLength = 0;
  Bytes value;
  std::vector<VersionNode> children;
};

uint16_t WordAt(const Bytes& bytes, size_t at) {
  return static_cast<uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

// Reads the node at offset as a version reader would, checking every length and alignment.
VersionNode ReadNode(const Bytes& bytes, size_t offset) {
  EXPECT_EQ(offset % 4, 0u) << "nodes start at multiples of four";
  const size_t end = offset + WordAt(bytes, offset);
  EXPECT_LE(end, bytes.size());
  VersionNode node;
  node.valueLength = WordAt(bytes, offset + 2);
  node.text = WordAt(bytes, offset + 4) == 1;
  size_t at = offset + 6;
  for (uint16_t unit = WordAt(bytes, at); unit != 0; unit = WordAt(bytes, at)) {
    node.key += static_cast<char>(unit);
    at += 2;
  }
  at = (at + 2 + 3) & ~size_t{3};
  const size_t valueBytes = node.text ? 2u * node.valueLength : node.valueLength;
  node.value.assign(bytes.begin() + static_cast<long>(at),
                    bytes.begin() + static_cast<long>(at + valueBytes));
  at = (at + valueBytes + 3) & ~size_t{3};
  while (at < end) {
    node.children.push_back(ReadNode(bytes, at));
    at = (at + WordAt(bytes, at) + 3) & ~size_t{3};
  }
  return node;
}

TEST(VersionCompilerTest, VersionBlockInTheStandardLayout) {
  const rc::CompiledModule module = Compile(
      "#define VOS_NT 0x40000\n"
      "1 VERSIONINFO\n"
      "FILEVERSION 3, 0, 0, 1\n"
      "PRODUCTVERSION 3, 1\n"
      "FILEFLAGSMASK 0x3F\n"
      "FILEOS VOS_NT | 0x4\n"
      "FILETYPE 1\n"
      "BEGIN\n"
      "  BLOCK \"B\" BEGIN VALUE \"A\", \"x\" END\n"
      "  BLOCK \"StringFileInfo\"\n"
      "  BEGIN\n"
      "    BLOCK \"040904b0\"\n"
      "    BEGIN\n"
      "      VALUE \"InternalName\", \"Yarrowby\"\n"
      "      VALUE \"ZIPCode\", \"\"\n"
      "    END\n"
      "  END\n"
      "  BLOCK \"VarFileInfo\" BEGIN VALUE \"Translation\", 0x409, 1200 END\n"
      "END\n");
  ASSERT_EQ(module.resources.size(), 1u);
  EXPECT_EQ(module.resources[0].type.id, 16);
  const Bytes& bytes = module.resources[0].bytes;
  ASSERT_GE(bytes.size(), 120u);
  EXPECT_EQ(WordAt(bytes, 0), bytes.size()) << "the root spans the resource";

  // The root: key, padding to 40, then the fixed part.
  EXPECT_EQ(Bytes(bytes.begin() + 2, bytes.begin() + 8), (Bytes{52, 0, 0, 0, 'V', 0}));
  const Bytes fixed = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0,  // signature, structure version
                       0,    0,    3,    0,    1, 0, 0, 0,  // file version 3.0.0.1
                       1,    0,    3,    0,    0, 0, 0, 0,  // product version 3.1.0.0
                       0x3F, 0,    0,    0,    0, 0, 0, 0,  // flags mask, flags
                       4,    0,    4,    0,    1, 0, 0, 0, 0, 0, 0, 0,  // OS, type, subtype
                       0,    0,    0,    0,    0, 0, 0, 0};             // date
  EXPECT_EQ(Bytes(bytes.begin() + 40, bytes.begin() + 92), fixed);
  // The first block, exactly: a text node holding one text value.
  EXPECT_EQ(Bytes(bytes.begin() + 92, bytes.begin() + 120),
            (Bytes{28, 0, 0, 0, 1, 0, 'B', 0, 0, 0, 0, 0,                   // BLOCK "B"
                   16, 0, 2, 0, 1, 0, 'A', 0, 0, 0, 0, 0, 'x', 0, 0, 0}));  // VALUE "A", "x"

  const VersionNode root = ReadNode(bytes, 0);
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  EXPECT_FALSE(root.text);
  ASSERT_EQ(root.children.size(), 3u);
  const VersionNode& strings = root.children[1];
  EXPECT_EQ(strings.key, "StringFileInfo");
  ASSERT_EQ(strings.children.size(), 1u);
  const VersionNode& table = strings.children[0];
  EXPECT_EQ(table.key, "040904b0");
  ASSERT_EQ(table.children.size(), 2u);
  EXPECT_EQ(table.children[0].key, "InternalName");
  EXPECT_TRUE(table.children[0].text);
  EXPECT_EQ(table.children[0].valueLength, 9) << "characters with the NUL";
  EXPECT_EQ(table.children[0].value[0], 'Y');
  EXPECT_EQ(table.children[1].valueLength, 1);
  const VersionNode& translation = root.children[2].children.at(0);
  EXPECT_FALSE(translation.text);
  EXPECT_EQ(translation.value, (Bytes{0x09, 0x04, 0xB0, 0x04}));
}

TEST(VersionCompilerTest, MalformedVersionBlocksAreRefused) {
  EXPECT_EQ(ErrorOf("1 VERSIONINFO FILEVERSION 70000 BEGIN END"),
            "bad.rc:1: 70000 is outside 0..65535");
  EXPECT_EQ(ErrorOf("1 VERSIONINFO FILEDATE 1 BEGIN END"),
            "bad.rc:1: expected a version statement or BEGIN, found \"FILEDATE\"");
  EXPECT_EQ(ErrorOf("1 VERSIONINFO BEGIN VALUE \"a\", \"b\", \"c\" END"),
            "bad.rc:1: a text value stands alone");
  EXPECT_EQ(ErrorOf("1 VERSIONINFO BEGIN VALUE \"a\", 1, \"c\" END"),
            "bad.rc:1: expected a number, found \"c\"");
  EXPECT_EQ(ErrorOf("1 VERSIONINFO BEGIN STRING \"a\" END"),
            "bad.rc:1: expected BLOCK, VALUE or END, found \"STRING\"");
  EXPECT_EQ(ErrorOf("1 VERSIONINFO BEGIN BLOCK \"a\" BEGIN END"), "bad.rc:1: END is missing");
  EXPECT_EQ(ErrorOf("1 VERSIONINFO BEGIN VALUE \"a\", \"" + std::string(40000, 'x') + "\" END"),
            "bad.rc:1: the version block \"a\" exceeds 65535 bytes");
  std::string deep = "1 VERSIONINFO BEGIN ";
  for (int i = 0; i < 10; ++i)
    deep += "BLOCK \"b\" BEGIN ";
  EXPECT_EQ(ErrorOf(deep), "bad.rc:1: version blocks nest too deeply");
}

}  // namespace
