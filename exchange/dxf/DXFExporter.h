#pragma once
// The drawing export: for each exported frame, an ENTITIES section holding the entities of every
// object that draws itself (bodies, points, lines, curved slots), then EOF. Command 1711 writes
// the first frame of its range into one file; 1712 writes one numbered file per frame.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Tag.h"
#include "exchange/export/Exporter.h"

class TDXFWriter;
class TLink;

class TDXFExporter : public TExporter {
  DECLARE_CLASS_ID(659, TExporter)

 public:
  static constexpr uint32_t kTag = MakeTag("exDX");

  // The base's Init, then the objects to draw (the selection when the type says so): nothing to
  // draw ends the export silently. A single-frame type exports only the start frame; a range
  // gets one file per frame.
  void Init(int16_t command, TWorldDoc* world, void* view, TExportHandler* handler,
            TExportType* type, const TExportFileSpec& fileSpec, const TExportNameSpec& nameSpec,
            bool useNameSpec, int32_t startFrame, int32_t stopFrame) override;

  // Whether the object writes itself into a drawing.
  static bool DrawsItself(TLink& object);
  const std::vector<TLink*>& Objects() const { return objects_; }

 protected:
  void WriteFrame() override;
  void EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize) override;
  std::unique_ptr<TAbstractStream> MakeOutputStream() override;

 private:
  std::vector<TLink*> objects_;
};

// Registers the drawing exporter's class.
void RegisterDXFExporterClass();
