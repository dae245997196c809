#pragma once
// The arrangement of a frame's control bars kept between runs: for each bar its identifier,
// whether it shows and the side it keeps to. Saved to and read from the profile under a name:
// "<name>-Summary" holds the number of bars, "<name>-Bar<i>" each bar's values.

#include <cstdint>
#include <vector>

#include "platform/win32/WindowTypes.h"

struct CControlBarInfo {
  UINT m_nBarID = 0;
  bool m_bVisible = true;
  DWORD m_dwSide = 0;  // one of CBRS_LEFT ... CBRS_BOTTOM
  UINT m_nBesideID = 0;  // the bar it sits beside in its row; 0 for a row of its own
};

class CDockState {
 public:
  // More bars than this in a profile mean the profile is damaged.
  static constexpr int32_t kMaxBars = 64;

  std::vector<CControlBarInfo> m_arrBarInfo;

  void SaveState(const char* profileName) const;
  // Replaces the bars with the saved ones. A missing or damaged arrangement (a count out of
  // range, a bar without an identifier or with an unknown side) reads as no bars, so that the
  // frame keeps its own.
  void LoadState(const char* profileName);
  void Clear() { m_arrBarInfo.clear(); }
};
