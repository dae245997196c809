#pragma once
// The world's vector settings as the world sees them: the settings object the world keeps is told
// when it becomes the world's, and of every object that joins or leaves the world after that, so
// that it keeps the world's force fields and the things that show field arrows follow them.

class TLink;
class TWorldDoc;

class TWorldVectorSettings {
 public:
  // The world keeps this object as its vector settings.
  virtual void JoinedWorld(TWorldDoc& world) = 0;
  // An object joined the world.
  virtual void ObjectJoined(TWorldDoc& world, TLink& object) = 0;
  // An object is leaving the world; it is still whole.
  virtual void ObjectLeaving(TWorldDoc& world, TLink& object) = 0;

 protected:
  ~TWorldVectorSettings() = default;
};
