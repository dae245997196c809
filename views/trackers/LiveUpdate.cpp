#include "views/trackers/LiveUpdate.h"

namespace {

uint16_t& Flag() {
  static uint16_t flag = 1;
  return flag;
}

}  // namespace

uint16_t GetLiveUpdate() {
  return Flag();
}

void SetLiveUpdate(uint16_t on) {
  Flag() = on != 0 ? 1 : 0;
}
