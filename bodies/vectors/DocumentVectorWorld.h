#pragma once
// The vector side of a world document: its settings object, made through the class registry
// when the world has none yet, and whether a recorded frame is shown.

#include <memory>

#include "bodies/vectors/VectorArrows.h"

class TLink;
class TWorldDoc;

class TDocumentVectorWorld : public TVectorWorld {
 public:
  explicit TDocumentVectorWorld(TWorldDoc& world) : world_(world) {}

  // The world's handler; a world without one adopts a new one of the registered class "svgd"
  // (null when that class is not registered).
  TGlobalVectorHandler* GetVectorHandler() override;
  bool ShowsRecordedFrames() override;

  // The world document among the objects linked to object, or null.
  static TWorldDoc* FindWorld(const TLink& object);

 private:
  TWorldDoc& world_;
};
