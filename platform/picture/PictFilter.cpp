#include "platform/picture/PictFilter.h"

#include <fstream>
#include <iterator>

#include "platform/picture/PictPlayer.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Metafile.h"

namespace {

// Pictures are records of a 16-bit world: one larger than this is no picture.
constexpr std::streamoff kMaxPictFile = 64 << 20;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

std::vector<uint8_t> PictToPlaceableMetafile(std::span<const uint8_t> picture) {
  RECT frame;
  if (!PictFrame(picture, frame)) return {};
  const int32_t width = frame.right - frame.left;
  const int32_t height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return {};

  const HDC recorder = CreateMetaFile(nullptr);
  if (!recorder) return {};
  const bool played = PlayPict(recorder, picture);
  const HMETAFILE metafile = CloseMetaFile(recorder);
  if (!metafile) return {};
  std::vector<uint8_t> records;
  if (played) {
    records.resize(GetMetaFileBitsEx(metafile, 0, nullptr));
    GetMetaFileBitsEx(metafile, static_cast<UINT>(records.size()), records.data());
  }
  DeleteMetaFile(metafile);
  if (records.empty()) return {};

  std::vector<uint8_t> out;
  PutU16(out, static_cast<uint16_t>(kPlaceableKey));
  PutU16(out, static_cast<uint16_t>(kPlaceableKey >> 16));
  PutU16(out, 0);  // handle
  PutU16(out, 0);  // left, top, right, bottom
  PutU16(out, 0);
  PutU16(out, static_cast<uint16_t>(width));
  PutU16(out, static_cast<uint16_t>(height));
  PutU16(out, kPictUnitsPerInch);
  PutU16(out, 0);  // reserved
  PutU16(out, 0);
  uint16_t checksum = 0;
  for (size_t i = 0; i < out.size(); i += 2) checksum ^= static_cast<uint16_t>(out[i] | out[i + 1] << 8);
  PutU16(out, checksum);
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

int32_t HSIImportFilter(const char* source, const char* destination, const uint8_t*) {
  if (!source || !destination) return 1;
  std::ifstream in(source, std::ios::binary | std::ios::ate);
  if (!in) return 1;
  const std::streamoff size = in.tellg();
  if (size <= static_cast<std::streamoff>(kPictFileHeader) || size > kMaxPictFile) return 1;
  in.seekg(static_cast<std::streamoff>(kPictFileHeader));
  const std::vector<uint8_t> picture{std::istreambuf_iterator<char>(in), {}};
  const std::vector<uint8_t> placeable = PictToPlaceableMetafile(picture);
  if (placeable.empty()) return 2;
  std::ofstream out(destination, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(placeable.data()),
            static_cast<std::streamsize>(placeable.size()));
  out.close();
  return out ? 0 : 3;
}
