// Drawings written entity by entity: the exact lines, the document's units, ezdxf reading the
// file back, and the drawing type filed with the export handler.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/UnitHandler.h"
#include "exchange/dxf/DXFExportType.h"
#include "exchange/dxf/DXFWriter.h"
#include "exchange/export/ExportHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"

namespace {

constexpr int32_t kLength = 0x01000000;

// Lengths shown in metres or centimetres, as bare numbers.
class TestUnits : public TUnitHandler {
 public:
  double factor = 1.0;
  double GetDisplayFactor(int32_t kind) override { return kind == kLength ? factor : 1.0; }
  void GetFormattedValue(int32_t kind, int16_t, int16_t, double value, Str255& out) override {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value * GetDisplayFactor(kind));
    out.Assign(text);
  }
};

std::string TextOf(TDXFWriter& writer) {
  Handle handle = writer.DetachHandle();
  std::string text(HandleData(handle), GetHandleByteSize(handle));
  FreeHandle(handle);
  return text;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// A circle, a line, a point and a closed polygon, as the world's objects write them.
void WriteDrawing(TDXFWriter& writer) {
  writer.BeginSection(2, "ENTITIES");
  writer.BeginEntity(TDXFOutput::kCircle, Str255());
  writer.WriteCoords(1.25, -2.0, 0.0, kLength);
  writer.WriteValue(40, 0.5, kLength);
  writer.BeginEntity(TDXFOutput::kLine, Str255());
  writer.WriteCoords(0.0, 0.0, 0.0, kLength, 0);
  writer.WriteCoords(3.0, 4.0, 0.0, kLength, 1);
  writer.BeginEntity(TDXFOutput::kPoint, Str255("marks"));
  writer.WriteCoords(-1.5, 2.5, 0.0, kLength);
  writer.BeginEntity(TDXFOutput::kPolyline, Str255());
  writer.WriteValue(66, 1.0, 0);
  writer.WriteValue(70, 1.0, 0);
  for (const auto& [x, y] : {std::pair{0.0, 0.0}, {2.0, 0.0}, {2.0, 1.0}}) {
    writer.BeginEntity(TDXFOutput::kVertex, Str255());
    writer.WriteCoords(x, y, 0.0, kLength);
  }
  writer.BeginEntity(TDXFOutput::kSequenceEnd, Str255());
  writer.EndSection();
  writer.WriteEOF();
}

class DXFWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
  TestUnits units;
};

TEST_F(DXFWriterTest, EntitiesAreTheExactLinesInTheDocumentsUnits) {
  TDXFWriter writer(&units, 64);
  WriteDrawing(writer);
  const std::string expected = Lines(
      {"0", "SECTION", "2", "ENTITIES",
       "0", "CIRCLE", "8", "LAYER_1", "10", "1.25", "20", "-2", "30", "0", "40", "0.5",
       "0", "LINE", "8", "LAYER_1", "10", "0", "20", "0", "30", "0", "11", "3", "21", "4", "31", "0",
       "0", "POINT", "8", "marks", "10", "-1.5", "20", "2.5", "30", "0",
       "0", "POLYLINE", "8", "LAYER_1", "66", "1", "70", "1",
       "0", "VERTEX", "8", "LAYER_1", "10", "0", "20", "0", "30", "0",
       "0", "VERTEX", "8", "LAYER_1", "10", "2", "20", "0", "30", "0",
       "0", "VERTEX", "8", "LAYER_1", "10", "2", "20", "1", "30", "0",
       "0", "SEQEND", "0", "ENDSEC", "0", "EOF"});
  EXPECT_EQ(TextOf(writer), expected);

  units.factor = 100.0;  // the document now shows centimetres
  TDXFWriter again(&units, 64);
  again.BeginEntity(TDXFOutput::kCircle, Str255());
  again.WriteCoords(1.25, -2.0, 0.0, kLength);
  again.WriteValue(40, 0.5, kLength);
  EXPECT_EQ(TextOf(again), Lines({"0", "CIRCLE", "8", "LAYER_1", "10", "125", "20", "-200", "30",
                                  "0", "40", "50"}));
}

TEST_F(DXFWriterTest, EntityNamesAndComments) {
  const char* names[] = {"CIRCLE", "POINT", "POLYLINE", "POLYLINE", "POLYLINE",
                         "TEXT",   "VERTEX", "LINE"};
  for (int16_t kind = 0; kind < 8; ++kind) EXPECT_STREQ(DXFEntityName(kind), names[kind]);
  EXPECT_STREQ(DXFEntityName(8), "");
  EXPECT_STREQ(DXFEntityName(-1), "");
  TDXFWriter writer(&units, 16);
  writer.WriteComment(Str255("made here"), true);
  writer.WriteComment(Str255("plain"), false);
  writer.WriteGroup(70, -3);
  EXPECT_EQ(TextOf(writer), Lines({"999", "\"made here\"", "999", "plain", "70", "-3"}));
}

TEST_F(DXFWriterTest, EzdxfReadsTheDrawingBack) {
  TDXFWriter writer(&units, 64);
  WriteDrawing(writer);
  const auto path = std::filesystem::temp_directory_path() /
                    ("drawing-" + std::to_string(getpid()) + ".dxf");
  std::ofstream(path, std::ios::binary) << TextOf(writer);
  const std::string script =
      "import ezdxf\n"
      "d = ezdxf.readfile('" + path.string() + "')\n"
      "for e in d.modelspace():\n"
      "    t = e.dxftype()\n"
      "    if t == 'CIRCLE': print(t, e.dxf.layer, e.dxf.center.x, e.dxf.center.y, e.dxf.radius)\n"
      "    elif t == 'LINE': print(t, e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y)\n"
      "    elif t == 'POINT': print(t, e.dxf.layer, e.dxf.location.x, e.dxf.location.y)\n"
      "    elif t == 'POLYLINE': print(t, e.is_closed, [(v.dxf.location.x, v.dxf.location.y) "
      "for v in e.vertices])\n";
  const auto scriptPath = path.string() + ".py";
  std::ofstream(scriptPath) << script;
  std::string out;
  FILE* pipe = popen(("/usr/bin/python3 " + scriptPath + " 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  std::filesystem::remove(path);
  std::filesystem::remove(scriptPath);
  EXPECT_EQ(out,
            "CIRCLE LAYER_1 1.25 -2.0 0.5\n"
            "LINE 0.0 0.0 3.0 4.0\n"
            "POINT marks -1.5 2.5\n"
            "POLYLINE True [(0.0, 0.0), (2.0, 0.0), (2.0, 1.0)]\n");
}

TEST_F(DXFWriterTest, ADrawingTypeServesBothCommandsAndFilesItsSecond) {
  RegisterExportHandlerClass();
  RegisterDXFExportTypeClass();
  FreezeClassRegistry();
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));

  TExportHandler handler;
  handler.Initialize();
  auto type = std::make_unique<TDXFExportType>();
  type->Init(TDXFExportType::kTag, &handler);
  handler.AddExportType(std::move(type));
  int32_t start = 0;
  int32_t stop = 0;
  bool single = false;
  handler.GetCommandInfo(kCmdExportDxfFrame, start, stop, single);
  EXPECT_TRUE(single);
  handler.GetCommandInfo(kCmdExportDxfFrames, start, stop, single);
  EXPECT_FALSE(single);
  handler.SetCurrentCommand(kCmdExportDxfFrames);
  handler.SetIntProperty(MakeTag("xpSF"), 4);

  const std::vector<TLink*> list{&handler};
  auto writer = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(HandleData(handle)),
                                   reinterpret_cast<uint8_t*>(HandleData(handle)) +
                                       GetHandleByteSize(handle));
  FreeHandle(handle);
  const std::string stored = "eT\xB6\xC5";
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(stored), std::string::npos);

  auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto objects = reader->TakeObjects();
  ASSERT_EQ(objects.size(), 1u);
  auto* read = dynamic_cast<TExportHandler*>(objects[0].get());
  ASSERT_NE(read, nullptr);
  auto* back = dynamic_cast<TDXFExportType*>(read->FindExportType(kCmdExportDxfFrames));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetSecondCommand(), kCmdExportDxfFrames);
  EXPECT_EQ(back->GetExporterClassTag(), kTagDxfExporter);
  int32_t step = 0;
  EXPECT_EQ(read->GetIntProperty(MakeTag("xpSF"), step, nullptr), 1);
  EXPECT_EQ(step, 4);

  SetResourceModule1(nullptr);
  FreeClassRegistry();
}

}  // namespace
