#pragma once
// How doubles become integers and grid positions: rounding half away from zero, the clamped
// screen-coordinate forms, the nearest-multiple remainder and snapping to a step.

#include <cstdint>

// Half away from zero: 2.5 gives 3 and -2.5 gives -3. Values beyond the integer range saturate
// at its ends, and NaN gives 0, so that no input is undefined.
int32_t RoundToLong(double x);
int16_t RoundToShort(double x);

// The largest screen coordinate in either direction; drawing code keeps well inside 16 bits so
// that sums and differences of coordinates cannot wrap.
inline constexpr int16_t kScreenCoordinateLimit = 8191;

// RoundToShort clamped to plus or minus 8191: the rounding of every drawn point.
int16_t Round13(double x);
// RoundToShort clamped to plus or minus 32767.
int16_t Round15(double x);

// The remainder of x by y folded into [-|y|/2, |y|/2]; an exact half moves away from zero.
double RemainderOf(double x, double y);

// Moves x to the nearest multiple of step; a value no more than half a step from zero becomes 0.
// Nothing happens when x or step is zero or NaN.
void SnapToMultiple(double& x, double step);
double SnappedToMultiple(double x, double step);
