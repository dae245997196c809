#pragma once
// The root of the small polymorphic helpers of the geometry code (frames, placements, linear
// systems, constraint rows): no fields and a virtual destructor, through which owners such as
// TPtrArray delete them.

class TPlainObject {
 public:
  TPlainObject() = default;
  virtual ~TPlainObject() = default;

 protected:
  TPlainObject(const TPlainObject&) = default;
  TPlainObject& operator=(const TPlainObject&) = default;
};
