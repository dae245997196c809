#pragma once
// What the selecting and moving trackers ask of the world and of the view they draw in. The
// world object and the main world view implement these; the trackers only call them.

#include <cstdint>
#include <vector>

#include "core/MacTypes.h"
#include "core/geometry/Vector.h"
#include "platform/win32/GdiTypes.h"

class TLink;

class TTrackerWorld {
 public:
  // Selection.
  virtual void DeselectAll() = 0;
  virtual void SelectObject(TLink* object) = 0;
  virtual void DeselectObject(TLink* object) = 0;
  virtual bool IsSelected(TLink* object) const = 0;
  // Makes the objects the selection, or adds them to it (extend).
  virtual void SelectObjects(const std::vector<TLink*>& objects, bool extend) = 0;
  // Asks the views to show the selection as it is now.
  virtual void RefreshSelectionDisplay() = 0;

  // The objects that stay at a fixed place in the window (gadgets), and those placed in the
  // world, each in the world's order.
  virtual std::vector<TLink*> ScreenPositionedObjects() = 0;
  virtual std::vector<TLink*> WorldPositionedObjects() = 0;
  virtual bool IsScreenPositioned(const TLink* object) const = 0;
  virtual bool IsWorldPositioned(const TLink* object) const = 0;
  // A screen-positioned object's bounds in window pixels, and the window's size (h width, v
  // height); empty for a world that shows no gadgets.
  virtual MacRect ScreenBoundsOf(const TLink*) { return MacRect(); }
  virtual MacPoint WindowExtent() { return MacPoint(); }
  // Whether the object lies in the rectangle of view coordinates.
  virtual bool LiesInRect(TLink* object, const MacRect& rect) = 0;
  // Off while the rotate tool is current or the world is in a state that keeps gadgets apart.
  virtual bool GadgetSelectionOn() const = 0;

  // Fails when memory runs low, before a selection change.
  virtual void CheckLowSpace() = 0;
  // True while the world refuses any edit (a run is going on, or the world plays).
  virtual bool RefusesEditing() const = 0;
  // The properties dialog that the object names; 0 for none.
  virtual int16_t PropertiesDialogNumber(const TLink* object) const = 0;
  // The object a double click at the view point opens: the hit object itself, unless it
  // stands for another (a pin drawn on its point).
  virtual TLink* ObjectOpenedAt(TLink* hit, const MacPoint&) { return hit; }
  // Queues the properties dialog of the object.
  virtual void QueuePropertiesDialog(int16_t dialogNumber, TLink* object) = 0;
  // Sends the command to the application's current target and queues the command it answers.
  virtual void SendToCurrentTarget(int16_t command) = 0;

  // Moving.
  // The selected objects in the world's selection order.
  virtual std::vector<TLink*> SelectedObjects() = 0;
  // An object's position (x, y, rotation); putting it there tells the world it moved.
  virtual TVector3 PositionOf(const TLink* object) = 0;
  virtual void PlaceObject(TLink* object, const TVector3& position) = 0;
  // The objects that placing the object moves with it (a constraint's points), kept for undo
  // with it.
  virtual std::vector<TLink*> MovedWith(const TLink*) { return {}; }
  // Offsets a screen-positioned object by pixels and tells the world it moved.
  virtual void OffsetScreenObject(TLink* object, int16_t dh, int16_t dv) = 0;
  // True for a point object that a press grabs by its centre.
  virtual bool IsGrabbablePoint(const TLink* object) const = 0;
  // Attaches the point to a hot point near the screen point; false when there is none.
  virtual bool AttachToHotPointNear(TLink* point, const MacPoint& screen) = 0;
  // Turns the point's coordinate formulas into its current values (all of them when forced).
  virtual void FixPointQuantities(TLink* point, bool force) = 0;
  // A drag of the selected objects is over; a change ended with it.
  virtual void DragEnded(TLink* object) = 0;
  virtual void ChangeEnded() = 0;
  // Draws again at once what changed of the world's objects, where they stood and where they
  // stand, so that a gesture shows each step; nothing for a world without views.
  virtual void ShowChanges() {}

  // The program's pacing timer: idle steps every so many ticks while a gesture goes on.
  virtual void StartPacing(int32_t ticks) = 0;
  virtual void StopPacing() = 0;

 protected:
  ~TTrackerWorld() = default;
};

// The port that trackers draw their inverting feedback into.
class TFeedbackPort {
 public:
  // A device context in view coordinates; null when the view cannot be drawn now.
  virtual HDC BeginFeedbackDrawing() = 0;
  virtual void EndFeedbackDrawing(HDC dc) = 0;
  // Draws what is stale in the view now, so that a figure inverted next is not painted over.
  virtual void UpdateBeforeFeedback() {}

 protected:
  ~TFeedbackPort() = default;
};
