#include "model/filing/ChangeRecorder.h"

#include <algorithm>

#include "core/Failure.h"

void TChangeRecorder::NoteObject(TLink* object, bool shortRecord) {
  const auto ofObject = [object](const Entry& e) { return e.object == object; };
  const auto first = std::find_if(pending_.begin(), pending_.end(), ofObject);
  if (first == pending_.end()) {
    pending_.push_back({object, shortRecord ? kShortRecord : kWholeObject});
    return;
  }
  if (std::any_of(pending_.begin(), pending_.end(),
                  [object](const Entry& e) { return e.object == object && e.code < 0; })) {
    return;
  }
  // Block entries of the object give way to one entry for all of it, where the first one stood.
  const auto at = first - pending_.begin();
  std::erase_if(pending_, ofObject);
  pending_.insert(pending_.begin() + at, {object, shortRecord ? kShortRecord : kWholeObject});
}

void TChangeRecorder::NoteBlock(TLink* object, int16_t code) {
  auto last = pending_.end();
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    if (it->object != object) continue;
    if (it->code == code || it->code < 0) return;
    last = it + 1;
  }
  pending_.insert(last, {object, code});
}

void TChangeRecorder::FlushWhole() {
  for (auto i = static_cast<ptrdiff_t>(pending_.size()) - 1; i >= 0; --i) {
    const Entry entry = pending_[static_cast<size_t>(i)];
    if (entry.code != kShortRecord) continue;
    entry.object->WriteTo(*this, 1);
    pending_.erase(pending_.begin() + i);
  }
}

void TChangeRecorder::FlushRest() {
  for (auto i = static_cast<ptrdiff_t>(pending_.size()) - 1; i >= 0; --i) {
    const Entry entry = pending_[static_cast<size_t>(i)];
    if (entry.code == kShortRecord) continue;
    if (entry.code == kWholeObject) {
      entry.object->WriteTo(*this, 0);
    } else {
      WriteBlock(*entry.object, entry.code);
    }
    pending_.erase(pending_.begin() + i);
  }
}

void TChangeRecorder::Forget(TLink* object) {
  std::erase_if(pending_, [object](const Entry& e) { return e.object == object; });
}

bool TChangeReader::OfferBlock(TLink& object) {
  // Undo images go back into the very objects they were taken from, whatever blocks those
  // objects take from strangers.
  if (object.GetIdentifier() != storedIdentifier_) return false;
  return ReadBlock(object);
}

void TChangeReader::FailIfBadFormat(bool bad) {
  if (bad) ThrowFailure(kErrNone, 0);
}

std::unique_ptr<TChangeReader> ReadChanges(std::span<const uint8_t> bytes, TLink* container) {
  auto reader = std::make_unique<TChangeReader>();
  reader->Init(std::make_unique<MemoryFilerStream>(bytes), RealWidth::k64, container, nullptr,
               nullptr);
  reader->ReadAll(nullptr);
  return reader;
}
