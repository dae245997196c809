#include "platform/dde/SocketCleanup.h"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A path the signal handler may read at any moment: it is written while the slot is unused and
// the slot is marked used only afterwards.
struct CleanupSlot {
  volatile sig_atomic_t used = 0;
  char path[sizeof(sockaddr_un{}.sun_path)] = {};
};

CleanupSlot gSlots[kMaxCleanupPaths];
std::mutex gSlotsLock;  // between threads of the process; the handler takes no lock
std::once_flag gHandlersInstalled;

// Only async-signal-safe calls here: unlink, sigaction, raise.
void RemoveSocketsAndEnd(int signal) {
  const int saved = errno;
  for (const CleanupSlot& slot : gSlots)
    if (slot.used != 0) unlink(slot.path);
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  errno = saved;
  // Delivered once this handler returns (the signal is blocked until then): the default action
  // ends the process as the sender meant.
  raise(signal);
}

void InstallHandlers() {
  for (const int signal : kEndingSignals) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0) continue;
    // A signal the process was told to ignore (nohup) stays ignored; one that someone else
    // handles is left to them.
    if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO) != 0) continue;
    struct sigaction handler {};
    handler.sa_handler = RemoveSocketsAndEnd;
    sigemptyset(&handler.sa_mask);
    for (const int other : kEndingSignals) sigaddset(&handler.sa_mask, other);
    sigaction(signal, &handler, nullptr);
  }
}

bool RefusesConnection(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  // Not blocking: a live listener with a full queue answers "try again", never "refused".
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  const bool refused =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno == ECONNREFUSED;
  close(fd);
  return refused;
}

}  // namespace

bool AddSocketForCleanup(const std::string& path) {
  if (path.empty() || path.size() >= sizeof(CleanupSlot{}.path)) return false;
  std::call_once(gHandlersInstalled, InstallHandlers);
  std::lock_guard guard(gSlotsLock);
  for (CleanupSlot& slot : gSlots) {
    if (slot.used != 0) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slot.used = 1;
    return true;
  }
  return false;
}

void RemoveSocketFromCleanup(const std::string& path) {
  std::lock_guard guard(gSlotsLock);
  for (CleanupSlot& slot : gSlots)
    if (slot.used != 0 && path == slot.path) slot.used = 0;
}

int RemoveDeadSockets(const std::string& directory) {
  DIR* folder = opendir(directory.c_str());
  if (folder == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.size() <= 5 || name.compare(name.size() - 5, 5, ".sock") != 0) continue;
    const std::string path = directory + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != geteuid())
      continue;
    if (RefusesConnection(path) && unlink(path.c_str()) == 0) ++removed;
  }
  closedir(folder);
  return removed;
}
