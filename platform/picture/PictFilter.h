#pragma once
// The picture filter: a stored picture of the Macintosh format becomes a placeable metafile (the
// 22-byte header, then the metafile's records) whose frame is the picture's pixels, at
// kPictUnitsPerInch units per inch.

#include <cstdint>
#include <span>
#include <vector>

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr uint16_t kPictUnitsPerInch = 96;
// A picture file begins with this many bytes that carry nothing, then the picture.
inline constexpr size_t kPictFileHeader = 512;
// The parameter block the filter is called with.
inline constexpr size_t kFilterParameterSize = 438;

// The placeable metafile of the picture; empty when the picture cannot be played whole.
std::vector<uint8_t> PictToPlaceableMetafile(std::span<const uint8_t> picture);

// Converts the picture file source (header bytes, then the picture) into the placeable
// metafile file destination, which the caller has created. Answers 0 on success and a non-zero
// code otherwise: 1 the source cannot be read or is no picture, 2 the picture cannot be played,
// 3 the destination cannot be written. parameters is the caller's block (not read).
int32_t HSIImportFilter(const char* source, const char* destination, const uint8_t* parameters);
