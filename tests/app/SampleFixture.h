#pragma once
// The program started as the sample worlds need it, a committed sample opened through the
// program's document reading, and the run helpers the sample tests share.

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "model/world/QVDoc.h"
#include "simulation/Engine.h"

class SampleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
  }
  void TearDown() override {
    app_.TermUnits();
    app_.FreeResourceDlls();
  }

  static std::filesystem::path Committed(const std::string& file) {
    return std::filesystem::path(YB_SAMPLES_DIR) / file;
  }
  static std::unique_ptr<TQVDoc> Open(const std::string& file) {
    auto document = std::make_unique<TQVDoc>();
    document->ReadDocument(Committed(file).string());
    return document;
  }

  // Runs the world for at least the seconds and shows each frame in turn, handing its number and
  // time to the check.
  static void RunAndShow(TWorldDoc& world, double seconds,
                         const std::function<void(int16_t, double)>& check) {
    ASSERT_NE(world.GetEngine(), nullptr);
    const double step = world.GetEngine()->TimeStep();
    ASSERT_GT(step, 0.0);
    const auto frames = static_cast<int16_t>(std::ceil(seconds / step));
    world.RunToFrame(frames, nullptr);
    ASSERT_NE(world.GetStore(), nullptr);
    ASSERT_EQ(world.GetStore()->FrameCount(), frames + 1);
    for (int16_t frame = 0; frame <= frames; ++frame) {
      world.ShowFrame(frame, 1);
      check(frame, frame * step);
    }
  }

  // The time in [t0, t1] where the cubic through the values x and rates v at both ends is zero;
  // the ends must have opposite signs.
  static double CubicCrossing(double t0, double x0, double v0, double t1, double x1, double v1) {
    const double h = t1 - t0;
    const auto at = [&](double s) {
      const double s2 = s * s, s3 = s2 * s;
      return (2 * s3 - 3 * s2 + 1) * x0 + (s3 - 2 * s2 + s) * h * v0 + (-2 * s3 + 3 * s2) * x1 +
             (s3 - s2) * h * v1;
    };
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 100; ++i) {
      const double mid = (lo + hi) / 2.0;
      ((at(mid) > 0.0) == (x0 > 0.0) ? lo : hi) = mid;
    }
    return t0 + h * (lo + hi) / 2.0;
  }

  TApp app_;
};
