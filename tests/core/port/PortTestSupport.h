#pragma once
// A drawing port bound to a white memory bitmap.

#include <cstdint>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "tests/support/MemoryCanvas.h"

class PortTest : public ::testing::Test {
 protected:
  static constexpr int32_t kWidth = 64;
  static constexpr int32_t kHeight = 48;

  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    canvas_.emplace(kWidth, kHeight);
    dc_ = canvas_->dc();
    SetPortDC(dc_);
  }

  void TearDown() override {
    SetPortDC(nullptr);
    canvas_.reset();
    FreeDrawingPort();
    FreeHandlePool();
  }

  COLORREF At(int32_t x, int32_t y) const { return canvas_->At(x, y); }
  std::vector<COLORREF> Pixels() const { return canvas_->Pixels(); }
  int32_t Count(COLORREF color) const { return canvas_->Count(color); }

  std::optional<MemoryCanvas> canvas_;
  HDC dc_ = nullptr;
};

inline uint32_t Packed(int16_t h, int16_t v) {
  return MacPoint(h, v).Packed();
}
