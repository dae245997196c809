#pragma once
// TGeometryRefreshCommand (578): brings the geometry of the selected objects up to date after
// their shapes were edited, as one undoable command. Before the work the objects and their
// parts are noted for undo and, when the world has a geometry manager, the manager takes the
// objects and brings what is joined to them along; the closing step has every object update
// its geometry, lets the manager drop the objects and has the world redraw.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/command/ActionBase.h"

class TGeometryObjectRecord;
class TLink;

class TGeometryRefreshCommand : public TActionBase {
  DECLARE_CLASS_ID(578, TActionBase)

 public:
  TGeometryRefreshCommand();
  ~TGeometryRefreshCommand() override;

  // The world's selection becomes the objects to refresh; the target (the view that asked, or
  // null) is told to redraw when the command closes.
  void InitRefresh(int16_t commandNumber, TActionContext* world, TCommandView* target);
  const std::vector<TLink*>& Objects() const { return objects_; }

  // Notes the objects and their parts for undo.
  void BeforePrepare() override;
  // With a target and a geometry manager: the manager takes the objects and refreshes them.
  void AfterPrepare() override;
  // Every object updates its geometry; the manager lets the objects go; the world redraws.
  void AfterWork() override;

 private:
  std::vector<TLink*> objects_;
  TCommandView* target_ = nullptr;
  std::unique_ptr<TGeometryObjectRecord> records_;
};
