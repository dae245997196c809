#include "platform/mfc/CDockState.h"

#include <string>

#include "platform/mfc/CToolBar.h"
#include "platform/win32/Profile.h"

namespace {

std::string BarSection(const char* profileName, int32_t index) {
  return std::string(profileName) + "-Bar" + std::to_string(index);
}

bool KnownSide(DWORD side) {
  return side == CBRS_LEFT || side == CBRS_TOP || side == CBRS_RIGHT || side == CBRS_BOTTOM;
}

}  // namespace

void CDockState::SaveState(const char* profileName) const {
  const std::string summary = std::string(profileName) + "-Summary";
  WriteProfileInt(summary.c_str(), "Bars", static_cast<int32_t>(m_arrBarInfo.size()));
  for (size_t i = 0; i < m_arrBarInfo.size(); ++i) {
    const CControlBarInfo& info = m_arrBarInfo[i];
    const std::string section = BarSection(profileName, static_cast<int32_t>(i));
    WriteProfileInt(section.c_str(), "BarID", static_cast<int32_t>(info.m_nBarID));
    WriteProfileInt(section.c_str(), "Visible", info.m_bVisible ? 1 : 0);
    WriteProfileInt(section.c_str(), "Side", static_cast<int32_t>(info.m_dwSide));
    WriteProfileInt(section.c_str(), "Beside", static_cast<int32_t>(info.m_nBesideID));
  }
}

void CDockState::LoadState(const char* profileName) {
  Clear();
  const std::string summary = std::string(profileName) + "-Summary";
  const auto count = static_cast<int32_t>(GetProfileInt(summary.c_str(), "Bars", 0));
  if (count <= 0 || count > kMaxBars) return;
  std::vector<CControlBarInfo> bars;
  for (int32_t i = 0; i < count; ++i) {
    const std::string section = BarSection(profileName, i);
    CControlBarInfo info;
    info.m_nBarID = GetProfileInt(section.c_str(), "BarID", 0);
    info.m_bVisible = GetProfileInt(section.c_str(), "Visible", 1) != 0;
    info.m_dwSide = GetProfileInt(section.c_str(), "Side", 0);
    info.m_nBesideID = GetProfileInt(section.c_str(), "Beside", 0);
    if (info.m_nBarID == 0 || info.m_nBarID > 0xFFFF || info.m_nBesideID > 0xFFFF ||
        !KnownSide(info.m_dwSide))
      return;
    bars.push_back(info);
  }
  m_arrBarInfo = std::move(bars);
}
