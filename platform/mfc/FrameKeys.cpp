#include "platform/mfc/FrameKeys.h"

#include <algorithm>

#include "platform/mfc/CFrameWnd.h"

void TFrameKeysExchange::Exchange(CFrameWnd& frame, HACCEL table) {
  if (!exchanged_) {
    const HACCEL current = frame.GetDefaultAccelerator();
    const int32_t count = current != nullptr ? CopyAcceleratorTable(current, nullptr, 0) : 0;
    saved_.assign(static_cast<size_t>(std::max(count, 0)), ACCEL{});
    if (count > 0) CopyAcceleratorTable(current, saved_.data(), count);
    hadKeys_ = current != nullptr;
    exchanged_ = true;
  }
  frame.SetAccelerators(table);
}

void TFrameKeysExchange::Restore(CFrameWnd& frame) {
  if (!exchanged_) return;
  exchanged_ = false;
  frame.SetAccelerators(hadKeys_ ? CreateAcceleratorTable(saved_.data(), static_cast<int32_t>(saved_.size()))
                                 : nullptr);
}
