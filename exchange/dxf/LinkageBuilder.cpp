#include "exchange/dxf/LinkageBuilder.h"

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Alert.h"
#include "core/Failure.h"
#include "exchange/text/WorldTextRecords.h"
#include "model/filing/DocumentFormat.h"

namespace {

constexpr size_t kTitleSearchStart = 204;
constexpr int16_t kTitleMarker = 100;
constexpr size_t kTitleBytes = 64;
constexpr int16_t kBinaryLink = 308;
constexpr int16_t kTernaryLink = 309;
constexpr size_t kLinkHeaderBytes = 6;
constexpr int16_t kNamedPoints = 3;
constexpr int16_t kMostOutlinePoints = 1000;
constexpr size_t kEntry = TWorldText1701::kEntryBytes;

int16_t ShortAt(std::span<const uint8_t> bytes, size_t at) {
  int16_t value;
  std::memcpy(&value, bytes.data() + at, 2);
  return value;
}

double DoubleAt(std::span<const uint8_t> bytes, size_t at) {
  double value;
  std::memcpy(&value, bytes.data() + at, 8);
  return value;
}

bool InRange(int16_t value, int16_t low, int16_t high) { return value >= low && value <= high; }

struct Title {
  double unit = 1.0;
  double xScale = 1.0;
  double yScale = 1.0;
  double xOffset = 0.0;
  double yOffset = 0.0;
  size_t end = 0;
};

double UnitFactor(int16_t code) {
  switch (code) {
    case 0: return 2.54 / 100;
    case 1: return 0.01;
    case 3: return 0.001;
    case 4: return 2.54 * 12 / 100;
    default: return 1.0;
  }
}

std::optional<Title> FindTitle(std::span<const uint8_t> bytes) {
  for (size_t at = kTitleSearchStart; at + kTitleBytes <= bytes.size(); at += 2) {
    if (ShortAt(bytes, at) != kTitleMarker) continue;
    const int16_t first = ShortAt(bytes, at + 2);
    const bool flags = InRange(ShortAt(bytes, at + 4), 0, 1) && InRange(ShortAt(bytes, at + 6), 0, 1);
    const int16_t unit = ShortAt(bytes, at + 8);
    const int16_t xScale = ShortAt(bytes, at + 10);
    const int16_t yScale = ShortAt(bytes, at + 12);
    const double xOffset = DoubleAt(bytes, at + 16);
    const double yOffset = DoubleAt(bytes, at + 24);
    if (first < 0 || !flags || !InRange(unit, 0, 1000) || !InRange(xScale, 0, 1000) ||
        !InRange(yScale, 0, 1000) || !std::isfinite(xOffset) || !std::isfinite(yOffset))
      continue;
    // A scale of 0 would divide by nothing: it means no scaling.
    return Title{UnitFactor(unit), xScale != 0 ? xScale : 1.0, yScale != 0 ? yScale : 1.0,
                 xOffset, yOffset, at + kTitleBytes};
  }
  return std::nullopt;
}

struct LinkRecord {
  std::span<const uint8_t> named;    // three 22-byte point entries
  std::span<const uint8_t> outline;  // the outline's point entries
};

// The link records after the title: the ternary link and the first two binary links.
struct LinkRecords {
  std::optional<LinkRecord> input, middle, output;
};

LinkRecords FindLinks(std::span<const uint8_t> bytes, size_t from) {
  LinkRecords links;
  for (size_t at = from; at + kLinkHeaderBytes <= bytes.size(); ++at) {
    const int16_t type = ShortAt(bytes, at);
    if (type != kBinaryLink && type != kTernaryLink) continue;
    const int16_t outline = ShortAt(bytes, at + 2);
    if (ShortAt(bytes, at + 4) != kNamedPoints || !InRange(outline, 3, kMostOutlinePoints)) continue;
    const size_t end = at + kLinkHeaderBytes + (kNamedPoints + static_cast<size_t>(outline)) * kEntry;
    if (end > bytes.size()) continue;
    const LinkRecord link{bytes.subspan(at + kLinkHeaderBytes, kNamedPoints * kEntry),
                          bytes.subspan(at + kLinkHeaderBytes + kNamedPoints * kEntry,
                                        static_cast<size_t>(outline) * kEntry)};
    if (type == kTernaryLink && !links.middle) links.middle = link;
    else if (type == kBinaryLink && !links.input) links.input = link;
    else if (type == kBinaryLink && !links.output) links.output = link;
    else continue;
    at = end - 1;
  }
  return links;
}

EngPoint EntryPoint(std::span<const uint8_t> entries, size_t index) {
  MacPoint point;
  std::memcpy(&point.v, entries.data() + index * kEntry + TWorldText1701::kEntryPointOffset, 2);
  std::memcpy(&point.h, entries.data() + index * kEntry + TWorldText1701::kEntryPointOffset + 2, 2);
  return EngPoint::FromMacPoint(point);
}

[[noreturn]] void NotALinkage(const char* why) {
  FailureDetailText() = why;
  ThrowFailure(kErrBadFormat, 0);
}

// A built link: its outline, its body and the positions of its three named points.
struct BuiltLink {
  std::unique_ptr<TWorldText1701> shape;
  std::unique_ptr<TWorldText1201> body;
  std::array<EngPosition, 3> named;
};

void Build(std::span<const uint8_t> bytes, TWorldTextWriter& writer, MacPoint window) {
  const std::optional<Title> title = FindTitle(bytes);
  if (!title) NotALinkage("The file holds no linkage: its title record was not found.");
  const LinkRecords records = FindLinks(bytes, title->end);
  if (!records.input || !records.middle || !records.output)
    NotALinkage("The linkage file does not hold an input, a middle and an output link.");

  EngBounds bounds;
  const TWorldText1701::Conversion convert = [&title, &bounds](const EngPoint& p) {
    const EngPoint world((p.x / title->xScale + title->xOffset) * title->unit,
                         (p.y / title->yScale + title->yOffset) * title->unit);
    bounds.Extend(world.x, world.y);
    return world;
  };
  TWorldTextRecord::RestartIdentifiers();
  writer.WriteHeader();
  const auto build = [&](const LinkRecord& record, const char* name) {
    BuiltLink link;
    link.shape = std::make_unique<TWorldText1701>(record.outline, convert);
    link.body = std::make_unique<TWorldText1201>(*link.shape);
    link.body->SetName(name);
    for (size_t i = 0; i < link.named.size(); ++i)
      link.named[i] = EngPosition(convert(EntryPoint(record.named, i)));
    link.shape->WriteObject(writer);
    link.body->WriteObject(writer);
    return link;
  };
  const BuiltLink input = build(*records.input, "Input BinLink");
  const BuiltLink middle = build(*records.middle, "Middle TernLink");
  const BuiltLink output = build(*records.output, "Output BinLink");

  // The driver and ground points hold the linkage to the world.
  std::vector<std::unique_ptr<TWorldText1500>> points;
  const auto on = [&points](const BuiltLink* link, const EngPosition& at, const char* name) {
    points.push_back(link != nullptr ? std::make_unique<TWorldText1500>(*link->body, at)
                                     : std::make_unique<TWorldText1500>(at));
    points.back()->SetName(name);
    return points.back().get();
  };
  const TWorldText1500* driver = on(nullptr, input.named[0], "Driver Point");
  const TWorldText1500* inputHead = on(&input, input.named[1], "Input Head");
  const TWorldText1500* inputTail = on(&input, input.named[2], "Input Tail");
  const TWorldText1500* middleHead = on(&middle, middle.named[0], "TL Head");
  const TWorldText1500* middleTail = on(&middle, middle.named[1], "TL Tail");
  on(&middle, middle.named[2], "Tracer");
  const TWorldText1500* outputHead = on(&output, output.named[0], "Output head");
  const TWorldText1500* outputTail = on(&output, output.named[1], "Output Tail");
  const TWorldText1500* ground = on(nullptr, output.named[2], "Ground Point");
  for (const auto& point : points)
    point->WriteObject(writer);

  // The motor turns the input link against the world at its speed: the drive goal first.
  TWorldText5225 motor(*driver, *inputHead);
  motor.SetName("Motor");
  motor.AddRow(2, 0, 2, motor.drive);
  motor.AddRow(1, 0, 0, 0);
  motor.AddRow(1, 0, 1, 0);
  motor.WriteObject(writer);
  const std::array<std::pair<const TWorldText1500*, const TWorldText1500*>, 3> joins = {
      {{inputTail, middleHead}, {middleTail, outputHead}, {outputTail, ground}}};
  for (const auto& [first, second] : joins) {
    TWorldText5230 pin(*first, *second);
    pin.SetName("Pin");
    pin.AddRow(1, 0, 0, 0);
    pin.AddRow(1, 0, 1, 0);
    pin.WriteObject(writer);
  }
  if (bounds.Width() == 0.0 && bounds.Height() == 0.0) ThrowFailure(kErrLinkageFlat, 0);
  WriteHomeView(writer, bounds, window);
  writer.WriteListEnd();
}

}  // namespace

bool IsLinkageFile(std::span<const uint8_t> bytes) { return FindTitle(bytes).has_value(); }

void BuildLinkage(std::span<const uint8_t> bytes, Handle handle, MacPoint windowSize) {
  if (handle == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  try {
    TWorldTextWriter writer(handle);
    Build(bytes, writer, windowSize);
    writer.Finish();
  } catch (...) {
    ResizeHandle(handle, 0);
    throw;
  }
}
