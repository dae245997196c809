// Each process of the program's tests keeps its settings and its temporary files in a folder of its
// own. The tests run side by side, and several of them save the bars' places, the recent files or
// a document under a fixed name: sharing one settings file or one temporary folder let a test see
// another's hidden bars or half-written document, and wrote test documents into the developer's own
// recent-file list.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class SeparateSettings {
 public:
  SeparateSettings() {
    std::string pattern = (std::filesystem::temp_directory_path() / "yb-app-tests-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;  // the tests then share the usual folders
    folder_ = pattern;
    setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
    setenv("TMPDIR", folder_.c_str(), 1);
  }
  ~SeparateSettings() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  SeparateSettings(const SeparateSettings&) = delete;
  SeparateSettings& operator=(const SeparateSettings&) = delete;

 private:
  std::string folder_;
};

const SeparateSettings separateSettings;

}  // namespace
