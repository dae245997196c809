#pragma once
// Drag controllers: while the user drags a body whose joints the assembly keeps, a controller
// turns each mouse position into a goal for the solve and adapts the step to what the solve can
// reach (Accept and Advance after a converged solve, Retreat after a failed one).
//
//   TDragController          the root: target, active flag, step-control defaults
//   TFrameDrag               a drag value applied straight to the body frame
//     TRotateDrag            turns the body about a pivot fixed on it
//     TSlideDrag             moves the body along a direction
//   TPointDrag               pulls a grip point towards the mouse through rows of the system,
//                            exactly first and by a shrinking reach when that fails

#include <cstdint>

#include "bodies/assembly/AssemblyConstraints.h"

class TDragController : public TAssemblyConstraint {
 public:
  TDragController() : TAssemblyConstraint(nullptr) {}

  // Takes a new mouse position; false when it is the same target.
  virtual bool SetMouse(const TVector& p);
  virtual bool Advance(double) { return false; }
  virtual bool Retreat(double) { return false; }
  virtual void Accept() {}
  // Puts the drag value into the body frame; true when the frame changed.
  virtual bool ApplyToFrame() { return false; }
  virtual bool SetTarget(const TVector& p) {
    target_ = p;
    return true;
  }
  virtual bool IsSameTarget(const TVector& p) { return p == target_; }
  virtual void GetDragValues(double& a, double& b, double& c) { a = b = c = 0.0; }

  void SetActive(uint32_t active) { active_ = active; }
  uint32_t IsActive() const { return active_; }
  const TVector& Target() const { return target_; }

 protected:
  TVector target_{0.0, 0.0};
  uint32_t active_ = 1;
};

class TFrameDrag : public TDragController {
 public:
  explicit TFrameDrag(TBodyFrame* frame) : frame_(frame) {}

  bool SetTarget(const TVector& p) override;
  bool Advance(double tolerance) override;
  bool Retreat(double tolerance) override;
  void Accept() override { accepted_ = current_; }

  // The value the mouse asks for, and the first step towards it.
  virtual void ValueFromMouse(const TVector& p, double& requested, double& step) = 0;
  virtual void ApplyValue() = 0;

  // Tries v: true when it differs from the current value.
  bool TryValue(double v);
  static bool IsOutside(double x, double y, double z);

  double Requested() const { return requested_; }
  double Accepted() const { return accepted_; }
  double Current() const { return current_; }

 protected:
  TBodyFrame* frame_;
  double requested_ = 0.0;
  double accepted_ = 0.0;
  double current_ = 0.0;
};

class TRotateDrag : public TFrameDrag {
 public:
  // pivot in body coordinates.
  TRotateDrag(TBodyFrame* frame, const TVector& mouse, const TVector& pivot);
  void ValueFromMouse(const TVector& p, double& requested, double& step) override;
  void ApplyValue() override;
  bool ApplyToFrame() override;

 private:
  TVector pivotLocal_;
  TVector pivotWorld_;
  double angle_;
  double angleCos_;
  double angleSin_;
  double startAngle_;
  double mouseAngle0_;
};

class TSlideDrag : public TFrameDrag {
 public:
  // direction is used with its own length.
  TSlideDrag(TBodyFrame* frame, const TVector& start, const TVector& direction);
  void ValueFromMouse(const TVector& p, double& requested, double& step) override;
  void ApplyValue() override;
  bool ApplyToFrame() override;

 private:
  Frame2D startFrame_;
  Frame2D workFrame_;
  TVector startPoint_;
  TVector direction_;
};

class TPointDrag : public TDragController {
 public:
  // The grip in body coordinates; size scales the loose steps (12 x size) and the mouse moves
  // that loose mode ignores (4 x size).
  TPointDrag(TBodyFrame* frame, const TVector& grip, double size);

  void WriteJacobian(LinearSystem& system) override;
  int32_t EquationCount() override {
    return static_cast<int32_t>(exact_ + holdAngle_ + 1);
  }
  void Invalidate() override { grip_.Invalidate(); }
  double WriteResiduals(LinearSystem* system) override;
  // A fixed body cannot be dragged: -25104.
  bool ShouldDrop(double tolerance) override;

  bool SetMouse(const TVector& p) override;
  bool IsSameTarget(const TVector& p) override;
  bool SetTarget(const TVector& p) override;
  bool Advance(double tolerance) override;
  bool Retreat(double tolerance) override;
  void Accept() override;
  void GetDragValues(double& a, double& b, double& c) override;

  bool IsExact() const { return exact_ != 0; }
  bool HoldsAngle() const { return holdAngle_ != 0; }

 private:
  void SetReach(double v);
  void StepReach(double v, double w);

  TPlacement grip_;
  TVector startPoint_;
  TBodyFrame* frame_;
  double startAngle_;
  uint32_t exact_ = 1;
  uint32_t holdAngle_ = 1;
  double reach_ = 0.0;
  double reachSquared_ = 0.0;
  double gap_ = 0.0;
  double floor_ = 0.0;
  double bigStep_;
  double smallMove_;
  uint32_t fresh_ = 1;
};

// a moved by whole turns towards b, so that a dragged angle stays continuous past a half turn.
double UnwrapAngle(double a, double b);
