#include "core/port/PortText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/Handle.h"
#include "core/Resources.h"
#include "core/Tag.h"

namespace {

// The face used when the default-font resource is missing.
constexpr const char* kFallbackFace = "Sans Serif";
constexpr int16_t kFallbackSize = 8;

struct TextGlobals {
  std::vector<std::string> faces;
  // Faces below this count are kept whatever a read does; open counts unfinished reads.
  size_t keptFaces = 0;
  int32_t openTransactions = 0;
  std::array<FontCacheRow, kFontCacheRows> rows{};
  uint16_t lookups = 1;
  int32_t created = 0;
  FontSpec defaultFont;
  FontSpec bigFont;
  int16_t defaultSize = -1;
  PortSettings* settings = nullptr;
};

TextGlobals& T() {
  static TextGlobals globals;
  return globals;
}

HFONT StockFont() {
  return static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

void EmptyRow(FontCacheRow& row) {
  row = FontCacheRow{FontSpec{}, StockFont(), 0, 0};
}

HFONT MakeFont(const FontSpec& spec) {
  LOGFONT log;
  FontSpecToLogFont(spec, log);
  HFONT font = CreateFontIndirect(&log);
  if (font) ++T().created;
  return font;
}

std::string Setting(const char* section, const char* key, const std::string& fallback) {
  PortSettings* settings = T().settings;
  return settings ? settings->GetString(section, key, fallback) : fallback;
}

bool ReadFontSection(const char* section, FontSpec& record) {
  PortSettings* settings = T().settings;
  const std::string name = Setting(section, "Name", "");
  const int32_t size = settings ? settings->GetInt(section, "Size", 0) : 0;
  if (name.empty() || size == 0) return false;
  record = FontSpec{FontNumberFromName(Str255(name.c_str())), 0, static_cast<int16_t>(size)};
  return true;
}

void WriteFontSection(const char* section, const FontSpec& record) {
  PortSettings* settings = T().settings;
  if (!settings) return;
  Str255 name;
  FontNameFromNumber(record.fontNumber, name);
  settings->WriteString(section, "Name", name.Chars());
  settings->WriteInt(section, "Size", record.size);
}

// Draws the string at the pen with the given background mode and colour.
void DrawString(const Str255& text, int32_t mode, const COLORREF* color) {
  TPort* port = GetCurrentPort();
  HDC dc = GetPortDC();
  if (!port || !dc) return;
  const int32_t oldMode = SetBkMode(dc, mode);
  SetTextAlign(dc, TA_BASELINE | TA_UPDATECP);
  const COLORREF oldColor = SetTextColor(dc, color ? *color : port->foreColor);
  if (port->penVisibility >= 0) TextOut(dc, 0, 0, text.Chars(), text.Length());
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
}

FontInfoRec InfoFrom(const TEXTMETRIC& tm) {
  return FontInfoRec{static_cast<int16_t>(tm.tmAscent), static_cast<int16_t>(tm.tmDescent),
                     static_cast<int16_t>(tm.tmMaxCharWidth),
                     static_cast<int16_t>(tm.tmExternalLeading)};
}

}  // namespace

void SetPortSettings(PortSettings* settings) {
  T().settings = settings;
}

int16_t FontNumberFromName(const Str255& name) {
  std::vector<std::string>& faces = T().faces;
  const std::string key(name.Chars(), static_cast<size_t>(name.Length()));
  for (size_t i = 0; i < faces.size(); ++i) {
    if (faces[i] == key) return static_cast<int16_t>(i);
  }
  if (faces.size() >= kFaceTableSize) return 0;
  faces.push_back(key);
  if (T().openTransactions == 0) T().keptFaces = faces.size();
  return static_cast<int16_t>(faces.size() - 1);
}

int16_t FaceTableCount() {
  return static_cast<int16_t>(T().faces.size());
}

FaceTableTransaction::FaceTableTransaction() : mark_(T().faces.size()) {
  ++T().openTransactions;
}

void FaceTableTransaction::Commit() {
  if (!open_) return;
  open_ = false;
  TextGlobals& t = T();
  --t.openTransactions;
  t.keptFaces = std::max(t.keptFaces, t.faces.size());
}

FaceTableTransaction::~FaceTableTransaction() {
  if (!open_) return;
  TextGlobals& t = T();
  --t.openTransactions;
  const size_t kept = std::max(mark_, t.keptFaces);
  if (t.faces.size() <= kept) return;
  t.faces.resize(kept);
  // A cached font of a forgotten face must not answer for the next face given its number.
  for (FontCacheRow& row : t.rows) {
    if (row.key.fontNumber < 0 || static_cast<size_t>(row.key.fontNumber) < kept) continue;
    if (row.inUse > 0) {
      row.key.fontNumber = -1;  // no request asks for it; ReleaseFont still finds the font
      continue;
    }
    if (row.font && row.font != StockFont()) DeleteObject(row.font);
    EmptyRow(row);
  }
}

void FontNameFromNumber(int16_t number, Str255& out) {
  const std::vector<std::string>& faces = T().faces;
  out = Str255();
  if (number < 0 || static_cast<size_t>(number) >= faces.size()) return;
  out.Assign(faces[static_cast<size_t>(number)].c_str());
}

void ResetFaceTable() {
  T().faces.clear();
  T().keptFaces = 0;
}

void FontSpecToLogFont(const FontSpec& spec, LOGFONT& out) {
  out = LOGFONT{};
  out.lfHeight = -spec.size;
  if (spec.style & kStyleBold) out.lfWeight = FW_BOLD;
  out.lfItalic = (spec.style & kStyleItalic) ? 1 : 0;
  out.lfUnderline = (spec.style & kStyleUnderline) ? 1 : 0;
  Str255 face;
  FontNameFromNumber(spec.fontNumber, face);
  // Names from documents can be longer than the face field holds.
  const size_t length = std::min<size_t>(static_cast<size_t>(face.Length()), LF_FACESIZE - 1);
  std::memcpy(out.lfFaceName, face.Chars(), length);
  out.lfFaceName[length] = '\0';
}

void LogFontToFontSpec(const LOGFONT& font, FontSpec& out) {
  out.size = static_cast<int16_t>(-font.lfHeight);
  char face[LF_FACESIZE] = {};
  std::memcpy(face, font.lfFaceName, LF_FACESIZE - 1);
  out.fontNumber = FontNumberFromName(Str255(face));
  out.style = 0;
  if (font.lfWeight >= FW_BOLD) out.style |= kStyleBold;
  if (font.lfItalic) out.style |= kStyleItalic;
  if (font.lfUnderline) out.style |= kStyleUnderline;
}

void InitFontCache() {
  TextGlobals& t = T();
  for (FontCacheRow& row : t.rows) {
    if (row.font && row.font != StockFont()) DeleteObject(row.font);
    EmptyRow(row);
  }
  t.lookups = 1;
  t.created = 0;
}

void FreeFontCache() {
  for (FontCacheRow& row : T().rows) {
    if (row.font && row.font != StockFont()) DeleteObject(row.font);
    row = FontCacheRow{};
  }
}

HFONT GetCachedFont(const FontSpec* spec) {
  if (!spec) return StockFont();
  TextGlobals& t = T();
  if (t.lookups % 30 == 0) {
    for (FontCacheRow& row : t.rows)
      row.frequency /= 2;
  }
  ++t.lookups;
  for (FontCacheRow& row : t.rows) {
    if (row.key == *spec && row.font) {
      // The stock font is never released, so counting its users would pin the row for ever.
      if (row.font != StockFont()) ++row.inUse;
      ++row.frequency;
      return row.font;
    }
  }
  FontCacheRow* victim = nullptr;
  for (FontCacheRow& row : t.rows) {
    if (row.inUse == 0 && (!victim || row.frequency < victim->frequency)) victim = &row;
  }
  if (!victim) return MakeFont(*spec);
  HFONT font = MakeFont(*spec);
  if (!font) return StockFont();
  if (victim->font && victim->font != StockFont()) DeleteObject(victim->font);
  *victim = FontCacheRow{*spec, font, 1, 1};
  return font;
}

void ReleaseFont(HFONT font) {
  if (!font || font == StockFont()) return;
  for (FontCacheRow& row : T().rows) {
    if (row.font == font) {
      if (row.inUse > 0) --row.inUse;
      return;
    }
  }
  DeleteObject(font);
}

FontCacheRow GetFontCacheRow(int index) {
  if (index < 0 || index >= kFontCacheRows) return FontCacheRow{};
  return T().rows[static_cast<size_t>(index)];
}

int32_t FontsCreatedByCache() {
  return T().created;
}

void SelectSystemFont() {
  HDC dc = GetPortDC();
  if (!dc) return;
  HGDIOBJ previous = PortSelectObject(dc, StockFont());
  ReleaseFont(static_cast<HFONT>(previous));
}

void SetPortFont(const FontSpec* spec) {
  SelectSystemFont();
  TPort* port = GetCurrentPort();
  HDC dc = GetPortDC();
  if (!spec || !port || !dc) return;
  PortSelectObject(dc, GetCachedFont(spec));
  port->fontNumber = spec->fontNumber;
  port->styleBits = spec->style;
  port->textSize = spec->size;
}

void GetPortFont(FontSpec& spec, RGB16Color& color) {
  const TPort* port = GetCurrentPort();
  if (!port) return;
  spec = FontSpec{port->fontNumber, port->styleBits, port->textSize};
  color = ColorRefToRGB16(port->foreColor);
}

void PortDrawPString(const Str255& text) {
  DrawString(text, TRANSPARENT, nullptr);
}

void PortDrawPStringOpaque(const Str255& text) {
  DrawString(text, OPAQUE, nullptr);
}

void DrawGrayPString(const Str255& text, bool gray) {
  if (!gray) {
    PortDrawPString(text);
    return;
  }
  const COLORREF grey = 0x7F7F7F;
  DrawString(text, TRANSPARENT, &grey);
}

int16_t PortStringWidth(const Str255& text) {
  HDC dc = GetPortDC();
  HDC screen = dc ? nullptr : CreateCompatibleDC(nullptr);
  SIZE size{};
  GetTextExtentPoint32(dc ? dc : screen, text.Chars(), text.Length(), &size);
  if (screen) DeleteDC(screen);
  return static_cast<int16_t>(size.cx);
}

void GetPortFontMetrics(FontInfoRec& out) {
  HDC screen = GetPortDC() ? nullptr : CreateCompatibleDC(nullptr);
  if (screen) SetPortDC(screen);
  TEXTMETRIC tm;
  if (GetTextMetrics(GetPortDC(), &tm)) out = InfoFrom(tm);
  if (screen) {
    SetPortDC(nullptr);
    DeleteDC(screen);
  }
}

void FontTextMetrics(const FontSpec& spec, FontInfoRec& out) {
  HDC screen = CreateCompatibleDC(nullptr);
  SetPortDC(screen);
  SetMapMode(screen, MM_TEXT);
  SetPortFont(&spec);
  TEXTMETRIC tm;
  if (GetTextMetrics(screen, &tm)) out = InfoFrom(tm);
  SelectSystemFont();
  SetPortDC(nullptr);
  DeleteDC(screen);
}

bool ReadDefaultFontSetting() {
  if (!ReadFontSection("Font", T().defaultFont)) return false;
  T().defaultSize = T().defaultFont.size;
  return true;
}

bool ReadBigFontSetting() {
  return ReadFontSection("BigFont", T().bigFont);
}
void WriteDefaultFontSetting() {
  WriteFontSection("Font", T().defaultFont);
}
void WriteBigFontSetting() {
  WriteFontSection("BigFont", T().bigFont);
}
FontSpec& DefaultFont() {
  return T().defaultFont;
}
FontSpec& BigFont() {
  return T().bigFont;
}

int16_t GetDefaultFontSize() {
  TextGlobals& t = T();
  if (t.defaultSize >= 0) return t.defaultSize;
  Handle resource = GetResourceHandle(MakeTag("dfft"), kDefaultFontResource);
  bool loaded = false;
  if (resource) {
    // Little-endian size, then the face name up to its NUL, all inside the resource.
    const uint32_t length = GetHandleByteSize(resource);
    const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(resource));
    if (length > 2) {
      const auto size = static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
      const auto* face = reinterpret_cast<const char*>(bytes + 2);
      const size_t faceLength = strnlen(face, length - 2);
      if (faceLength > 0 && faceLength < length - 2 && size > 0) {
        t.defaultFont =
            FontSpec{FontNumberFromName(Str255(std::string(face, faceLength).c_str())), 0, size};
        loaded = true;
      }
    }
    ReleaseResourceHandle(resource);
  }
  if (!loaded)
    t.defaultFont = FontSpec{FontNumberFromName(Str255(kFallbackFace)), 0, kFallbackSize};
  t.defaultSize = t.defaultFont.size;
  return t.defaultSize;
}

void ResetDefaultFontSize() {
  T().defaultSize = -1;
}

void ImportFonts(Str255& name) {
  const std::string key(name.Chars(), static_cast<size_t>(name.Length()));
  std::string result = Setting("ImportFonts", key.c_str(), key);
  if (result == "A") {
    GetDefaultFontSize();
    Str255 face;
    FontNameFromNumber(T().defaultFont.fontNumber, face);
    result.assign(face.Chars(), static_cast<size_t>(face.Length()));
  }
  if (result.empty()) {
    Str255 face;
    FontNameFromNumber(T().bigFont.fontNumber, face);
    result.assign(face.Chars(), static_cast<size_t>(face.Length()));
  }
  name.Assign(result.c_str());
}

void ExportFonts(Str255& name) {
  const std::string key(name.Chars(), static_cast<size_t>(name.Length()));
  const std::string result = Setting("ExportFonts", key.c_str(), key);
  GetDefaultFontSize();
  Str255 face;
  FontNameFromNumber(T().defaultFont.fontNumber, face);
  // The local default face is stored as "A", which every reader maps to its own default.
  const bool isDefault =
      result == std::string_view(face.Chars(), static_cast<size_t>(face.Length()));
  name.Assign(isDefault ? "A" : result.c_str());
}

FontSpec FontOfStyleResource(uint32_t type, int16_t id) {
  FontSpec font = DefaultFont();
  if (font.size <= 0) font.size = GetDefaultFontSize();
  Handle resource = GetResourceHandle(type, id);
  if (!resource) return font;
  const uint32_t length = GetHandleByteSize(resource);
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(resource));
  if (length > 2) {
    const auto size = static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
    const auto* face = reinterpret_cast<const char*>(bytes + 2);
    const size_t faceLength = strnlen(face, length - 2);
    if (faceLength > 0 && faceLength < length - 2 && size > 0)
      font = FontSpec{FontNumberFromName(Str255(std::string(face, faceLength).c_str())), 0, size};
  }
  ReleaseResourceHandle(resource);
  return font;
}
