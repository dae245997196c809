// The contents of the program's own libraries, read through the code that uses them: alert
// texts built for every error the program raises, the default font, the fill patterns and the
// class table of stored objects.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Alert.h"
#include "core/ClassRegistry.h"
#include "core/Resources.h"
#include "core/TObject.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "model/Thing.h"
#include "model/filing/ClassSource.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Font.h"
#include "platform/win32/Icon.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"
#include "solver/engine/EngineEntry.h"
#include "solver/formula/FormulaErrors.h"

namespace {

std::string Text(const Str255& text) {
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

// Every error number the program raises and shows.
std::vector<int16_t> RaisedErrors() {
  std::vector<int16_t> errors;
  auto range = [&](int first, int last) {
    for (int e = first; e <= last; ++e)
      errors.push_back(static_cast<int16_t>(e));
  };
  range(-61, -33);        // file codes
  range(-108, -107);      // memory and disk space
  range(-25011, -25001);  // filing and links
  range(-25153, -25104);  // editing, checks, tables, scripts
  range(-25213, -25200);  // exchange, video, scripts
  range(-28819, -28803);  // formula compiler and evaluator
  range(-28703, -28700);  // dynamics
  for (int16_t e :
       {-1705, -1708, -1709, -1712, -1715, -1716, -1717, -1720, -1721, -20007, 999, -25556, -32768})
    errors.push_back(e);
  return errors;
}

// The message references failures are raised with, each naming a text.
const int32_t kMessageReferences[] = {
    0x7F610003, 0x7F610004, 0x7F610007, 0x7F610008, 0x7F610009, 0x7F61000A,
    0x7F61000C, 0x7F61000D, 0x7F610011, 0x7F610012, 0x7F610015, static_cast<int32_t>(0x9C610005),
    -25111,
    // A drawing buffer that could not be made: another view's, the main display's.
    static_cast<int32_t>(0xFFFF05E1), static_cast<int32_t>(0xFFFF05E2)};

Str255 MessageText(int32_t reference) {
  Str255 out;
  const auto low = static_cast<int16_t>(reference & 0xFFFF);
  const auto high = static_cast<int16_t>((static_cast<uint32_t>(reference) >> 16) & 0xFFFF);
  GetIndString(out, high, low);
  return out;
}

class LibraryContentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
    SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
    FailureDetailText() = Str255();
  }
  void TearDown() override {
    FreePortPatterns();
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    SetResourceModule3(nullptr);
    RegisterResourceLibraries();
    ResetWindowSystem();
    UseProcessClock();
    FreeHandlePool();
  }

  // Answers the next message box with Return and keeps its text.
  void AnswerNextBox() {
    SetIdleScript([this] {
      const HWND box = GetMessageBoxWindow();
      if (!box || answered_) return false;
      answered_ = true;
      shown_ = GetWindowTextString(GetDlgItem(box, 0xFFFF));
      InjectKeyStroke(VK_RETURN);
      return true;
    });
  }

  bool answered_ = false;
  std::string shown_;
};

TEST_F(LibraryContentsTest, EveryRaisedErrorGetsAWholeAlertText) {
  for (int16_t error : RaisedErrors()) {
    SCOPED_TRACE(error);
    Str255 errorText;
    Str255 recovery;
    ASSERT_TRUE(GetErrorTextWithOverride(error, kErrorTextTable, errorText));
    EXPECT_FALSE(errorText.IsEmpty());
    GetErrorTextWithOverride(error, kRecoveryTextTable, recovery);
    // The longest message and a detail text still leave the error text and its recovery whole.
    const Str255 message = MessageText(0x7F610004);
    for (int16_t alert : {kAlertWithMessage, kAlertWithCommand, kAlertWithoutMessage}) {
      SetAlertTexts(errorText, recovery, message, Str255("(Run)"));
      Str255 shown;
      BuildAlertText(shown, alert);
      const std::string text = Text(shown);
      EXPECT_NE(text.find(Text(errorText)), std::string::npos) << text;
      EXPECT_NE(text.find(Text(recovery)), std::string::npos) << text;
      EXPECT_EQ(text.find('^'), std::string::npos) << text;
      EXPECT_NE(text.find("(Run)"), std::string::npos) << text;
    }
  }
}

TEST_F(LibraryContentsTest, NamedErrorsHaveTextsOfTheirOwn) {
  // Each file code, formula error and dynamics code says what went wrong in its own words.
  std::set<std::string> seen;
  int named = 0;
  auto check = [&](int first, int last) {
    for (int e = first; e <= last; ++e) {
      Str255 text;
      GetErrorText(static_cast<int16_t>(e), kErrorTextTable, text);
      EXPECT_TRUE(seen.insert(Text(text)).second) << e << ": " << Text(text);
      ++named;
    }
  };
  check(-61, -33);
  check(-28819, -28803);
  check(-28703, -28700);
  for (int16_t e : {-108, -1708, -20007, 999, -25001, -25002, -25005, -25104, -25113, -25213})
    check(e, e);
  EXPECT_EQ(seen.size(), static_cast<size_t>(named));
  // Error 0 is a silent abort and never needs a text; an unknown error finds no entry.
  Str255 none;
  EXPECT_FALSE(GetErrorText(-9999, kErrorTextTable, none));
}

// Every answer of the solver that can end a run reaches the user as its error number (library
// code - 29999) with words of its own and advice; each warning asked about has both too.
TEST_F(LibraryContentsTest, EverySolverFailureAndWarningHasItsOwnText) {
  constexpr int32_t kProgramOffset = 29999;
  constexpr int16_t kWarningTexts = 131;
  std::vector<int32_t> failures = {kEngineStoreFull, kEngineBadArgument, kEngineNoWorld,
                                   kEngineNotInitialised, kEngineBadModel, kEngineNotANumber,
                                   kEngineCannotContinue, kEngineCannotRead};
  for (int32_t code = kFormulaBadCharacter; code <= kFormulaNoProgram; ++code)
    failures.push_back(code);
  std::set<std::string> seen;
  for (int32_t code : failures) {
    const auto error = static_cast<int16_t>(code - kProgramOffset);
    SCOPED_TRACE(error);
    Str255 text;
    Str255 advice;
    ASSERT_TRUE(GetErrorTextWithOverride(error, kErrorTextTable, text));
    ASSERT_TRUE(GetErrorTextWithOverride(error, kRecoveryTextTable, advice));
    EXPECT_FALSE(advice.IsEmpty());
    EXPECT_TRUE(seen.insert(Text(text)).second) << Text(text);
  }
  for (int32_t code : {kEngineWarnInaccurate, kEngineWarnOverlap, kEngineWarnRedundant,
                       kEngineWarnInconsistent, kEngineWarnTooThin}) {
    const auto warning = static_cast<int16_t>(code - kProgramOffset);
    SCOPED_TRACE(warning);
    Str255 text;
    Str255 advice;
    ASSERT_TRUE(GetErrorTextWithOverride(warning, kWarningTexts, text));
    ASSERT_TRUE(GetErrorTextWithOverride(warning, kRecoveryTextTable, advice));
    EXPECT_FALSE(advice.IsEmpty());
    EXPECT_TRUE(seen.insert(Text(text)).second) << Text(text);
  }
}

TEST_F(LibraryContentsTest, MessageReferencesAndNotesNameTexts) {
  for (int32_t reference : kMessageReferences) {
    EXPECT_FALSE(MessageText(reference).IsEmpty()) << std::hex << reference;
  }
  Str255 note;
  GetIndString(note, 32512, 1);
  EXPECT_FALSE(note.IsEmpty());
  GetIndString(note, 32512, 3);
  EXPECT_FALSE(note.IsEmpty());
  // The question before recorded frames are dropped lies beyond the template list's count.
  Str255 question;
  GetIndString(question, kAlertTemplateList, 1504);
  ASSERT_FALSE(question.IsEmpty());
  EXPECT_EQ(Text(question).back(), '?');
}

TEST_F(LibraryContentsTest, ErrorAlertsShowTheLibraryTexts) {
  AnswerNextBox();
  ErrorAlert(-25141, 0x7F61000D);
  ASSERT_TRUE(answered_);
  EXPECT_EQ(shown_,
            "Could not set the contact formula.\n\nA contact formula must be shorter than 241 "
            "characters. Shorten the formula. ");

  answered_ = false;
  AnswerNextBox();
  ErrorAlert(-25005, 0);  // no message: alert 130
  ASSERT_TRUE(answered_);
  EXPECT_EQ(shown_.rfind("Could not complete the operation.\n\nYarrowby's own resources", 0), 0u)
      << shown_;
}

// The picture of cursor id of the main library, read from its first image, with its hot spot.
struct CursorPicture {
  IconPixels pixels;
  int32_t hotX = -1;
  int32_t hotY = -1;
};

CursorPicture ReadCursor(uint16_t id) {
  CursorPicture picture;
  HMODULE module = static_cast<HMODULE>(GetResourceModule1());
  HRSRC group = FindResource(module, MAKEINTRESOURCEA(id), RT_GROUP_CURSOR);
  if (group == nullptr || SizeofResource(module, group) < 20) return picture;
  const auto* directory = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
  const uint16_t imageId = static_cast<uint16_t>(directory[18] | directory[19] << 8);
  HRSRC image = FindResource(module, MAKEINTRESOURCEA(imageId), RT_CURSOR);
  if (image == nullptr) return picture;
  const uint32_t size = SizeofResource(module, image);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, image)));
  picture.hotX = bytes[0] | bytes[1] << 8;
  picture.hotY = bytes[2] | bytes[3] << 8;
  // Past the hot spot the image is an icon image.
  HICON icon = CreateIconFromResource(bytes + 4, size - 4, TRUE, 0x00030000);
  if (icon != nullptr) {
    GetIconPixels(icon, &picture.pixels);
    DestroyIcon(icon);
  }
  return picture;
}

TEST_F(LibraryContentsTest, WorldViewCursorsAreDrawingsWithTheirHotSpotOnThem) {
  const uint16_t ids[] = {1000, 1004, 1005, 1010, 1012, 1013, 1014, 1020, 27024};
  std::vector<std::vector<uint32_t>> images;
  InstallCursorResourceProbe();  // as the program does when it loads its libraries
  for (uint16_t id : ids) {
    EXPECT_NE(LoadCursor(GetResourceModule1(), id), nullptr) << id;
    const CursorPicture picture = ReadCursor(id);
    const IconPixels& p = picture.pixels;
    ASSERT_EQ(p.width, 32) << id;
    int black = 0;
    int white = 0;
    for (size_t i = 0; i < p.image.size(); ++i) {
      if (p.mask[i]) continue;
      black += p.image[i] == 0x000000 ? 1 : 0;
      white += p.image[i] == 0xFFFFFF ? 1 : 0;
    }
    // A black figure with a white rim on a transparent ground.
    EXPECT_GE(black, 15) << id;
    EXPECT_GE(white, 15) << id;
    EXPECT_GE(std::count(p.mask.begin(), p.mask.end(), true), 32 * 32 / 2) << id;
    ASSERT_TRUE(picture.hotX >= 0 && picture.hotX < 32 && picture.hotY >= 0 && picture.hotY < 32);
    EXPECT_FALSE(p.mask[static_cast<size_t>(picture.hotY * 32 + picture.hotX)])
        << id << ": the hot spot lies on the figure";
    images.push_back(p.image);
  }
  SetCursorResourceProbe(nullptr);
  std::sort(images.begin(), images.end());
  EXPECT_EQ(std::unique(images.begin(), images.end()), images.end()) << "each its own picture";
}

TEST_F(LibraryContentsTest, RotationalConstraintCursorsShowWhetherTheConstraintIsLocked) {
  InstallCursorResourceProbe();
  int black[2] = {0, 0};
  std::vector<uint32_t> images[2];
  for (const uint16_t id : {uint16_t{13}, uint16_t{14}}) {
    EXPECT_NE(LoadCursor(GetResourceModule1(), id), nullptr) << id;
    const CursorPicture picture = ReadCursor(id);
    ASSERT_EQ(picture.pixels.width, 32) << id;
    // Cross hairs centred on the hot spot.
    EXPECT_EQ(picture.hotX, 7);
    EXPECT_EQ(picture.hotY, 7);
    const IconPixels& p = picture.pixels;
    for (size_t i = 0; i < p.image.size(); ++i)
      black[id - 13] += !p.mask[i] && p.image[i] == 0x000000 ? 1 : 0;
    EXPECT_FALSE(p.mask[7 * 32 + 2]) << id << ": the cross hairs are drawn";
    images[id - 13] = p.image;
  }
  SetCursorResourceProbe(nullptr);
  // The locked one carries the bar as well.
  EXPECT_GT(black[1], black[0] + 10);
  EXPECT_NE(images[0], images[1]);
}

TEST_F(LibraryContentsTest, WorldViewIconsAreDrawings) {
  for (const char* name : {"FrameOfReferenceIcon", "RotationCentreIcon"}) {
    HICON icon = LoadIcon(static_cast<HINSTANCE>(GetResourceModule1()), name);
    ASSERT_NE(icon, nullptr) << name;
    IconPixels p;
    ASSERT_TRUE(GetIconPixels(icon, &p));
    const auto opaque = std::count(p.mask.begin(), p.mask.end(), false);
    EXPECT_GT(opaque, 40) << name;
    EXPECT_LT(opaque, p.width * p.height * 3 / 4) << name;
  }
}

TEST_F(LibraryContentsTest, DefaultFontComesFromTheLibrary) {
  ResetDefaultFontSize();
  EXPECT_EQ(GetDefaultFontSize(), 9);  // the built-in fallback is 8
  Str255 face;
  FontNameFromNumber(DefaultFont().fontNumber, face);
  EXPECT_EQ(Text(face), "Sans Serif");
  LOGFONT logFont;
  FontSpecToLogFont(DefaultFont(), logFont);
  HFONT font = CreateFontIndirect(&logFont);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(ResolvedFontFamily(font).rfind("DejaVu", 0), 0u) << ResolvedFontFamily(font);
  DeleteObject(font);
  ResetDefaultFontSize();
}

// The 8 x 8 pixels of a bitmap, row by row, 1 where the pixel is not black.
std::vector<uint8_t> PatternRows(HBITMAP bitmap) {
  std::vector<uint8_t> rows(8, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if (GetPixel(dc, x, y) != RGB(0, 0, 0)) rows[y] |= static_cast<uint8_t>(0x80 >> x);
  SelectObject(dc, old);
  DeleteDC(dc);
  return rows;
}

TEST_F(LibraryContentsTest, PatternBitmapsEqualTheBuiltInPatterns) {
  std::vector<std::vector<uint8_t>> fromLibrary;
  for (int16_t i = 0; i < kPatternCount; ++i) {
    HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCEA(kFirstPatternBitmap + i));
    ASSERT_NE(bitmap, nullptr) << "pattern " << i;
    fromLibrary.push_back(PatternRows(bitmap));
    DeleteObject(bitmap);
  }
  // Without the libraries the port falls back to its built-in pictures.
  UnregisterResourceModule(kMainResourceLibrary);
  UnregisterResourceModule(kSecondResourceLibrary);
  UnregisterResourceModule(kErrorResourceLibrary);
  ASSERT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCEA(kFirstPatternBitmap)), nullptr);
  InitPortPatterns();
  for (int16_t i = 0; i < kPatternCount; ++i) {
    EXPECT_EQ(PatternRows(GetPatternBitmap(i)), fromLibrary[static_cast<size_t>(i)])
        << "pattern " << i;
  }
  EXPECT_EQ(fromLibrary[0], std::vector<uint8_t>(8, 0xFF));  // solid
  EXPECT_EQ(fromLibrary[5], std::vector<uint8_t>(8, 0x00));  // empty
}

TEST_F(LibraryContentsTest, ClassTableMapsEveryRegisteredWorldClass) {
  RegisterThingClasses();
  FreezeClassRegistry();
  const auto table = LoadFactTable();
  ASSERT_TRUE(table.has_value());
  std::set<uint32_t> mapped;
  const size_t entries = (table->size() - 2) / 6;
  ASSERT_EQ(table->size(), 2 + 6 * entries);
  for (size_t i = 0; i < entries; ++i) {
    int16_t code;
    std::memcpy(&code, table->data() + 2 + 6 * i, 2);
    const auto tag = LookupFactTable(*table, code);
    ASSERT_TRUE(tag.has_value());
    // Classes of the higher layers are checked where they are registered.
    if (ClassIdFromTag(*tag) == -1) continue;
    // Each class is made from its table entry.
    TLink* made = MapOldClassTag(*tag);
    EXPECT_NE(made, nullptr) << "code " << code;
    SafeDelete(made);
    mapped.insert(*tag);
  }
  for (uint32_t tag : RegisteredClassTags()) {
    TLink* object = MapOldClassTag(tag);
    if (object == nullptr) continue;  // not a world object: never stored
    SafeDelete(object);
    EXPECT_EQ(mapped.count(tag), 1u) << "class tag " << std::hex << tag;
  }
  // A stored thing starts with its colour block.
  EXPECT_EQ(LookupFactTable(*table, kBlockThingColour), TThing::kTag);
  FreeClassRegistry();
}

}  // namespace
