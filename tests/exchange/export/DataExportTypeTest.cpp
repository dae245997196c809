// The meter-data export's options: answered through the handler and filed in their block.

#include <gtest/gtest.h>

#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/ExportHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"

namespace {

TEST(DataExportType, OptionsAnswerThroughTheHandlerAndSurviveTheDocument) {
  InitHandlePool();
  RegisterExportHandlerClass();
  RegisterDataExportTypeClass();
  FreezeClassRegistry();
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  {
    TExportHandler handler;
    handler.Initialize();
    auto made = std::make_unique<TDataExportType>();
    made->Init(TDataExportType::kTag, &handler);
    handler.AddExportType(std::move(made));
    handler.SetCurrentCommand(kCmdExportMeterData);
    uint16_t flag = 9;
    ASSERT_EQ(handler.GetFlagProperty(MakeTag("emIH"), flag, nullptr), 1);
    EXPECT_EQ(flag, 0);
    handler.SetFlagProperty(MakeTag("emIX"), 1);
    handler.SetIntProperty(MakeTag("xpSF"), 2);
    EXPECT_NE(handler.FindExportType(1750), nullptr);

    const std::vector<TLink*> list{&handler};
    auto writer = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(HandleData(handle)),
                                     reinterpret_cast<uint8_t*>(HandleData(handle)) +
                                         GetHandleByteSize(handle));
    FreeHandle(handle);
    auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto objects = reader->TakeObjects();
    ASSERT_EQ(objects.size(), 1u);
    auto* read = dynamic_cast<TExportHandler*>(objects[0].get());
    ASSERT_NE(read, nullptr);
    auto* type = dynamic_cast<TDataExportType*>(read->FindExportType(kCmdExportMeterData));
    ASSERT_NE(type, nullptr);
    bool header = true;
    bool xAxis = false;
    type->GetOptions(header, xAxis);
    EXPECT_FALSE(header);
    EXPECT_TRUE(xAxis);
    int32_t step = 0;
    read->GetIntProperty(MakeTag("xpSF"), step, nullptr);
    EXPECT_EQ(step, 2);
  }
  SetResourceModule1(nullptr);
  FreeClassRegistry();
  FreeHandlePool();
}

}  // namespace
