#include "core/geometry/IntRect.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

int16_t Add(int16_t a, int16_t b) {
  return static_cast<int16_t>(a + b);
}
int16_t Sub(int16_t a, int16_t b) {
  return static_cast<int16_t>(a - b);
}

// Room for "QV_CRect(" and four signed 16-bit numbers with their separators.
char gDumpText[64];
POINT gRotatingPoints[4];
int16_t gRotatingIndex = 0;
RECT gWinRect;

}  // namespace

const char* QV_CPoint::Dump() const {
  std::snprintf(gDumpText, sizeof gDumpText, "QV_CPoint(%d, %d)", h, v);
  return gDumpText;
}

POINT* QV_CPoint::ToWinPointRotating() const {
  gRotatingIndex = static_cast<int16_t>((gRotatingIndex + 1) % 4);
  gRotatingPoints[gRotatingIndex] = ToWinPoint();
  return &gRotatingPoints[gRotatingIndex];
}

QV_CPoint QV_CPoint::operator+(const QV_CPoint& other) const {
  return QV_CPoint(Add(h, other.h), Add(v, other.v));
}

QV_CPoint QV_CPoint::operator-(const QV_CPoint& other) const {
  return QV_CPoint(Sub(h, other.h), Sub(v, other.v));
}

QV_CPoint& QV_CPoint::operator+=(const QV_CPoint& other) {
  *this = *this + other;
  return *this;
}

QV_CPoint& QV_CPoint::operator-=(const QV_CPoint& other) {
  *this = *this - other;
  return *this;
}

QV_CRect::QV_CRect(const RECT& rect)
    : MacRect(static_cast<int16_t>(rect.left), static_cast<int16_t>(rect.top),
              static_cast<int16_t>(rect.right), static_cast<int16_t>(rect.bottom)) {}

const char* QV_CRect::Dump() const {
  std::snprintf(gDumpText, sizeof gDumpText, "QV_CRect(%d, %d, %d, %d)", left, top, right, bottom);
  return gDumpText;
}

RECT* QV_CRect::AsWinRect() const {
  gWinRect = ToWinRect();
  return &gWinRect;
}

QV_CPoint QV_CRect::Corner(int i) const {
  return i == 0 ? QV_CPoint(left, top) : QV_CPoint(right, bottom);
}

void QV_CRect::SetCorner(int i, const QV_CPoint& point) {
  if (i == 0) {
    top = point.v;
    left = point.h;
  } else {
    bottom = point.v;
    right = point.h;
  }
}

QV_CRect QV_CRect::operator+(const QV_CPoint& offset) const {
  QV_CRect result = *this;
  result.Offset(offset);
  return result;
}

QV_CRect QV_CRect::operator-(const QV_CPoint& offset) const {
  QV_CRect result = *this;
  result.OffsetNeg(offset);
  return result;
}

void QV_CRect::Offset(const QV_CPoint& offset) {
  MacRect::Offset(offset.h, offset.v);
}

void QV_CRect::OffsetNeg(const QV_CPoint& offset) {
  MacRect::Offset(static_cast<int16_t>(-offset.h), static_cast<int16_t>(-offset.v));
}

void QV_CRect::Inset(const QV_CPoint& amount) {
  top = Add(top, amount.v);
  left = Add(left, amount.h);
  bottom = Sub(bottom, amount.v);
  right = Sub(right, amount.h);
}

QV_CRect& QV_CRect::operator+=(const QV_CRect& other) {
  top = Add(top, other.top);
  left = Add(left, other.left);
  bottom = Add(bottom, other.bottom);
  right = Add(right, other.right);
  return *this;
}

QV_CRect& QV_CRect::operator-=(const QV_CRect& other) {
  top = Sub(top, other.top);
  left = Sub(left, other.left);
  bottom = Sub(bottom, other.bottom);
  right = Sub(right, other.right);
  return *this;
}

QV_CRect QV_CRect::operator+(const QV_CRect& other) const {
  QV_CRect result = *this;
  result += other;
  return result;
}

QV_CRect QV_CRect::operator-(const QV_CRect& other) const {
  QV_CRect result = *this;
  result -= other;
  return result;
}

bool QV_CRect::operator==(const QV_CRect& other) const {
  return top == other.top && left == other.left && bottom == other.bottom && right == other.right;
}

QV_CRect QV_CRect::operator&(const QV_CRect& other) const {
  const QV_CRect result(std::max(left, other.left), std::max(top, other.top),
                        std::min(right, other.right), std::min(bottom, other.bottom));
  if (result.left > result.right || result.top > result.bottom) return QV_CRect();
  return result;
}

QV_CRect QV_CRect::operator|(const QV_CRect& other) const {
  return QV_CRect(std::min(left, other.left), std::min(top, other.top),
                  std::max(right, other.right), std::max(bottom, other.bottom));
}

void QV_CRect::Normalize() {
  if (top > bottom) std::swap(top, bottom);
  if (left > right) std::swap(left, right);
}

int32_t QV_CRect::Extent(int axis) const {
  return axis == 1 ? int32_t{right} - left : int32_t{bottom} - top;
}

QV_CPoint QV_CRect::Size() const {
  return QV_CPoint(Sub(right, left), Sub(bottom, top));
}

bool QV_CRect::Contains(const QV_CPoint& point) const {
  return top <= point.v && point.v < bottom && left <= point.h && point.h < right;
}

bool QV_CRect::ContainsRect(const QV_CRect& other) const {
  return Contains(other.Corner(0)) && Contains(other.Corner(1));
}
