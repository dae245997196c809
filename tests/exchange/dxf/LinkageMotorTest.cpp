// The motor of a linkage built from a drawing is its crank's bearing as well as its drive: the
// world text the solver reads holds the input link's head on the driver point across and along,
// besides turning it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/Handle.h"
#include "exchange/dxf/LinkageBuilder.h"

namespace {

struct Place {
  double x, y;
};

void Put(std::vector<uint8_t>& bytes, size_t at, int16_t value) {
  std::memcpy(bytes.data() + at, &value, 2);
}

// A linkage file in tenths of a metre: the title record at byte 210, then the link records.
std::vector<uint8_t> LinkageBytes() {
  std::vector<uint8_t> bytes(210, 0);
  std::vector<uint8_t> title(64, 0);
  Put(title, 0, 100);
  Put(title, 8, 2);
  Put(title, 10, 10);
  Put(title, 12, 10);
  bytes.insert(bytes.end(), title.begin(), title.end());
  const auto link = [&bytes](int16_t type, const std::vector<Place>& named,
                             const std::vector<Place>& outline) {
    std::vector<uint8_t> record(6, 0);
    Put(record, 0, type);
    Put(record, 2, static_cast<int16_t>(outline.size()));
    Put(record, 4, 3);
    for (const auto* points : {&named, &outline}) {
      for (const Place& p : *points) {
        std::vector<uint8_t> entry(22, 0);
        Put(entry, 8, static_cast<int16_t>(std::lround(p.y * 10)));
        Put(entry, 10, static_cast<int16_t>(std::lround(p.x * 10)));
        record.insert(record.end(), entry.begin(), entry.end());
      }
    }
    bytes.insert(bytes.end(), record.begin(), record.end());
  };
  // A crank about (0, 0), a long coupler to a rocker about (4, 0): a crank-rocker.
  const Place a{0, 0}, b{0, 1}, c{4, 3}, d{4, 0}, tracer{2, 3.5};
  link(308, {a, a, b}, {{-0.2, -0.2}, {0.2, -0.2}, {0.2, 1.2}, {-0.2, 1.2}});
  link(309, {b, c, tracer}, {{-0.2, 0.8}, {4.2, 2.8}, {4.2, 3.2}, {2, 3.7}, {-0.2, 1.2}});
  link(308, {c, d, d}, {{3.8, -0.2}, {4.2, -0.2}, {4.2, 3.2}, {3.8, 3.2}});
  return bytes;
}

// The goal rows (type, component, value) of the solver record that follows the motor's record.
std::vector<std::tuple<int, int, double>> MotorRows(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line) && !line.starts_with("5225;")) {
  }
  while (std::getline(lines, line) && !line.starts_with("1310;")) {
  }
  std::getline(lines, line);  // quantities and activation
  std::getline(lines, line);  // the two attached points
  int count = 0;
  lines >> count;
  std::getline(lines, line);
  std::vector<std::tuple<int, int, double>> rows;
  for (int i = 0; i < count && std::getline(lines, line); ++i) {
    int type = -1, limit = -1, component = -1;
    double value = -1.0;
    char separator = 0;
    std::istringstream row(line);
    row >> type >> separator >> limit >> separator >> component >> separator >> value;
    rows.emplace_back(type, component, value);
  }
  return rows;
}

TEST(LinkageMotor, HoldsTheInputHeadAcrossAndAlongAndTurnsIt) {
  InitHandlePool();
  Handle text = AllocHandle(0);
  const std::vector<uint8_t> bytes = LinkageBytes();
  BuildLinkage(bytes, text, MacPoint(640, 480));
  const std::string world(static_cast<const char*>(HandleData(text)), GetHandleByteSize(text));
  FreeHandle(text);
  FreeHandlePool();
  const auto rows = MotorRows(world);
  const std::set<std::tuple<int, int, double>> found(rows.begin(), rows.end());
  EXPECT_EQ(rows.size(), 3u);
  // Position goals of nothing between the two points: across (x) and along (y).
  EXPECT_TRUE(found.contains({1, 0, 0.0})) << "the head may leave the driver point across";
  EXPECT_TRUE(found.contains({1, 1, 0.0})) << "the head may leave the driver point along";
  // The drive: the turn's speed.
  EXPECT_TRUE(found.contains({2, 2, 1.0}));
}

}  // namespace
