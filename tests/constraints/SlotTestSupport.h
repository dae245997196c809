#pragma once
// A world harness for slots and curved slots: bodies, points, tables and the slot classes
// registered, a class table of the first blocks they write, and helpers that build and run.

#include <functional>

#include "core/port/Port.h"
#include "tests/support/MemoryCanvas.h"

#include "bodies/Table.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Slot.h"
#include "constraints/SplinePoint.h"
#include "tests/constraints/RunTestSupport.h"

namespace slot_tests {

using namespace body_tags;
using world_run::TWeightField;

class SlotFixture : public world_run::WorldRunTest {
 protected:
  SlotFixture()
      : WorldRunTest("slot-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                           {kBlockBackground, TZeroMass::kTag},
                                           {kBlockGroup, TGroup::kTag},
                                           {kBlockRunSettings, kEngineTag},
                                           {TPoint::kBlockSolverRecord, kPointTag},
                                           {TTable::kBlockContents, kTableTag},
                                           {TSlot::kBlockKind, kSlotTag},
                                           {TCurvedSlot::kBlockKind, kCurvedSlotTag},
                                           {TSplinePoint::kBlockSpline, kSplinePointTag}}) {}
  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterSlotClasses();
    RegisterCurvedSlotClasses();
    SettleDefaultConstraintSize();
  }
  void FreeClasses() override { FreeCustomConstraintGlobals(); }

  // A small box of 1 kg whose reference point and centre of mass are at (x, y), with a point
  // there, in a world with gravity on it.
  static TRectangle& AddFallingBox(TWorldDoc& world, double x, double y) {
    TRectangle& box = Add<TRectangle>(world, 2);
    box.SetNumberProperty(kTagWidth, 0.1);
    box.SetNumberProperty(kTagHeight, 0.1);
    box.SetMass(1.0);
    box.SetFormulaProperty(kTagPosX, TFormula(x));
    box.SetFormulaProperty(kTagPosY, TFormula(y));
    TGroup& group = Add<TGroup>(world, 8);
    group.SetMode(1, 1);
    group.Include(&box);
    Add<TWeightField>(world, 9).groupId = 8;
    return box;
  }

  // A box of 1 kg, w by h, its reference point at (x, y), drawn in a view of one pixel a unit
  // whose origin is the top left corner (a world point (x, y) shows at (x, -y)).
  static TRectangle& AddBox(TWorldDoc& world, int16_t identifier, double x, double y, double w,
                            double h) {
    TRectangle& box = Add<TRectangle>(world, identifier);
    box.SetNumberProperty(kTagWidth, w);
    box.SetNumberProperty(kTagHeight, h);
    box.SetMass(1.0);
    box.SetPlacement({x, y, 0.0});
    box.ValidateScreenTransform(Transform2D());
    return box;
  }
  template <class P = TPoint>
  static P& AddPoint(TWorldDoc& world, int16_t identifier, TMass& body, double x, double y,
                     double r) {
    P& point = Add<P>(world, identifier);
    point.AttachToBody(&body);
    point.SetLocalPosition({x, y, r});
    return point;
  }

  // Runs the opened world for the frames and hands each shown frame and its time to check.
  static void RunAndCheck(TWorldDoc& world, double seconds,
                          const std::function<void(int16_t, double)>& check) {
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
};

// The drawing port on a white canvas for the life of the object.
class CanvasPort {
 public:
  CanvasPort(int32_t width, int32_t height) : canvas_(width, height) {
    InitDrawingPort();
    SetPortDC(canvas_.dc());
    SetPortForeColor(RGB16Color{0, 0, 0});
  }
  ~CanvasPort() {
    SetPortDC(nullptr);
    FreeDrawingPort();
  }
  CanvasPort(const CanvasPort&) = delete;
  CanvasPort& operator=(const CanvasPort&) = delete;
  bool IsInk(int32_t h, int32_t v) const { return canvas_.At(h, v) != RGB(255, 255, 255); }
  int32_t InkCount() const { return canvas_.width() * canvas_.height() - canvas_.Count(RGB(255, 255, 255)); }

 private:
  MemoryCanvas canvas_;
};

}  // namespace slot_tests
