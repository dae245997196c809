#pragma once

namespace yb::dynamics {

// Searches a step for the length at which an event value crosses zero, from the values at the
// step's two ends. Each trial is a fresh step from the start, so the search is measured in the
// trials it makes.
//
// A gap between bodies falling or closing at a steady acceleration is a quadratic in the step
// length; a trial on the parabola through the last three values then lands within rounding of
// the crossing, where regula falsi creeps up on it from one side over several trials. Where the
// parabola has no root inside the bracket, regula falsi (Illinois) takes its place; where two
// trials together have not halved the bracket (a value flat at the crossing, or one that jumps),
// the next one halves it.
class CrossingSearch {
 public:
  // The values at the start of the step of length `h` (short of the crossing) and at its end
  // (past it).
  CrossingSearch(double h, double valueAtStart, double valueAtEnd);

  // A value from before the start (at a negative length) where the event value follows the
  // same smooth course there: the first trial can then already follow the parabola.
  void Before(double length, double value);

  // The next step length to try, strictly inside the bracket and never nearer than `resolution`
  // to either end (a search that has found the crossing to rounding then steps across it, to
  // close the bracket); the middle of a bracket no wider than twice that.
  double Next(double resolution) const;
  // The value at a trial and whether it lies past the crossing.
  void Add(double length, double value, bool crossed);

  double Lo() const { return lo_; }  // the longest step known short of the crossing
  double Hi() const { return hi_; }  // the shortest step known past it

 private:
  double RegulaFalsi() const;
  // The root of the parabola through the last three trials (or ends) within the bracket; a
  // value outside it where there is none.
  double Parabola() const;

  double lo_, hi_, valueLo_, valueHi_;
  // The last three points known, the newest last, and how many there are.
  double t_[3] = {0, 0, 0}, f_[3] = {0, 0, 0};
  int points_ = 0;
  int side_ = 0;  // which end the last trial moved: -1 the far one, 1 the near one
  // The bracket's width one and two trials ago, and whether the next trial is its middle.
  double widthBefore_[2];
  bool bisect_ = false;
};

}  // namespace yb::dynamics
