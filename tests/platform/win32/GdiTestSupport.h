#pragma once
// A memory device context over a white 32-bit bitmap, with pixel probes, and the colours the
// drawing tests name.

#include "platform/win32/Gdi.h"
#include "tests/support/MemoryCanvas.h"

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
