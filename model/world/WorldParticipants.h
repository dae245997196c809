#pragma once
// What the world asks of the objects it runs with. An object takes part by deriving from the
// interface of its role as well as from its link class: the world finds the role when it adopts
// the object.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/PString.h"

class CWnd;
class TLink;
struct RegionRec;
class TWorldDoc;

// An object whose values each recorded frame holds.
class TFrameParticipant {
 public:
  // Non-zero for a body: the solver records its state with every frame, ahead of every element
  // list; 3 when only its position is wanted (x, y, rotation), 8 for its full state. The values
  // an object records beyond that are its element list (TLink::CountElements).
  virtual int32_t FixedFrameValues() const { return 0; }
  // Told the frame now shown and the frames held.
  virtual void FrameChanged(int16_t /*frame*/, int16_t /*first*/, int16_t /*last*/) {}
  // A member of the pause-control list, once a shown frame has reached every object: tests the
  // frame.
  virtual void TestFrame(int16_t /*frame*/) {}
  // Told to forget its marks, with (-1, 0, -1).
  virtual void MarkFrames(int16_t /*frame*/, int16_t /*first*/, int16_t /*last*/) {}

 protected:
  ~TFrameParticipant() = default;
};

// An input whose value goes to the solver before every solver call.
class TRunInput {
 public:
  // Kind 5: the input takes its value from a table by time.
  static constexpr int16_t kTableInput = 5;
  // Brings the value up to date from whatever the input is linked to.
  virtual void WriteLinkedValue() {}
  virtual int16_t InputKind() const { return 0; }
  virtual bool HasTable() const { return false; }
  // Takes the value of the table at the time; the frame is the one being computed from.
  virtual void TakeTableValue(double /*time*/, int32_t /*frame*/) {}
  virtual double InputValue() const = 0;

 protected:
  ~TRunInput() = default;
};

// An object that keeps its own lists of some of its world's objects: told each object of its
// world, those there when it joins, then each that joins after it, however they come (a tool, a
// document read, an import).
class TMemberWatcher {
 public:
  virtual void ObjectInWorld(TWorldDoc& world, TLink& object) = 0;

 protected:
  ~TMemberWatcher() = default;
};

// An object told the frame the solver is about to compute.
class TFrameListener {
 public:
  virtual void TargetFrame(int32_t frame) = 0;
  // Told that a run starts, before its first frame.
  virtual void RunStarting() {}
  // Told that a conversation with another program has ended; true when it was one of its own.
  virtual bool ConversationsEnded() { return false; }
  // Told each object of its world: those there when it joins, then each that joins after it.
  virtual void ObjectInWorld(TWorldDoc& /*world*/, TLink& /*object*/) {}

 protected:
  ~TFrameListener() = default;
};

// An object shown in or attached to the world's views, told when the world's tool changes.
class TToolObserver {
 public:
  virtual void ToolChanged(int16_t tool, int16_t argument) = 0;

 protected:
  ~TToolObserver() = default;
};

// An object whose property an input control can drive: told the command that made the controls
// and their formula names ("Input[n]"), it sets its property to a formula of them and gives back
// the values and ranges the inputs should start with. False when it does not take the command.
class TInputControlTarget {
 public:
  virtual bool AttachInputControls(int16_t command, const Str255& first, const Str255& second,
                                   double& firstValue, double& secondValue, double& firstMinimum,
                                   double& firstMaximum, double& secondMinimum,
                                   double& secondMaximum) = 0;

 protected:
  ~TInputControlTarget() = default;
};

// An object shown as part of another (a picture a body carries in place of its shape): it
// leaves the world with its carrier and comes back with it, still carried.
class TCarriedObject {
 public:
  // The object carrying this one; null while none does.
  virtual TLink* GetCarrier() const = 0;

 protected:
  ~TCarriedObject() = default;
};

// A control placed on the world window rather than in the world (an input, a meter, a button):
// drawn over the world in view pixels and pressed there.
class TWindowGadget {
 public:
  virtual void DrawOnWindow(const MacRect& area) = 0;
  // Whether a press at the point works the control (a slider's track, a button's face).
  virtual bool HitsWindowControl(MacPoint point) = 0;
  // One step of a press on the control: phase 0 the press, 1 a move, 2 the release; true when
  // the control's state changed.
  virtual bool PressWindowControl(int16_t phase, MacPoint point) = 0;
  // True when a press acts once and ends at once.
  virtual bool PressEndsAtOnce() = 0;
  // A press in a field the user types into (an input's value) opens an edit control over it in
  // the window (whose client pixels are the view's); true when it did.
  virtual bool BeginWindowTextEdit(MacPoint /*point*/, CWnd* /*window*/) { return false; }
  // Ends that typing, taking a number typed; nothing when none is open.
  virtual void EndWindowTextEdit() {}
  // The control's rectangle in the window's pixels, and a move of it by (dh, dv) pixels.
  virtual MacRect WindowFrame() const = 0;
  virtual void OffsetOnWindow(int16_t dh, int16_t dv) = 0;
  // The selection handle under the point (window pixels), when the control has handles.
  virtual bool HitWindowHandle(MacPoint /*point*/, int16_t& /*handle*/) { return false; }
  // The handle dragged to the point; true when the control changed.
  virtual bool DragWindowHandle(int16_t /*handle*/, MacPoint /*point*/) { return false; }
  // Adds the control's cursor areas for the tool to the handle, label and third regions (any
  // may be null): over the label region a press types into the control.
  virtual void AddWindowCursorAreas(RegionRec* /*handles*/, RegionRec* /*labels*/,
                                    RegionRec* /*third*/, int16_t /*tool*/) {}
  // Shows the selection handles of a selected control over its drawing.
  virtual void DrawWindowSelection() {}

 protected:
  ~TWindowGadget() = default;
};
