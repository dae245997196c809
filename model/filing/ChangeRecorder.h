#pragma once
// Recording object states for undo: a recorder queues the objects and blocks that a command is
// about to change and writes them into memory when asked; a change reader plays such a memory
// image back into the same objects.

#include <cstdint>
#include <vector>

#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

class TChangeRecorder : public TObjectWriter {
  DECLARE_CLASS_ID(558, TObjectWriter)

 public:
  // Entry codes that stand for whole objects rather than one block.
  static constexpr int16_t kShortRecord = -1;  // written with WriteTo(recorder, 1)
  static constexpr int16_t kWholeObject = -2;  // written with WriteTo(recorder, 0)

  struct Entry {
    TLink* object;
    int16_t code;
    friend bool operator==(const Entry&, const Entry&) = default;
  };

  // Queues the object: its short record when shortRecord is set, else all of it. Nothing when it
  // is queued as a whole already; block entries of the object give way to it.
  void NoteObject(TLink* object, bool shortRecord);
  // Queues one block after the object's other entries, unless it or the whole object is queued.
  void NoteBlock(TLink* object, int16_t code);
  // Writes and removes, last first, every short-record entry.
  void FlushWhole();
  // Writes and removes, last first, every other entry.
  void FlushRest();
  void Forget(TLink* object);
  const std::vector<Entry>& Pending() const { return pending_; }

 private:
  std::vector<Entry> pending_;
};

class TChangeReader : public TObjectReader {
  DECLARE_CLASS_ID(561, TObjectReader)

 public:
  // Takes a block only into the object stored under the same identifier.
  bool OfferBlock(TLink& object) override;
  void NotifyObjects() override {}
  // An undo image is read as far as it was recorded.
  bool RequiresWholeStream() const override { return false; }
  // A damaged record is dropped silently.
  void FailIfBadFormat(bool bad) override;
};

// Plays a recorder's image back into the objects of the container.
std::unique_ptr<TChangeReader> ReadChanges(std::span<const uint8_t> bytes, TLink* container);
