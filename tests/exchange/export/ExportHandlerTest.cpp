// The export handler and its types: properties forwarded to the type of the selected command,
// and every block written into a document and read back.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "exchange/export/ExportHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"

namespace {

std::string Text(const Str255& text) {
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

// A type of the meter-data kind: its one block is the base block.
class TTestDataType : public TExportType {
 public:
  TTestDataType() { SetIdentity(kCmdExportMeterData, MakeTag("exMD"), MakeTag("TEXT"), MakeTag("ttxt")); }
  bool OwnsBlock(int16_t code) const override { return code == kBlockExportTypeBase; }
  void WriteBlocks(TObjectWriter& writer) override {
    writer.WriteBlock(*GetHandler(), kBlockExportTypeBase);
    TExportType::WriteBlocks(writer);
  }
};

// Writes blocks as stored by other programs: a base block with a chosen frame step, or a block
// of a type this program lacks.
class TRawType : public TExportType {
 public:
  static inline int16_t code = kBlockExportTypeBase;
  static inline uint32_t tag = MakeTag("eT91");
  static inline uint16_t frameStep = 1;
  void WriteBlocks(TObjectWriter& writer) override { writer.WriteBlock(*GetHandler(), code); }
  void WriteBlock(int16_t, TObjectWriter& writer) override {
    writer.WriteTag(tag);
    writer.WriteTag(MakeTag("exMD"));
    writer.WriteShort(kCmdExportMeterData);
    writer.WriteTag(MakeTag("TEXT"));
    writer.WriteTag(MakeTag("ttxt"));
    writer.WriteShort(0);
    writer.WriteShort(static_cast<int16_t>(frameStep));
    writer.WriteShort(2);
    writer.WriteBoolean(1);
    writer.WriteString(Str255("raw"));
    if (code != kBlockExportTypeBase) writer.WriteTag(MakeTag("tail"));  // extra fields
  }
};

TObject* NewTestDataType() {
  return new TTestDataType;
}

class ExportHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterExportHandlerClass();
    RegisterClassInfo("TTestDataType", kTagDataExportType, 655, NewTestDataType,
                      sizeof(TTestDataType));
    FreezeClassRegistry();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    handler.Initialize();
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    FreeClassRegistry();
    FreeHandlePool();
  }

  TTestDataType* AddDataType() {
    auto type = std::make_unique<TTestDataType>();
    type->Init(kTagDataExportType, &handler);
    TTestDataType* raw = type.get();
    handler.AddExportType(std::move(type));
    return raw;
  }

  static std::vector<uint8_t> Write(TLink& object) {
    const std::vector<TLink*> list{&object};
    auto writer = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  static std::unique_ptr<TExportHandler> Read(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto objects = reader->TakeObjects();
    EXPECT_EQ(objects.size(), 1u);
    if (objects.size() != 1 || !objects[0]->IsMemberClass(TExportHandler::kClassID)) return {};
    return std::unique_ptr<TExportHandler>(static_cast<TExportHandler*>(objects[0].release()));
  }

  static bool Contains(const std::vector<uint8_t>& bytes, const char* text) {
    const std::vector<uint8_t> wanted(text, text + std::strlen(text));
    return std::search(bytes.begin(), bytes.end(), wanted.begin(), wanted.end()) != bytes.end();
  }

  TExportHandler handler;
};

TEST_F(ExportHandlerTest, AFreshHandlerHasNoRangeAndServesNoCommand) {
  int32_t start = 0;
  int32_t stop = 0;
  bool single = true;
  handler.GetCommandInfo(kCmdExportMeterData, start, stop, single);
  EXPECT_EQ(start, -1);
  EXPECT_EQ(stop, -1);
  EXPECT_FALSE(single);
  EXPECT_EQ(handler.FindExportType(0), nullptr);  // the catch-all serves nothing
  EXPECT_EQ(handler.GetFileTypeTag(kCmdExportMeterData), kBlankExportTag);
  EXPECT_EQ(handler.WorldTimeStep(), 0.0);
}

TEST_F(ExportHandlerTest, PropertiesGoToTheTypeOfTheSelectedCommand) {
  AddDataType();
  int32_t value = 0;
  // No command selected: the base answers, and does not handle the tag.
  EXPECT_EQ(handler.GetIntProperty(MakeTag("xpSF"), value, nullptr), 0);
  handler.SetCurrentCommand(kCmdExportMeterData);
  ASSERT_EQ(handler.GetIntProperty(MakeTag("xpSF"), value, nullptr), 1);
  EXPECT_EQ(value, 1);

  handler.DoAction(MakeTag("xpdn"));  // never below 1
  handler.GetIntProperty(MakeTag("xpSF"), value, nullptr);
  EXPECT_EQ(value, 1);
  handler.SetIntProperty(MakeTag("xpSF"), 32767);
  handler.DoAction(MakeTag("xpup"));  // never above 32767
  handler.GetIntProperty(MakeTag("xpSF"), value, nullptr);
  EXPECT_EQ(value, 32767);
  handler.SetIntProperty(MakeTag("xpSF"), 0);
  handler.GetIntProperty(MakeTag("xpSF"), value, nullptr);
  EXPECT_EQ(value, 1);
  handler.SetIntProperty(MakeTag("xpSF"), -4);
  handler.GetIntProperty(MakeTag("xpSF"), value, nullptr);
  EXPECT_EQ(value, 1);
  handler.SetIntProperty(MakeTag("xpsF"), -5);
  handler.GetIntProperty(MakeTag("xpsF"), value, nullptr);
  EXPECT_EQ(value, 0);

  int16_t choice = -1;
  handler.SelectChoice(MakeTag("xpUS"));
  ASSERT_EQ(handler.GetChoiceProperty(MakeTag("xpUS"), choice, nullptr), 1);
  EXPECT_EQ(choice, 1);
  handler.GetChoiceProperty(MakeTag("xpUs"), choice, nullptr);
  EXPECT_EQ(choice, 0);
  handler.SetStringProperty(MakeTag("xpDS"), Str255("run 3"));
  Str255 text;
  ASSERT_EQ(handler.GetStringProperty(MakeTag("xpDS"), text, nullptr), 1);
  EXPECT_EQ(Text(text), "run 3");
  // Without a world the base frame time is 0, in the time unit.
  double seconds = -1.0;
  ASSERT_EQ(handler.GetNumberProperty(MakeTag("xpBF"), seconds, nullptr), 1);
  EXPECT_EQ(seconds, 0.0);
  EXPECT_EQ(handler.LastUnitKind(), kUnitKindTime);
  // A tag no type answers falls through to the base, unhandled.
  EXPECT_EQ(handler.GetIntProperty(MakeTag("zzzz"), value, nullptr), 0);
}

TEST_F(ExportHandlerTest, SettingsAndTypesRoundTripWithTheStoredTypeTag) {
  TTestDataType* type = AddDataType();
  handler.SetCurrentCommand(kCmdExportMeterData);
  handler.SetIntProperty(MakeTag("xpSF"), 5);
  handler.SetIntProperty(MakeTag("xpsF"), 3);
  handler.SelectChoice(MakeTag("xpUS"));
  handler.SetStringProperty(MakeTag("xpDS"), Str255("pendulum"));
  ASSERT_EQ(handler.FindExportType(kCmdExportMeterData), type);

  const std::vector<uint8_t> bytes = Write(handler);
  // The type's registered tag is stored as the bytes older documents hold.
  EXPECT_TRUE(Contains(bytes, "eT\xB5\xB6"));
  EXPECT_FALSE(Contains(bytes, "eT91"));

  auto read = Read(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->GetCurrentCommand(), kCmdExportMeterData);
  TExportType* back = read->FindExportType(kCmdExportMeterData);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetClassTag(), kTagDataExportType);
  EXPECT_EQ(back->GetExporterClassTag(), MakeTag("exMD"));
  int16_t step = 0;
  int16_t first = 0;
  bool selection = false;
  back->GetFrameOptions(step, first, selection);
  EXPECT_EQ(step, 5);
  EXPECT_EQ(first, 3);
  EXPECT_TRUE(selection);
  Str255 text;
  back->GetTextField(MakeTag("xpDS"), text);
  EXPECT_EQ(Text(text), "pendulum");
  // Written again, the document is the same bytes.
  EXPECT_EQ(Write(*read), bytes);
}

TEST_F(ExportHandlerTest, StoredFrameStepsAreClampedWhenRead) {
  for (const auto& [stored, expected] : {std::pair<uint16_t, int16_t>{0, 1}, {40000, 32767}}) {
    TRawType::code = kBlockExportTypeBase;
    TRawType::frameStep = stored;
    auto raw = std::make_unique<TRawType>();
    raw->Init(MakeTag("eT91"), &handler);
    TExportHandler writer;
    writer.Initialize();
    raw->Init(MakeTag("eT91"), &writer);
    writer.AddExportType(std::move(raw));
    auto read = Read(Write(writer));
    ASSERT_TRUE(read);
    int16_t step = 0;
    int16_t first = 0;
    bool selection = false;
    read->FindExportType(kCmdExportMeterData)->GetFrameOptions(step, first, selection);
    EXPECT_EQ(step, expected) << stored;
  }
}

TEST_F(ExportHandlerTest, BlocksOfTypesThisProgramLacksAreKeptByteForByte) {
  TRawType::code = 5280;
  TRawType::tag = MakeTag("3DGF");
  TExportHandler writer;
  writer.Initialize();
  auto raw = std::make_unique<TRawType>();
  raw->Init(MakeTag("3DGF"), &writer);
  writer.AddExportType(std::move(raw));
  const std::vector<uint8_t> bytes = Write(writer);
  ASSERT_TRUE(Contains(bytes, "3DGF"));

  auto read = Read(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(Write(*read), bytes);

  // A block of a type that is neither registered nor absorbed cannot be read.
  TRawType::code = 5262;
  TRawType::tag = MakeTag("nope");
  TExportHandler unknown;
  unknown.Initialize();
  auto other = std::make_unique<TRawType>();
  other->Init(MakeTag("nope"), &unknown);
  unknown.AddExportType(std::move(other));
  const std::vector<uint8_t> unreadable = Write(unknown);
  int16_t error = 0;
  try {
    auto reader = ReadObjects(unreadable, 2, 2, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
  } catch (const QVException& failure) {
    error = failure.error();
  }
  EXPECT_EQ(error, kErrExportBlock);
  TRawType::tag = MakeTag("eT91");
  TRawType::code = kBlockExportTypeBase;
}

TEST_F(ExportHandlerTest, TheTranslationTableMapsTheStoredTypeTags) {
  EXPECT_EQ(TranslateStoredTag(kTagDataExportTypeStored), kTagDataExportType);
  EXPECT_EQ(TranslateStoredTag(kTagDxfExportTypeStored), kTagDxfExportType);
  EXPECT_EQ(TranslateStoredTag(MakeTag("abcd")), MakeTag("abcd"));
}

TEST(ExportTimeStamp, HasTheTimeThenTheDateWithAFullYear) {
  Str255 text;
  FormatExportTimeStamp(text);
  const std::string stamp = Text(text);
  int hour = -1, minute = -1, second = -1, month = -1, day = -1, year = -1;
  char after = 0;
  ASSERT_EQ(std::sscanf(stamp.c_str(), "%d:%d:%d %d/%d/%d%c", &hour, &minute, &second, &month,
                        &day, &year, &after),
            6)
      << stamp;
  EXPECT_EQ(stamp.size(), 19u) << stamp;  // two-digit fields padded, the year in full
  EXPECT_EQ(stamp[5], ':');
  EXPECT_GE(year, 2000);
  EXPECT_TRUE(month >= 1 && month <= 12);
}

}  // namespace
