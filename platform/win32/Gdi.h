#pragma once
// The whole graphics interface: objects, device contexts, drawing, regions, text, metafiles,
// palettes and printing.

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/DcPrinter.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/GdiTypes.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/RegionGdi.h"
