#include "resources/compiler/ScriptCompiler.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/win32/ResourceText.h"
#include "resources/compiler/IconFiles.h"

namespace rc {

static_assert(std::endian::native == std::endian::little,
              "resources hold host-order values written little-endian");

namespace {

// The largest string id: its block number, id / 16 + 1, is a 16-bit resource name.
constexpr int64_t kLastStringId = 0xFFFEF;

constexpr uint16_t kTypeCursor = 1;
constexpr uint16_t kTypeBitmap = 2;
constexpr uint16_t kTypeIcon = 3;
constexpr uint16_t kTypeMenu = 4;
constexpr uint16_t kTypeDialog = 5;
constexpr uint16_t kTypeString = 6;
constexpr uint16_t kTypeAccelerator = 9;
constexpr uint16_t kTypeRcData = 10;
constexpr uint16_t kTypeGroupCursor = 12;
constexpr uint16_t kTypeGroupIcon = 14;
constexpr uint16_t kTypeVersion = 16;
constexpr uint16_t kTypeToolBar = 241;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedInfoVersion = 0x00010000;
constexpr int kDeepestVersionBlock = 8;
constexpr size_t kBitmapFileHeaderSize = 14;
// Scripts and the files they include are small; anything larger is not one.
constexpr std::uintmax_t kLargestFile = 64u << 20;

// Menu item flags as menu templates store them.
constexpr uint16_t kMenuGrayed = 0x0001;
constexpr uint16_t kMenuInactive = 0x0002;
constexpr uint16_t kMenuChecked = 0x0008;
constexpr uint16_t kMenuPopup = 0x0010;
constexpr uint16_t kMenuBarBreak = 0x0020;
constexpr uint16_t kMenuBreak = 0x0040;
constexpr uint16_t kMenuEnd = 0x0080;
constexpr uint16_t kMenuHelp = 0x4000;
constexpr int kDeepestMenu = 16;

// Accelerator entry flags.
constexpr uint16_t kAccelVirtKey = 0x01;
constexpr uint16_t kAccelNoInvert = 0x02;
constexpr uint16_t kAccelShift = 0x04;
constexpr uint16_t kAccelControl = 0x08;
constexpr uint16_t kAccelAlt = 0x10;
constexpr uint16_t kAccelLast = 0x80;

// The virtual-key names an accelerator table may use.
const std::map<std::string, uint16_t>& VirtualKeys() {
  static const std::map<std::string, uint16_t> keys = [] {
    std::map<std::string, uint16_t> table = {
        {"VK_BACK", 0x08},     {"VK_TAB", 0x09},    {"VK_RETURN", 0x0D},   {"VK_ESCAPE", 0x1B},
        {"VK_SPACE", 0x20},    {"VK_PRIOR", 0x21},  {"VK_NEXT", 0x22},     {"VK_END", 0x23},
        {"VK_HOME", 0x24},     {"VK_LEFT", 0x25},   {"VK_UP", 0x26},       {"VK_RIGHT", 0x27},
        {"VK_DOWN", 0x28},     {"VK_INSERT", 0x2D}, {"VK_DELETE", 0x2E},   {"VK_HELP", 0x2F},
        {"VK_MULTIPLY", 0x6A}, {"VK_ADD", 0x6B},    {"VK_SUBTRACT", 0x6D}, {"VK_DECIMAL", 0x6E},
        {"VK_DIVIDE", 0x6F}};
    for (int i = 0; i < 10; ++i)
      table["VK_NUMPAD" + std::to_string(i)] = 0x60 + i;
    for (int i = 1; i <= 24; ++i)
      table["VK_F" + std::to_string(i)] = 0x6F + i;
    return table;
  }();
  return keys;
}

// The bytes of a regular file of at most kLargestFile bytes; otherwise problem says why not.
// Folders, devices, pipes and standard input are refused before anything is read from them, so
// the compiler neither waits for input nor grows without end.
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path, std::string& problem) {
  problem.clear();
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) {
    problem = error.message();
    return {};
  }
  if (!std::filesystem::is_regular_file(status)) {
    problem = std::filesystem::is_directory(status) ? "it is a folder" : "it is not a plain file";
    return {};
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) {
    problem = error.message();
    return {};
  }
  if (size > kLargestFile) {
    problem = "it is larger than " + std::to_string(kLargestFile >> 20) + " MB";
    return {};
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
    problem = "it cannot be opened or read";
  return bytes;
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = AsciiUpper(c);
  return result;
}

// Window, dialog and control styles by name, for the STYLE and EXSTYLE of dialogs and the
// styles of their controls.
const std::map<std::string, uint32_t>& StyleNames() {
  static const std::map<std::string, uint32_t> names = {// windows
                                                        {"WS_OVERLAPPED", 0x00000000},
                                                        {"WS_POPUP", 0x80000000},
                                                        {"WS_CHILD", 0x40000000},
                                                        {"WS_CHILDWINDOW", 0x40000000},
                                                        {"WS_MINIMIZE", 0x20000000},
                                                        {"WS_VISIBLE", 0x10000000},
                                                        {"WS_DISABLED", 0x08000000},
                                                        {"WS_CLIPSIBLINGS", 0x04000000},
                                                        {"WS_CLIPCHILDREN", 0x02000000},
                                                        {"WS_MAXIMIZE", 0x01000000},
                                                        {"WS_CAPTION", 0x00C00000},
                                                        {"WS_BORDER", 0x00800000},
                                                        {"WS_DLGFRAME", 0x00400000},
                                                        {"WS_VSCROLL", 0x00200000},
                                                        {"WS_HSCROLL", 0x00100000},
                                                        {"WS_SYSMENU", 0x00080000},
                                                        {"WS_THICKFRAME", 0x00040000},
                                                        {"WS_GROUP", 0x00020000},
                                                        {"WS_TABSTOP", 0x00010000},
                                                        {"WS_MINIMIZEBOX", 0x00020000},
                                                        {"WS_MAXIMIZEBOX", 0x00010000},
                                                        {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
                                                        {"WS_POPUPWINDOW", 0x80880000},
                                                        // extended window styles
                                                        {"WS_EX_DLGMODALFRAME", 0x0001},
                                                        {"WS_EX_NOPARENTNOTIFY", 0x0004},
                                                        {"WS_EX_TOPMOST", 0x0008},
                                                        {"WS_EX_ACCEPTFILES", 0x0010},
                                                        {"WS_EX_TRANSPARENT", 0x0020},
                                                        {"WS_EX_TOOLWINDOW", 0x0080},
                                                        {"WS_EX_WINDOWEDGE", 0x0100},
                                                        {"WS_EX_CLIENTEDGE", 0x0200},
                                                        {"WS_EX_CONTEXTHELP", 0x0400},
                                                        {"WS_EX_RIGHT", 0x1000},
                                                        {"WS_EX_CONTROLPARENT", 0x10000},
                                                        {"WS_EX_STATICEDGE", 0x20000},
                                                        // dialogs
                                                        {"DS_ABSALIGN", 0x0001},
                                                        {"DS_SYSMODAL", 0x0002},
                                                        {"DS_3DLOOK", 0x0004},
                                                        {"DS_FIXEDSYS", 0x0008},
                                                        {"DS_NOFAILCREATE", 0x0010},
                                                        {"DS_LOCALEDIT", 0x0020},
                                                        {"DS_SETFONT", 0x0040},
                                                        {"DS_MODALFRAME", 0x0080},
                                                        {"DS_NOIDLEMSG", 0x0100},
                                                        {"DS_SETFOREGROUND", 0x0200},
                                                        {"DS_CONTROL", 0x0400},
                                                        {"DS_CENTER", 0x0800},
                                                        {"DS_CENTERMOUSE", 0x1000},
                                                        {"DS_CONTEXTHELP", 0x2000},
                                                        // buttons
                                                        {"BS_PUSHBUTTON", 0x0},
                                                        {"BS_DEFPUSHBUTTON", 0x1},
                                                        {"BS_CHECKBOX", 0x2},
                                                        {"BS_AUTOCHECKBOX", 0x3},
                                                        {"BS_RADIOBUTTON", 0x4},
                                                        {"BS_3STATE", 0x5},
                                                        {"BS_AUTO3STATE", 0x6},
                                                        {"BS_GROUPBOX", 0x7},
                                                        {"BS_USERBUTTON", 0x8},
                                                        {"BS_AUTORADIOBUTTON", 0x9},
                                                        {"BS_OWNERDRAW", 0xB},
                                                        {"BS_LEFTTEXT", 0x20},
                                                        {"BS_TEXT", 0x0},
                                                        {"BS_ICON", 0x40},
                                                        {"BS_BITMAP", 0x80},
                                                        {"BS_LEFT", 0x100},
                                                        {"BS_RIGHT", 0x200},
                                                        {"BS_CENTER", 0x300},
                                                        {"BS_TOP", 0x400},
                                                        {"BS_BOTTOM", 0x800},
                                                        {"BS_VCENTER", 0xC00},
                                                        {"BS_PUSHLIKE", 0x1000},
                                                        {"BS_MULTILINE", 0x2000},
                                                        {"BS_NOTIFY", 0x4000},
                                                        {"BS_FLAT", 0x8000},
                                                        // edit fields
                                                        {"ES_LEFT", 0x0},
                                                        {"ES_CENTER", 0x1},
                                                        {"ES_RIGHT", 0x2},
                                                        {"ES_MULTILINE", 0x4},
                                                        {"ES_UPPERCASE", 0x8},
                                                        {"ES_LOWERCASE", 0x10},
                                                        {"ES_PASSWORD", 0x20},
                                                        {"ES_AUTOVSCROLL", 0x40},
                                                        {"ES_AUTOHSCROLL", 0x80},
                                                        {"ES_NOHIDESEL", 0x100},
                                                        {"ES_OEMCONVERT", 0x400},
                                                        {"ES_READONLY", 0x800},
                                                        {"ES_WANTRETURN", 0x1000},
                                                        {"ES_NUMBER", 0x2000},
                                                        // static controls
                                                        {"SS_LEFT", 0x0},
                                                        {"SS_CENTER", 0x1},
                                                        {"SS_RIGHT", 0x2},
                                                        {"SS_ICON", 0x3},
                                                        {"SS_BLACKRECT", 0x4},
                                                        {"SS_GRAYRECT", 0x5},
                                                        {"SS_WHITERECT", 0x6},
                                                        {"SS_BLACKFRAME", 0x7},
                                                        {"SS_GRAYFRAME", 0x8},
                                                        {"SS_WHITEFRAME", 0x9},
                                                        {"SS_SIMPLE", 0xB},
                                                        {"SS_LEFTNOWORDWRAP", 0xC},
                                                        {"SS_OWNERDRAW", 0xD},
                                                        {"SS_BITMAP", 0xE},
                                                        {"SS_ETCHEDHORZ", 0x10},
                                                        {"SS_ETCHEDVERT", 0x11},
                                                        {"SS_ETCHEDFRAME", 0x12},
                                                        {"SS_NOPREFIX", 0x80},
                                                        {"SS_NOTIFY", 0x100},
                                                        {"SS_CENTERIMAGE", 0x200},
                                                        {"SS_SUNKEN", 0x1000},
                                                        // list boxes
                                                        {"LBS_NOTIFY", 0x1},
                                                        {"LBS_SORT", 0x2},
                                                        {"LBS_NOREDRAW", 0x4},
                                                        {"LBS_MULTIPLESEL", 0x8},
                                                        {"LBS_OWNERDRAWFIXED", 0x10},
                                                        {"LBS_OWNERDRAWVARIABLE", 0x20},
                                                        {"LBS_HASSTRINGS", 0x40},
                                                        {"LBS_USETABSTOPS", 0x80},
                                                        {"LBS_NOINTEGRALHEIGHT", 0x100},
                                                        {"LBS_MULTICOLUMN", 0x200},
                                                        {"LBS_WANTKEYBOARDINPUT", 0x400},
                                                        {"LBS_EXTENDEDSEL", 0x800},
                                                        {"LBS_DISABLENOSCROLL", 0x1000},
                                                        {"LBS_NOSEL", 0x4000},
                                                        {"LBS_STANDARD", 0x00A00003},
                                                        // combo boxes
                                                        {"CBS_SIMPLE", 0x1},
                                                        {"CBS_DROPDOWN", 0x2},
                                                        {"CBS_DROPDOWNLIST", 0x3},
                                                        {"CBS_OWNERDRAWFIXED", 0x10},
                                                        {"CBS_OWNERDRAWVARIABLE", 0x20},
                                                        {"CBS_AUTOHSCROLL", 0x40},
                                                        {"CBS_OEMCONVERT", 0x80},
                                                        {"CBS_SORT", 0x100},
                                                        {"CBS_HASSTRINGS", 0x200},
                                                        {"CBS_NOINTEGRALHEIGHT", 0x400},
                                                        {"CBS_DISABLENOSCROLL", 0x800},
                                                        {"CBS_UPPERCASE", 0x2000},
                                                        {"CBS_LOWERCASE", 0x4000},
                                                        // scroll bars
                                                        {"SBS_HORZ", 0x0},
                                                        {"SBS_VERT", 0x1}};
  return names;
}

constexpr uint32_t kWsPopup = 0x80000000;
constexpr uint32_t kWsChild = 0x40000000;
constexpr uint32_t kWsVisible = 0x10000000;
constexpr uint32_t kWsCaption = 0x00C00000;
constexpr uint32_t kWsBorder = 0x00800000;
constexpr uint32_t kWsVScroll = 0x00200000;
constexpr uint32_t kWsSysMenu = 0x00080000;
constexpr uint32_t kWsGroup = 0x00020000;
constexpr uint32_t kWsTabStop = 0x00010000;
constexpr uint32_t kDsSetFont = 0x0040;

// The predefined control classes, stored as ordinals.
constexpr uint16_t kClassButton = 0x80;
constexpr uint16_t kClassEdit = 0x81;
constexpr uint16_t kClassStatic = 0x82;
constexpr uint16_t kClassListBox = 0x83;
constexpr uint16_t kClassScrollBar = 0x84;
constexpr uint16_t kClassComboBox = 0x85;

const std::map<std::string, uint16_t>& PredefinedClasses() {
  static const std::map<std::string, uint16_t> classes = {
      {"BUTTON", kClassButton},   {"EDIT", kClassEdit},           {"STATIC", kClassStatic},
      {"LISTBOX", kClassListBox}, {"SCROLLBAR", kClassScrollBar}, {"COMBOBOX", kClassComboBox}};
  return classes;
}

// The control statements of a dialog other than CONTROL: their class, default style (besides
// WS_CHILD | WS_VISIBLE) and whether a text comes before the id.
struct ControlKind {
  uint16_t classOrdinal;
  uint32_t style;
  bool hasText;
};

const std::map<std::string, ControlKind>& ControlKinds() {
  static const std::map<std::string, ControlKind> kinds = {
      {"LTEXT", {kClassStatic, 0x0 | kWsGroup, true}},
      {"CTEXT", {kClassStatic, 0x1 | kWsGroup, true}},
      {"RTEXT", {kClassStatic, 0x2 | kWsGroup, true}},
      {"ICON", {kClassStatic, 0x3, true}},
      {"PUSHBUTTON", {kClassButton, 0x0 | kWsTabStop, true}},
      {"DEFPUSHBUTTON", {kClassButton, 0x1 | kWsTabStop, true}},
      {"CHECKBOX", {kClassButton, 0x2 | kWsTabStop, true}},
      {"AUTOCHECKBOX", {kClassButton, 0x3 | kWsTabStop, true}},
      {"RADIOBUTTON", {kClassButton, 0x4 | kWsTabStop, true}},
      {"STATE3", {kClassButton, 0x5 | kWsTabStop, true}},
      {"AUTO3STATE", {kClassButton, 0x6 | kWsTabStop, true}},
      {"GROUPBOX", {kClassButton, 0x7, true}},
      {"AUTORADIOBUTTON", {kClassButton, 0x9 | kWsTabStop, true}},
      {"EDITTEXT", {kClassEdit, kWsBorder | kWsTabStop, false}},
      {"LISTBOX", {kClassListBox, 0x1 | kWsBorder | kWsVScroll, false}},
      {"COMBOBOX", {kClassComboBox, 0x1 | kWsTabStop, false}},
      {"SCROLLBAR", {kClassScrollBar, 0x0, false}}};
  return kinds;
}

bool IsMemoryOption(const std::string& word) {
  static const char* const kOptions[] = {"DISCARDABLE", "MOVEABLE", "FIXED",
                                         "PURE",        "IMPURE",   "PRELOAD",
                                         "LOADONCALL",  "SHARED",   "NONSHARED"};
  const std::string upper = Upper(word);
  return std::any_of(std::begin(kOptions), std::end(kOptions),
                     [&](const char* option) { return upper == option; });
}

// ---------------------------------------------------------------------------------------------
// Tokens

enum class TokenKind { kEnd, kNumber, kString, kWord, kComma, kOpen, kClose, kBar };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // the word, the number as written, or the string's bytes
  int line = 0;
};

class Lexer {
 public:
  Lexer(std::string_view text, std::string path) : text_(text), path_(std::move(path)) {}

  [[noreturn]] void Fail(int line, const std::string& message) const {
    throw ScriptError(path_ + ":" + std::to_string(line) + ": " + message);
  }

  const std::string& Path() const { return path_; }
  const std::map<std::string, std::string>& Defines() const { return defines_; }

  Token Next() {
    if (peeked_) {
      peeked_ = false;
      return peek_;
    }
    return Scan();
  }

  const Token& Peek() {
    if (!peeked_) {
      peek_ = Scan();
      peeked_ = true;
    }
    return peek_;
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Current() const { return text_[pos_]; }

  void SkipBlanksAndComments() {
    while (!AtEnd()) {
      const char c = Current();
      if (c == '\n') {
        ++line_;
        ++pos_;
        atLineStart_ = true;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "//") {
        while (!AtEnd() && Current() != '\n')
          ++pos_;
      } else if (text_.substr(pos_, 2) == "/*") {
        const int startLine = line_;
        pos_ += 2;
        while (!AtEnd() && text_.substr(pos_, 2) != "*/") {
          if (Current() == '\n') ++line_;
          ++pos_;
        }
        if (AtEnd()) Fail(startLine, "comment is not closed");
        pos_ += 2;
      } else if (c == '#' && atLineStart_) {
        Directive();
      } else {
        return;
      }
    }
  }

  // "#define NAME value" names a number for the rest of the script.
  void Directive() {
    const size_t end = std::min(text_.find('\n', pos_), text_.size());
    std::istringstream line(std::string(text_.substr(pos_ + 1, end - pos_ - 1)));
    std::string keyword, name, value, extra;
    line >> keyword >> name >> value >> extra;
    if (keyword != "define") Fail(line_, "unknown directive #" + keyword);
    if (name.empty() || value.empty() || !extra.empty()) {
      Fail(line_, "#define takes a name and one number");
    }
    if (defines_.count(name) != 0) Fail(line_, "#define " + name + " given twice");
    defines_[name] = value;
    pos_ = end;
  }

  Token Scan() {
    SkipBlanksAndComments();
    Token token;
    token.line = line_;
    if (AtEnd()) return token;
    atLineStart_ = false;
    const char c = Current();
    if (c == ',') return Single(token, TokenKind::kComma);
    if (c == '{') return Single(token, TokenKind::kOpen);
    if (c == '}') return Single(token, TokenKind::kClose);
    if (c == '|') return Single(token, TokenKind::kBar);
    if (c == '"') return String(token);
    if (c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9')) return Number(token);
    if (c == '_' || std::isalpha(static_cast<unsigned char>(c))) return Word(token);
    Fail(line_, std::string("unexpected character '") + c + "'");
  }

  Token Single(Token& token, TokenKind kind) {
    token.kind = kind;
    token.text = std::string(1, Current());
    ++pos_;
    return token;
  }

  Token Word(Token& token) {
    const size_t start = pos_;
    while (!AtEnd() && (Current() == '_' || std::isalnum(static_cast<unsigned char>(Current())))) {
      ++pos_;
    }
    token.kind = TokenKind::kWord;
    token.text = std::string(text_.substr(start, pos_ - start));
    if (token.text == "BEGIN") token.kind = TokenKind::kOpen;
    if (token.text == "END") token.kind = TokenKind::kClose;
    return token;
  }

  Token Number(Token& token) {
    const size_t start = pos_;
    ++pos_;
    while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(Current())) || Current() == '.' ||
                        Current() == '+' || Current() == '-')) {
      // A sign only continues a number after an exponent mark.
      if ((Current() == '+' || Current() == '-') && AsciiUpper(text_[pos_ - 1]) != 'E') break;
      ++pos_;
    }
    token.kind = TokenKind::kNumber;
    token.text = std::string(text_.substr(start, pos_ - start));
    return token;
  }

  // A quoted text. The script is UTF-8; each character becomes its single byte. \xHH gives
  // the byte HH itself.
  Token String(Token& token) {
    ++pos_;
    token.kind = TokenKind::kString;
    while (true) {
      if (AtEnd() || Current() == '\n') Fail(token.line, "text is not closed");
      const char c = Current();
      if (c == '"') {
        ++pos_;
        return token;
      }
      if (c == '\\') {
        token.text += Escape();
        continue;
      }
      token.text += static_cast<char>(Utf8Character());
    }
  }

  char Escape() {
    ++pos_;
    if (AtEnd()) Fail(line_, "text is not closed");
    const char c = Current();
    ++pos_;
    switch (c) {
      case 'n':
        return '\n';
      case 'r':
        return '\r';
      case 't':
        return '\t';
      case '0':
        return '\0';
      case '\\':
        return '\\';
      case '"':
        return '"';
      case 'x': {
        if (pos_ + 2 > text_.size() || !std::isxdigit(static_cast<unsigned char>(text_[pos_])) ||
            !std::isxdigit(static_cast<unsigned char>(text_[pos_ + 1]))) {
          Fail(line_, "\\x takes two hexadecimal digits");
        }
        const int value = std::stoi(std::string(text_.substr(pos_, 2)), nullptr, 16);
        pos_ += 2;
        return static_cast<char>(value);
      }
      default:
        Fail(line_, std::string("unknown escape \\") + c);
    }
  }

  uint8_t Utf8Character() {
    char32_t code = 0;
    size_t length = 0;
    if (!DecodeUtf8(text_, pos_, code, length)) Fail(line_, "the script is not valid UTF-8");
    pos_ += length;
    uint8_t byte = 0;
    if (!ResourceCharFromUnicode(code, byte)) {
      Fail(line_, "character U+" + Hex(code) + " has no single-byte form");
    }
    return byte;
  }

  static std::string Hex(char32_t code) {
    std::ostringstream out;
    out << std::hex << std::uppercase << static_cast<uint32_t>(code);
    return out.str();
  }

  std::string_view text_;
  std::string path_;
  size_t pos_ = 0;
  int line_ = 1;
  bool atLineStart_ = true;
  std::map<std::string, std::string> defines_;
  Token peek_;
  bool peeked_ = false;
};

// ---------------------------------------------------------------------------------------------
// Values

// How the values of a typed list are written.
enum class Encoding {
  kNone,
  kByte,
  kWord,
  kLong,
  kDouble,
  kBigWord,
  kBigLong,
  kBigDouble,
  kCountedString,
  kCString,
  kChars,
  kTag
};

const std::map<std::string, Encoding>& Encodings() {
  static const std::map<std::string, Encoding> encodings = {{"BYTE", Encoding::kByte},
                                                            {"WORD", Encoding::kWord},
                                                            {"LONG", Encoding::kLong},
                                                            {"DOUBLE", Encoding::kDouble},
                                                            {"BEWORD", Encoding::kBigWord},
                                                            {"BELONG", Encoding::kBigLong},
                                                            {"BEDOUBLE", Encoding::kBigDouble},
                                                            {"PSTRING", Encoding::kCountedString},
                                                            {"CSTRING", Encoding::kCString},
                                                            {"CHARS", Encoding::kChars},
                                                            {"TAG", Encoding::kTag}};
  return encodings;
}

bool IsTextEncoding(Encoding encoding) {
  return encoding == Encoding::kCountedString || encoding == Encoding::kCString ||
         encoding == Encoding::kChars || encoding == Encoding::kTag;
}

void Append(std::vector<uint8_t>& out, uint64_t value, int size, bool bigEndian) {
  for (int i = 0; i < size; ++i) {
    const int shift = 8 * (bigEndian ? size - 1 - i : i);
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

class Parser {
 public:
  Parser(Lexer& lexer, CompiledModule& module) : lexer_(lexer), module_(module) {}

  void Run() {
    while (lexer_.Peek().kind != TokenKind::kEnd)
      Statement();
  }

 private:
  [[noreturn]] void Fail(const Token& at, const std::string& message) {
    lexer_.Fail(at.line, message);
  }

  // Every quoted text taken this way ends up NUL-terminated (a menu item, a caption, a key) or
  // names a file, so a NUL inside it would cut it short.
  Token Expect(TokenKind kind, const char* what) {
    Token token = lexer_.Next();
    if (token.kind != kind) Fail(token, std::string("expected ") + what + Found(token));
    if (kind == TokenKind::kString) RefuseNul(token);
    return token;
  }

  void RefuseNul(const Token& token) {
    if (token.kind == TokenKind::kString && token.text.find('\0') != std::string::npos)
      Fail(token, "this text cannot hold \\0");
  }

  static std::string Found(const Token& token) {
    return token.kind == TokenKind::kEnd ? " at the end of the script"
                                         : ", found \"" + token.text + "\"";
  }

  // The value of a number token or of a #define'd word, within [low, high].
  int64_t Integer(const Token& token, int64_t low, int64_t high) {
    std::string text = token.text;
    if (token.kind == TokenKind::kWord) {
      const auto found = lexer_.Defines().find(token.text);
      if (found == lexer_.Defines().end()) Fail(token, "unknown name \"" + token.text + "\"");
      text = found->second;
    } else if (token.kind != TokenKind::kNumber) {
      Fail(token, "expected a number" + Found(token));
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
      Fail(token, "\"" + text + "\" is not an integer");
    }
    if (value < low || value > high) {
      Fail(token, text + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    }
    return value;
  }

  // A decimal number that a double holds: digits with an optional point, sign and exponent.
  // Texts that strtod would also take ("inf", "nan", hexadecimal) are refused, as is a number
  // too large for a double; one too small for it is 0 or the nearest subnormal.
  double Real(const Token& token) {
    if (token.kind != TokenKind::kNumber) Fail(token, "expected a number" + Found(token));
    const std::string& text = token.text;
    if (!IsDecimalNumber(text)) Fail(token, "\"" + text + "\" is not a number");
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) Fail(token, "\"" + text + "\" is not a number");
    if (!std::isfinite(value)) Fail(token, text + " is too large for a DOUBLE");
    return value;
  }

  static bool IsDecimalNumber(const std::string& text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
      ++digits;
    if (i < text.size() && text[i] == '.') {
      for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
      ++i;
      if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
      size_t exponent = 0;
      for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        ++exponent;
      if (exponent == 0) return false;
    }
    return i == text.size();
  }

  ResourceKey Key(const Token& token) {
    ResourceKey key;
    if (token.kind == TokenKind::kNumber ||
        (token.kind == TokenKind::kWord && lexer_.Defines().count(token.text) != 0)) {
      key.id = static_cast<uint16_t>(Integer(token, 0, 0xFFFF));
    } else if (token.kind == TokenKind::kWord || token.kind == TokenKind::kString) {
      if (token.text.empty()) Fail(token, "a name cannot be empty");
      RefuseNul(token);
      if (token.text[0] == '#') Fail(token, "a text name cannot start with '#'");
      key.text = token.text;
    } else {
      Fail(token, "expected a resource name" + Found(token));
    }
    return key;
  }

  void Statement() {
    const Token first = lexer_.Next();
    if (first.kind == TokenKind::kWord && first.text == "STRINGTABLE") return StringTable();
    const ResourceKey name = Key(first);
    const Token kind = lexer_.Next();
    if (kind.kind == TokenKind::kWord) {
      const std::string upper = Upper(kind.text);
      if (upper == "BITMAP") return Add(kind, ResourceKey{kTypeBitmap, {}}, name, Bitmap());
      if (upper == "RCDATA") return Add(kind, ResourceKey{kTypeRcData, {}}, name, Contents());
      if (upper == "MENU") return Add(kind, ResourceKey{kTypeMenu, {}}, name, Menu());
      if (upper == "ACCELERATORS") {
        return Add(kind, ResourceKey{kTypeAccelerator, {}}, name, Accelerators());
      }
      if (upper == "DIALOG") return Add(kind, ResourceKey{kTypeDialog, {}}, name, Dialog());
      if (upper == "TOOLBAR") return Add(kind, ResourceKey{kTypeToolBar, {}}, name, ToolBar());
      if (upper == "ICON" || upper == "CURSOR") return IconOrCursor(kind, name, upper == "CURSOR");
      if (upper == "VERSIONINFO") {
        return Add(kind, ResourceKey{kTypeVersion, {}}, name, VersionInfo());
      }
      if (upper == "MENUEX" || upper == "DIALOGEX") {
        Fail(kind, upper + " resources are not supported by this compiler yet");
      }
    }
    const ResourceKey type = Key(kind);
    Add(kind, type, name, Contents());
  }

  void Add(const Token& at, const ResourceKey& type, const ResourceKey& name,
           std::vector<uint8_t> bytes) {
    for (const CompiledResource& existing : module_.resources) {
      if (existing.type.SameAs(type) && existing.name.SameAs(name)) {
        Fail(at, "resource " + type.Describe() + " " + name.Describe() + " is defined twice");
      }
    }
    module_.resources.push_back({type, name, std::move(bytes)});
  }

  // Either a file name (its bytes as they are) or a block of typed values.
  std::vector<uint8_t> Contents() {
    if (lexer_.Peek().kind == TokenKind::kString) return ReadIncluded(Expect(TokenKind::kString, ""));
    Expect(TokenKind::kOpen, "BEGIN or a file name");
    std::vector<uint8_t> bytes;
    Encoding encoding = Encoding::kNone;
    while (true) {
      const Token token = lexer_.Next();
      if (token.kind == TokenKind::kClose) return bytes;
      if (token.kind == TokenKind::kEnd) Fail(token, "END is missing");
      if (token.kind == TokenKind::kComma) continue;
      if (token.kind == TokenKind::kWord) {
        const auto found = Encodings().find(Upper(token.text));
        if (found != Encodings().end()) {
          encoding = found->second;
          continue;
        }
      }
      if (encoding == Encoding::kNone) Fail(token, "a value needs a type first (WORD, ...)");
      Value(token, encoding, bytes);
    }
  }

  void Value(const Token& token, Encoding encoding, std::vector<uint8_t>& out) {
    if (IsTextEncoding(encoding) != (token.kind == TokenKind::kString)) {
      Fail(token, IsTextEncoding(encoding) ? "expected a quoted text" + Found(token)
                                           : "expected a number" + Found(token));
    }
    const std::string& text = token.text;
    switch (encoding) {
      case Encoding::kByte:
        return Append(out, static_cast<uint64_t>(Integer(token, -128, 255)), 1, false);
      case Encoding::kWord:
      case Encoding::kBigWord:
        return Append(out, static_cast<uint64_t>(Integer(token, -32768, 65535)), 2,
                      encoding == Encoding::kBigWord);
      case Encoding::kLong:
      case Encoding::kBigLong:
        return Append(out, static_cast<uint64_t>(Integer(token, INT32_MIN, UINT32_MAX)), 4,
                      encoding == Encoding::kBigLong);
      case Encoding::kDouble:
      case Encoding::kBigDouble:
        return Append(out, std::bit_cast<uint64_t>(Real(token)), 8,
                      encoding == Encoding::kBigDouble);
      case Encoding::kCountedString:
        if (text.size() > 255) Fail(token, "a counted string holds at most 255 characters");
        out.push_back(static_cast<uint8_t>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
        return;
      case Encoding::kCString:
        if (text.find('\0') != std::string::npos) Fail(token, "a C string cannot hold \\0");
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
        return;
      case Encoding::kTag:
        if (text.size() != 4) Fail(token, "a tag has exactly four characters");
        [[fallthrough]];
      case Encoding::kChars:
        out.insert(out.end(), text.begin(), text.end());
        return;
      case Encoding::kNone:
        break;
    }
  }

  std::vector<uint8_t> ReadIncluded(const Token& fileName) {
    if (fileName.text.empty()) Fail(fileName, "a file name cannot be empty");
    const std::filesystem::path base = std::filesystem::path(lexer_.Path()).parent_path();
    const std::filesystem::path path = base / fileName.text;
    std::string problem;
    std::vector<uint8_t> bytes = ReadWholeFile(path, problem);
    if (!problem.empty()) Fail(fileName, "cannot read \"" + path.string() + "\": " + problem);
    return bytes;
  }

  // A bitmap file without its 14-byte file header, as the bitmap calls expect.
  std::vector<uint8_t> Bitmap() {
    const Token fileName = Expect(TokenKind::kString, "the bitmap's file name");
    std::vector<uint8_t> bytes = ReadIncluded(fileName);
    if (bytes.size() < kBitmapFileHeaderSize + 40 || bytes[0] != 'B' || bytes[1] != 'M') {
      Fail(fileName, "\"" + fileName.text + "\" is not a bitmap file");
    }
    bytes.erase(bytes.begin(), bytes.begin() + kBitmapFileHeaderSize);
    return bytes;
  }

  // Options between a kind's keyword and BEGIN (language, memory flags) are accepted and
  // ignored: the program has one language and no memory classes.
  void SkipToBlock() {
    while (lexer_.Peek().kind != TokenKind::kOpen) {
      const Token option = lexer_.Next();
      if (option.kind == TokenKind::kEnd) Fail(option, "BEGIN is missing");
    }
    lexer_.Next();
  }

  // Words (and the commas between them) up to the next item, as menu flags.
  uint16_t MenuOptions() {
    static const std::map<std::string, uint16_t> kOptions = {
        {"GRAYED", kMenuGrayed},   {"INACTIVE", kMenuInactive},     {"CHECKED", kMenuChecked},
        {"MENUBREAK", kMenuBreak}, {"MENUBARBREAK", kMenuBarBreak}, {"HELP", kMenuHelp}};
    uint16_t flags = 0;
    while (true) {
      if (lexer_.Peek().kind == TokenKind::kComma) {
        lexer_.Next();
        continue;
      }
      if (lexer_.Peek().kind != TokenKind::kWord) return flags;
      const auto found = kOptions.find(Upper(lexer_.Peek().text));
      if (found == kOptions.end()) return flags;
      flags |= found->second;
      lexer_.Next();
    }
  }

  static void AppendUtf16(std::vector<uint8_t>& out, const std::string& text) {
    for (const char c : text)
      Append(out, ResourceCharToUnicode(static_cast<uint8_t>(c)), 2, false);
    Append(out, 0, 2, false);
  }

  // One level of a menu: items until END, the last one marked as the level's end.
  void MenuLevel(std::vector<uint8_t>& out, int depth) {
    if (depth > kDeepestMenu) Fail(lexer_.Peek(), "menus nest too deeply");
    size_t lastFlags = std::string::npos;
    while (true) {
      const Token token = lexer_.Next();
      if (token.kind == TokenKind::kClose) break;
      if (token.kind == TokenKind::kEnd) Fail(token, "END is missing");
      const std::string keyword = token.kind == TokenKind::kWord ? Upper(token.text) : "";
      lastFlags = out.size();
      if (keyword == "POPUP") {
        const Token text = Expect(TokenKind::kString, "the popup's text");
        Append(out, kMenuPopup | MenuOptions(), 2, false);
        AppendUtf16(out, text.text);
        Expect(TokenKind::kOpen, "BEGIN");
        MenuLevel(out, depth + 1);
      } else if (keyword == "MENUITEM") {
        if (lexer_.Peek().kind == TokenKind::kWord && Upper(lexer_.Peek().text) == "SEPARATOR") {
          lexer_.Next();
          Append(out, 0, 2, false);
          Append(out, 0, 2, false);
          AppendUtf16(out, "");
          continue;
        }
        const Token text = Expect(TokenKind::kString, "the item's text");
        if (lexer_.Peek().kind == TokenKind::kComma) lexer_.Next();
        const auto command = static_cast<uint16_t>(Integer(lexer_.Next(), 0, 0xFFFF));
        Append(out, MenuOptions(), 2, false);
        Append(out, command, 2, false);
        AppendUtf16(out, text.text);
      } else {
        Fail(token, "expected MENUITEM, POPUP or END" + Found(token));
      }
    }
    if (lastFlags == std::string::npos) Fail(lexer_.Peek(), "a menu level needs an item");
    out[lastFlags] |= kMenuEnd;
  }

  // A menu template: a header of two zero words, then the items of the bar.
  std::vector<uint8_t> Menu() {
    SkipToBlock();
    std::vector<uint8_t> bytes = {0, 0, 0, 0};
    MenuLevel(bytes, 0);
    return bytes;
  }

  // Entries of 8 bytes: flags, key, command and a zero word; the last entry's flags carry 0x80.
  // A tool bar: "TOOLBAR width, height" and a block of "BUTTON command" and "SEPARATOR" items;
  // stored as version 1, the image width and height, the item count and the commands (0 for a
  // separator), 16-bit each. Its images are the bitmap of the same number.
  std::vector<uint8_t> ToolBar() {
    const Token widthToken = lexer_.Next();
    const auto width = static_cast<uint16_t>(Integer(widthToken, 1, 0x7FFF));
    Expect(TokenKind::kComma, "a comma between the width and the height");
    const auto height = static_cast<uint16_t>(Integer(lexer_.Next(), 1, 0x7FFF));
    SkipToBlock();
    std::vector<uint16_t> items;
    while (true) {
      const Token item = lexer_.Next();
      if (item.kind == TokenKind::kClose) break;
      if (item.kind == TokenKind::kEnd) Fail(item, "END is missing");
      const std::string upper = item.kind == TokenKind::kWord ? Upper(item.text) : std::string();
      if (upper == "SEPARATOR") {
        items.push_back(0);
      } else if (upper == "BUTTON") {
        items.push_back(static_cast<uint16_t>(Integer(lexer_.Next(), 1, 0xFFFF)));
      } else {
        Fail(item, "a tool bar holds BUTTON and SEPARATOR items");
      }
    }
    if (items.empty()) Fail(widthToken, "a tool bar needs an item");
    std::vector<uint8_t> bytes;
    for (const uint16_t word : {uint16_t{1}, width, height, static_cast<uint16_t>(items.size())})
      Append(bytes, word, 2, false);
    for (const uint16_t command : items)
      Append(bytes, command, 2, false);
    return bytes;
  }

  std::vector<uint8_t> Accelerators() {
    SkipToBlock();
    std::vector<uint8_t> bytes;
    while (true) {
      const Token event = lexer_.Next();
      if (event.kind == TokenKind::kClose) break;
      if (event.kind == TokenKind::kEnd) Fail(event, "END is missing");
      if (lexer_.Peek().kind == TokenKind::kComma) lexer_.Next();
      const auto command = static_cast<uint16_t>(Integer(lexer_.Next(), 0, 0xFFFF));
      uint16_t flags = 0;
      bool ascii = false;
      while (lexer_.Peek().kind == TokenKind::kComma) {
        lexer_.Next();
        const Token option = Expect(TokenKind::kWord, "an accelerator option");
        const std::string upper = Upper(option.text);
        if (upper == "VIRTKEY")
          flags |= kAccelVirtKey;
        else if (upper == "ASCII")
          ascii = true;
        else if (upper == "NOINVERT")
          flags |= kAccelNoInvert;
        else if (upper == "SHIFT")
          flags |= kAccelShift;
        else if (upper == "CONTROL")
          flags |= kAccelControl;
        else if (upper == "ALT")
          flags |= kAccelAlt;
        else
          Fail(option, "unknown accelerator option " + option.text);
      }
      if (ascii && (flags & kAccelVirtKey)) Fail(event, "an accelerator is ASCII or VIRTKEY");
      Append(bytes, flags, 2, false);
      Append(bytes, AcceleratorKey(event, (flags & kAccelVirtKey) != 0), 2, false);
      Append(bytes, command, 2, false);
      Append(bytes, 0, 2, false);
    }
    if (bytes.empty()) Fail(lexer_.Peek(), "an accelerator table needs an entry");
    bytes[bytes.size() - 8] |= kAccelLast;
    return bytes;
  }

  // "c" (a character; a virtual key is its upper-case letter), "^c" (the control character),
  // a number, or a virtual-key name.
  uint16_t AcceleratorKey(const Token& event, bool virtualKey) {
    if (event.kind == TokenKind::kString) {
      const std::string& text = event.text;
      if (text.size() == 2 && text[0] == '^' && std::isalpha(static_cast<uint8_t>(text[1]))) {
        if (virtualKey) Fail(event, "a control character is not a virtual key");
        return static_cast<uint16_t>(AsciiUpper(text[1]) & 0x1F);
      }
      if (text.size() != 1) Fail(event, "an accelerator key is one character or ^ and a letter");
      const auto c = static_cast<uint8_t>(text[0]);
      return virtualKey ? static_cast<uint8_t>(AsciiUpper(static_cast<char>(c))) : c;
    }
    if (event.kind == TokenKind::kWord && lexer_.Defines().count(event.text) == 0) {
      const auto found = VirtualKeys().find(Upper(event.text));
      if (found == VirtualKeys().end()) Fail(event, "unknown key \"" + event.text + "\"");
      if (!virtualKey) Fail(event, event.text + " needs VIRTKEY");
      return found->second;
    }
    return static_cast<uint16_t>(Integer(event, 0, 0xFFFF));
  }

  // The memory options some kinds accept after their keyword mean nothing here.
  void SkipMemoryOptions() {
    while (lexer_.Peek().kind == TokenKind::kWord && IsMemoryOption(lexer_.Peek().text))
      lexer_.Next();
  }

  void SkipComma() {
    if (lexer_.Peek().kind == TokenKind::kComma) lexer_.Next();
  }

  // A coordinate or size in dialog units; a comma before it is optional.
  uint16_t Coordinate() {
    SkipComma();
    return static_cast<uint16_t>(Integer(lexer_.Next(), -32768, 32767));
  }

  // Terms joined by "|", each a number, a style name or a #define'd name, or NOT and one of
  // these: a plain term sets its bits in value, a NOT term clears them.
  uint32_t Style(uint32_t value) {
    while (true) {
      bool clear = false;
      if (lexer_.Peek().kind == TokenKind::kWord && Upper(lexer_.Peek().text) == "NOT") {
        lexer_.Next();
        clear = true;
      }
      const Token term = lexer_.Next();
      uint32_t bits = 0;
      if (term.kind == TokenKind::kWord && lexer_.Defines().count(term.text) == 0) {
        const auto found = StyleNames().find(Upper(term.text));
        if (found == StyleNames().end()) Fail(term, "unknown style \"" + term.text + "\"");
        bits = found->second;
      } else {
        bits = static_cast<uint32_t>(Integer(term, INT32_MIN, UINT32_MAX));
      }
      value = clear ? value & ~bits : value | bits;
      if (lexer_.Peek().kind != TokenKind::kBar) return value;
      lexer_.Next();
    }
  }

  // A name that is stored as 0xFFFF and an ordinal, or as a NUL-terminated UTF-16 text (an
  // empty text is a single 0 word).
  struct NameOrOrdinal {
    bool ordinal = false;
    uint16_t id = 0;
    std::string text;
  };

  static void AppendNameOrOrdinal(std::vector<uint8_t>& out, const NameOrOrdinal& name) {
    if (!name.ordinal) return AppendUtf16(out, name.text);
    Append(out, 0xFFFF, 2, false);
    Append(out, name.id, 2, false);
  }

  static NameOrOrdinal FromKey(const ResourceKey& key) {
    return key.IsText() ? NameOrOrdinal{false, 0, key.text} : NameOrOrdinal{true, key.id, {}};
  }

  // A control's text: a quoted text, or a number naming a resource (an icon's or a bitmap's).
  NameOrOrdinal ControlText(bool numberAllowed) {
    const Token token = lexer_.Next();
    if (token.kind == TokenKind::kString) {
      RefuseNul(token);
      return NameOrOrdinal{false, 0, token.text};
    }
    if (!numberAllowed) Fail(token, "expected the control's text" + Found(token));
    return NameOrOrdinal{true, static_cast<uint16_t>(Integer(token, 0, 0xFFFF)), {}};
  }

  // One control record, aligned to four bytes from the start of the template: style, extended
  // style, x, y, cx, cy, id, class, text, and an empty creation-data size.
  void Control(std::vector<uint8_t>& out, const Token& keyword) {
    const std::string upper = Upper(keyword.text);
    NameOrOrdinal text;  // an empty text
    NameOrOrdinal windowClass;
    uint32_t style = kWsChild | kWsVisible;
    if (upper == "CONTROL") {
      text = ControlText(true);
      SkipComma();
      const auto id = static_cast<uint16_t>(Integer(lexer_.Next(), -32768, 65535));
      SkipComma();
      const Token classToken = lexer_.Next();
      if (classToken.kind != TokenKind::kString && classToken.kind != TokenKind::kWord) {
        Fail(classToken, "expected the control's class" + Found(classToken));
      }
      const auto predefined = PredefinedClasses().find(Upper(classToken.text));
      if (predefined != PredefinedClasses().end()) {
        windowClass = NameOrOrdinal{true, predefined->second, {}};
      } else if (classToken.text.empty()) {
        Fail(classToken, "a control's class cannot be empty");
      } else {
        windowClass.text = classToken.text;
      }
      SkipComma();
      style = Style(style);
      return ControlRecord(out, style, text, id, windowClass, true);
    }
    const auto kind = ControlKinds().find(upper);
    if (kind == ControlKinds().end()) {
      Fail(keyword, "expected a control or END" + Found(keyword));
    }
    if (kind->second.hasText) {
      text = ControlText(upper == "ICON");
      SkipComma();
    }
    const auto id = static_cast<uint16_t>(Integer(lexer_.Next(), -32768, 65535));
    windowClass = NameOrOrdinal{true, kind->second.classOrdinal, {}};
    ControlRecord(out, style | kind->second.style, text, id, windowClass, false);
  }

  // The position and size that end every control statement, then ", style" (unless the
  // statement gave the style before them) and ", extended style", both optional; then the
  // record.
  void ControlRecord(std::vector<uint8_t>& out, uint32_t style, const NameOrOrdinal& text,
                     uint16_t id, const NameOrOrdinal& windowClass, bool styleGiven) {
    uint16_t box[4];
    for (uint16_t& value : box)
      value = Coordinate();
    uint32_t exStyle = 0;
    if (lexer_.Peek().kind == TokenKind::kComma) {
      lexer_.Next();
      if (styleGiven) {
        exStyle = Style(0);
      } else {
        style = Style(style);
      }
      if (!styleGiven && lexer_.Peek().kind == TokenKind::kComma) {
        lexer_.Next();
        exStyle = Style(0);
      }
    }
    out.resize((out.size() + 3) & ~size_t{3}, 0);
    Append(out, style, 4, false);
    Append(out, exStyle, 4, false);
    for (const uint16_t value : box)
      Append(out, value, 2, false);
    Append(out, id, 2, false);
    AppendNameOrOrdinal(out, windowClass);
    AppendNameOrOrdinal(out, text);
    Append(out, 0, 2, false);
  }

  // name DIALOG [memory options] x, y, cx, cy, then the dialog's statements (STYLE, EXSTYLE,
  // CAPTION, FONT, MENU, CLASS), then its controls between BEGIN and END. Stored as a dialog
  // template: style, extended style, control count, x, y, cx, cy, menu, class, title, the font
  // when the style has DS_SETFONT, then the controls' records.
  std::vector<uint8_t> Dialog() {
    SkipMemoryOptions();
    uint16_t box[4];
    for (uint16_t& value : box)
      value = Coordinate();
    uint32_t style = kWsPopup | kWsBorder | kWsSysMenu;
    uint32_t exStyle = 0;
    std::string caption;
    bool hasCaption = false;
    bool hasFont = false;
    uint16_t pointSize = 0;
    std::string face;
    ResourceKey menu;
    ResourceKey windowClass;
    bool hasMenu = false;
    bool hasClass = false;
    while (lexer_.Peek().kind != TokenKind::kOpen) {
      const Token statement = lexer_.Next();
      const std::string upper = statement.kind == TokenKind::kWord ? Upper(statement.text) : "";
      if (upper == "STYLE") {
        style = Style(0);
      } else if (upper == "EXSTYLE") {
        exStyle = Style(0);
      } else if (upper == "CAPTION") {
        caption = Expect(TokenKind::kString, "the caption").text;
        hasCaption = true;
      } else if (upper == "FONT") {
        pointSize = static_cast<uint16_t>(Integer(lexer_.Next(), 1, 0xFFFF));
        SkipComma();
        face = Expect(TokenKind::kString, "the font's name").text;
        if (face.empty()) Fail(statement, "a dialog's font needs a name");
        hasFont = true;
      } else if (upper == "MENU") {
        menu = Key(lexer_.Next());
        hasMenu = true;
      } else if (upper == "CLASS") {
        windowClass = Key(lexer_.Next());
        hasClass = true;
      } else if (upper == "LANGUAGE") {
        Integer(lexer_.Next(), 0, 0xFFFF);
        SkipComma();
        Integer(lexer_.Next(), 0, 0xFFFF);
      } else if (upper == "CHARACTERISTICS" || upper == "VERSION") {
        Integer(lexer_.Next(), INT32_MIN, UINT32_MAX);
      } else {
        Fail(statement, "expected a dialog statement or BEGIN" + Found(statement));
      }
    }
    lexer_.Next();
    if (hasCaption) style |= kWsCaption;
    if (hasFont) style |= kDsSetFont;
    if ((style & kDsSetFont) && !hasFont) Fail(lexer_.Peek(), "DS_SETFONT needs a FONT statement");

    uint32_t count = 0;
    // The controls are aligned from the start of the template, so the header goes first.
    std::vector<uint8_t> out;
    Append(out, style, 4, false);
    Append(out, exStyle, 4, false);
    const size_t countAt = out.size();
    Append(out, 0, 2, false);
    for (const uint16_t value : box)
      Append(out, value, 2, false);
    // No menu and the standard dialog class are each a single 0 word.
    AppendNameOrOrdinal(out, hasMenu ? FromKey(menu) : NameOrOrdinal{});
    AppendNameOrOrdinal(out, hasClass ? FromKey(windowClass) : NameOrOrdinal{});
    AppendUtf16(out, caption);
    if (hasFont) {
      Append(out, pointSize, 2, false);
      AppendUtf16(out, face);
    }
    while (true) {
      const Token token = lexer_.Next();
      if (token.kind == TokenKind::kClose) break;
      if (token.kind != TokenKind::kWord) {
        Fail(token, token.kind == TokenKind::kEnd ? "END is missing"
                                                  : "expected a control or END" + Found(token));
      }
      if (++count > 0xFFFF) Fail(token, "a dialog holds at most 65535 controls");
      Control(out, token);
    }
    out[countAt] = static_cast<uint8_t>(count);
    out[countAt + 1] = static_cast<uint8_t>(count >> 8);
    return out;
  }

  // The highest integer name of a type in the module so far, 0 when there is none.
  uint16_t HighestId(uint16_t type) const {
    uint16_t highest = 0;
    for (const CompiledResource& resource : module_.resources) {
      if (!resource.type.IsText() && resource.type.id == type && !resource.name.IsText())
        highest = std::max(highest, resource.name.id);
    }
    return highest;
  }

  // name ICON "file.ico" or name CURSOR "file.cur": the group under the name, and each image
  // under the next free integer name of its type.
  void IconOrCursor(const Token& at, const ResourceKey& name, bool cursor) {
    SkipMemoryOptions();
    const Token fileName =
        Expect(TokenKind::kString, cursor ? "the cursor's file name" : "the icon's file name");
    std::vector<IconImage> images;
    try {
      images = ReadIconFile(ReadIncluded(fileName), cursor);
    } catch (const IconFileError& error) {
      Fail(fileName, "\"" + fileName.text + "\": " + error.what());
    }
    const uint16_t imageType = cursor ? kTypeCursor : kTypeIcon;
    const uint32_t first = HighestId(imageType) + 1u;
    if (first + images.size() - 1 > 0xFFFF) Fail(at, "too many images of this kind");
    std::vector<uint16_t> ids;
    for (size_t i = 0; i < images.size(); ++i)
      ids.push_back(static_cast<uint16_t>(first + i));
    Add(at, ResourceKey{cursor ? kTypeGroupCursor : kTypeGroupIcon, {}}, name,
        IconGroupResource(images, ids, cursor));
    for (size_t i = 0; i < images.size(); ++i) {
      Add(at, ResourceKey{imageType, {}}, ResourceKey{ids[i], {}},
          IconImageResource(images[i], cursor));
    }
  }

  // Numbers and #define'd names joined by "|".
  uint32_t Flags() {
    uint32_t value = static_cast<uint32_t>(Integer(lexer_.Next(), INT32_MIN, UINT32_MAX));
    while (lexer_.Peek().kind == TokenKind::kBar) {
      lexer_.Next();
      value |= static_cast<uint32_t>(Integer(lexer_.Next(), INT32_MIN, UINT32_MAX));
    }
    return value;
  }

  // "a, b, c, d" (missing parts are 0) as the two 32-bit halves a << 16 | b and c << 16 | d.
  void VersionNumber(uint32_t& high, uint32_t& low) {
    uint32_t parts[4] = {0, 0, 0, 0};
    parts[0] = static_cast<uint32_t>(Integer(lexer_.Next(), 0, 0xFFFF));
    for (int i = 1; i < 4 && lexer_.Peek().kind == TokenKind::kComma; ++i) {
      lexer_.Next();
      parts[i] = static_cast<uint32_t>(Integer(lexer_.Next(), 0, 0xFFFF));
    }
    high = parts[0] << 16 | parts[1];
    low = parts[2] << 16 | parts[3];
  }

  // One node of a version block: its length (16 bits, the node and its children, without
  // padding after them), the value's length (in characters with the NUL for a text, in bytes
  // otherwise), its kind (1 text, 0 binary), its key as NUL-terminated UTF-16, zero bytes to a
  // multiple of four, the value, then each child at a multiple of four. Every node starts at a
  // multiple of four from the start of the block, so padding counted from the node's own start
  // is the same.
  std::vector<uint8_t> VersionNode(const Token& at, const std::string& key,
                                   const std::vector<uint8_t>& value, uint16_t valueLength,
                                   bool text, const std::vector<std::vector<uint8_t>>& children) {
    std::vector<uint8_t> out;
    Append(out, 0, 2, false);
    Append(out, valueLength, 2, false);
    Append(out, text ? 1 : 0, 2, false);
    AppendUtf16(out, key);
    out.resize((out.size() + 3) & ~size_t{3}, 0);
    out.insert(out.end(), value.begin(), value.end());
    for (const std::vector<uint8_t>& child : children) {
      out.resize((out.size() + 3) & ~size_t{3}, 0);
      out.insert(out.end(), child.begin(), child.end());
    }
    if (out.size() > 0xFFFF) Fail(at, "the version block \"" + key + "\" exceeds 65535 bytes");
    out[0] = static_cast<uint8_t>(out.size());
    out[1] = static_cast<uint8_t>(out.size() >> 8);
    return out;
  }

  // BLOCK "key" BEGIN ... END and VALUE "key"[, "text" | , number, number ...] until END.
  std::vector<std::vector<uint8_t>> VersionChildren(int depth) {
    if (depth > kDeepestVersionBlock) Fail(lexer_.Peek(), "version blocks nest too deeply");
    std::vector<std::vector<uint8_t>> children;
    while (true) {
      const Token token = lexer_.Next();
      if (token.kind == TokenKind::kClose) return children;
      if (token.kind == TokenKind::kEnd) Fail(token, "END is missing");
      const std::string keyword = token.kind == TokenKind::kWord ? Upper(token.text) : "";
      if (keyword != "BLOCK" && keyword != "VALUE") {
        Fail(token, "expected BLOCK, VALUE or END" + Found(token));
      }
      const Token key = Expect(TokenKind::kString, "the key");
      if (key.text.empty()) Fail(key, "a key cannot be empty");
      if (keyword == "BLOCK") {
        Expect(TokenKind::kOpen, "BEGIN");
        children.push_back(VersionNode(key, key.text, {}, 0, true, VersionChildren(depth + 1)));
        continue;
      }
      // No value, one text, or 16-bit numbers.
      std::vector<uint8_t> value;
      bool text = true;
      uint16_t valueLength = 0;
      if (lexer_.Peek().kind == TokenKind::kComma) {
        lexer_.Next();
        Token item = lexer_.Next();
        if (item.kind == TokenKind::kString) {
          RefuseNul(item);
          AppendUtf16(value, item.text);
          valueLength = static_cast<uint16_t>(value.size() / 2);
          if (lexer_.Peek().kind == TokenKind::kComma) Fail(item, "a text value stands alone");
        } else {
          text = false;
          while (true) {
            Append(value, static_cast<uint64_t>(Integer(item, -32768, 65535)), 2, false);
            if (lexer_.Peek().kind != TokenKind::kComma) break;
            lexer_.Next();
            item = lexer_.Next();
          }
          valueLength = static_cast<uint16_t>(value.size());
        }
      }
      children.push_back(VersionNode(key, key.text, value, valueLength, text, {}));
    }
  }

  // name VERSIONINFO, the fixed statements (FILEVERSION, PRODUCTVERSION, FILEFLAGSMASK,
  // FILEFLAGS, FILEOS, FILETYPE, FILESUBTYPE), then the blocks. Stored as type 16: a root node
  // "VS_VERSION_INFO" whose binary value is the 52-byte fixed part (signature, structure
  // version, file version high and low, product version high and low, flags mask, flags, OS,
  // type, subtype, and a file date of 0), with the blocks as its children.
  std::vector<uint8_t> VersionInfo() {
    SkipMemoryOptions();
    uint32_t fixed[13] = {kFixedInfoSignature, kFixedInfoVersion};
    while (lexer_.Peek().kind != TokenKind::kOpen) {
      const Token statement = lexer_.Next();
      const std::string upper = statement.kind == TokenKind::kWord ? Upper(statement.text) : "";
      if (upper == "FILEVERSION") {
        VersionNumber(fixed[2], fixed[3]);
      } else if (upper == "PRODUCTVERSION") {
        VersionNumber(fixed[4], fixed[5]);
      } else if (upper == "FILEFLAGSMASK") {
        fixed[6] = Flags();
      } else if (upper == "FILEFLAGS") {
        fixed[7] = Flags();
      } else if (upper == "FILEOS") {
        fixed[8] = Flags();
      } else if (upper == "FILETYPE") {
        fixed[9] = Flags();
      } else if (upper == "FILESUBTYPE") {
        fixed[10] = Flags();
      } else {
        Fail(statement, "expected a version statement or BEGIN" + Found(statement));
      }
    }
    const Token open = lexer_.Next();
    std::vector<uint8_t> value;
    for (const uint32_t field : fixed)
      Append(value, field, 4, false);
    return VersionNode(open, "VS_VERSION_INFO", value, static_cast<uint16_t>(value.size()), false,
                       VersionChildren(1));
  }

  void StringTable() {
    SkipToBlock();
    while (true) {
      const Token token = lexer_.Next();
      if (token.kind == TokenKind::kClose) return;
      if (token.kind == TokenKind::kEnd) Fail(token, "END is missing");
      const auto id = static_cast<uint32_t>(Integer(token, 0, kLastStringId));
      if (lexer_.Peek().kind == TokenKind::kComma) lexer_.Next();
      const Token text = Expect(TokenKind::kString, "the string's text");
      if (text.text.size() > 0xFFFF) Fail(text, "a string holds at most 65535 characters");
      if (!module_.strings.emplace(id, text.text).second) {
        Fail(token, "string " + std::to_string(id) + " is defined twice");
      }
    }
  }

  Lexer& lexer_;
  CompiledModule& module_;
};

// ---------------------------------------------------------------------------------------------
// Output

std::string CText(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<uint8_t>(c);
    if (std::isalnum(byte) || c == ' ' || c == '_' || c == '.') {
      out += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", byte);
      out += escape;
    }
  }
  return out + "\"";
}

}  // namespace

bool ResourceKey::SameAs(const ResourceKey& other) const {
  if (IsText() != other.IsText()) return false;
  if (!IsText()) return id == other.id;
  return Upper(text) == Upper(other.text);
}

std::string ResourceKey::Describe() const {
  return IsText() ? "\"" + text + "\"" : std::to_string(id);
}

void CompileScript(std::string_view text, const std::string& path, CompiledModule& module) {
  Lexer lexer(text, path);
  Parser(lexer, module).Run();
}

void CompileScriptFile(const std::string& path, CompiledModule& module) {
  std::string problem;
  const std::vector<uint8_t> bytes = ReadWholeFile(path, problem);
  if (!problem.empty()) throw ScriptError(path + ": cannot read the script: " + problem);
  CompileScript(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path,
                module);
}

void FinishModule(CompiledModule& module) {
  std::map<uint16_t, std::vector<uint8_t>> blocks;
  for (const auto& [id, text] : module.strings) {
    const uint16_t block = static_cast<uint16_t>(id / 16 + 1);
    if (blocks.count(block) != 0) continue;
    std::vector<uint8_t>& bytes = blocks[block];
    for (uint32_t slot = 0; slot < 16; ++slot) {
      const auto found = module.strings.find(uint32_t{block - 1u} * 16 + slot);
      const std::string entry = found != module.strings.end() ? found->second : std::string();
      Append(bytes, entry.size(), 2, false);
      for (const char c : entry) {
        Append(bytes, ResourceCharToUnicode(static_cast<uint8_t>(c)), 2, false);
      }
    }
  }
  for (auto& [block, bytes] : blocks) {
    const ResourceKey type{kTypeString, {}};
    const ResourceKey name{block, {}};
    for (const CompiledResource& existing : module.resources) {
      if (existing.type.SameAs(type) && existing.name.SameAs(name)) {
        throw ScriptError(module.fileName + ": string block " + std::to_string(block) +
                          " is also defined as a resource");
      }
    }
    module.resources.push_back({type, name, std::move(bytes)});
  }
  module.strings.clear();
}

std::string GenerateTableSource(const std::vector<CompiledModule>& modules,
                                const std::string& symbol) {
  std::ostringstream out;
  out << "// Generated by the resource compiler from the resource scripts; do not edit.\n"
      << "#include <cstdint>\n\n#include \"platform/win32/Resource.h\"\n\nnamespace {\n\n";
  for (size_t m = 0; m < modules.size(); ++m) {
    const CompiledModule& module = modules[m];
    for (size_t r = 0; r < module.resources.size(); ++r) {
      const std::vector<uint8_t>& bytes = module.resources[r].bytes;
      if (bytes.empty()) continue;
      out << "const uint8_t kData" << m << "_" << r << "[] = {";
      for (size_t i = 0; i < bytes.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << static_cast<int>(bytes[i]) << ",";
      }
      out << "};\n";
    }
    out << "const ResourceEntry kEntries" << m << "[] = {\n";
    for (size_t r = 0; r < module.resources.size(); ++r) {
      const CompiledResource& resource = module.resources[r];
      out << "    {" << (resource.type.IsText() ? CText(resource.type.text) : "nullptr") << ", "
          << resource.type.id << ", "
          << (resource.name.IsText() ? CText(resource.name.text) : "nullptr") << ", "
          << resource.name.id << ", ";
      if (resource.bytes.empty()) {
        out << "nullptr, 0},\n";
      } else {
        out << "kData" << m << "_" << r << ", " << resource.bytes.size() << "},\n";
      }
    }
    if (module.resources.empty()) out << "    {nullptr, 0, nullptr, 0, nullptr, 0},\n";
    out << "};\n\n";
  }
  out << "const ResourceModuleTable kModules[] = {\n";
  for (size_t m = 0; m < modules.size(); ++m) {
    out << "    {" << CText(modules[m].fileName) << ", kEntries" << m << ", "
        << modules[m].resources.size() << "},\n";
  }
  if (modules.empty()) out << "    {\"\", nullptr, 0},\n";
  out << "};\n\n}  // namespace\n\n"
      << "const ResourceModuleTable* " << symbol << "(uint32_t& count) {\n"
      << "  count = " << modules.size() << ";\n  return kModules;\n}\n";
  return out.str();
}

}  // namespace rc
