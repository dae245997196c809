#pragma once
// What a window that shows the world's objects outside the world's own views (a property dialog)
// is told: a command was done, undone or redone; the selection changed; objects came or went;
// the world is going. Each notice only marks what is stale, so many notices make one refresh.

class TWorldWatcher {
 public:
  // The objects' values may have changed (a command was done, undone or redone).
  virtual void WorldContentsChanged() = 0;
  // The selection is another set of objects.
  virtual void WorldSelectionChanged() = 0;
  // Objects joined or left the world.
  virtual void WorldObjectsChanged() = 0;
  // The world is being destroyed: the watcher must forget it.
  virtual void WorldGone() = 0;

 protected:
  ~TWorldWatcher() = default;
};
