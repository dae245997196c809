#pragma once
// TTracker488 (488): the undoable action that attaches objects to the world or detaches them.
// When there is not enough memory to keep what undo needs, the user is asked whether to go on
// without undo; "no" ends the command silently.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/command/ActionBase.h"

class TLink;
class TWorldHost;

inline constexpr int16_t kNoUndoMemoryAlert = 1511;

// What the action asks of the world it attaches objects to. Objects go and come back as a group,
// so that those that refer to each other keep their links; attaching may give the list new
// objects in place of those that went.
class TDependentsWorld {
 public:
  virtual ~TDependentsWorld() = default;
  virtual void AttachObjects(std::vector<TLink*>& objects) = 0;
  virtual void DetachObjects(std::vector<TLink*>& objects) = 0;
  // The attached objects are final: the world keeps them from now on.
  virtual void CommitAttached(const std::vector<TLink*>& objects) = 0;
  // The objects that depend on others follow the change.
  virtual void RefreshDependents() = 0;
  // Where the user is asked.
  virtual TWorldHost& Host() = 0;
};

class TTracker488 : public TActionBase {
  DECLARE_CLASS_ID(488, TActionBase)

 public:
  // With `attach` the action is undoable and has a list of objects to attach; with `detach` a
  // list of objects to detach.
  void InitDependents(int16_t commandNumber, TActionContext* context, TDependentsWorld* world,
                      uint16_t attach, uint16_t detach);
  // The same with a world that the action keeps for itself.
  void InitDependents(int16_t commandNumber, TActionContext* context,
                      std::unique_ptr<TDependentsWorld> world, uint16_t attach, uint16_t detach);
  std::vector<TLink*>* AttachList() const { return attach_.get(); }
  std::vector<TLink*>* DetachList() const { return detach_.get(); }
  // 0 while the objects are attached by the action's own images; 1 while the world takes them
  // out and gives them back: done and redone the objects go, undone they come back.
  int16_t GetState() const { return state_; }
  void SetState(int16_t state) { state_ = state; }

  void DoWork() override;
  void Undo() override;
  void Redo() override;
  void Commit() override;
  // Out of memory: alert 1511 names the command (^2) and asks whether to go on without undo;
  // any answer but yes ends the command silently. The busy flag is as before however it ends.
  void PrepareFailed(int16_t error, int32_t message) override;

 private:
  TDependentsWorld* world_ = nullptr;
  std::unique_ptr<TDependentsWorld> ownedWorld_;
  std::unique_ptr<std::vector<TLink*>> attach_;
  std::unique_ptr<std::vector<TLink*>> detach_;
  int16_t state_ = 0;
};
