#pragma once
// The movie export: every exported frame, as the world's window shows it in its off-screen
// picture, is handed to the bound video writer, which adds it to the movie the given number of
// times at the chosen rate. A movie that fails on the way leaves no file behind.

#include <cstdint>

#include "core/Tag.h"
#include "exchange/export/Exporter.h"
#include "platform/win32/GdiTypes.h"

class TVideoExportType;
class VideoLibrary;

// Confirming a movie export while no video writer can record.
inline constexpr int16_t kErrVideoUnavailable = -25206;
// The writer refused the movie's stream or frame format.
inline constexpr int16_t kErrVideoStream = -25205;

class TVideoMovieMaker : public TExporter {
  DECLARE_CLASS_ID(725, TExporter)

 public:
  static constexpr uint32_t kTag = MakeTag("exVX");

  ~TVideoMovieMaker() override;

  // The base's Init; the type must be the movie type (else -108).
  void Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
            TExportType* type, const TExportFileSpec& fileSpec, const TExportNameSpec& nameSpec,
            bool useNameSpec, int32_t startFrame, int32_t stopFrame) override;

  // True while a movie is being recorded; meanwhile document windows keep their size.
  static bool IsRecording();

  // "Export Movie".
  void GetCommandName(Str255& name) const override;

 protected:
  // The off-screen picture of the world's window: its context, bitmap and size. False when the
  // world has no window with one.
  virtual bool GetFrameSurface(HDC& dc, HBITMAP& bitmap, int16_t& width, int16_t& height);

  void BeginExport() override;
  void OpenFile() override;
  void WriteFrame() override;
  void EndExport() override;

 private:
  // Frees the frame bitmap and abandons the movie.
  void CloseAfterFailure();
  // The recording mark goes and windows follow their size messages as before.
  void StopRecording();

  TVideoExportType* type_ = nullptr;
  VideoLibrary* library_ = nullptr;
  HDC dc_ = nullptr;
  HBITMAP frameBitmap_ = nullptr;
  int16_t width_ = 0;
  int16_t height_ = 0;
  bool streamOpen_ = false;
  bool recording_ = false;
  bool sizeHandlingWasSuspended_ = false;
};

// Registers the movie export's exporter.
void RegisterVideoMovieMakerClass();
