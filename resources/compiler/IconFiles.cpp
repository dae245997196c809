#include "resources/compiler/IconFiles.h"

#include <cstring>
#include <string>

namespace rc {

namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kBitmapHeaderSize = 40;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint16_t Word(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t Long(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(Word(bytes, at)) | static_cast<uint32_t>(Word(bytes, at + 2)) << 16;
}

void AppendWord(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendLong(std::vector<uint8_t>& out, uint32_t value) {
  AppendWord(out, value & 0xFFFF);
  AppendWord(out, value >> 16);
}

bool IsPng(std::span<const uint8_t> image) {
  return image.size() >= sizeof kPngSignature &&
         std::memcmp(image.data(), kPngSignature, sizeof kPngSignature) == 0;
}

// A bitmap image starts with its 40-byte (or longer) information header.
bool IsBitmap(std::span<const uint8_t> image) {
  return image.size() >= kBitmapHeaderSize && Long(image, 0) >= kBitmapHeaderSize &&
         Long(image, 0) <= image.size();
}

}  // namespace

std::vector<IconImage> ReadIconFile(std::span<const uint8_t> file, bool cursor) {
  const std::string kind = cursor ? "a cursor" : "an icon";
  if (file.size() < kDirectorySize) throw IconFileError("too short for " + kind);
  if (Word(file, 0) != 0 || Word(file, 2) != (cursor ? 2 : 1)) {
    throw IconFileError("not " + kind + " file");
  }
  const size_t count = Word(file, 4);
  if (count == 0) throw IconFileError("holds no image");
  if ((file.size() - kDirectorySize) / kFileEntrySize < count) {
    throw IconFileError("its directory runs past the end of the file");
  }
  std::vector<IconImage> images;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kDirectorySize + i * kFileEntrySize;
    const uint32_t size = Long(file, entry + 8);
    const uint32_t offset = Long(file, entry + 12);
    if (offset > file.size() || size > file.size() - offset) {
      throw IconFileError("image " + std::to_string(i + 1) + " runs past the end of the file");
    }
    const std::span<const uint8_t> bytes = file.subspan(offset, size);
    const bool png = IsPng(bytes);
    if (!IsBitmap(bytes) && !(png && !cursor)) {
      throw IconFileError("image " + std::to_string(i + 1) + " is neither a bitmap" +
                          (cursor ? "" : " nor PNG"));
    }
    IconImage image;
    image.width = file[entry] == 0 ? 256 : file[entry];
    image.height = file[entry + 1] == 0 ? 256 : file[entry + 1];
    image.colorCount = file[entry + 2];
    if (cursor) {
      image.hotspotX = Word(file, entry + 4);
      image.hotspotY = Word(file, entry + 6);
    } else {
      image.planes = Word(file, entry + 4);
      image.bitCount = Word(file, entry + 6);
    }
    // Cursor files keep the hot spot where icon files keep the depth; many icon files leave
    // the depth 0. The bitmap's own header says it.
    if (!png && (cursor || image.bitCount == 0)) {
      image.planes = 1;
      image.bitCount = Word(bytes, 14);
    }
    image.bytes.assign(bytes.begin(), bytes.end());
    images.push_back(std::move(image));
  }
  return images;
}

std::vector<uint8_t> IconImageResource(const IconImage& image, bool cursor) {
  std::vector<uint8_t> out;
  if (cursor) {
    AppendWord(out, image.hotspotX);
    AppendWord(out, image.hotspotY);
  }
  out.insert(out.end(), image.bytes.begin(), image.bytes.end());
  return out;
}

std::vector<uint8_t> IconGroupResource(const std::vector<IconImage>& images,
                                       const std::vector<uint16_t>& ids, bool cursor) {
  std::vector<uint8_t> out;
  AppendWord(out, 0);
  AppendWord(out, cursor ? 2 : 1);
  AppendWord(out, static_cast<uint32_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    const auto resourceSize = static_cast<uint32_t>(image.bytes.size() + (cursor ? 4 : 0));
    if (cursor) {
      // A cursor's height counts both masks, as its bitmap header does.
      AppendWord(out, image.width);
      AppendWord(out, 2u * image.height);
    } else {
      out.push_back(static_cast<uint8_t>(image.width));  // 256 is written as 0
      out.push_back(static_cast<uint8_t>(image.height));
      out.push_back(image.colorCount);
      out.push_back(0);
    }
    AppendWord(out, image.planes);
    AppendWord(out, image.bitCount);
    AppendLong(out, resourceSize);
    AppendWord(out, ids[i]);
  }
  return out;
}

}  // namespace rc
