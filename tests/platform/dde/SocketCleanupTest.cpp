// Socket files go with their process: a process ended by SIGTERM, SIGINT or SIGHUP removes its
// own, and a start removes the files that no process listens at any more, never a live one.

#include "platform/dde/SocketCleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class SocketCleanupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/yb-dde-clean-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // A socket bound at the path; listening when asked, else closed at once (the file stays, as
  // after a process that was killed).
  static int Bind(const std::string& path, bool listening) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
      return -1;
    if (listening && listen(fd, 4) == 0) return fd;
    close(fd);
    return -1;
  }

  std::string folder_;
};

// Started in the background or under nohup, the tests inherit ending signals ignored, and the
// cleanup rightly leaves an ignored signal alone; these tests send the signals and watch the
// cleanup, so the process takes them back to their default handling before any test installs.
const bool gEndingSignalsHandled = [] {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
      std::signal(signal, SIG_DFL);
  }
  return true;
}();

// Should no signal come, the alarm ends the waiting child rather than leaving the test waiting.
void BoundTheWait() {
  std::signal(SIGALRM, SIG_DFL);
  alarm(60);
}

TEST_F(SocketCleanupTest, AStartRemovesOnlyTheFilesNobodyListensAt) {
  const std::string dead = folder_ + "/yb.111.sock";
  const std::string live = folder_ + "/yb.222.sock";
  const std::string plain = folder_ + "/notes.sock";
  const std::string other = folder_ + "/yb.333.txt";
  Bind(dead, false);
  const int listener = Bind(live, true);
  ASSERT_GE(listener, 0);
  std::ofstream(plain) << "not a socket";
  Bind(other, false);

  EXPECT_EQ(RemoveDeadSockets(folder_), 1);
  EXPECT_FALSE(std::filesystem::exists(dead));
  EXPECT_TRUE(std::filesystem::exists(live));
  EXPECT_TRUE(std::filesystem::exists(plain));
  EXPECT_TRUE(std::filesystem::exists(other));  // not a service's file
  close(listener);
  EXPECT_EQ(RemoveDeadSockets(folder_), 1);
  EXPECT_FALSE(std::filesystem::exists(live));
  EXPECT_EQ(RemoveDeadSockets(folder_ + "/missing"), 0);
}

TEST_F(SocketCleanupTest, AProcessEndedByASignalRemovesItsFilesAndEndsByThatSignal) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    const std::string path = folder_ + "/yb." + std::to_string(signal) + ".sock";
    const std::string forgotten = folder_ + "/yb.forgotten" + std::to_string(signal) + ".sock";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      BoundTheWait();
      const int fd = Bind(path, true);
      const int other = Bind(forgotten, true);
      const bool noted = fd >= 0 && other >= 0 && AddSocketForCleanup(path) &&
                         AddSocketForCleanup(forgotten);
      // A file forgotten after its ordinary removal is not the handler's to remove.
      RemoveSocketFromCleanup(forgotten);
      const char answer = noted ? 'y' : 'n';
      if (write(ready[1], &answer, 1) != 1) _exit(2);
      for (;;) pause();
    }
    close(ready[1]);
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    close(ready[0]);
    ASSERT_EQ(answer, 'y');
    ASSERT_TRUE(std::filesystem::exists(path));
    kill(child, signal);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_FALSE(std::filesystem::exists(path)) << signal;
    EXPECT_TRUE(std::filesystem::exists(forgotten)) << signal;
  }
}

}  // namespace
