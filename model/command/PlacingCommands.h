#pragma once
// Trackers that put new objects into the world. The objects come read from a stream (a scrap,
// a stored tool) or from the resource of the command's number; performing the command hands
// them to the world, and undo takes them out again by their short records.
//
//   TPlacingWorld  what placing asks of the world
//   TCommandMid    (372) a tracker with a list of objects to place
//   TCommandSub    (373) fills that list from a stream or a resource

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Handle.h"
#include "model/command/CommandBase.h"

class TDisplayLink;
class TLink;
class TObjectReader;

class TPlacingWorld {
 public:
  virtual void DeselectAll() = 0;
  // Takes the placed objects into the world, in their order.
  virtual void AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) = 0;
  virtual void AfterPlacing() = 0;
  virtual void PlacingUndone() = 0;
  virtual void PlacingRedone(int16_t first, int16_t second) = 0;
  // A creation tracker hands over the object it made once its gesture is done; nothing here.
  virtual void HandOverTrackedObject(TLink* object) { (void)object; }

 protected:
  ~TPlacingWorld() = default;
};

class TCommandMid : public TCommandBase {
  DECLARE_CLASS_ID(372, TCommandBase)

 public:
  TCommandMid();
  ~TCommandMid() override;

  void InitPlacing(int16_t commandNumber, TTrackerView* view, TActionContext* context,
                   uint16_t canUndo, int32_t kind, std::unique_ptr<TObjectReader> placed);
  // Performs as a tracker, then frees the placed objects' reader.
  void Perform() override;
  void Redo() override;
  void Undo() override;
  void BeforePrepare() override;
  // Notes each placed object for undo (its short record, so undo takes it out) and, unless a
  // placing world brings the objects back itself, for redo (the whole object), then gives the
  // objects to the world.
  void AfterPrepare() override;
  // Fills the number of each placed named object into its name.
  void AfterWork() override;

  int32_t PlacedCount() const;
  // The objects read for placing, until they are given to the world.
  std::vector<TLink*> PlacedObjects() const;
  uint16_t DeselectsFirst() const { return deselectFirst_; }
  void SetDeselectsFirst(uint16_t on) { deselectFirst_ = on; }

 protected:
  void SetPlaced(std::unique_ptr<TObjectReader> placed);
  // One more object to place with the others; false once the others are placed.
  bool AddPlaced(std::unique_ptr<TLink>& object);
  // Takes one object out of those to place; null when it is not among them.
  std::unique_ptr<TLink> TakePlaced(TLink* object);
  TPlacingWorld* PlacingWorld() const { return placingWorld_; }

 private:
  std::unique_ptr<TObjectReader> placed_;
  // The objects given to the world, for naming after the work.
  std::vector<TLink*> adopted_;
  uint16_t deselectFirst_ = 0;
  TPlacingWorld* placingWorld_ = nullptr;
};

class TCommandSub : public TCommandMid {
  DECLARE_CLASS_ID(373, TCommandMid)

 public:
  // Reads the objects to place from the stream in the handle (document kind 2) or, when the
  // handle is null, from the resource of the command number. A read that gives nothing fails
  // with -108.
  void InitFromStream(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                      Handle stream, int realFormat);
  // The world's after-placing step, then the tracker's.
  void AfterWork() override;

  using DisplayLinkVisitor = std::function<void(TDisplayLink&)>;
  // Every placed display object whose first (second) state bit is set.
  void ForEachPlacedWithFirstState(const DisplayLinkVisitor& visit) const;
  void ForEachPlacedWithSecondState(const DisplayLinkVisitor& visit) const;
};
