#pragma once
// A fresh temporary folder for tests that drive real files; removed with everything in it.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class TestFolder {
 public:
  TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "yb-files-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TestFolder() {
    std::error_code ignored;
    if (!path_.empty()) {
      std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
      std::filesystem::remove_all(path_, ignored);
    }
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  bool ok() const { return !path_.empty(); }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

  // Writes a file with exactly these bytes and answers its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(Path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return Path(name);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  std::vector<uint8_t> Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

 private:
  std::string path_;
};

// Permission bits do not stop the superuser. While an OrdinaryUser lives, a process running as
// root takes the identity of "nobody" (its saved identity lets it return) and opens the test
// folder to that user, so checks of permission refusals run as root too. Any other user is
// already bound by the bits.
class OrdinaryUser {
 public:
  explicit OrdinaryUser(const TestFolder& folder) {
    if (::geteuid() != 0) {
      active_ = true;
      return;
    }
    if (!folder.ok() || ::chmod(folder.Path("").c_str(), 0755) != 0) return;
    if (::setegid(kNobody) != 0) return;
    if (::seteuid(kNobody) != 0) {
      static_cast<void>(::setegid(0));
      return;
    }
    switched_ = true;
    active_ = true;
  }
  ~OrdinaryUser() {
    if (!switched_) return;
    static_cast<void>(::seteuid(0));
    static_cast<void>(::setegid(0));
  }
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  // False only when root could not give up its identity (no right to change it).
  bool active() const { return active_; }

 private:
  static constexpr uid_t kNobody = 65534;
  bool active_ = false;
  bool switched_ = false;
};
