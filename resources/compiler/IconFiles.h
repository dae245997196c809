#pragma once
// Icon (.ico) and cursor (.cur) files, taken apart into their images and put back together as
// the window layer's resources: each image a resource of its own (type 3 for an icon image,
// type 1 for a cursor image, which starts with its hot spot), and one group resource (type 14
// or 12) that lists the images with their sizes and ids.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace rc {

// A file that is not a well-formed icon or cursor file; the text says what is wrong.
class IconFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct IconImage {
  uint16_t width = 0;   // in pixels (a directory width byte of 0 means 256)
  uint16_t height = 0;  // in pixels, one mask's height
  uint8_t colorCount = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint16_t hotspotX = 0;  // cursors only
  uint16_t hotspotY = 0;
  std::vector<uint8_t> bytes;  // the image: a device-independent bitmap, or PNG for icons
};

// The images of an icon file (cursor false) or a cursor file (cursor true). Every offset,
// size and count is checked against the file.
std::vector<IconImage> ReadIconFile(std::span<const uint8_t> file, bool cursor);

// The bytes of one image resource: the image as it is for an icon, the hot spot (two words)
// and the image for a cursor.
std::vector<uint8_t> IconImageResource(const IconImage& image, bool cursor);

// The group resource: a header of reserved 0, kind (1 icon, 2 cursor) and count, then one
// 14-byte entry per image naming the image resource ids[i].
std::vector<uint8_t> IconGroupResource(const std::vector<IconImage>& images,
                                       const std::vector<uint16_t>& ids, bool cursor);

}  // namespace rc
