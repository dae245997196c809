#include "exchange/video/VideoExportType.h"
#include "exchange/video/VideoMovieMaker.h"

#include <algorithm>
#include <cstring>

#include "core/ClassRegistry.h"
#include "core/port/Port.h"
#include "exchange/export/ExportHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTagRate = MakeTag("rate");
constexpr uint32_t kTagRepeat = MakeTag("mlpt");
constexpr uint32_t kTagBitDepth = MakeTag("bmpd");
constexpr uint32_t kTagOptions = MakeTag("opts");
constexpr int kProgramPaletteSize = 236;

std::unique_ptr<VideoLibrary>& Library() {
  static std::unique_ptr<VideoLibrary> library;
  return library;
}

TObject* NewVideoExportType() {
  return new TVideoExportType;
}

}  // namespace

VideoLibrary* BoundVideoLibrary() {
  return Library().get();
}

void BindVideoLibrary(std::unique_ptr<VideoLibrary> library) {
  Library() = std::move(library);
}

void InitVideoExport() {
  RegisterClassInfo("TVideoExportType", TVideoExportType::kTag, TVideoExportType::kClassID,
                    NewVideoExportType, sizeof(TVideoExportType));
  RegisterVideoMovieMakerClass();
  const PALETTEENTRY* palette = AppPaletteEntries();
  const std::span<const PALETTEENTRY> entries =
      palette ? std::span<const PALETTEENTRY>(palette, kProgramPaletteSize)
              : std::span<const PALETTEENTRY>();
  BindVideoLibrary(std::make_unique<AviVideoLibrary>(entries));
}

void UnloadVideoLibrary() {
  BindVideoLibrary(nullptr);
}

bool VideoAvailable() {
  return BoundVideoLibrary() && BoundVideoLibrary()->IsVideoAvailable() != 0;
}

TVideoExportType::TVideoExportType() {
  SetIdentity(kCmdExportVideo, kTagVideoExporter, MakeTag("VfW "), kBlankExportTag);
}

bool TVideoExportType::ServesCommand(int16_t command) const {
  return command == kCmdExportVideo || TExportType::ServesCommand(command);
}

bool TVideoExportType::OwnsBlock(int16_t code) const {
  return code == kBlockVideoExportType || code == kBlockVideoOptions ||
         TExportType::OwnsBlock(code);
}

bool TVideoExportType::ReadBlock(int16_t code, TObjectReader& reader) {
  if (code == kBlockVideoExportType) {
    ReadBaseFields(reader);
    rate_ = static_cast<int16_t>(reader.ReadInt());
    repeat_ = static_cast<int16_t>(reader.ReadInt());
    bitDepth_ = static_cast<int16_t>(reader.ReadInt());
    return true;
  }
  if (code == kBlockVideoOptions) {
    optionsValid_ = reader.ReadBoolean();
    for (size_t i = 0; i < kOptionsSize / 4; ++i) {
      const auto word = static_cast<uint32_t>(reader.ReadLong());
      std::memcpy(options_.data() + 4 * i, &word, 4);
    }
    return true;
  }
  return TExportType::ReadBlock(code, reader);
}

void TVideoExportType::WriteBlock(int16_t code, TObjectWriter& writer) {
  if (code != kBlockVideoExportType) return TExportType::WriteBlock(code, writer);
  WriteBaseFields(writer);
  writer.WriteShort(rate_);
  writer.WriteShort(repeat_);
  writer.WriteShort(bitDepth_);
}

void TVideoExportType::WriteBlocks(TObjectWriter& writer) {
  if (GetHandler()) writer.WriteBlock(*GetHandler(), kBlockVideoExportType);
  TExportType::WriteBlocks(writer);
}

bool TVideoExportType::GetIntProperty(uint32_t tag, int32_t& value) {
  if (tag == kTagRate) {
    value = rate_;
    return true;
  }
  if (tag == kTagRepeat) {
    value = repeat_;
    return true;
  }
  // The settings dialog shows the bit depth as a whole number.
  if (tag == kTagBitDepth) {
    value = bitDepth_;
    return true;
  }
  return TExportType::GetIntProperty(tag, value);
}

bool TVideoExportType::SetIntProperty(uint32_t tag, int32_t value) {
  if (tag == kTagRate) {
    if (value > 1) rate_ = static_cast<int16_t>(std::min<int32_t>(value, 32767));
    return true;
  }
  if (tag == kTagRepeat) {
    if (value > 0) repeat_ = static_cast<int16_t>(std::min<int32_t>(value, 32767));
    return true;
  }
  if (tag == kTagBitDepth)
    return SetIndexProperty(tag, value > 0 && value <= 32 ? static_cast<int16_t>(value) : 0);
  return TExportType::SetIntProperty(tag, value);
}

bool TVideoExportType::GetIndexProperty(uint32_t tag, int16_t& value) {
  if (tag != kTagBitDepth) return TExportType::GetIndexProperty(tag, value);
  value = bitDepth_;
  return true;
}

bool TVideoExportType::SetIndexProperty(uint32_t tag, int16_t value) {
  if (tag != kTagBitDepth) return TExportType::SetIndexProperty(tag, value);
  // Only the depths the writer makes frames of.
  if (value == 8 || value == 24 || value == 32) bitDepth_ = value;
  return true;
}

Str255 TVideoExportType::RefusedNumber(uint32_t tag, int32_t value) const {
  if (tag != kTagBitDepth || value == 8 || value == 24 || value == 32) return Str255();
  return Str255("A movie has 8, 24 or 32 bits per pixel.");
}

bool TVideoExportType::CanPerformAction(uint32_t tag) {
  return tag == kTagOptions || TExportType::CanPerformAction(tag);
}

bool TVideoExportType::DoTagAction(uint32_t tag) {
  if (tag != kTagOptions) return TExportType::DoTagAction(tag);
  VideoLibrary* library = BoundVideoLibrary();
  if (!library || library->LibraryInitialized() == 0) return true;
  if (optionsValid_) {
    const int32_t size = kOptionsSize;
    library->SetArrays(options_.data(), &size);
  }
  library->SaveOptionsDialog(nullptr);
  int32_t size = 0;
  const void* block = library->GetArrays(&size);
  TakeOptions(block, size);
  return true;
}

void TVideoExportType::TakeOptions(const void* block, int32_t size) {
  if (!block || size <= 0) return;
  options_.fill(0);
  std::memcpy(options_.data(), block, std::min<size_t>(static_cast<size_t>(size), kOptionsSize));
  optionsValid_ = true;
}
