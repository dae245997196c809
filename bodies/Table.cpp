// TTable and TUITable: registration, filing, the point operations and the inside test.

#include "bodies/Table.h"

#include <cmath>
#include <new>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

// ---- 1. Registration and lifecycle -------------------------------------------------------------

void TTable::RegisterClasses() {
  RegisterClassInfo("TTable", kTableTag, kClassID, CreateObject, sizeof(TTable));
  RegisterClassInfo("TUITable", kUITableTag, TUITable::kClassID, TUITable::CreateObject,
                    sizeof(TUITable));
}

TObject* TTable::CreateObject() {
  return new (std::nothrow) TTable();
}

TObject* TUITable::CreateObject() {
  return new (std::nothrow) TUITable();
}

void TTable::Initialize() {
  TLink::Initialize();
  columns_ = rows_ = 0;
  values_.clear();
}

void TTable::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kTableTag);
}

void TUITable::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kUITableTag);
}

// ---- 2. Filing ---------------------------------------------------------------------------------

void TTable::ForEachBlockCode(BlockCallback callback, void* context) {
  // A user-interface table reports the solver's code as well: that is the block a change of
  // its points concerns.
  callback(kBlockContents, context);
}

void TTable::ReadContents(TObjectReader& reader) {
  values_.clear();
  const int32_t columns = reader.ReadInt();
  const int32_t rows = reader.ReadInt();
  // Damage is the reader's to report: each kind of stream fails in its own way.
  reader.FailIfBadFormat(columns < 0 || rows < 0 || columns > kMaxRows || rows > kMaxRows);
  // The product in 64 bits, checked against the block before anything is allocated: a stored
  // real takes at least a byte in every kind of stream (a digit and its separator in a text).
  const int64_t n = static_cast<int64_t>(columns) * rows;
  reader.FailIfBadFormat(n > reader.BlockRemaining());
  std::vector<double> values;
  values.reserve(static_cast<size_t>(n));
  for (int64_t k = 0; k < n; ++k)
    values.push_back(reader.ReadReal());
  columns_ = static_cast<int16_t>(columns);
  rows_ = static_cast<int16_t>(rows);
  values_ = std::move(values);
}

void TTable::WriteContents(TObjectWriter& writer) const {
  writer.WriteShort(columns_);
  writer.WriteShort(rows_);
  const size_t n = static_cast<size_t>(columns_) * static_cast<size_t>(rows_);
  // The values are written as the counts promise; a table whose values fall short (its rows
  // were read without columns) writes zeros for the missing ones.
  for (size_t k = 0; k < n; ++k)
    writer.WriteDouble(k < values_.size() ? values_[k] : 0.0);
}

uint16_t TTable::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockContents) return TLink::ReadBlockContents(code, reader);
  ReadContents(reader);
  return 1;
}

void TTable::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockContents) {
    TLink::WriteBlockContents(code, writer);
    return;
  }
  WriteContents(writer);
}

void TTable::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, GetBlockCode());
  TLink::WriteFields(writer);
}

uint16_t TUITable::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockContents) return TTable::ReadBlockContents(code, reader);
  ReadContents(reader);
  return 1;
}

void TUITable::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockContents) {
    TTable::WriteBlockContents(code, writer);
    return;
  }
  WriteContents(writer);
}

// ---- 3. Points ---------------------------------------------------------------------------------

int32_t TTable::GetCount() const {
  const auto pairs = static_cast<int32_t>(values_.size() / 2);
  return rows_ < pairs ? rows_ : pairs;
}

void TTable::CheckPointIndex(int32_t i) const {
  if (i < 1 || i > GetCount()) ThrowFailure(kErrBadFormat, 0);
}

void TTable::CheckGrowth(int32_t added) const {
  if (added < 0 || static_cast<int64_t>(rows_) + added > kMaxRows) ThrowFailure(-108, 0);
}

void TTable::UsePointColumns() {
  if (columns_ == 0) columns_ = 2;
}

TVector TTable::GetPoint(int32_t i) const {
  CheckPointIndex(i);
  const auto k = static_cast<size_t>(2 * (i - 1));
  return {values_[k], values_[k + 1]};
}

void TTable::SetPoint(int32_t i, const TVector& point) {
  CheckPointIndex(i);
  const auto k = static_cast<size_t>(2 * (i - 1));
  values_[k] = point.x;
  values_[k + 1] = point.y;
}

int32_t TTable::AppendPoint(const TVector& point) {
  CheckGrowth(1);
  // The values end where the points end, so a table whose rows ran ahead of its values (read
  // without columns) keeps its points in step.
  values_.resize(static_cast<size_t>(2 * GetCount()));
  values_.push_back(point.x);
  values_.push_back(point.y);
  UsePointColumns();
  rows_ = static_cast<int16_t>(values_.size() / 2);
  return rows_;
}

TVector TTable::RemoveLastPoint() {
  const int32_t n = GetCount();
  const TVector last = GetPoint(n);
  values_.resize(static_cast<size_t>(2 * (n - 1)));
  rows_ = static_cast<int16_t>(n - 1);
  return last;
}

void TTable::DuplicatePoint(int32_t i, int32_t n) {
  CheckPointIndex(i);
  CheckGrowth(n);
  if (n == 0) return;
  const TVector point = GetPoint(i);
  values_.resize(static_cast<size_t>(2 * GetCount()));
  std::vector<double> copies;
  copies.reserve(static_cast<size_t>(2 * n));
  for (int32_t k = 0; k < n; ++k) {
    copies.push_back(point.x);
    copies.push_back(point.y);
  }
  values_.insert(values_.begin() + 2 * (i - 1), copies.begin(), copies.end());
  UsePointColumns();
  rows_ = static_cast<int16_t>(values_.size() / 2);
}

void TTable::DeletePoints(int32_t i, int32_t n) {
  if (n == 0) return;
  if (n < 0) ThrowFailure(kErrBadFormat, 0);
  CheckPointIndex(i);
  CheckPointIndex(i + n - 1);
  values_.resize(static_cast<size_t>(2 * GetCount()));
  values_.erase(values_.begin() + 2 * (i - 1), values_.begin() + 2 * (i - 1 + n));
  rows_ = static_cast<int16_t>(values_.size() / 2);
}

void TTable::Clear() {
  values_.clear();
  rows_ = 0;
}

void TTable::Assign(int16_t columns, int16_t rows, std::vector<double> values) {
  if (columns < 0 || rows < 0 ||
      values.size() != static_cast<size_t>(columns) * static_cast<size_t>(rows))
    ThrowFailure(kErrBadFormat, 0);
  columns_ = columns;
  rows_ = rows;
  values_ = std::move(values);
}

// ---- 4. Inside test ----------------------------------------------------------------------------

namespace {

// A point classified against the test point t: bit 0 set above t's horizontal; the rest the
// octant of its offset folded into the first quadrant, so that most edges are decided from the
// codes alone.
struct TCrossingPoint {
  int16_t code = 0;
  TVector offset;  // |p - t|, componentwise
};

TCrossingPoint ClassifyPoint(const TVector& p, const TVector& t) {
  TCrossingPoint c;
  double dx = p.x - t.x;
  const double dy = std::fabs(p.y - t.y);
  c.code = static_cast<int16_t>(p.y - t.y > 0.0 ? 1 : 0);
  if (dx >= 0.0) {
    if (dy > dx) c.code = static_cast<int16_t>(c.code + 2);
  } else {
    dx = -dx;
    c.code = static_cast<int16_t>(c.code + (dy > dx ? 4 : 6));
  }
  c.offset = TVector(dx, dy);
  return c;
}

// Whether the edge between a and b crosses the ray from t towards +x.
bool EdgeCrosses(const TCrossingPoint& a, const TCrossingPoint& b) {
  if ((a.code & 1) == (b.code & 1)) return false;
  const int32_t sum = a.code + b.code;
  if (sum < 7) return true;
  if (sum > 7) return false;
  const TCrossingPoint& p = a.code < b.code ? a : b;
  const TCrossingPoint& q = a.code < b.code ? b : a;
  return p.offset.x * q.offset.y > p.offset.y * q.offset.x;
}

}  // namespace

bool TTable::ContainsPoint(const TVector& point) const {
  const int32_t n = GetCount();
  if (n < 3) return false;
  int32_t crossings = 0;
  TCrossingPoint previous = ClassifyPoint(GetPoint(n), point);
  for (int32_t i = 1; i <= n; ++i) {
    const TCrossingPoint current = ClassifyPoint(GetPoint(i), point);
    if (EdgeCrosses(previous, current)) ++crossings;
    previous = current;
  }
  return (crossings & 1) != 0;
}
