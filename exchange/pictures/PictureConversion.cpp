#include "exchange/pictures/PictureConversion.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

#include "platform/picture/PictFilter.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/WindowDc.h"

namespace {

using ImportFilter = int32_t (*)(const char* source, const char* destination,
                                 const uint8_t* parameters);

constexpr size_t kPlaceableHeader = 22;
constexpr int32_t kAnisotropic = 8;

// The screen's resolution and the bound filter with its parameter block, read and bound once at
// start-up and shared by every conversion.
struct FilterBinding {
  int16_t dpiX = 96;
  int16_t dpiY = 96;
  ImportFilter import = nullptr;
  std::array<uint8_t, kFilterParameterSize> parameters{};
};

FilterBinding& Binding() {
  static FilterBinding binding;
  return binding;
}

// A new file in the temporary folder with the extension, made exclusively (no other file of that
// name can be opened or replaced by it).
bool MakeExclusiveFile(const char* extension, std::string& name) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return false;
  std::string pattern = (folder / "picture-XXXXXX").string() + extension;
  const int fd = mkstemps(pattern.data(), static_cast<int>(std::char_traits<char>::length(extension)));
  if (fd < 0) return false;
  close(fd);
  name = pattern;
  return true;
}

uint16_t Word(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

}  // namespace

bool MakeTempFileName(std::string& pictName, std::string& metafileName) {
  if (!MakeExclusiveFile(".PCT", pictName)) return false;
  if (!MakeExclusiveFile(".WMF", metafileName)) {
    std::remove(pictName.c_str());
    return false;
  }
  return true;
}

bool WritePictFile(std::span<const uint8_t> picture, const std::string& fileName) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const std::vector<char> zeros(kPictFileHeader, 0);
  out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  out.write(reinterpret_cast<const char*>(picture.data()),
            static_cast<std::streamsize>(picture.size()));
  out.close();
  return static_cast<bool>(out);
}

int32_t ImportWithFilter(const std::string& metafileName, const std::string& pictName) {
  const FilterBinding& binding = Binding();
  if (!binding.import) return -1;
  {
    std::ofstream empty(metafileName, std::ios::binary | std::ios::trunc);
    if (!empty) return -1;
  }
  return binding.import(pictName.c_str(), metafileName.c_str(), binding.parameters.data());
}

RECT ReadPlaceableFrame(const std::string& fileName) {
  const RECT none{0, 0, 1, 1};
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return none;
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  in.close();
  if (bytes.size() < kPlaceableHeader) return none;
  const uint32_t key = Word(bytes.data()) | static_cast<uint32_t>(Word(bytes.data() + 2)) << 16;
  const uint16_t inch = Word(bytes.data() + 14);
  // Without the key, or without units per inch to divide by, the file is a plain metafile.
  if (key != kPlaceableKey || inch == 0) return none;
  const FilterBinding& binding = Binding();
  RECT frame;
  frame.left = Word(bytes.data() + 6) * binding.dpiX / inch;
  frame.top = Word(bytes.data() + 8) * binding.dpiY / inch;
  frame.right = Word(bytes.data() + 10) * binding.dpiX / inch;
  frame.bottom = Word(bytes.data() + 12) * binding.dpiY / inch;
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data() + kPlaceableHeader),
            static_cast<std::streamsize>(bytes.size() - kPlaceableHeader));
  return frame;
}

HMETAFILE ShiftMetafile(const std::string& fileName, int32_t x, int32_t y) {
  const HMETAFILE loaded = GetMetaFile(fileName.c_str());
  if (!loaded) return nullptr;
  const HDC recorder = CreateMetaFile(nullptr);
  if (!recorder) {
    DeleteMetaFile(loaded);
    return nullptr;
  }
  // The frame's corner comes to (0, 0): the window origin is the corner itself.
  SetWindowOrgEx(recorder, x, y, nullptr);
  const BOOL played = PlayMetaFile(recorder, loaded);
  DeleteMetaFile(loaded);
  const HMETAFILE shifted = CloseMetaFile(recorder);
  if (!played && shifted) {
    DeleteMetaFile(shifted);
    return nullptr;
  }
  return shifted;
}

std::optional<METAFILEPICT> LoadMetafilePicture(const std::string& fileName) {
  const RECT frame = ReadPlaceableFrame(fileName);
  const HMETAFILE metafile = ShiftMetafile(fileName, frame.left, frame.top);
  if (!metafile) return std::nullopt;
  METAFILEPICT record;
  record.mm = kAnisotropic;
  record.xExt = frame.right - frame.left;
  record.yExt = frame.bottom - frame.top;
  record.hMF = metafile;
  return record;
}

void LoadGraphicsFilter() {
  FilterBinding& binding = Binding();
  const HDC screen = GetDC(nullptr);
  if (screen) {
    binding.dpiX = static_cast<int16_t>(GetDeviceCaps(screen, LOGPIXELSX));
    binding.dpiY = static_cast<int16_t>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
  if (binding.dpiX <= 0) binding.dpiX = 96;
  if (binding.dpiY <= 0) binding.dpiY = 96;
  binding.import = HSIImportFilter;
  binding.parameters.fill(0);
  binding.parameters[152] = 100;  // the one preset value, 16-bit little-endian
}

void FreeGraphicsFilter() {
  Binding().import = nullptr;
}

std::optional<METAFILEPICT> ConvertPictToMetafile(std::span<const uint8_t> picture) {
  std::string pictName;
  std::string metafileName;
  if (!MakeTempFileName(pictName, metafileName)) return std::nullopt;
  std::optional<METAFILEPICT> record;
  if (WritePictFile(picture, pictName) && ImportWithFilter(metafileName, pictName) == 0) {
    record = LoadMetafilePicture(metafileName);
  }
  std::remove(pictName.c_str());
  std::remove(metafileName.c_str());
  return record;
}
