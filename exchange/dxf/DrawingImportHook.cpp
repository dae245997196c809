// The document's drawing importer: a DXF file read through the import into a text world.

#include <string>
#include <vector>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MacFile.h"
#include "core/PString.h"
#include "exchange/dxf/DXFImport.h"
#include "model/world/QVDoc.h"

namespace {

// The size of a window the view is made for when the document has none to give.
const MacPoint kDefaultWindow(640, 480);

}  // namespace

void ImportDrawingFile(const std::string& path, double scale, std::vector<uint8_t>& worldText) {
  TMacFile file;
  FailIfError(file.OpenNamed(Str255(path.c_str()), TMacFile::kRead));
  struct Closer {
    TMacFile& file;
    ~Closer() {
      if (file.IsOpen()) file.Close();
    }
  } closer{file};
  struct Owned {
    Handle handle;
    ~Owned() { FreeHandle(handle); }
  } text{AllocHandle(0)};
  if (ImportDXF(file, text.handle, scale, kDefaultWindow) != 0) {
    const std::string detail = "The drawing \"" + path + "\" holds nothing that can be shown.";
    FailureDetailText() = Str255(detail.c_str());
    ThrowFailure(kErrDrawingEmpty, 0);
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(text.handle));
  worldText.assign(bytes, bytes + GetHandleByteSize(text.handle));
}

void InstallDrawingImport() { TQVDoc::SetDrawingImporter(&ImportDrawingFile); }
void RemoveDrawingImport() { TQVDoc::SetDrawingImporter(nullptr); }
