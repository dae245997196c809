#pragma once
// Pictures for picture gadgets: an empty stored picture to start one with, and a stored picture
// turned into a metafile picture for display. A picture the filter cannot convert shows the
// program's fallback picture (an empty frame crossed through) rather than nothing.

#include <optional>

#include "core/Handle.h"
#include "platform/win32/GdiTypes.h"

// Ten bytes, five big-endian 16-bit numbers: the size 10 and the frame top 0, left 10,
// bottom 0, right 10.
Handle MakeEmptyPicture();

// The metafile picture (mapping mode 8, extents in pixels) of the stored picture in the handle;
// the fallback picture when the filter fails; nothing when neither can be loaded or the
// temporary files cannot be made. Both temporary files are gone when it returns.
std::optional<METAFILEPICT> ConvertPictureToMetafile(Handle picture);
