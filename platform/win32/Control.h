#pragma once
// The standard controls drawn by this layer, each a window class of its own family: buttons
// (Button.h), statics (Static.h), edits (Edit.h), list boxes (ListBox.h), combo boxes
// (ComboBox.h), scroll bars (ScrollBar.h), trackbars (Trackbar.h), progress bars
// (Progress.h), status bars (StatusBar.h) and tool bars (ToolBar.h).

#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Edit.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Progress.h"
#include "platform/win32/ScrollBar.h"
#include "platform/win32/Static.h"
#include "platform/win32/StatusBar.h"
#include "platform/win32/ToolBar.h"
#include "platform/win32/Trackbar.h"

// Registers the control classes (again after ResetWindowSystem); harmless when they exist.
void RegisterStandardControls();
