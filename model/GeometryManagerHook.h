#pragma once
// What the commands of the object model ask of the world's geometry manager: the object that
// keeps the joined geometry of a world consistent while properties change (bodies that move when
// a point they share moves, formulas that follow other objects). The manager itself lives above
// the object model; it implements this interface, and at start-up it installs the function that
// answers the interface of a world item, so that model code finds the manager among the world's
// items by its class tag "wGMr" and calls it through here without knowing its class.

#include <cstdint>
#include <memory>

#include "core/Tag.h"

class FormulaEnvironment;
class TFormula;
class TLink;
class TList;
class TObject;

// The class tag under which a world keeps its geometry manager among its items.
inline constexpr uint32_t kGeometryManagerTag = MakeTag("wGMr");

// What register hands back and finish takes: the manager's record of one command's targets. The
// command owns it and frees it with itself.
class TGeometryRegistration {
 public:
  virtual ~TGeometryRegistration() = default;
};

// The record of the objects of a command that the manager tracks for the join action (add
// objects, then refresh). The caller owns it.
class TGeometryObjectRecord {
 public:
  virtual ~TGeometryObjectRecord() = default;
};

class TGeometryManagerHook {
 public:
  virtual ~TGeometryManagerHook() = default;

  // Before a geometry-changing command when the command is undoable: remember the present
  // geometry of the targets (and of what is joined to them) so that undo can restore it. The
  // property commands pass (targets, 1, 1): the first flag asks to include the objects joined to
  // the targets, the second to keep their formulas.
  virtual void Prepare(TList& targets, int16_t withJoined, int16_t withFormulas) = 0;
  // Before the values are set: start a registration of the targets for the command number. May
  // answer null when there is nothing to follow.
  virtual std::unique_ptr<TGeometryRegistration> Register(TList& targets,
                                                         int16_t commandNumber) = 0;
  // After the values are set: bring the objects joined to the registered targets to their new
  // places. The registration stays the caller's.
  virtual void Finish(TGeometryRegistration& registration) = 0;
  // In the formula command: relink the formulas of the targets to the objects they name,
  // collecting the objects whose geometry follows into geometryList. The property command passes
  // (targets, 1, 1, 1, its progress state, its geometry list). progressState is the caller's and
  // may be null.
  virtual void Relink(TList& targets, int16_t withJoined, int16_t withFormulas,
                      int16_t recompute, void* progressState, TList& geometryList) = 0;
  // When a formula command is initialised with an expression: check that the formula can be
  // evaluated against the world (the objects it names exist). Raises the failure that says why
  // it cannot. The property commands pass (formula, 0, 0).
  virtual void CheckFormula(const TFormula& formula, int16_t first, int16_t second) = 0;
  // 1 when geometry work is waiting for Flush, else 0.
  virtual uint16_t HasPendingWork() const = 0;
  // Does the waiting work now (after a formula command and after its undo and redo, with 0).
  virtual void Flush(int16_t flag) = 0;
  // Recomputes the geometry of the object being changed; 1 when it is a newly sketched object.
  virtual void UpdateObject(int16_t flag) = 0;
  // Removes the geometry records of the moved objects.
  virtual void RemoveObjects() = 0;
  // The join action: adds the objects of a command to the manager and answers the record that
  // keeps them.
  virtual std::unique_ptr<TGeometryObjectRecord> AddObjects(TList& objects) = 0;
  // Brings the objects of a record to the geometry they are joined to.
  virtual void RefreshRecord(TGeometryObjectRecord& record) = 0;
  // The world the manager keeps consistent (its formulas are checked and evaluated against it);
  // null detaches it. Nothing for a manager without formulas.
  virtual void AttachWorld(TLink*) {}
  // The world as formulas see it now (the objects as the editor places them), or null when the
  // manager has no world.
  virtual const FormulaEnvironment* FormulaWorld() { return nullptr; }

 protected:
  TGeometryManagerHook() = default;
  TGeometryManagerHook(const TGeometryManagerHook&) = default;
  TGeometryManagerHook& operator=(const TGeometryManagerHook&) = default;
};

// Answers the geometry manager interface of a world item (the item found under
// kGeometryManagerTag), or null when the item is none.
using GeometryManagerOfItem = TGeometryManagerHook* (*)(TObject* item);

namespace geometry_manager_detail {
inline GeometryManagerOfItem& Installed() {
  static GeometryManagerOfItem installed = nullptr;
  return installed;
}
}  // namespace geometry_manager_detail

// Installed by RegisterGeometryManager at start-up; null uninstalls it (at shut-down).
inline void InstallGeometryManagerHook(GeometryManagerOfItem answer) {
  geometry_manager_detail::Installed() = answer;
}

// The manager behind a world item, or null when the item is null, is not a geometry manager, or
// no manager class is installed (a program built without the simulation layer).
inline TGeometryManagerHook* GeometryManagerOf(TObject* item) {
  const GeometryManagerOfItem answer = geometry_manager_detail::Installed();
  return item != nullptr && answer != nullptr ? answer(item) : nullptr;
}
