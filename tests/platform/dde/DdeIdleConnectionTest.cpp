// Peers that connect to a service and never say what they want: each is dropped when its
// deadline passes (on the layer's clock, by the check timer), only a few may wait at once, and a
// well-behaved client is served meanwhile. A process out of descriptors stops watching its
// listener instead of trying again and again, until a conversation gives one back.

#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/dde/DdeFrame.h"
#include "platform/dde/Ddeml.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"

namespace {

class DdeIdleConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/yb-dde-idle-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    setenv("YB_DDE_DIR", (folder_ + "/sockets").c_str(), 1);
    ASSERT_EQ(DdeInitialize(&server_, [this](uint32_t type, uint32_t, HCONV, HSZ first, HSZ second, HDDEDATA,
                                             uintptr_t, uintptr_t) -> HDDEDATA {
                if (type == XTYP_CONNECT) return first == topic_ && second == service_ ? 1 : 0;
                if (type == XTYP_EXECUTE) return DDE_FACK;
                if (type == XTYP_DISCONNECT) PostQuitMessage(0);
                return 0;
              }, CBF_FAIL_ADVISES, 0), DMLERR_NO_ERROR);
    service_ = DdeCreateStringHandle(server_, "YB", CP_WINANSI);
    topic_ = DdeCreateStringHandle(server_, "ZERodor", CP_WINANSI);
    ASSERT_NE(DdeNameService(server_, service_, 0, DNS_REGISTER), 0u);
    for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/sockets")) path_ = entry.path();
  }
  void TearDown() override {
    if (limited_) setrlimit(RLIMIT_NOFILE, &limits_);
    for (const int fd : peers_) close(fd);
    DdeUninitialize(server_);
    UseProcessClock();
    unsetenv("YB_DDE_DIR");
    std::filesystem::remove_all(folder_);
  }

  // A connection of this test's own making, which sends nothing unless told.
  int Connect() {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    peers_.push_back(fd);
    return fd;
  }
  static void SendConnect(int fd) {
    const std::string service = "YB";
    const std::string topic = "ZERodor";
    const std::vector<uint8_t> ask = EncodeDdeFrame(DdeFrame::Names(DdeFrameType::kConnect, &service, &topic));
    ASSERT_EQ(send(fd, ask.data(), ask.size(), MSG_NOSIGNAL), static_cast<ssize_t>(ask.size()));
  }
  // Whether the server has sent something.
  static bool Answered(int fd) {
    uint8_t byte = 0;
    return recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) > 0;
  }
  // One turn of the loop's own work: what is queued is taken (timers without running them), then
  // the loop serves what can be read or, when nothing can, moves the clock to the next timer.
  static void Turn() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message != WM_TIMER) DispatchMessage(&message);
    }
    WaitMessage();
  }
  // Whether the server has closed its side: the end of the stream, after any frames it sent.
  static bool ClosedByServer(int fd) {
    for (;;) {
      uint8_t bytes[256];
      const ssize_t n = recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
      if (n == 0) return true;
      if (n < 0) return false;
    }
  }

  std::string folder_;
  std::string path_;
  uint32_t server_ = 0;
  HSZ service_ = 0;
  HSZ topic_ = 0;
  std::vector<int> peers_;
  rlimit limits_{};
  bool limited_ = false;
};

TEST_F(DdeIdleConnectionTest, ASilentConnectionIsDroppedAtItsDeadlineAndATalkingOneStays) {
  UseVirtualClock(1000);
  const int silent = Connect();
  const int talker = Connect();
  SendConnect(talker);
  MSG message;
  // The clock moves only to the check timer's turns, so the drop comes from the timer.
  while (!ClosedByServer(silent)) {
    ASSERT_GT(GetMessage(&message, nullptr, 0, 0), 0) << "the loop ran out before the drop";
    ASSERT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    DispatchMessage(&message);
    ASSERT_LE(GetTickCount(), 1000 + 2 * kDdeConnectDeadline) << "still held long past its deadline";
  }
  EXPECT_GE(GetTickCount(), 1000 + kDdeConnectDeadline) << "dropped before its deadline";
  EXPECT_FALSE(ClosedByServer(talker)) << "a connected conversation has no deadline";
  // Nothing waits for its connect any more: the timer that checked the deadlines is gone.
  EXPECT_FALSE(NextTimerDue(nullptr));

  // The talker's end is heard as usual.
  close(talker);
  peers_.pop_back();
  while (GetMessage(&message, nullptr, 0, 0) > 0) DispatchMessage(&message);
  EXPECT_FALSE(NextTimerDue(nullptr));
}

TEST_F(DdeIdleConnectionTest, OnlyAFewWaitAtOnceAndAClientIsServedMeanwhile) {
  constexpr size_t kSilent = kDdeMaxWaitingConnections + 4;
  HDDEDATA answer = 0;
  // Connects block while the listener's queue is full, so they are made beside the loop.
  std::thread other([&] {
    for (size_t i = 0; i < kSilent; ++i) Connect();
    uint32_t client = 0;
    DdeInitialize(&client, {}, APPCMD_CLIENTONLY, 0);
    const HCONV conversation = DdeConnect(client, DdeCreateStringHandle(client, "YB", CP_WINANSI),
                                          DdeCreateStringHandle(client, "ZERodor", CP_WINANSI), nullptr);
    const char text[] = "go";
    answer = DdeClientTransaction(reinterpret_cast<const uint8_t*>(text), sizeof text, conversation, 0, CF_TEXT,
                                  XTYP_EXECUTE, 10000, nullptr);
    DdeDisconnect(conversation);
    DdeUninitialize(client);
  });
  MSG message;
  while (GetMessage(&message, nullptr, 0, 0) > 0) DispatchMessage(&message);
  other.join();
  EXPECT_EQ(answer, 1u) << "the client was not served";
  ASSERT_EQ(peers_.size(), kSilent);
  size_t held = 0;
  for (size_t i = 0; i < kSilent; ++i) {
    const bool closed = ClosedByServer(peers_[i]);
    if (!closed) ++held;
    // Those that waited longest made room for the newer ones.
    if (i < kSilent - kDdeMaxWaitingConnections) {
      EXPECT_TRUE(closed) << "connection " << i;
    }
  }
  EXPECT_LT(held, kDdeMaxWaitingConnections) << "the client took a place among the waiting too";
}

TEST_F(DdeIdleConnectionTest, WithoutDescriptorsTheListenerRestsUntilAConversationEnds) {
  UseVirtualClock(1000);
  const int talker = Connect();
  SendConnect(talker);
  for (int turn = 0; turn < 20 && !Answered(talker); ++turn) Turn();
  ASSERT_TRUE(Answered(talker));
  // A newcomer waits in the listener's queue while the process has no descriptor to spare: the
  // lowest free one is at the limit.
  const int newcomer = Connect();
  SendConnect(newcomer);
  const int lowestFree = dup(0);
  close(lowestFree);
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits_), 0);
  rlimit tight = limits_;
  tight.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  limited_ = true;
  Turn();  // the accept fails
  const DWORD failedAt = GetTickCount();
  Turn();
  const bool rested = GetTickCount() != failedAt;
  // Reports need descriptors: the limit goes back before anything is checked.
  setrlimit(RLIMIT_NOFILE, &limits_);
  limited_ = false;
  EXPECT_TRUE(rested) << "the loop still had the listener to serve: it would spin";
  EXPECT_FALSE(Answered(newcomer));

  // The listener rests even with descriptors to spare (no timer runs here) until the talker
  // leaves; then the newcomer is taken and answered.
  Turn();
  EXPECT_FALSE(Answered(newcomer));
  close(talker);
  peers_.erase(peers_.begin());
  for (int turn = 0; turn < 20 && !Answered(newcomer); ++turn) Turn();
  EXPECT_TRUE(Answered(newcomer)) << "the listener was not watched again";
}

}  // namespace
