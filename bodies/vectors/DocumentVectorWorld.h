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

  // The world's handler, or null while it has none.
  TGlobalVectorHandler* GetVectorHandler() override;
  // The world's handler; a world without one adopts a new one of the registered class "svgd"
  // (null when that class is not registered). Only showing an arrow makes one, so that merely
  // looking leaves the world as it was.
  TGlobalVectorHandler* MakeVectorHandler();
  bool ShowsRecordedFrames() override;

  // The world document among the objects linked to object, or null.
  static TWorldDoc* FindWorld(const TLink& object);

 private:
  TWorldDoc& world_;
};
