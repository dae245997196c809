#include "model/command/CommandList.h"

#include <algorithm>

int TCommandList::Compare(const TObject* a, const TObject* b) const {
  const int16_t first = static_cast<const TCommandCore*>(a)->GetPriority();
  const int16_t second = static_cast<const TCommandCore*>(b)->GetPriority();
  return first < second ? -1 : (first > second ? 1 : 0);
}

void TCommandList::Add(TObject* object) {
  if (object == nullptr) return;
  int32_t place = GetCount() + 1;
  while (place > 1 && Compare(At(place - 1), object) > 0) --place;
  InsertBefore(place, object);
}

TCommandCore* TCommandList::TakeNext(std::span<TCommandCore* const> passedOver) {
  for (int32_t i = 1; i <= GetCount(); ++i) {
    TCommandCore* const command = CommandAt(i);
    if (!command->CanPerform()) continue;
    if (std::find(passedOver.begin(), passedOver.end(), command) != passedOver.end()) continue;
    if (command->StaysQueued() == 0) DeleteAt(i);
    return command;
  }
  return nullptr;
}

bool TCommandList::HasReadyCommand() const {
  for (int32_t i = 1; i <= GetCount(); ++i) {
    if (CommandAt(i)->CanPerform()) return true;
  }
  return false;
}
