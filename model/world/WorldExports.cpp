#include "model/world/WorldExports.h"

namespace {

TWorldExports& Road() {
  static TWorldExports road;
  return road;
}

}  // namespace

const TWorldExports& WorldExports() { return Road(); }

void SetWorldExports(const TWorldExports& exports) { Road() = exports; }
