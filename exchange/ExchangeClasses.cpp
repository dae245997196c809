#include "exchange/ExchangeClasses.h"

#include "exchange/dxf/DXFExportType.h"
#include "exchange/dxf/DXFExporter.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/DataExporter.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/dde/DocManagers.h"
#include "exchange/tables/DataTable.h"

void RegisterExportClasses() {
  RegisterExportHandlerClass();
  RegisterDataExportTypeClass();
  RegisterDataExporterClasses();
  RegisterDXFExportTypeClass();
  RegisterDXFExporterClass();
  InstallWorldExports();
  RegisterDataTableClasses();
  RegisterExternalTableClasses();
}
