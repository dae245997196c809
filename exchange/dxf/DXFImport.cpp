#include "exchange/dxf/DXFImport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string_view>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MacFile.h"
#include "core/PString.h"
#include "exchange/text/WorldTextWriter.h"

namespace {

constexpr double kArcStep = 3.0;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kSameVertex = 1e-17;
constexpr size_t kLineLimit = 255;
constexpr int kMostInsertDepth = 16;
constexpr int16_t kLastIdentifier = 32767;
// The groups that inserts may read again: a few times the drawing's own bytes, and enough for a
// drawing whose blocks, nested, place as many objects as a world can hold.
constexpr int64_t kInsertGroupsPerByte = 4;
constexpr int64_t kInsertGroupsPerObject = 16;

// Polylines of these kinds are three-dimensional or meshes: not drawn.
constexpr int32_t kPolylineSkipped = 16 | 32 | 64;
// Vertices of these kinds are spline frame points or mesh vertices.
constexpr int32_t kVertexSkipped = 16 | 64 | 128;

// Refuses the drawing with the import's own error and a message naming the cause.
[[noreturn]] void Refuse(const char* cause) {
  FailureDetailText() = cause;
  ThrowFailure(kErrDrawingMalformed, 0);
}

constexpr char kTooLarge[] =
    "The drawing's geometry is too large for a world: its numbers overflow.";

// A value computed from the drawing, checked before it goes into the world.
double Checked(double value) {
  if (!std::isfinite(value)) Refuse(kTooLarge);
  return value;
}

EngPoint Checked(const EngPoint& p) { return {Checked(p.x), Checked(p.y)}; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The integer at the start of the text, as atol reads it: 0 when there is none.
int32_t ParseCode(std::string_view text) {
  text = Trimmed(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) return 0;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

// A real of the drawing: 0 when the value holds no number; a value that is not finite cannot be
// placed in a world.
double ParseReal(std::string_view text) {
  char buffer[kLineLimit + 1];
  const size_t n = std::min(text.size(), kLineLimit);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  const double value = std::strtod(buffer, nullptr);
  if (!std::isfinite(value)) ThrowFailure(kErrDrawingMalformed, 0);
  return value;
}

struct Group {
  int32_t code = 0;
  std::string_view value;  // at most 255 characters, blanks around it removed
  size_t start = 0;        // where the group's code line begins
};

// Groups of two lines each, read from the bytes of the drawing with random access.
class GroupReader {
 public:
  explicit GroupReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Position() const { return position_; }
  size_t Length() const { return bytes_.size(); }
  bool AtEnd() const { return position_ >= bytes_.size(); }
  void Seek(size_t position) { position_ = std::min(position, bytes_.size()); }

  // The next group; -39 when the drawing ends before both of its lines.
  Group Read() {
    Group group;
    group.start = position_;
    std::string_view line;
    if (!ReadLine(line)) ThrowFailure(kErrEndOfFile, 0);
    group.code = ParseCode(line);
    if (!ReadLine(line)) ThrowFailure(kErrEndOfFile, 0);
    group.value = Trimmed(line);
    return group;
  }

 private:
  // One line up to a carriage return, a line feed or both; its first 255 characters, the rest
  // passed over.
  bool ReadLine(std::string_view& line) {
    if (position_ >= bytes_.size()) return false;
    const auto* begin = reinterpret_cast<const char*>(bytes_.data()) + position_;
    const size_t left = bytes_.size() - position_;
    size_t n = 0;
    while (n < left && begin[n] != '\r' && begin[n] != '\n') ++n;
    line = std::string_view(begin, std::min(n, kLineLimit));
    position_ += n;
    if (position_ < bytes_.size() && bytes_[position_] == '\r') ++position_;
    if (position_ < bytes_.size() && bytes_[position_] == '\n') ++position_;
    return true;
  }

  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

// Where an insert places its block: x' = a x + b y + tx, y' = c x + d y + ty.
struct Placement {
  double a = 1.0, b = 0.0, c = 0.0, d = 1.0, tx = 0.0, ty = 0.0;

  EngPoint Apply(const EngPoint& p) const {
    return {a * p.x + b * p.y + tx, c * p.x + d * p.y + ty};
  }
  // How much lengths grow: the root of the area factor.
  double LengthFactor() const { return std::sqrt(std::fabs(a * d - b * c)); }
  // This placement after the inner one.
  Placement After(const Placement& inner) const {
    Placement r;
    r.a = a * inner.a + b * inner.c;
    r.b = a * inner.b + b * inner.d;
    r.c = c * inner.a + d * inner.c;
    r.d = c * inner.b + d * inner.d;
    r.tx = a * inner.tx + b * inner.ty + tx;
    r.ty = c * inner.tx + d * inner.ty + ty;
    return r;
  }
};

struct BlockEntry {
  size_t position = 0;  // just after the block's first group
  std::string name;
  EngPoint base;
};

struct Vertex {
  double x = 0.0;
  double y = 0.0;
  double bulge = 0.0;
};

// The points of an arc of the given sweep, from its start to its end: chords of at most the arc
// step, the last of them ending exactly at the end angle. Angles in degrees.
void AppendArcPoints(double a0, double a1, double radius, const EngPoint& centre, bool ccw,
                     std::vector<EngPoint>& points) {
  const auto normal = [](double a) {
    a = std::fmod(a, 360.0);
    return a < 0.0 ? a + 360.0 : a;
  };
  a0 = normal(a0);
  a1 = normal(a1);
  double sweep;
  if (ccw) sweep = a1 > a0 ? a1 - a0 : 360.0 - (a0 - a1);
  else sweep = a1 < a0 ? a0 - a1 : 360.0 - (a1 - a0);
  double left = sweep;
  double remainder = 0.0;
  while (kArcStep < left) {
    left -= kArcStep;
    remainder = left;
  }
  int32_t n = static_cast<int32_t>(sweep / kArcStep) + (remainder >= kArcStep / 2 ? 1 : 0);
  if (n < 1) n = 1;
  const double span = (ccw ? sweep : -sweep) / n;
  for (int32_t k = 0; k <= n; ++k) {
    const double t = (k == n ? a0 + (ccw ? sweep : -sweep) : a0 + k * span) * kRadiansPerDegree;
    points.push_back({std::cos(t) * radius + centre.x, std::sin(t) * radius + centre.y});
  }
}

// The vertices with every bulge replaced by the chords of its arc.
std::vector<EngPoint> ExpandBulges(const std::vector<Vertex>& vertices) {
  std::vector<EngPoint> out;
  const auto append = [&out](const EngPoint& p) {
    if (!out.empty() && out.back().x == p.x && out.back().y == p.y) return;
    out.push_back(p);
  };
  const size_t n = vertices.size();
  std::vector<EngPoint> arc;
  for (size_t i = 0; i < n; ++i) {
    const Vertex& v = vertices[i];
    const Vertex& next = vertices[(i + 1) % n];
    const EngPoint p0{v.x, v.y};
    const EngPoint p1{next.x, next.y};
    const double dx = p1.x - p0.x;
    const double dy = p1.y - p0.y;
    const double chord = std::hypot(dx, dy);
    append(p0);
    if (v.bulge == 0.0 || chord == 0.0 || n < 2) continue;
    const double sagitta = std::fabs(v.bulge * chord / 2.0);
    const EngPoint mid{(p0.x + p1.x) / 2.0, (p0.y + p1.y) / 2.0};
    EngPoint centre = mid;
    double radius = sagitta;
    if (std::fabs(v.bulge) != 1.0) {
      radius = (chord * chord / (4.0 * sagitta) + sagitta) * 0.5;
      // The chord direction turned a quarter: counter-clockwise for a positive bulge.
      const double side = v.bulge > 0.0 ? 1.0 : -1.0;
      const EngPoint normal{-dy / chord * side, dx / chord * side};
      centre = {mid.x + (radius - sagitta) * normal.x, mid.y + (radius - sagitta) * normal.y};
    }
    // A bulge so large that its arc overflows has no angles to cut chords at.
    Checked(radius);
    Checked(centre);
    const auto degrees = [&centre](const EngPoint& p) {
      double a = std::atan2(p.y - centre.y, p.x - centre.x) / kRadiansPerDegree;
      return a < 0.0 ? a + 360.0 : a;
    };
    arc.clear();
    AppendArcPoints(degrees(p0), degrees(p1), radius, centre, v.bulge > 0.0, arc);
    // The arc ends on the next vertex itself, not a rounding away from it.
    arc.back() = p1;
    const size_t last = i + 1 == n ? arc.size() - 1 : arc.size();
    for (size_t k = 1; k < last; ++k)
      append(arc[k]);
  }
  return out;
}

// The moment of inertia about its centroid of a plate of mass 1 in the polygon's shape; of equal
// masses at the vertices when the outline encloses no area.
double UnitMoment(const std::vector<EngPoint>& vertices) {
  const size_t n = vertices.size();
  double area2 = 0.0, cx = 0.0, cy = 0.0, second = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const EngPoint& a = vertices[i];
    const EngPoint& b = vertices[(i + 1) % n];
    const double cross = a.x * b.y - b.x * a.y;
    area2 += cross;
    cx += (a.x + b.x) * cross;
    cy += (a.y + b.y) * cross;
    second += cross * (a.x * a.x + a.x * b.x + b.x * b.x + a.y * a.y + a.y * b.y + b.y * b.y);
  }
  double scale = 0.0;
  for (const EngPoint& v : vertices)
    scale = std::max({scale, std::fabs(v.x), std::fabs(v.y)});
  if (std::fabs(area2) > 1e-12 * scale * scale) {
    cx /= 3.0 * area2;
    cy /= 3.0 * area2;
    return second / (6.0 * area2) - (cx * cx + cy * cy);
  }
  double mx = 0.0, my = 0.0;
  for (const EngPoint& v : vertices) {
    mx += v.x / static_cast<double>(n);
    my += v.y / static_cast<double>(n);
  }
  double sum = 0.0;
  for (const EngPoint& v : vertices)
    sum += ((v.x - mx) * (v.x - mx) + (v.y - my) * (v.y - my)) / static_cast<double>(n);
  return sum;
}

bool Near(const EngPoint& a, const EngPoint& b) {
  return std::fabs(a.x - b.x) <= kSameVertex && std::fabs(a.y - b.y) <= kSameVertex;
}

class DrawingImport {
 public:
  DrawingImport(std::span<const uint8_t> drawing, TWorldTextWriter& writer, double scale,
                MacPoint windowSize, const DrawingProgress& progress)
      : groups_(drawing), writer_(writer), scale_(scale), window_(windowSize), progress_(progress) {}

  // Writes the whole text; false when nothing was written.
  bool Run();
  // The kinds of entity passed over, with their counts: "3 TEXT, 1 SPLINE"; empty when none.
  std::string PassedOver() const;

 private:
  Group ReadGroup() {
    Report();
    if (!active_.empty() && ++insertGroups_ > insertBudget_)
      Refuse("The drawing's blocks insert one another so often that reading them would not end.");
    return groups_.Read();
  }
  void Unread(const Group& group) { groups_.Seek(group.start); }
  void Report();
  bool FindSection(std::string_view& name);
  void ReadBlocks();
  // Until "EOF", or in a block until "ENDBLK"; the end of the file between entities ends them.
  void ReadEntities(bool inBlock);
  void ReadLine();
  void ReadPoint();
  void ReadCircle();
  void ReadArc();
  void ReadPolyline();
  void ReadLightPolyline();
  // A polyline's vertices as an outline: a polygon of three or more, a line of two.
  void WriteOutline(const std::vector<Vertex>& vertices);
  void ReadInsert();
  void PassOver(std::string_view kind);
  // The groups of an entity up to the next code-0 group, which is left unread.
  template <class Take>
  void ForEachGroup(Take take);

  int16_t TakeIdentifier();
  EngPoint Place(double x, double y) const {
    const EngPoint p = placement_.Apply({x, y});
    return {p.x * scale_, p.y * scale_};
  }
  void WritePoint(const EngPoint& p);
  void WriteLine(const EngPoint& p1, const EngPoint& p2);
  void WriteCircle(const EngPoint& centre, double diameter);
  void WritePolygon(const std::vector<EngPoint>& vertices);
  void WriteView();

  GroupReader groups_;
  TWorldTextWriter& writer_;
  double scale_;
  MacPoint window_;
  const DrawingProgress& progress_;
  int32_t nextIdentifier_ = 1;
  int32_t objects_ = 0;
  EngBounds bounds_;
  std::vector<BlockEntry> blocks_;
  // The entities of kinds the import does not make objects of, in the order first met.
  std::vector<std::pair<std::string, int32_t>> passedOver_;
  Placement placement_;
  // The blocks being read through inserts, outermost first.
  std::vector<const BlockEntry*> active_;
  // The groups read through inserts, and how many the drawing's size allows.
  int64_t insertGroups_ = 0;
  int64_t insertBudget_ = kInsertGroupsPerByte * static_cast<int64_t>(groups_.Length()) +
                          kInsertGroupsPerObject * kLastIdentifier;
};

void DrawingImport::Report() {
  if (!progress_) return;
  bool cancel = false;
  const double length = static_cast<double>(groups_.Length());
  progress_(cancel, objects_, length > 0 ? static_cast<double>(groups_.Position()) / length : 1.0);
  if (cancel) ThrowFailure(kErrImportCancelled, 0);
}

bool DrawingImport::Run() {
  writer_.WriteHeader();
  std::string_view section;
  while (FindSection(section)) {
    if (section == "BLOCKS") ReadBlocks();
    else if (section == "ENTITIES") ReadEntities(false);
  }
  if (objects_ == 0) return false;
  // The view goes to the world before the list ends, where the reader still reads objects.
  WriteView();
  writer_.WriteListEnd();
  return true;
}

bool DrawingImport::FindSection(std::string_view& name) {
  while (!groups_.AtEnd()) {
    const Group group = ReadGroup();
    if (group.code != 0 || group.value != "SECTION") continue;
    if (groups_.AtEnd()) return false;
    const Group next = ReadGroup();
    if (next.code != 2) {
      Unread(next);
      continue;
    }
    name = next.value;
    return true;
  }
  return false;
}

void DrawingImport::ReadBlocks() {
  BlockEntry* open = nullptr;
  bool inHeader = false;
  for (;;) {
    const Group group = ReadGroup();
    if (group.code == 0) {
      if (group.value == "ENDSEC" || group.value == "EOF") return;
      if (group.value == "BLOCK") {
        blocks_.push_back({groups_.Position(), {}, {}});
        open = &blocks_.back();
        inHeader = true;
        continue;
      }
      // The block's first entity ends its header; ENDBLK ends the block.
      inHeader = false;
      if (group.value == "ENDBLK") open = nullptr;
      continue;
    }
    if (open == nullptr || !inHeader) continue;
    if (group.code == 2 && open->name.empty()) open->name.assign(group.value);
    else if (group.code == 10) open->base.x = ParseReal(group.value);
    else if (group.code == 20) open->base.y = ParseReal(group.value);
  }
}

void DrawingImport::ReadEntities(bool inBlock) {
  // The sections after the entities hold no drawing: what they name is not passed over.
  bool inSection = true;
  while (!groups_.AtEnd()) {
    const Group group = ReadGroup();
    if (group.code != 0) continue;
    const std::string_view kind = group.value;
    if (kind == "EOF") return;
    if (inBlock && kind == "ENDBLK") return;
    if (kind == "ENDSEC") inSection = false;
    if (!inSection) continue;
    if (kind == "LINE") ReadLine();
    else if (kind == "POINT") ReadPoint();
    else if (kind == "CIRCLE") ReadCircle();
    else if (kind == "ARC") ReadArc();
    else if (kind == "POLYLINE") ReadPolyline();
    else if (kind == "LWPOLYLINE") ReadLightPolyline();
    else if (kind == "INSERT") ReadInsert();
    else PassOver(kind);
  }
}

void DrawingImport::PassOver(std::string_view kind) {
  for (auto& [name, count] : passedOver_) {
    if (name != kind) continue;
    ++count;
    return;
  }
  passedOver_.emplace_back(std::string(kind), 1);
}

std::string DrawingImport::PassedOver() const {
  // A note of reasonable length: the rarest kinds of a drawing of many kinds are summed up.
  constexpr size_t kMostNamed = 8;
  std::string text;
  int32_t others = 0;
  for (size_t i = 0; i < passedOver_.size(); ++i) {
    const auto& [name, count] = passedOver_[i];
    if (i >= kMostNamed) {
      others += count;
      continue;
    }
    if (!text.empty()) text += ", ";
    text += std::to_string(count) + " " + name.substr(0, 40);
  }
  if (others > 0) text += ", " + std::to_string(others) + " of other kinds";
  return text;
}

template <class Take>
void DrawingImport::ForEachGroup(Take take) {
  for (;;) {
    const Group group = ReadGroup();
    if (group.code == 0) {
      Unread(group);
      return;
    }
    take(group);
  }
}

void DrawingImport::ReadLine() {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ForEachGroup([&](const Group& g) {
    if (g.code == 10) x1 = ParseReal(g.value);
    else if (g.code == 20) y1 = ParseReal(g.value);
    else if (g.code == 11) x2 = ParseReal(g.value);
    else if (g.code == 21) y2 = ParseReal(g.value);
  });
  const EngPoint start = Place(x1, y1);
  if (x1 == x2 && y1 == y2) return WritePoint(start);
  WriteLine(start, Place(x2, y2));
}

void DrawingImport::ReadPoint() {
  double x = 0, y = 0;
  bool takeY = false;
  ForEachGroup([&](const Group& g) {
    if (takeY) {
      // The value after x is y, whatever its code.
      y = ParseReal(g.value);
      takeY = false;
    } else if (g.code == 10) {
      x = ParseReal(g.value);
      takeY = true;
    }
  });
  WritePoint(Place(x, y));
}

void DrawingImport::ReadCircle() {
  double x = 0, y = 0, radius = 0;
  bool needY = false;
  ForEachGroup([&](const Group& g) {
    if (needY) {
      if (g.code != 20) ThrowFailure(kErrDrawingMalformed, 0);
      y = ParseReal(g.value);
      needY = false;
    } else if (g.code == 10) {
      x = ParseReal(g.value);
      needY = true;
    } else if (g.code == 40) {
      radius = ParseReal(g.value);
    }
  });
  if (needY) ThrowFailure(kErrDrawingMalformed, 0);
  WriteCircle(Place(x, y), std::fabs(radius) * placement_.LengthFactor() * scale_ * 2.0);
}

void DrawingImport::ReadArc() {
  double x = 0, y = 0, radius = 0, a0 = 0, a1 = 0;
  ForEachGroup([&](const Group& g) {
    if (g.code == 10) x = ParseReal(g.value);
    else if (g.code == 20) y = ParseReal(g.value);
    else if (g.code == 40) radius = ParseReal(g.value);
    else if (g.code == 50) a0 = ParseReal(g.value);
    else if (g.code == 51) a1 = ParseReal(g.value);
  });
  std::vector<EngPoint> points;
  AppendArcPoints(a0, a1, radius, {x, y}, true, points);
  for (size_t k = 1; k < points.size(); ++k)
    WriteLine(Place(points[k - 1].x, points[k - 1].y), Place(points[k].x, points[k].y));
}

void DrawingImport::ReadPolyline() {
  int32_t flags = 0;
  ForEachGroup([&](const Group& g) {
    if (g.code == 70) flags = ParseCode(g.value);
  });
  std::vector<Vertex> vertices;
  for (;;) {
    if (groups_.AtEnd()) break;
    const Group group = ReadGroup();
    if (group.code != 0) continue;
    if (group.value == "SEQEND") break;
    if (group.value != "VERTEX") {
      Unread(group);
      break;
    }
    Vertex vertex;
    int32_t vertexFlags = 0;
    bool takeY = false;
    ForEachGroup([&](const Group& g) {
      if (takeY) {
        vertex.y = ParseReal(g.value);
        takeY = false;
      } else if (g.code == 10) {
        vertex.x = ParseReal(g.value);
        takeY = true;
      } else if (g.code == 42) {
        vertex.bulge = ParseReal(g.value);
      } else if (g.code == 70) {
        vertexFlags = ParseCode(g.value);
      }
    });
    if ((vertexFlags & kVertexSkipped) != 0) continue;
    if (!vertices.empty() && Near({vertices.back().x, vertices.back().y}, {vertex.x, vertex.y}))
      continue;
    vertices.push_back(vertex);
  }
  if ((flags & kPolylineSkipped) != 0) return PassOver("POLYLINE");
  WriteOutline(vertices);
}

void DrawingImport::ReadLightPolyline() {
  // Each vertex starts at its x; the y and the bulge after it are that vertex's.
  std::vector<Vertex> vertices;
  ForEachGroup([&](const Group& g) {
    if (g.code == 10) vertices.push_back({ParseReal(g.value), 0.0, 0.0});
    else if (vertices.empty()) return;
    else if (g.code == 20) vertices.back().y = ParseReal(g.value);
    else if (g.code == 42) vertices.back().bulge = ParseReal(g.value);
  });
  std::vector<Vertex> kept;
  for (const Vertex& vertex : vertices) {
    if (!kept.empty() && Near({kept.back().x, kept.back().y}, {vertex.x, vertex.y})) continue;
    kept.push_back(vertex);
  }
  WriteOutline(kept);
}

void DrawingImport::WriteOutline(const std::vector<Vertex>& vertices) {
  std::vector<EngPoint> points = ExpandBulges(vertices);
  if (points.size() > 1 && Near(points.front(), points.back())) points.pop_back();
  for (EngPoint& p : points)
    p = Place(p.x, p.y);
  if (points.size() >= 3) WritePolygon(points);
  else if (points.size() == 2) WriteLine(points[0], points[1]);
}

void DrawingImport::ReadInsert() {
  std::string name;
  double x = 0, y = 0, sx = 1, sy = 1, rotation = 0;
  ForEachGroup([&](const Group& g) {
    switch (g.code) {
      case 2: name.assign(g.value); break;
      case 10: x = ParseReal(g.value); break;
      case 20: y = ParseReal(g.value); break;
      case 41: sx = ParseReal(g.value); break;
      case 42: sy = ParseReal(g.value); break;
      case 50: rotation = ParseReal(g.value); break;
      default: break;
    }
  });
  const BlockEntry* block = nullptr;
  for (const BlockEntry& entry : blocks_) {
    if (entry.name != name) continue;
    block = &entry;
    break;
  }
  if (block == nullptr) return;
  // A block inside itself would be read without end.
  if (std::find(active_.begin(), active_.end(), block) != active_.end()) {
    const std::string cause = "The drawing's block \"" + name.substr(0, 100) + "\" inserts itself.";
    Refuse(cause.c_str());
  }
  // Deeper inserts are passed over.
  if (active_.size() >= static_cast<size_t>(kMostInsertDepth)) return;
  // The block's base point goes to the insertion point, scaled and turned about it.
  const double t = rotation * kRadiansPerDegree;
  Placement own;
  own.a = std::cos(t) * sx;
  own.b = -std::sin(t) * sy;
  own.c = std::sin(t) * sx;
  own.d = std::cos(t) * sy;
  own.tx = x - (own.a * block->base.x + own.b * block->base.y);
  own.ty = y - (own.c * block->base.x + own.d * block->base.y);
  const Placement outer = placement_;
  const size_t resume = groups_.Position();
  placement_ = outer.After(own);
  active_.push_back(block);
  groups_.Seek(block->position);
  try {
    ReadEntities(true);
  } catch (...) {
    active_.pop_back();
    placement_ = outer;
    throw;
  }
  active_.pop_back();
  placement_ = outer;
  groups_.Seek(resume);
}

int16_t DrawingImport::TakeIdentifier() {
  if (nextIdentifier_ == world_text::kWorldIdentifier) ++nextIdentifier_;
  if (nextIdentifier_ > kLastIdentifier) {
    FailureDetailText() = "The drawing holds more objects than a world can (32767).";
    ThrowFailure(kErrDrawingMalformed, 0);
  }
  return static_cast<int16_t>(nextIdentifier_++);
}

void DrawingImport::WritePoint(const EngPoint& point) {
  const EngPoint p = Checked(point);
  writer_.WriteObjectStart(TakeIdentifier());
  writer_.WriteRecordLine(world_text::kPoint, 4).WriteString("0 ").WriteDouble(p.x);
  writer_.WriteChar(' ').WriteDouble(p.y).WriteString(" 0\n");
  writer_.WriteRecordLine(world_text::kPointFlags, 1).WriteString("2\n");
  writer_.WriteObjectEnd();
  bounds_.Extend(p.x, p.y);
  ++objects_;
}

void DrawingImport::WriteLine(const EngPoint& start, const EngPoint& end) {
  const EngPoint p1 = Checked(start);
  const EngPoint p2 = Checked(end);
  writer_.WriteObjectStart(TakeIdentifier());
  writer_.WriteRecordLine(world_text::kLine, 5).WriteDouble(p1.x).WriteChar(' ');
  writer_.WriteDouble(p1.y).WriteChar(' ').WriteDouble(p2.x).WriteChar(' ').WriteDouble(p2.y);
  writer_.WriteString(" 1\n");
  writer_.WriteRecordLine(world_text::kColour, 3).WriteString("56683, 2242,1698\n");
  writer_.WriteRecordLine(world_text::kName, 1).WriteString("Line\n");
  writer_.WriteObjectEnd();
  bounds_.Extend(p1.x, p1.y);
  bounds_.Extend(p2.x, p2.y);
  ++objects_;
}

namespace body_text {
// A body at rest of mass 1 after its position and before its moment; after the moment, every
// other value 0.
constexpr char kAtRest[] = " 0\n0 0 0\n1 ";
constexpr char kStill[] = "\n0 0\n0 0 0 0 0 0\n0 0\n";
// Pen, not filled, pattern, light grey, no marks, no tracks, material 1, the moment computed.
constexpr char kAppearance[] = "1 0 1 -16192;\t-16192;\t-16192 0 0 0 1 2\n";
}  // namespace body_text

void DrawingImport::WriteCircle(const EngPoint& at, double size) {
  const EngPoint centre = Checked(at);
  const double diameter = Checked(size);
  // A solid disc of mass 1: a body of no moment could not turn, and no run could take it.
  const double moment = Checked(diameter * diameter / 8.0);
  Checked(EngPoint(centre.x - diameter / 2, centre.y - diameter / 2));
  Checked(EngPoint(centre.x + diameter / 2, centre.y + diameter / 2));
  writer_.WriteObjectStart(TakeIdentifier());
  writer_.WriteRecordLine(world_text::kOval, 2).WriteDouble(diameter).WriteChar(' ');
  writer_.WriteDouble(diameter).WriteChar('\n');
  writer_.WriteRecordLine(world_text::kBody, 18).WriteDouble(centre.x).WriteChar(' ');
  writer_.WriteDouble(centre.y).WriteString(body_text::kAtRest);
  writer_.WriteDouble(moment).WriteString(body_text::kStill);
  writer_.WriteRecordLine(world_text::kAppearance, 11).WriteString(body_text::kAppearance);
  writer_.WriteRecordLine(world_text::kName, 1).WriteString("Circle\n");
  writer_.WriteObjectEnd();
  bounds_.Extend(centre.x - diameter / 2, centre.y - diameter / 2);
  bounds_.Extend(centre.x + diameter / 2, centre.y + diameter / 2);
  ++objects_;
}

void DrawingImport::WritePolygon(const std::vector<EngPoint>& vertices) {
  for (const EngPoint& vertex : vertices)
    Checked(vertex);
  const double moment = Checked(UnitMoment(vertices));
  const int16_t shape = TakeIdentifier();
  const int16_t body = TakeIdentifier();
  const auto n = static_cast<int32_t>(vertices.size());
  writer_.WriteObjectStart(shape).WriteString("/*  --- tagEngShapeTable ---  */\n");
  writer_.WriteRecordLine(world_text::kShapeList, 2 * n + 2);
  writer_.WriteString("2, ").WriteLong(n).WriteChar('\n');
  for (const EngPoint& vertex : vertices) {
    writer_.WritePair(vertex).WriteChar('\n');
    bounds_.Extend(vertex.x, vertex.y);
  }
  writer_.WriteObjectEnd();
  writer_.WriteObjectStart(body);
  writer_.WriteRecordLine(world_text::kPolygon, 1).WriteShort(shape).WriteChar('\n');
  writer_.WriteRecordLine(world_text::kBody, 18).WriteString("0 0").WriteString(body_text::kAtRest);
  writer_.WriteDouble(moment).WriteString(body_text::kStill);
  writer_.WriteRecordLine(world_text::kAppearance, 11).WriteString(body_text::kAppearance);
  // The polygon finds its centroid and moves to it when read.
  writer_.WriteRecordLine(world_text::kPolygonCentroid, 1).WriteString("1\n");
  writer_.WriteRecordLine(world_text::kName, 1).WriteString("Polygon\n");
  writer_.WriteObjectEnd();
  ++objects_;
}

void DrawingImport::WriteView() {
  EngBounds box = bounds_;
  // A drawing of one place (points only, or all at one spot) is shown a unit wide around it.
  if (box.Width() == 0.0 && box.Height() == 0.0) {
    box.left -= 0.5;
    box.right += 0.5;
    box.top += 0.5;
    box.bottom -= 0.5;
  }
  // The view widens the box by a tenth on each side and scales it to the window: every number
  // of that must stay finite, for a drawing too wide or too narrow to be framed.
  const double w = Checked(box.Width() * 1.2);
  const double h = Checked(box.Height() * 1.2);
  const double scale = Checked(std::min(w > 0.0 ? window_.h / w : HUGE_VAL,
                                        h > 0.0 ? window_.v / h : HUGE_VAL));
  Checked(EngPoint(box.left * scale + w * scale, box.top * scale + h * scale));
  WriteHomeView(writer_, box, window_);
}

}  // namespace

int16_t ImportDXF(std::span<const uint8_t> drawing, Handle handle, double scale,
                  MacPoint windowSize, const DrawingProgress& progress, std::string* passedOver) {
  if (handle == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  bool written = false;
  try {
    TWorldTextWriter writer(handle);
    DrawingImport import(drawing, writer, scale, windowSize, progress);
    written = import.Run();
    if (passedOver != nullptr) *passedOver = import.PassedOver();
    if (written) writer.Finish();
  } catch (...) {
    ResizeHandle(handle, 0);
    throw;
  }
  if (written) return 0;
  ResizeHandle(handle, 0);
  return kErrDrawingEmpty;
}

int16_t ImportDXF(TMacFile& file, Handle handle, double scale, MacPoint windowSize,
                  const DrawingProgress& progress, std::string* passedOver) {
  int32_t length = 0;
  FailIfError(file.GetEOF(length));
  FailIfError(file.SetFPos(0, 0));
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max(length, 0)));
  int32_t count = length;
  if (count > 0) FailIfError(file.Read(bytes.data(), count));
  bytes.resize(static_cast<size_t>(std::max(count, 0)));
  return ImportDXF(bytes, handle, scale, windowSize, progress, passedOver);
}
