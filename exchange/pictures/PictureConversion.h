#pragma once
// Showing a stored picture of the Macintosh format: it is written as a picture file, converted
// by the picture filter into a metafile file, and loaded as an in-memory metafile whose frame is
// given in screen pixels. The file steps are kept apart so that each can be checked.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/win32/GdiTypes.h"

// Two new files, made exclusively for this conversion in the temporary folder, named with the
// extensions ".PCT" and ".WMF"; false (nothing left behind) when they cannot be made.
bool MakeTempFileName(std::string& pictName, std::string& metafileName);
// The picture file: 512 zero bytes, then the picture. False when it cannot be written.
bool WritePictFile(std::span<const uint8_t> picture, const std::string& fileName);
// Empties the metafile file and runs the filter; answers the filter's result (0 = success),
// or -1 when no filter is bound or the file cannot be made.
int32_t ImportWithFilter(const std::string& metafileName, const std::string& pictName);
// The frame of a placeable metafile file in screen pixels; the file is rewritten without its
// header, as a plain metafile. A file without a usable header (too short, another key, or no
// units per inch) gives (0, 0, 1, 1) and stays as it is.
RECT ReadPlaceableFrame(const std::string& fileName);
// A new metafile that plays the file's metafile moved so that its point (x, y) comes to (0, 0);
// null when the file holds no metafile.
HMETAFILE ShiftMetafile(const std::string& fileName, int32_t x, int32_t y);
// The picture record of a metafile file (mapping mode 8, extents in pixels); nothing when the
// file holds no metafile.
std::optional<METAFILEPICT> LoadMetafilePicture(const std::string& fileName);
// Reads the screen's resolution and binds the picture filter; the main frame does so when it is
// made.
void LoadGraphicsFilter();
// Lets the picture filter go: conversions fail until it is bound again.
void FreeGraphicsFilter();
// The whole conversion; nothing when any step fails, so the caller shows no picture rather than
// a broken one. The temporary files are removed in every case.
std::optional<METAFILEPICT> ConvertPictToMetafile(std::span<const uint8_t> picture);
