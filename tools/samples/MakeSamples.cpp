// Writes every bundled sample world into the folder named on the command line, as the program
// saves a document. Run it after a deliberate change of the document format or of a sample:
//   yb_make_samples samples

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/TApp.h"
#include "core/Failure.h"
#include "tools/samples/SampleWorlds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: yb_make_samples <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  if (!std::filesystem::is_directory(folder)) {
    std::fprintf(stderr, "yb_make_samples: %s is not a folder\n", folder.c_str());
    return 1;
  }
  TApp app;
  app.LoadResourceDlls();
  try {
    app.InitUnits();
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    app.FreeResourceDlls();
    return 1;
  }
  int status = 0;
  try {
    for (const sample_worlds::SampleWorld& sample : sample_worlds::AllSampleWorlds()) {
      const std::string path = (folder / sample.file).string();
      sample.make()->WriteDocument(path);
      std::printf("%s\n", path.c_str());
    }
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    status = 1;
  }
  app.TermUnits();
  app.FreeResourceDlls();
  return status;
}
