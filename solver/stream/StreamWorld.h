#pragma once
// The world as the native object stream describes it, before it is turned into a mechanical
// system: one record per block the solver uses, each keeping the identifier of the object that
// wrote it. Objects refer to each other by identifier; StreamReader checks that every identifier
// named is there. docs/solver-stream.md gives each block's layout.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "solver/dynamics/RunSettings.h"
#include "solver/stream/StreamCursor.h"

namespace yb::stream {

// Block codes.
inline constexpr int16_t kBlockBody = 1200;
inline constexpr int16_t kBlockPolygon = 1201;
inline constexpr int16_t kBlockCircleSize = 1202;
inline constexpr int16_t kBlockRectangleSize = 1203;
inline constexpr int16_t kBlockCurved = 1205;
inline constexpr int16_t kBlockConstraint = 1310;
inline constexpr int16_t kBlockPoint = 1500;
inline constexpr int16_t kBlockSplinePoint = 1501;
inline constexpr int16_t kBlockGearContactPoint = 1502;
inline constexpr int16_t kBlockElements = 1600;
inline constexpr int16_t kBlockTable = 1701;
inline constexpr int16_t kBlockGroup = 1800;
inline constexpr int16_t kBlockCollisionGroup = 1802;
inline constexpr int16_t kBlockRunSettings = 1900;

// The identifier of the background body, which writes no body record of its own.
inline constexpr int16_t kBackgroundId = 0;
inline constexpr int16_t kNoObject = -1;

// The body record, items in stream order.
enum BodyItem : uint8_t {
  kBodyX,
  kBodyY,
  kBodyRotation,
  kBodyVx,
  kBodyVy,
  kBodyVr,
  kBodyMass,
  kBodyMoment,
  kBodyComX,
  kBodyComY,
  kBodyStaticFriction,
  kBodyKineticFriction,
  kBodyElasticity,
  kBodyCharge,
  kBodyAnchor1,
  kBodyAnchor2,
  kBodyItemCount
};

struct BodyRecord {
  int16_t id = 0;
  std::array<FormulaItem, kBodyItemCount> items;
  int16_t recordWord = 0;
  int16_t anchored = 0;
  // The shape blocks: a circle's or a rectangle's size, or a polygon's vertex table.
  enum class Shape : uint8_t { None, Circle, Rectangle, Polygon } shape = Shape::None;
  double width = 0, height = 0;
  int16_t table = kNoObject;
  bool curved = false;
};

// Points (1500), gear contact points (1502) and spline points (1501 beside 1500).
struct PointRecord {
  int16_t id = 0;
  int16_t body = kNoObject;
  FormulaItem x, y, r;
  bool gearContact = false;
  bool spline = false;
  int16_t splineType = 0;
  int16_t table = kNoObject;
};

struct TableRecord {
  int16_t id = 0;
  int16_t columns = 0, rows = 0;
  std::vector<double> values;  // row after row
};

struct GoalRecord {
  uint8_t type = 0, marking = 0, component = 0;
  FormulaItem value;
};

struct ConstraintRecord {
  int16_t id = 0;
  int16_t frameObject = kNoObject;  // the related-object query's answer
  FormulaItem primaryQuantity;
  FormulaItem activation;
  int16_t conditionMode = 0;
  int16_t related = kNoObject;  // a field constraint's group
  FormulaItem second;
  std::vector<int16_t> attached;
  std::vector<GoalRecord> goals;
};

struct GroupRecord {
  int16_t id = 0;
  int16_t mode = 1;          // 0 relative to the reference, 1 each object, 2 explicit pairs
  bool includes = false;     // the list names what is included (else what is excluded)
  int16_t reference = kNoObject;
  std::vector<int16_t> members;  // in mode 2, pairs one after the other
  bool collision = false;
};

// The recorded formulas of one object, in the order its frame values are written.
struct ElementList {
  int16_t id = 0;
  std::vector<FormulaItem> items;
};

struct StreamWorld {
  std::vector<int16_t> objects;  // every identifier, in stream order
  std::vector<BodyRecord> bodies;
  std::vector<PointRecord> points;
  std::vector<TableRecord> tables;
  std::vector<ConstraintRecord> constraints;
  std::vector<GroupRecord> groups;
  std::vector<ElementList> elements;
  std::optional<dynamics::RunSettings> settings;
};

}  // namespace yb::stream
