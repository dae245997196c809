#pragma once
// The settings of the movie export: frames per second, how many times each frame is repeated,
// the bit depth of the frames and the video writer's compression options. Only the first three
// are filed with the document; the options live as long as the program.

#include <array>
#include <cstdint>
#include <memory>

#include "exchange/export/ExportType.h"
#include "platform/avi/VideoLibrary.h"

inline constexpr int16_t kBlockVideoExportType = 5281;
inline constexpr int16_t kBlockVideoOptions = 5282;
inline constexpr uint32_t kTagVideoExportType = MakeTag("eT98");
inline constexpr uint32_t kTagVideoExporter = MakeTag("exVX");

class TVideoExportType : public TExportType {
  DECLARE_CLASS_ID(724, TExportType)

 public:
  static constexpr uint32_t kTag = kTagVideoExportType;
  static constexpr size_t kOptionsSize = 40;

  TVideoExportType();

  bool ServesCommand(int16_t command) const override;
  bool OwnsBlock(int16_t code) const override;
  bool ReadBlock(int16_t code, TObjectReader& reader) override;
  void WriteBlock(int16_t code, TObjectWriter& writer) override;
  void WriteBlocks(TObjectWriter& writer) override;

  // "rate" (taken only above 1) and "mlpt" (taken only above 0); "bmpd" as a whole number too.
  bool GetIntProperty(uint32_t tag, int32_t& value) override;
  bool SetIntProperty(uint32_t tag, int32_t value) override;
  // "bmpd": the bit depth of the frames, 8, 24 or 32 (others leave it).
  bool GetIndexProperty(uint32_t tag, int16_t& value) override;
  bool SetIndexProperty(uint32_t tag, int16_t value) override;
  // The writer makes frames of 8, 24 and 32 bits per pixel only.
  Str255 RefusedNumber(uint32_t tag, int32_t value) const override;
  // "opts": the writer's options dialog, with the options kept so far.
  bool CanPerformAction(uint32_t tag) override;
  bool DoTagAction(uint32_t tag) override;

  void GetSettings(int16_t& rate, int16_t& bitDepth, int16_t& repeat) const {
    rate = rate_;
    bitDepth = bitDepth_;
    repeat = repeat_;
  }
  // Keeps at most 40 bytes of the writer's options.
  void TakeOptions(const void* block, int32_t size);
  bool HasOptions() const { return optionsValid_; }
  const std::array<uint8_t, kOptionsSize>& Options() const { return options_; }

 private:
  int16_t rate_ = 10;
  int16_t repeat_ = 1;  // each frame is written this many times
  int16_t bitDepth_ = 8;
  std::array<uint8_t, kOptionsSize> options_{};
  bool optionsValid_ = false;
};

// The video writer bound for the whole program: null when none is bound.
VideoLibrary* BoundVideoLibrary();
// Binds a writer (replacing the one bound before); null unbinds.
void BindVideoLibrary(std::unique_ptr<VideoLibrary> library);
// Registers the movie export type and binds the RIFF AVI writer with the program palette. Unlike
// older versions, start-up never looks for, deletes or depends on a working file of the user's:
// the writer works in private temporary files.
void InitVideoExport();
// Frees the bound writer at exit.
void UnloadVideoLibrary();
// A writer is bound and it can record.
bool VideoAvailable();
