#include "core/MacTypes.h"

#include <algorithm>

void MacRect::Set(int16_t leftEdge, int16_t topEdge, int16_t rightEdge, int16_t bottomEdge) {
  *this = MacRect(leftEdge, topEdge, rightEdge, bottomEdge);
}

void MacRect::Offset(int16_t dh, int16_t dv) {
  left = static_cast<int16_t>(left + dh);
  right = static_cast<int16_t>(right + dh);
  top = static_cast<int16_t>(top + dv);
  bottom = static_cast<int16_t>(bottom + dv);
}

bool MacRect::Intersect(const MacRect& a, const MacRect& b, MacRect& out) {
  const MacRect result(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                       std::min(a.bottom, b.bottom));
  out = result;
  return result.left < result.right && result.top < result.bottom;
}

MacPoint MacPoint::FromPOINT(const POINT& point) {
  return MacPoint(static_cast<int16_t>(point.x), static_cast<int16_t>(point.y));
}

uint32_t MacPoint::Packed() const {
  return static_cast<uint32_t>(static_cast<uint16_t>(v)) |
         static_cast<uint32_t>(static_cast<uint16_t>(h)) << 16;
}

MacPoint MacPoint::FromPacked(uint32_t packed) {
  return MacPoint(static_cast<int16_t>(packed >> 16), static_cast<int16_t>(packed & 0xFFFF));
}
