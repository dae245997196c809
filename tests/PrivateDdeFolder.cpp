// Test processes run side by side, and the programs of many of them serve the script service:
// each process takes a socket folder of its own inside the one it is given, so that no test
// reaches another test's program by mistake. Programs a test starts inherit the folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class PrivateDdeFolder {
 public:
  PrivateDdeFolder() {
    const char* shared = std::getenv("YB_DDE_DIR");
    if (shared == nullptr || *shared == '\0') return;
    ::mkdir(shared, 0700);
    const std::string own = std::string(shared) + "/" + std::to_string(::getpid());
    std::error_code ignored;
    std::filesystem::remove_all(own, ignored);  // left by an earlier process of this number
    if (::mkdir(own.c_str(), 0700) != 0) return;
    folder_ = own;
    ::setenv("YB_DDE_DIR", folder_.c_str(), 1);
  }
  ~PrivateDdeFolder() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  PrivateDdeFolder(const PrivateDdeFolder&) = delete;
  PrivateDdeFolder& operator=(const PrivateDdeFolder&) = delete;

 private:
  std::string folder_;
};

const PrivateDdeFolder kPrivateDdeFolder;

}  // namespace
