#include "platform/win32/Profile.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/win32/PrintDialog.h"

namespace {

std::string& ProfilePath() {
  static std::string path;
  return path;
}

std::string& WindowsDirectoryPath() {
  static std::string path;
  return path;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool IsSection(const std::string& line, const char* section) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  return strcasecmp(line.substr(1, line.size() - 2).c_str(), section) == 0;
}

bool IsAnySection(const std::string& line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The key of a "key=value" line, or empty.
std::string KeyOf(const std::string& line) {
  const size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

bool Find(const std::vector<std::string>& lines, const char* section, const char* key,
          std::string* value) {
  bool inside = false;
  for (const std::string& line : lines) {
    if (IsAnySection(line)) {
      inside = IsSection(line, section);
      continue;
    }
    if (inside && strcasecmp(KeyOf(line).c_str(), key) == 0 && line.find('=') != std::string::npos) {
      *value = line.substr(line.find('=') + 1);
      return true;
    }
  }
  return false;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::error_code error;
  const std::filesystem::path target(path);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
  // A name of this write's own, so that two programs saving at once never write into one
  // temporary file; the last rename wins whole.
  std::string fresh = path + ".XXXXXX";
  const int fd = mkstemp(fresh.data());
  if (fd < 0) return false;
  std::string text;
  for (const std::string& line : lines) text += line + '\n';
  bool written = true;
  for (size_t done = 0; done < text.size() && written;) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<size_t>(n);
  }
  // mkstemp makes the file readable by its owner only; a settings file is an ordinary file.
  written = fchmod(fd, 0644) == 0 && written;
  written = close(fd) == 0 && written;
  if (written) std::filesystem::rename(fresh, target, error);
  if (!written || error) {
    std::filesystem::remove(fresh, error);
    return false;
  }
  return true;
}

}  // namespace

void SetProfileFile(const std::string& path) {
  ProfilePath() = path;
}

const std::string& GetProfileFile() {
  return ProfilePath();
}

std::string GetPrivateProfileString(const char* section, const char* key, const char* fallback,
                                    const std::string& path) {
  std::string value;
  if (!path.empty() && section != nullptr && key != nullptr &&
      Find(ReadLines(path), section, key, &value)) {
    return value;
  }
  return fallback != nullptr ? fallback : "";
}

BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& path) {
  if (path.empty() || section == nullptr || key == nullptr) return FALSE;
  std::vector<std::string> lines = ReadLines(path);
  const std::string entry = std::string(key) + "=" + (value != nullptr ? value : "");
  bool inside = false;
  size_t sectionEnd = lines.size();
  bool sectionFound = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (IsAnySection(lines[i])) {
      if (inside) {
        sectionEnd = i;
        break;
      }
      inside = IsSection(lines[i], section);
      sectionFound = sectionFound || inside;
      continue;
    }
    if (inside && strcasecmp(KeyOf(lines[i]).c_str(), key) == 0 &&
        lines[i].find('=') != std::string::npos) {
      if (value == nullptr) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        lines[i] = entry;
      }
      return WriteLines(path, lines) ? TRUE : FALSE;
    }
  }
  if (value == nullptr) return TRUE;
  if (!sectionFound) {
    std::string header = "[";
    header += section;
    header += ']';
    lines.push_back(header);
    lines.push_back(entry);
  } else {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
  }
  return WriteLines(path, lines) ? TRUE : FALSE;
}

UINT GetProfileInt(const char* section, const char* key, int32_t fallback) {
  const std::string text = GetPrivateProfileString(section, key, "", ProfilePath());
  if (text.empty()) return static_cast<UINT>(fallback);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return static_cast<UINT>(fallback);
  return static_cast<UINT>(value);
}

std::string GetProfileString(const char* section, const char* key, const char* fallback) {
  std::string value;
  if (!ProfilePath().empty() && section != nullptr && key != nullptr &&
      Find(ReadLines(ProfilePath()), section, key, &value)) {
    return value;
  }
  // Settings that name no printer print with the PDF printer.
  if (section != nullptr && key != nullptr && strcasecmp(section, "windows") == 0 &&
      strcasecmp(key, "device") == 0) {
    return DefaultPrinterDevice();
  }
  return fallback != nullptr ? fallback : "";
}

BOOL WriteProfileString(const char* section, const char* key, const char* value) {
  return WritePrivateProfileString(section, key, value, ProfilePath());
}

BOOL WriteProfileInt(const char* section, const char* key, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return WriteProfileString(section, key, text);
}

void SetWindowsDirectory(const std::string& path) {
  WindowsDirectoryPath() = path;
}

std::string GetWindowsDirectory() {
  if (!WindowsDirectoryPath().empty()) return WindowsDirectoryPath();
  if (ProfilePath().empty()) return {};
  return std::filesystem::path(ProfilePath()).parent_path().string();
}
