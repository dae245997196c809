#pragma once
// The text world writer: formats values into a growing memory handle in the form the text world
// reader takes (a header, then objects framed by their identifiers and -1, each record a line
// "code; 2, count" followed by its value tokens). Beside it stand the small value types the
// drawing import and the linkage builder share: a point, a position with an angle and a bounds
// box.
//
// Every item is formatted whole, however long, and the handle is grown to hold it before it is
// copied; at least 50 bytes are free after every item. The handle grows by 5120 bytes, or by half
// its size once that is more.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Handle.h"
#include "core/MacTypes.h"

struct EngPoint {
  double x = 0.0;
  double y = 0.0;

  EngPoint() = default;
  EngPoint(double px, double py) : x(px), y(py) {}
  // y takes the vertical, x the horizontal coordinate.
  static EngPoint FromMacPoint(const MacPoint& point) { return {double(point.h), double(point.v)}; }
};

struct EngPosition {
  double x = 0.0;
  double y = 0.0;
  double angle = 0.0;

  EngPosition() = default;
  EngPosition(double px, double py, double pangle = 0.0) : x(px), y(py), angle(pangle) {}
  explicit EngPosition(const EngPoint& point) : x(point.x), y(point.y) {}

  EngPosition operator+(const EngPosition& other) const {
    return {x + other.x, y + other.y, angle + other.angle};
  }
  EngPosition operator-(const EngPosition& other) const {
    return {x - other.x, y - other.y, angle - other.angle};
  }
};

// A box that grows to hold the points given to it; empty until the first.
struct EngBounds {
  double top = 0.0;     // largest y
  double left = 0.0;    // smallest x
  double bottom = 0.0;  // smallest y
  double right = 0.0;   // largest x
  bool holdsPoint = false;

  void Extend(double x, double y);
  double Width() const { return right - left; }
  double Height() const { return top - bottom; }
};

// Record codes of the text world objects.
namespace world_text {
inline constexpr int32_t kName = 5000;
inline constexpr int32_t kColour = 5004;
inline constexpr int32_t kAppearance = 5005;
inline constexpr int32_t kView = 5010;
inline constexpr int32_t kPointFlags = 5012;
inline constexpr int32_t kLine = 5025;
inline constexpr int32_t kPolygonCentroid = 5043;
inline constexpr int32_t kBody = 1200;
inline constexpr int32_t kPolygon = 1201;
inline constexpr int32_t kOval = 1202;
inline constexpr int32_t kPoint = 1500;
inline constexpr int32_t kShapeList = 1701;
inline constexpr int32_t kLink = 1310;
inline constexpr int32_t kPin = 5230;
inline constexpr int32_t kMotor = 5225;
// The world's own identifier, which its view record goes to.
inline constexpr int16_t kWorldIdentifier = 10000;
}  // namespace world_text

class TWorldTextWriter;

// Writes the world's object with its "Home" view, scaled and placed so that the box, widened by a
// tenth on every side, fills a window of the size (horizontal, vertical pixels). The box must
// have a width or a height.
void WriteHomeView(TWorldTextWriter& writer, const EngBounds& box, MacPoint window);

class TWorldTextWriter {
 public:
  static constexpr uint32_t kGrowth = 5120;
  static constexpr uint32_t kLeastFree = 50;

  // A writer over a handle of its own, released with the writer.
  TWorldTextWriter();
  // A writer over the caller's handle, which it fills from the start. A null handle makes every
  // write fail with -108.
  explicit TWorldTextWriter(Handle handle);
  ~TWorldTextWriter();
  TWorldTextWriter(const TWorldTextWriter&) = delete;
  TWorldTextWriter& operator=(const TWorldTextWriter&) = delete;

  TWorldTextWriter& WriteChar(char c);
  TWorldTextWriter& WriteString(std::string_view text);
  // The text as one double-quoted token, quotes and backslashes escaped.
  TWorldTextWriter& WriteQuoted(std::string_view text);
  TWorldTextWriter& WriteShort(int16_t value);
  // 1 when the low 16 bits are not 0, else 0.
  TWorldTextWriter& WriteBoolean(int32_t value);
  TWorldTextWriter& WriteLong(int32_t value);
  TWorldTextWriter& WriteFloat(float value);
  // Six significant digits, exponent form where "%g" chooses it.
  TWorldTextWriter& WriteDouble(double value);
  // An integer point as horizontal ", " vertical ";".
  TWorldTextWriter& WritePoint(const MacPoint& point);
  TWorldTextWriter& WritePair(const EngPoint& point);
  TWorldTextWriter& WriteTriple(const EngPosition& position);
  // A record line: the code, its version 2 and the number of value tokens that follow.
  TWorldTextWriter& WriteRecordLine(int32_t code, int32_t count);
  // A name record holding the name as one quoted token.
  TWorldTextWriter& WriteNameRecord(std::string_view name);
  // A line end, the identifier, the blank class tag and a line end.
  TWorldTextWriter& WriteObjectStart(int16_t identifier);
  TWorldTextWriter& WriteListEnd();
  TWorldTextWriter& WriteObjectEnd();
  TWorldTextWriter& WriteHeader();

  // The handle shrunk to the text written: a copy when the writer owns its handle (the
  // writer's own goes with it), else the caller's handle itself.
  Handle Finish();

  uint32_t Length() const { return cursor_; }
  std::string_view Text() const;

 private:
  TWorldTextWriter& Append(std::string_view item);
  void Resize(uint64_t size);
  template <class... Args>
  TWorldTextWriter& Format(const char* format, Args... args);

  Handle handle_ = nullptr;
  uint32_t cursor_ = 0;
  bool owned_ = false;
};
