#pragma once
// The frame of a world edited in place in another world's document window. It lies over the
// item's place in the container's view, holding the embedded world's window inside its resize
// bar, and puts the world's five bars into the container's frame: the editing bar along the top,
// the bodies and constraints palettes in two columns at the left, the editing tools and the run
// bar beside the editing bar. Their buttons send their commands here, and the commands go to the
// world through the command queue; the buttons show the current tool pressed and the commands
// the world disabled greyed.

#include <array>
#include <vector>

#include "platform/mfc/COleIPFrameWnd.h"
#include "platform/mfc/CToolBar.h"
#include "ui/controls/PaletteToolBar.h"

class CInPlaceFrame : public COleIPFrameWnd {
  DECLARE_DYNCREATE(CInPlaceFrame)

 public:
  static constexpr size_t kBarCount = 5;
  // The bars' identifiers and their tool-bar resources, in the order their visibility is told.
  static constexpr UINT kBarIds[kBarCount] = {0xE800, 0xE802, 0xE803, 0xE804, 0xE805};
  static constexpr UINT kBarResources[kBarCount] = {4, 119, 122, 120, 124};
  // The frame's keys, and the menus it shares with its container's.
  static constexpr UINT kKeys = 4;
  static constexpr UINT kMenu = 4;
  static constexpr UINT kContainerMenu = 6;
  // Ends editing in place; it goes to the container's document frame.
  static constexpr UINT kCancelEditCommand = 32768;

  CInPlaceFrame() = default;

  BOOL OnCreateControlBars(CFrameWnd* frame, CFrameWnd* documentFrame) override;
  CToolBar& Bar(size_t index);

  // Shows or hides the five bars at once; the container's frame lays out again.
  void ShowPalettes(bool show);
  // A new current tool brings every button up to date; the same one again does nothing.
  void SetCurrentTool(int32_t command);
  int32_t CurrentTool() const { return currentTool_; }
  // The command's buttons greyed (added once) or no longer (every occurrence removed); then the
  // buttons are brought up to date.
  void SetCommandDisabled(int32_t command, bool disabled);
  const std::vector<int32_t>& DisabledCommands() const { return disabledCommands_; }
  std::array<bool, kBarCount> GetBarVisibility() const;
  // The status line is the container frame's.
  void SetMessageText(const char* text) override;
  // The keys of the accelerator table take the place of the frame's.
  void LoadAccelTable(UINT id);

  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  const COleResizeBar& ResizeBar() const { return resizeBarWindow_; }
  const COleDropTarget& DropTarget() const { return dropTarget_; }

 private:
  // The resize bar and the drop target; -1 when either cannot be made.
  int32_t OnCreate();
  BOOL CreateBar(CToolBar& bar, CFrameWnd* frame, size_t index, DWORD style);
  // The bar docks in the neighbour's row, after it, on the neighbour's side.
  void DockControlBarLeftOf(CToolBar& bar, CToolBar& neighbour);
  // A tool button's state: pressed for the current tool, greyed when disabled or while memory
  // is low. False for menu items and commands outside the buttons' ranges.
  bool UpdateToolButton(CCmdUI& update) const;
  void UpdateAllButtons();

  CToolBar mainBar_;
  CPaletteToolBar palette1_;
  CPaletteToolBar palette2_;
  CToolBar bar4_;
  CToolBar bar5_;
  std::vector<int32_t> disabledCommands_;
  COleResizeBar resizeBarWindow_;
  COleDropTarget dropTarget_;
  int32_t currentTool_ = 0;
  CFrameWnd* documentFrame_ = nullptr;
};
