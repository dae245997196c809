#pragma once
// Property-applying commands. A property change made in a dialog, a script, an input control or
// the coordinates bar is not written into the objects directly: the maker makes one of these,
// gives it the property's tag and value and the objects to change, and has it performed. The
// command sets the property on every target, records exactly the stored blocks that hold it
// (before and after) so that the change can be undone and redone, and keeps joined geometry
// consistent when the property moves or reshapes objects. One small class per kind of value.
//
//   TActionBase (559) > TPropertyOp (348) > TBlankTagOp (362)
//                                          > TPropertyOpBase (349) > the value kinds (350-360)
//                                                                  > TFormulaPropertyOp (354)

#include <cstdint>
#include <memory>
#include <vector>

#include "core/PString.h"
#include "core/port/Port.h"
#include "model/GeometryManagerHook.h"
#include "model/Link.h"
#include "model/command/ActionBase.h"

class TWorldDoc;

class TPropertyOp : public TActionBase {
  DECLARE_CLASS_ID(348, TActionBase)

 public:
  TPropertyOp();
  ~TPropertyOp() override;

  // InitAction without a view, and a new empty targets list.
  void InitPropertyOp(int16_t commandNumber, TActionContext* context, uint16_t canUndo);
  virtual void AddTarget(TLink* object);
  // Sets the property on one object; nothing here.
  virtual void ApplyTo(TLink* object);
  // Records the whole object in both recorders.
  virtual void NoteTarget(TLink* object);
  // ApplyTo for every target in order.
  virtual void ApplyToAll();

  // The world's edit check first (a change made at a later frame of a run asks, and is
  // abandoned), then notes every target, then the base.
  void BeforePrepare() override;
  // ApplyToAll, then the context's changed notice.
  void DoWork() override;

  std::vector<TLink*> Targets() const;
  TLink518* TargetList() const { return targets_.get(); }

 protected:
  // Whether the change reaches what the solver is handed: here, whether a target is one the
  // solver takes.
  virtual bool ReachesSolver(const TWorldDoc& world) const;

 private:
  // The edit check of the world the targets are in, for a change a person makes (it has a
  // command number; a script's has none and decides itself when its world runs) that reaches
  // the solver: the world's view, frame display and units, its controls and a thing's colour
  // may change during a run.
  void CheckEditOfRun();

  std::unique_ptr<TLink518> targets_;
};

// Records its targets for undo and changes nothing: its value goes to the link base's blank-tag
// setter, which ignores it.
class TBlankTagOp : public TPropertyOp {
  DECLARE_CLASS_ID(362, TPropertyOp)

 public:
  void InitBlankTag(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                    uint16_t value);
  void ApplyTo(TLink* object) override;

 private:
  uint16_t value_ = 0;
};

// A command about one tagged property.
class TPropertyOpBase : public TPropertyOp {
  DECLARE_CLASS_ID(349, TPropertyOp)

 public:
  static constexpr uint32_t kPositionFormulaTag = MakeTag("fTwx");

  TPropertyOpBase();
  ~TPropertyOpBase() override;

  // InitPropertyOp, keeps the tag and the context's geometry manager; keeps the selection.
  void InitTagged(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag);
  // Called for each target after its blocks were noted; nothing here.
  virtual void ObjectNoted(TLink* object);
  // Called after every undo and redo; nothing here.
  virtual void AfterUndoRedo();
  // Whether the change moves or reshapes objects (known once the command is prepared).
  virtual uint16_t AffectsGeometry();

  // The object, then the further objects that a change of the tag concerns.
  void AddTarget(TLink* object) override;
  // Records exactly the blocks that the object names for the tag.
  void NoteTarget(TLink* object) override;
  void BeforePrepare() override;
  void DoWork() override;
  void Undo() override;
  void Redo() override;

  uint32_t GetTag() const { return tag_; }
  uint16_t GeometryFlag() const { return geometryFlag_; }
  TGeometryManagerHook* GeometryManager() const { return geometryManager_; }

 protected:
  // Every object of the context is noted whole; those that are not targets also note the blocks
  // that hold their position. Moving some objects may move every object joined to them.
  void NoteWorldPositions();
  // The base's answer, unless every target the solver takes keeps the tag only in document
  // blocks (a colour, a name, what is shown), which the solver's copy leaves out.
  bool ReachesSolver(const TWorldDoc& world) const override;

 private:
  static void NoteBlockOfTarget(int16_t code, void* context);
  static void TargetNoted(void* context);
  uint16_t ComputeGeometryFlag();

  uint32_t tag_ = 0;
  uint16_t geometryFlag_ = 0;
  TGeometryManagerHook* geometryManager_ = nullptr;
  std::unique_ptr<TGeometryRegistration> registration_;
};

// Each target performs the action that the tag names.
class TTagActionOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(350, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag);
  void ApplyTo(TLink* object) override;
};

// The world performs the action that the tag names, once.
class TWorldActionOp : public TPropertyOpBase {
 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag);
  void ApplyToAll() override;
};

class TFlagPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(352, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 uint16_t value);
  void ApplyTo(TLink* object) override;

 private:
  uint16_t value_ = 0;
};

// Each target takes the choice that the tag names.
class TChoicePropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(353, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag);
  void ApplyTo(TLink* object) override;
};

class TStringPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(355, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 const Str255& value);
  void ApplyTo(TLink* object) override;

 private:
  Str255 value_;
};

class TColourPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(356, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 const RGB16Color& value);
  void ApplyTo(TLink* object) override;

 private:
  RGB16Color value_;
};

// Values come already limited to -32767..32767 from the dialogs.
class TIntPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(357, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 int32_t value);
  void ApplyTo(TLink* object) override;

 private:
  int32_t value_ = 0;
};

class TShortPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(360, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 uint16_t value);
  void ApplyTo(TLink* object) override;

 private:
  uint16_t value_ = 0;
};

// Answers the class identifier of the short kind.
class TLongPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(360, TPropertyOpBase)

 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 uint32_t value);
  void ApplyTo(TLink* object) override;

 private:
  uint32_t value_ = 0;
};

// Each target that offers a menu for the tag takes the entry of the text as its chosen one
// (MenuProperty.h). Choosing what a dialog works on changes nothing stored: the command keeps
// nothing to undo, leaves the document unchanged and keeps the world's recorded frames (the
// dialog shows the choice's values itself).
class TMenuPropertyOp : public TPropertyOpBase {
 public:
  void InitValue(int16_t commandNumber, TActionContext* context, uint32_t tag,
                 const Str255& text);
  void ApplyTo(TLink* object) override;
  void DoWork() override;

 private:
  Str255 text_;
};
