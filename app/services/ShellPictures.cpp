#include "app/services/ShellPictures.h"

#include <cstdio>
#include <fstream>
#include <span>
#include <string>

#include "exchange/pictures/PictureConversion.h"
#include "platform/win32/Resource.h"

namespace {

constexpr char kFallbackPicture[] = "PICTFALLBACK";

// Fills the file with the fallback metafile of the resources; false when there is none.
bool WriteFallbackPicture(const std::string& fileName) {
  const HMODULE module = FindResourceModule(kFallbackPicture, RT_RCDATA);
  const HRSRC resource = module ? FindResource(module, kFallbackPicture, RT_RCDATA) : nullptr;
  const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  if (!loaded) return false;
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(LockResource(loaded)),
            static_cast<std::streamsize>(SizeofResource(module, resource)));
  out.close();
  return static_cast<bool>(out);
}

// Removes the conversion's files however the conversion ends.
class TemporaryFiles {
 public:
  TemporaryFiles(std::string picture, std::string metafile)
      : picture_(std::move(picture)), metafile_(std::move(metafile)) {}
  ~TemporaryFiles() {
    std::remove(picture_.c_str());
    std::remove(metafile_.c_str());
  }
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

 private:
  std::string picture_;
  std::string metafile_;
};

void PutBigEndian(char* at, uint16_t value) {
  at[0] = static_cast<char>(value >> 8);
  at[1] = static_cast<char>(value & 0xFF);
}

}  // namespace

Handle MakeEmptyPicture() {
  const Handle picture = AllocHandleChecked(10);
  const uint16_t words[] = {10, 0, 10, 0, 10};
  for (size_t i = 0; i < 5; ++i) PutBigEndian(HandleData(picture) + 2 * i, words[i]);
  return picture;
}

std::optional<METAFILEPICT> ConvertPictureToMetafile(Handle picture) {
  if (!picture) return std::nullopt;
  std::string pictName;
  std::string metafileName;
  if (!MakeTempFileName(pictName, metafileName)) return std::nullopt;
  const TemporaryFiles files(pictName, metafileName);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(HandleData(picture)),
                                       GetHandleByteSize(picture));
  const bool converted =
      WritePictFile(bytes, pictName) && ImportWithFilter(metafileName, pictName) == 0;
  if (!converted && !WriteFallbackPicture(metafileName)) return std::nullopt;
  return LoadMetafilePicture(metafileName);
}
