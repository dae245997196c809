#include "model/world/RecordLayout.h"

#include "model/Link.h"
#include "model/world/WorldParticipants.h"

namespace {

int32_t BodyValuesOf(const TLink* object) {
  const auto* participant = dynamic_cast<const TFrameParticipant*>(object);
  return participant != nullptr ? participant->FixedFrameValues() : 0;
}

}  // namespace

TRecordLayout TRecordLayout::Of(const std::vector<TLink*>& objects) {
  TRecordLayout layout;
  bool allShort = true;
  for (TLink* object : objects) {
    const int32_t bodyValues = BodyValuesOf(object);
    if (bodyValues > 0) {
      layout.bodyNumber.emplace(object, layout.frame.bodies++);
      allShort = allShort && bodyValues == yb::stream::FrameLayout::kShortBodyValues;
    }
    const int32_t count = object->CountElements();
    layout.recorded.emplace(object, Recorded{layout.frame.recorded, count});
    layout.frame.recorded += count;
  }
  layout.frame.valuesPerBody = layout.frame.bodies > 0 && allShort
                                   ? yb::stream::FrameLayout::kShortBodyValues
                                   : yb::stream::FrameLayout::kFullBodyValues;
  return layout;
}

int64_t TRecordLayout::BodyOffset(const TLink* object) const {
  const auto it = bodyNumber.find(object);
  return it != bodyNumber.end() ? frame.BodyOffset(it->second) : -1;
}

int64_t TRecordLayout::RecordedOffset(const TLink* object) const {
  const auto it = recorded.find(object);
  return it != recorded.end() ? frame.RecordedOffset(it->second.start) : -1;
}

int32_t TRecordLayout::RecordedCount(const TLink* object) const {
  const auto it = recorded.find(object);
  return it != recorded.end() ? it->second.count : 0;
}
