#pragma once
// A picture a body carries in place of its shape: the body draws it, hit-tests it and, whenever
// its screen place is worked out again, puts the picture centred on its screen origin, so that
// the picture moves and turns with the body in a run and its replay.

#include <cstdint>

#include "core/MacTypes.h"

class TLink;
class TMass;

class TBodyPicture {
 public:
  virtual TLink& PictureLink() = 0;
  // The body link: told that the picture joined the body (attached set) or left it.
  virtual void LinkToBody(TMass* body, bool attached) = 0;
  // The body forgets the picture without telling anyone (the body goes).
  virtual void BodyGone(TMass* body) = 0;
  // Whether the body places the picture.
  virtual bool FollowsBody() const = 0;
  virtual MacRect PictureBounds() const = 0;
  virtual void PlacePicture(MacPoint topLeft) = 0;
  virtual bool HitsPicture(MacPoint point) = 0;
  virtual bool PictureInRect(const MacRect& rect) = 0;
  virtual void DrawCarried(const MacRect& area) = 0;
  // The selection handles of the picture, shown or hidden when the states differ.
  virtual void HighlightCarried(bool was, bool is) = 0;

 protected:
  ~TBodyPicture() = default;
};
