// The document's importer of other programs' files: a DXF drawing read through the import, or a
// linkage file through the linkage builder, into a text world.

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MacFile.h"
#include "core/PString.h"
#include "exchange/dxf/DXFImport.h"
#include "exchange/dxf/LinkageBuilder.h"
#include "model/filing/DocumentFormat.h"
#include "model/world/QVDoc.h"

namespace {

// The size of a window the view is made for when the document has none to give.
const MacPoint kDefaultWindow(640, 480);

}  // namespace

namespace {

std::vector<uint8_t> FileBytes(const std::string& path) {
  TMacFile file;
  FailIfError(file.OpenNamed(Str255(path.c_str()), TMacFile::kRead));
  struct Closer {
    TMacFile& file;
    ~Closer() {
      if (file.IsOpen()) file.Close();
    }
  } closer{file};
  int32_t length = 0;
  FailIfError(file.GetEOF(length));
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max(length, 0)));
  int32_t count = length;
  if (count > 0) FailIfError(file.Read(bytes.data(), count));
  bytes.resize(static_cast<size_t>(std::max(count, 0)));
  return bytes;
}

bool IsDxfPath(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  return extension.size() == 4 && strcasecmp(extension.c_str(), ".dxf") == 0;
}

}  // namespace

void ImportDrawingFile(const std::string& path, double scale, std::vector<uint8_t>& worldText,
                       std::string& note) {
  note.clear();
  const std::vector<uint8_t> bytes = FileBytes(path);
  struct Owned {
    Handle handle;
    ~Owned() { FreeHandle(handle); }
  } text{AllocHandle(0)};
  if (IsDxfPath(path)) {
    std::string passedOver;
    if (ImportDXF(bytes, text.handle, scale, kDefaultWindow, {}, &passedOver) != 0) {
      const std::string detail = "The drawing \"" + path + "\" holds nothing that can be shown.";
      FailureDetailText() = Str255(detail.c_str());
      ThrowFailure(kErrDrawingEmpty, 0);
    }
    if (!passedOver.empty()) {
      const std::string name = std::filesystem::path(path).filename().string();
      note = "The drawing \"" + name + "\": " + passedOver + " not imported.";
    }
  } else if (IsLinkageFile(bytes)) {
    BuildLinkage(bytes, text.handle, kDefaultWindow);
  } else {
    ThrowFailure(kErrBadFormat, 0);
  }
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(text.handle));
  worldText.assign(data, data + GetHandleByteSize(text.handle));
}

void InstallDrawingImport() { TQVDoc::SetDrawingImporter(&ImportDrawingFile); }
void RemoveDrawingImport() { TQVDoc::SetDrawingImporter(nullptr); }
