#pragma once
// Text through the drawing port: fonts named by a small font number, a style byte and a size,
// mapped to graphics-layer fonts through a face-name table and a seven-row cache; drawing and
// measuring counted strings; the default and big fonts of the settings; and the mapping of font
// names when documents are read or written.

#include <cstdint>
#include <string>

#include "core/PString.h"
#include "core/port/Port.h"

struct FontSpec {
  int16_t fontNumber = 0;
  uint8_t style = 0;  // 0x01 bold, 0x02 italic, 0x04 underline
  int16_t size = 0;   // points used as pixel height
  bool operator==(const FontSpec&) const = default;
};

inline constexpr uint8_t kStyleBold = 0x01;
inline constexpr uint8_t kStyleItalic = 0x02;
inline constexpr uint8_t kStyleUnderline = 0x04;
inline constexpr int kFaceTableSize = 60;
inline constexpr int kFontCacheRows = 7;
inline constexpr int16_t kDefaultFontResource = 3138;

struct FontInfoRec {
  int16_t ascent = 0;
  int16_t descent = 0;
  int16_t widMax = 0;
  int16_t leading = 0;
};

// The profile settings behind the font sections; the application supplies them.
class PortSettings {
 public:
  virtual ~PortSettings() = default;
  virtual std::string GetString(const char* section, const char* key,
                                const std::string& fallback) = 0;
  virtual int32_t GetInt(const char* section, const char* key, int32_t fallback) = 0;
  virtual void WriteString(const char* section, const char* key, const std::string& value) = 0;
  virtual void WriteInt(const char* section, const char* key, int32_t value) = 0;
};
// Not owned; null means no settings (every read answers its default, writes are dropped).
void SetPortSettings(PortSettings* settings);

// The face-name table: a number is an index; at most 60 names, never removed.
int16_t FontNumberFromName(const Str255& name);
void FontNameFromNumber(int16_t number, Str255& out);
// Clears the face table (start-up and tests).
void ResetFaceTable();
int16_t FaceTableCount();

// Names entered into the face table while a document is read belong to that read until it
// commits: when the read fails, the transaction ends uncommitted and the names it entered are
// forgotten again (with any cached font made for them), so a damaged or refused document leaves
// no trace in the table. Names entered before, by reads that committed, or while no read was
// open, are never forgotten.
class FaceTableTransaction {
 public:
  FaceTableTransaction();
  ~FaceTableTransaction();
  FaceTableTransaction(const FaceTableTransaction&) = delete;
  FaceTableTransaction& operator=(const FaceTableTransaction&) = delete;
  // The names entered so far stay for good.
  void Commit();

 private:
  size_t mark_;
  bool open_ = true;
};

// The face name is cut to what the font layer holds (31 characters).
void FontSpecToLogFont(const FontSpec& spec, LOGFONT& out);
void LogFontToFontSpec(const LOGFONT& font, FontSpec& out);

void InitFontCache();
void FreeFontCache();
// The font of the request: a cache hit, a victim row refilled, or (all rows in use) a font made
// outside the cache. Null yields the stock system font.
HFONT GetCachedFont(const FontSpec* spec);
void ReleaseFont(HFONT font);

// What the cache holds, for tests and diagnostics.
struct FontCacheRow {
  FontSpec key;
  HFONT font = nullptr;
  int32_t inUse = 0;
  int32_t frequency = 0;
};
FontCacheRow GetFontCacheRow(int index);
int32_t FontsCreatedByCache();

void SelectSystemFont();
void SetPortFont(const FontSpec* spec);
void GetPortFont(FontSpec& spec, RGB16Color& color);

void PortDrawPString(const Str255& text);
void PortDrawPStringOpaque(const Str255& text);
void DrawGrayPString(const Str255& text, bool gray);
int16_t PortStringWidth(const Str255& text);
void GetPortFontMetrics(FontInfoRec& out);
void FontTextMetrics(const FontSpec& spec, FontInfoRec& out);

// Settings sections "Font" and "BigFont" with keys "Name" and "Size".
bool ReadDefaultFontSetting();
bool ReadBigFontSetting();
void WriteDefaultFontSetting();
void WriteBigFontSetting();
FontSpec& DefaultFont();
FontSpec& BigFont();
int16_t GetDefaultFontSize();
// Forgets the loaded default size (the next GetDefaultFontSize loads it again).
void ResetDefaultFontSize();
// The font of a text-style resource (a 16-bit size in host order, then the face name), else the
// default font; a setting that does not fit its resource is not used.
FontSpec FontOfStyleResource(uint32_t type, int16_t id);

// Document font names through the "ImportFonts" and "ExportFonts" sections.
void ImportFonts(Str255& name);
void ExportFonts(Str255& name);
