#pragma once
// The application's command queue: commands waiting for the event loop, smaller priority first,
// and commands of equal priority in the order they were posted. The list owns nothing; the
// application decides what to free.

#include <cstdint>
#include <span>

#include "core/List.h"
#include "model/command/CommandCore.h"

class TCommandList : public TSortedList {
  DECLARE_CLASS_ID(294, TSortedList)

 public:
  TCommandList() { ISortedList(); }

  // By priority, smaller first.
  int Compare(const TObject* a, const TObject* b) const override;
  // Directly after the last queued command of the same or a smaller priority.
  void Add(TObject* object) override;
  // The index of this very command, or -1. Commands of equal priority compare equal, so the
  // sorted search would answer any of them.
  int32_t IndexOf(const TObject* object) override { return GetIdentityIndex(object); }
  bool Holds(const TCommandCore* command) const { return GetIdentityIndex(command) != -1; }

  TCommandCore* CommandAt(int32_t index) const { return static_cast<TCommandCore*>(At(index)); }
  // The first command, in queue order, that can perform now; it is removed from the queue
  // unless it stays queued. Null when none can perform.
  TCommandCore* TakeNext() { return TakeNext({}); }
  // The same, passing over the commands given.
  TCommandCore* TakeNext(std::span<TCommandCore* const> passedOver);
  // Whether a queued command can perform now.
  bool HasReadyCommand() const;
};
