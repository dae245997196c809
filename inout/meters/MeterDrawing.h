#pragma once
// Drawing helpers the meter's drawing files share.

#include "core/MacTypes.h"
#include "core/port/Port.h"

// Fills rect in one colour in the current port, whatever brush the port holds.
void FillSolid(const MacRect& rect, const RGB16Color& color);
