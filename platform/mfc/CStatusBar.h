#pragma once
// The status bar of a frame: a control bar along the bottom whose panes are laid out from the
// left by their widths, a stretching pane taking what is left. The pane of ID_SEPARATOR is the
// message pane: the window text and the frame's menu prompts go there.

#include <string>
#include <vector>

#include "platform/mfc/CToolBar.h"

inline constexpr DWORD CBRS_BORDER_TOP = 0x0200;

inline constexpr UINT SBPS_NORMAL = 0x0000;
inline constexpr UINT SBPS_NOBORDERS = 0x0100;
inline constexpr UINT SBPS_POPOUT = 0x0200;
inline constexpr UINT SBPS_DISABLED = 0x04000000;
inline constexpr UINT SBPS_STRETCH = 0x08000000;

class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)

 public:
  CStatusBar() = default;
  using CWnd::Create;
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
              UINT id = AFX_IDW_STATUS_BAR);
  // One pane per identifier; ID_SEPARATOR makes the stretching message pane, any other
  // identifier a pane as wide as its string in the resources.
  BOOL SetIndicators(const UINT* ids, int32_t count);

  int32_t GetCount() const { return static_cast<int32_t>(panes_.size()); }
  int32_t CommandToIndex(UINT id) const;
  UINT GetItemID(int32_t index) const;
  void GetPaneInfo(int32_t index, UINT& id, UINT& style, int32_t& width) const;
  void SetPaneInfo(int32_t index, UINT id, UINT style, int32_t width);
  BOOL SetPaneText(int32_t index, const char* text, BOOL update = TRUE);
  std::string GetPaneText(int32_t index) const;
  void GetItemRect(int32_t index, RECT* rect) const;

  SIZE CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  // A new window text goes to the message pane.
  virtual LRESULT OnSetText(const char* text);

 private:
  struct Pane {
    UINT id = ID_SEPARATOR;
    UINT style = SBPS_NORMAL;
    int32_t width = 0;
    std::string text;
  };
  // Gives the control the right edges of the panes and their texts.
  void UpdateParts();
  bool Valid(int32_t index) const { return index >= 0 && index < GetCount(); }

  std::vector<Pane> panes_;
};
