#include "platform/win32/Font.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include <pango/pangocairo.h>

#include "platform/win32/DcRaster.h"
#include "platform/win32/Metafile.h"

// What a font needs at one pixel size: its description and the metrics derived from it.
struct FontMetrics {
  int32_t height = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t externalLeading = 0;
  int32_t internalLeading = 0;
  int32_t averageWidth = 0;
  int32_t maxWidth = 0;
};

struct FontFace {
  std::map<int32_t, FontMetrics> metrics;  // by em size in device pixels
  std::map<int32_t, int32_t> emForCell;    // em size of a requested cell height
};

// fontconfig keeps a few blocks of its own configuration without a pointer to them until exit;
// the leak checker of sanitizer builds is told that they are not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

GdiFont::GdiFont() : GdiObject(OBJ_FONT) {}
GdiFont::~GdiFont() = default;

namespace {

// The shared font map and context, released at exit.
class PangoHost {
 public:
  PangoHost() {
    map_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(map_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
  }
  ~PangoHost() {
    g_object_unref(context_);
    g_object_unref(map_);
  }
  PangoContext* Context() const { return context_; }

 private:
  PangoFontMap* map_;
  PangoContext* context_;
};

PangoContext* Context() {
  static PangoHost host;
  return host.Context();
}

template <typename T, void (*Free)(T*)>
struct Owned {
  T* p;
  explicit Owned(T* p) : p(p) {}
  ~Owned() {
    if (p) Free(p);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

void UnrefLayout(PangoLayout* layout) {
  g_object_unref(layout);
}
using LayoutPtr = Owned<PangoLayout, UnrefLayout>;
using DescriptionPtr = Owned<PangoFontDescription, pango_font_description_free>;

// The family asked of fontconfig for a face name. The generic names of the program go to the
// installed DejaVu faces; other names go to fontconfig, whose aliases map the common document
// faces onto the metric-compatible Liberation faces and anything unknown onto the default.
std::string FamilyFor(const char* face) {
  const std::string name(face);
  if (name.empty() || name == "System" || name == "Sans Serif") return "DejaVu Sans";
  if (name == "Serif") return "DejaVu Serif";
  if (name == "Monospace") return "DejaVu Sans Mono";
  return Win1252ToUtf8(name.data(), name.size());
}

PangoFontDescription* Describe(const GdiFont& font, int32_t pixelSize) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, FamilyFor(font.log.lfFaceName).c_str());
  const int32_t weight =
      font.log.lfWeight <= 0 ? FW_NORMAL : std::clamp(font.log.lfWeight, 100, 1000);
  pango_font_description_set_weight(desc, static_cast<PangoWeight>(weight));
  pango_font_description_set_style(desc,
                                   font.log.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(desc, std::max(pixelSize, 1) * PANGO_SCALE);
  return desc;
}

PangoLayout* MakeLayout(const GdiFont& font, int32_t pixelSize, const std::string& utf8) {
  PangoLayout* layout = pango_layout_new(Context());
  DescriptionPtr desc(Describe(font, pixelSize));
  pango_layout_set_font_description(layout, desc.p);
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  if (font.log.lfUnderline || font.log.lfStrikeOut) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.log.lfUnderline)
      pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.log.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  return layout;
}

int32_t LayoutWidth(PangoLayout* layout) {
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  return logical.width;
}

// The em size in pixels for a requested height: negative is the character height, positive the
// cell height (ascent plus descent), zero the default.
int32_t EmSize(GdiFont& font, int32_t deviceHeight, bool cellHeight) {
  if (!cellHeight) return deviceHeight;
  if (!font.face) font.face = std::make_unique<FontFace>();
  auto it = font.face->emForCell.find(deviceHeight);
  if (it != font.face->emForCell.end()) return it->second;
  LayoutPtr probe(MakeLayout(font, deviceHeight, "Xg"));
  PangoRectangle logical;
  pango_layout_get_pixel_extents(probe.p, nullptr, &logical);
  const int32_t em = logical.height <= 0
                         ? deviceHeight
                         : std::max(1, deviceHeight * deviceHeight / logical.height);
  font.face->emForCell.emplace(deviceHeight, em);
  return em;
}

// The pixel size a font draws at in a context.
struct SizedFont {
  const GdiFont* font = nullptr;
  int32_t em = 12;
  const FontMetrics* metrics = nullptr;
};

const FontMetrics& MetricsFor(GdiFont& font, int32_t em) {
  if (!font.face) font.face = std::make_unique<FontFace>();
  auto it = font.face->metrics.find(em);
  if (it != font.face->metrics.end()) return it->second;
  FontMetrics m;
  LayoutPtr layout(MakeLayout(font, em, "Xg"));
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout.p, nullptr, &logical);
  m.ascent = PANGO_PIXELS(pango_layout_get_baseline(layout.p));
  m.height = logical.height;
  m.descent = m.height - m.ascent;
  m.internalLeading = std::max(0, m.height - em);
  DescriptionPtr desc(Describe(font, em));
  PangoFontMetrics* metrics = pango_context_get_metrics(Context(), desc.p, nullptr);
  m.averageWidth = PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(metrics));
  pango_font_metrics_unref(metrics);
  for (const char* sample : {"W", "M", "@", "m", "w", "%", "\xC3\x86", "\xE2\x80\x94"}) {
    pango_layout_set_text(layout.p, sample, -1);
    m.maxWidth = std::max(m.maxWidth, LayoutWidth(layout.p));
  }
  return font.face->metrics.emplace(em, m).first->second;
}

SizedFont FontOf(const DeviceContext& dc) {
  SizedFont sized;
  GdiFont* font = LookupFont(dc.state.font);
  if (!font) font = LookupFont(GetStockObject(SYSTEM_FONT));
  sized.font = font;
  const int32_t requested = font->log.lfHeight;
  const int32_t device = requested == 0 ? 12 : std::max(1, dc.ScaleY(std::abs(requested)));
  sized.em = EmSize(*font, device, requested > 0);
  sized.metrics = &MetricsFor(*font, sized.em);
  return sized;
}

int32_t LogicalWidth(const DeviceContext& dc, int32_t deviceWidth) {
  if (dc.state.mapMode == MM_TEXT) return deviceWidth;
  const POINT a = dc.ToLogical(POINT{0, 0});
  const POINT b = dc.ToLogical(POINT{deviceWidth, 0});
  return std::abs(b.x - a.x);
}

int32_t LogicalHeight(const DeviceContext& dc, int32_t deviceHeight) {
  if (dc.state.mapMode == MM_TEXT) return deviceHeight;
  const POINT a = dc.ToLogical(POINT{0, 0});
  const POINT b = dc.ToLogical(POINT{0, deviceHeight});
  return std::abs(b.y - a.y);
}

int32_t MeasureDevice(const SizedFont& sized, const char* text, size_t count) {
  if (count == 0) return 0;
  LayoutPtr layout(MakeLayout(*sized.font, sized.em, Win1252ToUtf8(text, count)));
  return LayoutWidth(layout.p);
}

void RecordText(MetafileRecorder& recorder, int32_t x, int32_t y, UINT options, const RECT* rect,
                const char* text, UINT count, const int32_t* dx) {
  std::vector<uint8_t> bytes;
  const bool withRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
  PutWord(bytes, static_cast<uint16_t>(y));
  PutWord(bytes, static_cast<uint16_t>(x));
  PutWord(bytes, static_cast<uint16_t>(count));
  PutWord(bytes,
          static_cast<uint16_t>(withRect ? options : (options & ~UINT{ETO_OPAQUE | ETO_CLIPPED})));
  if (withRect) {
    for (int32_t v : {rect->left, rect->top, rect->right, rect->bottom}) {
      PutWord(bytes, static_cast<uint16_t>(v));
    }
  }
  bytes.insert(bytes.end(), text, text + count);
  if (count % 2) bytes.push_back(0);
  if (dx) {
    for (UINT i = 0; i < count; ++i)
      PutWord(bytes, static_cast<uint16_t>(dx[i]));
  }
  recorder.RecordBytes(META_EXTTEXTOUT, bytes);
}

// Draws text with its reference point at the logical point, by the text alignment; answers the
// logical advance.
int32_t DrawTextAt(DeviceContext& dc, POINT reference, UINT options, const RECT* rect,
                   const char* text, UINT count, const int32_t* dx) {
  const SizedFont sized = FontOf(dc);
  const FontMetrics& m = *sized.metrics;
  std::vector<int32_t> advances;  // device pixels from the start, per character
  int32_t width = 0;
  if (dx) {
    for (UINT i = 0; i < count; ++i) {
      advances.push_back(width);
      width += dc.ScaleX(dx[i]);
    }
  } else {
    width = MeasureDevice(sized, text, count);
  }
  Raster raster(dc);
  if (!raster.Ok()) return LogicalWidth(dc, width);
  const POINT origin = raster.ToSurface(reference);
  const UINT align = dc.state.textAlign;
  int32_t left = origin.x;
  if ((align & TA_CENTER) == TA_CENTER)
    left -= width / 2;
  else if (align & TA_RIGHT)
    left -= width;
  int32_t top = origin.y;
  if ((align & TA_BASELINE) == TA_BASELINE)
    top -= m.ascent;
  else if (align & TA_BOTTOM)
    top -= m.height;

  RegionData limit = raster.Clip();
  if (rect) {
    const POINT a = raster.ToSurface(POINT{rect->left, rect->top});
    const POINT b = raster.ToSurface(POINT{rect->right, rect->bottom});
    const RegionData box = RegionData::Rect(a.x, a.y, b.x, b.y);
    if (options & ETO_OPAQUE) raster.Fill(box, PaintSource::Solid(dc.state.backColor), R2_COPYPEN);
    if (options & ETO_CLIPPED) limit = RegionData::Combine(limit, box, RGN_AND);
  }
  if (count == 0) return 0;
  const RegionData cell = RegionData::Rect(left, top, left + width, top + m.height);
  if (dc.state.backMode == OPAQUE) {
    raster.Fill(RegionData::Combine(cell, limit, RGN_AND), PaintSource::Solid(dc.state.backColor),
                R2_COPYPEN);
  }
  const int32_t margin = m.height;  // room for italic overhang and accents
  const RECT bounds{std::max(left - margin, 0), std::max(top - margin, 0),
                    std::min(left + width + margin, raster.Width()),
                    std::min(top + m.height + margin, raster.Height())};
  RegionData glyphs = CairoCoverage(bounds, [&](cairo_t* cr) {
    if (!dx) {
      LayoutPtr layout(MakeLayout(*sized.font, sized.em, Win1252ToUtf8(text, count)));
      cairo_move_to(cr, left, top);
      pango_cairo_show_layout(cr, layout.p);
      return;
    }
    for (UINT i = 0; i < count; ++i) {
      LayoutPtr layout(MakeLayout(*sized.font, sized.em, Win1252ToUtf8(text + i, 1)));
      cairo_move_to(cr, left + advances[i], top);
      pango_cairo_show_layout(cr, layout.p);
    }
  });
  raster.Fill(RegionData::Combine(glyphs, limit, RGN_AND), PaintSource::Solid(dc.state.textColor),
              R2_COPYPEN);
  return LogicalWidth(dc, width);
}

BOOL TextCall(HDC hdc, int32_t x, int32_t y, UINT options, const RECT* rect, const char* text,
              UINT count, const int32_t* dx, bool extended) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || (!text && count > 0)) return FALSE;
  const bool updates = (dc->state.textAlign & TA_UPDATECP) != 0;
  const POINT reference = updates ? dc->state.position : POINT{x, y};
  if (dc->recorder) {
    if (extended) {
      RecordText(*dc->recorder, x, y, options, rect, text, count, dx);
    } else {
      std::vector<uint8_t> bytes;
      PutWord(bytes, static_cast<uint16_t>(count));
      bytes.insert(bytes.end(), text, text + count);
      if (count % 2) bytes.push_back(0);
      PutWord(bytes, static_cast<uint16_t>(y));
      PutWord(bytes, static_cast<uint16_t>(x));
      dc->recorder->RecordBytes(META_TEXTOUT, bytes);
    }
  }
  int32_t advance = 0;
  if (dc->recorder) {
    if (updates) {
      SIZE size;
      GetTextExtentPoint32(hdc, text, static_cast<int32_t>(count), &size);
      advance = size.cx;
    }
  } else {
    advance = DrawTextAt(*dc, reference, options, rect, text, count, dx);
  }
  if (updates) {
    const UINT align = dc->state.textAlign;
    if ((align & TA_CENTER) != TA_CENTER) {
      dc->state.position.x += (align & TA_RIGHT) ? -advance : advance;
    }
  }
  return TRUE;
}

}  // namespace

std::string ResolvedFontFamily(HFONT handle) {
  const GdiFont* font = LookupFont(handle);
  if (!font) return {};
  DescriptionPtr desc(Describe(*font, 12));
  PangoFont* loaded = pango_context_load_font(Context(), desc.p);
  if (!loaded) return {};
  DescriptionPtr actual(pango_font_describe(loaded));
  g_object_unref(loaded);
  const char* family = pango_font_description_get_family(actual.p);
  return family ? family : "";
}

BOOL TextOut(HDC hdc, int32_t x, int32_t y, const char* text, int32_t count) {
  if (count < 0) return FALSE;
  return TextCall(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr, false);
}

BOOL ExtTextOut(HDC hdc, int32_t x, int32_t y, UINT options, const RECT* rect, const char* text,
                UINT count, const int32_t* dx) {
  return TextCall(hdc, x, y, options, rect, text, count, dx, true);
}

BOOL GetTextExtentPoint32(HDC hdc, const char* text, int32_t count, SIZE* out) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !out || count < 0 || (!text && count > 0)) return FALSE;
  const SizedFont sized = FontOf(*dc);
  out->cx = LogicalWidth(*dc, MeasureDevice(sized, text, static_cast<size_t>(count)));
  out->cy = LogicalHeight(*dc, sized.metrics->height);
  return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* out) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !out) return FALSE;
  const SizedFont sized = FontOf(*dc);
  const FontMetrics& m = *sized.metrics;
  *out = TEXTMETRIC{};
  out->tmHeight = LogicalHeight(*dc, m.height);
  out->tmAscent = LogicalHeight(*dc, m.ascent);
  out->tmDescent = LogicalHeight(*dc, m.descent);
  out->tmInternalLeading = LogicalHeight(*dc, m.internalLeading);
  out->tmExternalLeading = LogicalHeight(*dc, m.externalLeading);
  out->tmAveCharWidth = LogicalWidth(*dc, m.averageWidth);
  out->tmMaxCharWidth = LogicalWidth(*dc, m.maxWidth);
  out->tmWeight = sized.font->log.lfWeight ? sized.font->log.lfWeight : FW_NORMAL;
  out->tmItalic = sized.font->log.lfItalic;
  out->tmUnderlined = sized.font->log.lfUnderline;
  return TRUE;
}

namespace {

// Lines of text by the DrawText rules: CR, LF and CR LF end lines (unless single-line), tabs
// become spaces to the next multiple of eight characters, "&" marks are removed unless told not
// to, and word breaking wraps at blanks to fit the width.
std::vector<std::string> LayoutLines(HDC hdc, const std::string& text, UINT format, int32_t width) {
  std::vector<std::string> paragraphs;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!(format & DT_SINGLELINE) && (c == '\r' || c == '\n')) {
      paragraphs.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    if (c == '\t' && (format & DT_EXPANDTABS)) {
      do
        current.push_back(' ');
      while (current.size() % 8 != 0);
      continue;
    }
    if (c == '&' && !(format & DT_NOPREFIX)) {
      if (i + 1 < text.size() && text[i + 1] == '&') current.push_back('&'), ++i;
      continue;
    }
    current.push_back(c);
  }
  paragraphs.push_back(current);
  if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) return paragraphs;
  auto fits = [&](const std::string& line) {
    SIZE size;
    GetTextExtentPoint32(hdc, line.data(), static_cast<int32_t>(line.size()), &size);
    return size.cx <= width;
  };
  std::vector<std::string> lines;
  for (const std::string& paragraph : paragraphs) {
    std::string line;
    size_t pos = 0;
    if (paragraph.empty()) lines.emplace_back();
    while (pos < paragraph.size()) {
      size_t end = paragraph.find(' ', pos);
      if (end == std::string::npos) end = paragraph.size();
      const std::string word = paragraph.substr(pos, end - pos);
      const std::string candidate = line.empty() ? word : line + " " + word;
      if (line.empty() || fits(candidate)) {
        line = candidate;
      } else {
        lines.push_back(line);
        line = word;
      }
      pos = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace

int32_t DrawText(HDC hdc, const char* text, int32_t count, RECT* rect, UINT format) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !rect || !text) return 0;
  const size_t length = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
  const std::vector<std::string> lines =
      LayoutLines(hdc, std::string(text, length), format, rect->right - rect->left);
  TEXTMETRIC tm;
  GetTextMetrics(hdc, &tm);
  const int32_t lineHeight = tm.tmHeight + tm.tmExternalLeading;
  const auto total = static_cast<int32_t>(lines.size()) * lineHeight;
  if (format & DT_CALCRECT) {
    int32_t widest = 0;
    for (const std::string& line : lines) {
      SIZE size;
      GetTextExtentPoint32(hdc, line.data(), static_cast<int32_t>(line.size()), &size);
      widest = std::max(widest, size.cx);
    }
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  int32_t y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      y = (rect->top + rect->bottom - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      y = rect->bottom - lineHeight;
  }
  const UINT savedAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP);
  for (const std::string& line : lines) {
    SIZE size;
    GetTextExtentPoint32(hdc, line.data(), static_cast<int32_t>(line.size()), &size);
    int32_t x = rect->left;
    if (format & DT_CENTER)
      x = (rect->left + rect->right - size.cx) / 2;
    else if (format & DT_RIGHT)
      x = rect->right - size.cx;
    ExtTextOut(hdc, x, y, (format & DT_NOCLIP) ? 0u : UINT{ETO_CLIPPED}, rect, line.data(),
               static_cast<UINT>(line.size()), nullptr);
    y += lineHeight;
  }
  SetTextAlign(hdc, savedAlign);
  return total;
}
