// Two sides of a conversation in one process: the server's callback runs from the message loop
// of this thread, the client works from a thread of its own as another program would. Executes
// are answered, wildcard connects take the pair the server lists, refused connects and bad
// frames end nothing but their own conversation, and a directory others could enter is refused.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/dde/DdeFrame.h"
#include "platform/dde/Ddeml.h"
#include "platform/win32/Message.h"

namespace {

struct Seen {
  uint32_t type;
  std::string first;
  std::string second;
  std::string data;
  uint32_t format = 0;
};

class DdemlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/yb-dde-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    setenv("YB_DDE_DIR", (folder_ + "/sockets").c_str(), 1);
    ASSERT_EQ(DdeInitialize(&server_, [this](uint32_t type, uint32_t format, HCONV, HSZ first, HSZ second,
                                             HDDEDATA data, uintptr_t, uintptr_t) {
                return Callback(type, format, first, second, data);
              }, CBF_FAIL_ADVISES, 0), DMLERR_NO_ERROR);
    service_ = DdeCreateStringHandle(server_, "YB", CP_WINANSI);
    topic_ = DdeCreateStringHandle(server_, "ZERodor", CP_WINANSI);
    ASSERT_NE(DdeNameService(server_, service_, 0, DNS_REGISTER), 0u);
  }
  void TearDown() override {
    DdeUninitialize(server_);
    unsetenv("YB_DDE_DIR");
    std::filesystem::remove_all(folder_);
  }

  HDDEDATA Callback(uint32_t type, uint32_t format, HSZ first, HSZ second, HDDEDATA data) {
    Seen seen{type, DdeStringOf(first), DdeStringOf(second), {}, format};
    if (data != 0) {
      seen.data.resize(DdeGetData(data, nullptr, 0, 0));
      DdeGetData(data, reinterpret_cast<uint8_t*>(seen.data.data()), static_cast<uint32_t>(seen.data.size()), 0);
    }
    seen_.push_back(seen);
    switch (type) {
      case XTYP_CONNECT:
        return first == topic_ && second == service_ ? 1 : 0;
      case XTYP_WILDCONNECT: {
        const HSZ pairs[4] = {service_, topic_, 0, 0};
        return DdeCreateDataHandle(server_, reinterpret_cast<const uint8_t*>(pairs), sizeof pairs, 0, 0, 0, 0);
      }
      case XTYP_EXECUTE:
        // "slow" is answered only once its client has stopped waiting.
        if (seen.data.rfind("slow", 0) == 0) {
          for (int turn = 0; turn < 2000 && !gaveUp_; ++turn) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return seen.data.rfind("ok", 0) == 0 ? DDE_FACK : DDE_FNOTPROCESSED;
      case XTYP_POKE:
        return seen.second == "R1C1" ? DDE_FACK : DDE_FNOTPROCESSED;
      case XTYP_REQUEST: {
        if (seen.second != "R2C2") return 0;
        const std::string answer = "cell of " + seen.first;
        return DdeCreateDataHandle(server_, reinterpret_cast<const uint8_t*>(answer.c_str()),
                                   static_cast<uint32_t>(answer.size() + 1), 0, second, format, 0);
      }
      case XTYP_DISCONNECT:
        PostQuitMessage(0);
        return 0;
      default:
        return 0;
    }
  }

  // Runs the client in a thread while this thread's message loop serves, until the server hears
  // of a disconnect.
  template <class Client>
  void Converse(Client client) {
    std::thread other(client);
    MSG message;
    while (GetMessage(&message, nullptr, 0, 0) > 0) DispatchMessage(&message);
    other.join();
  }

  std::string folder_;
  uint32_t server_ = 0;
  HSZ service_ = 0;
  HSZ topic_ = 0;
  std::vector<Seen> seen_;
  std::atomic<bool> gaveUp_ = false;
};

TEST_F(DdemlTest, ExecutesAreAnsweredAndTheEndIsHeard) {
  std::vector<HDDEDATA> answers;
  std::vector<uint32_t> flags;
  bool refused = false;
  Converse([&] {
    uint32_t client = 0;
    DdeInitialize(&client, {}, APPCMD_CLIENTONLY, 0);
    // The service, but another topic: refused.
    const HSZ system = DdeCreateStringHandle(client, "System", CP_WINANSI);
    refused = DdeConnect(client, DdeCreateStringHandle(client, "yb", CP_WINANSI), system, nullptr) == 0 &&
              DdeGetLastError(client) == DMLERR_NO_CONV_ESTABLISHED;
    const HCONV conversation = DdeConnect(client, DdeCreateStringHandle(client, "yb", CP_WINANSI),
                                          DdeCreateStringHandle(client, "zerodor", CP_WINANSI), nullptr);
    for (const char* text : {"ok: one", "no: two"}) {
      uint32_t result = 0xFFFF;
      answers.push_back(DdeClientTransaction(reinterpret_cast<const uint8_t*>(text),
                                             static_cast<uint32_t>(std::strlen(text) + 1),
                                             conversation, 0, CF_TEXT, XTYP_EXECUTE, 10000, &result));
      flags.push_back(result);
    }
    DdeDisconnect(conversation);
    DdeUninitialize(client);
  });
  EXPECT_TRUE(refused);
  EXPECT_EQ(answers, (std::vector<HDDEDATA>{1, 0}));
  EXPECT_EQ(flags, (std::vector<uint32_t>{0x8000, 0}));
  std::vector<uint32_t> types;
  for (const Seen& seen : seen_) types.push_back(seen.type);
  EXPECT_EQ(types, (std::vector<uint32_t>{XTYP_CONNECT, XTYP_CONNECT, XTYP_CONNECT_CONFIRM,
                                          XTYP_EXECUTE, XTYP_EXECUTE, XTYP_DISCONNECT}));
  EXPECT_EQ(seen_[3].data, std::string("ok: one", 8));  // with its terminating zero
  EXPECT_EQ(seen_[2].first, "ZERodor");
}

TEST_F(DdemlTest, PokesAndRequestsCarryTheirItemFormatAndBytes) {
  std::vector<HDDEDATA> pokes;
  std::string got;
  HDDEDATA missing = 1;
  uint32_t missingError = 0;
  Converse([&] {
    uint32_t client = 0;
    DdeInitialize(&client, {}, APPCMD_CLIENTONLY, 0);
    const HCONV conversation = DdeConnect(client, DdeCreateStringHandle(client, "YB", CP_WINANSI),
                                          DdeCreateStringHandle(client, "ZERodor", CP_WINANSI), nullptr);
    const UINT table = RegisterClipboardFormat("XLTable");
    const uint8_t bytes[3] = {1, 0, 2};
    pokes.push_back(DdeClientTransaction(bytes, 3, conversation, DdeCreateStringHandle(client, "R1C1", CP_WINANSI),
                                         table, XTYP_POKE, 10000, nullptr));
    // A data handle given as the data: its bytes travel.
    const HDDEDATA handle = DdeCreateDataHandle(client, bytes, 2, 0, 0, CF_TEXT, 0);
    pokes.push_back(DdeClientTransaction(reinterpret_cast<const uint8_t*>(handle), 0xFFFFFFFF, conversation,
                                         DdeCreateStringHandle(client, "R9C9", CP_WINANSI), CF_TEXT,
                                         XTYP_POKE, 10000, nullptr));
    const HDDEDATA answer = DdeClientTransaction(nullptr, 0, conversation,
                                                 DdeCreateStringHandle(client, "R2C2", CP_WINANSI),
                                                 CF_TEXT, XTYP_REQUEST, 10000, nullptr);
    got.resize(DdeGetData(answer, nullptr, 0, 0));
    DdeGetData(answer, reinterpret_cast<uint8_t*>(got.data()), static_cast<uint32_t>(got.size()), 0);
    DdeFreeDataHandle(answer);
    missing = DdeClientTransaction(nullptr, 0, conversation, DdeCreateStringHandle(client, "R3C3", CP_WINANSI),
                                   CF_TEXT, XTYP_REQUEST, 10000, nullptr);
    missingError = DdeGetLastError(client);
    DdeDisconnect(conversation);
    DdeUninitialize(client);
  });
  EXPECT_EQ(pokes, (std::vector<HDDEDATA>{1, 0}));
  EXPECT_EQ(got, std::string("cell of ZERodor", 16));
  EXPECT_EQ(missing, 0u);
  EXPECT_EQ(missingError, DMLERR_NOTPROCESSED);
  ASSERT_GE(seen_.size(), 6u);
  EXPECT_EQ(seen_[2].type, XTYP_POKE);
  EXPECT_EQ(seen_[2].second, "R1C1");
  EXPECT_EQ(seen_[2].data, std::string("\x01\x00\x02", 3));
  // The registered format arrives under the server's own number for its name.
  EXPECT_EQ(seen_[2].format, RegisterClipboardFormat("XLTable"));
  EXPECT_EQ(seen_[3].data, std::string("\x01\x00", 2));
  EXPECT_EQ(seen_[3].format, CF_TEXT);
}

TEST_F(DdemlTest, AnAnswerThatComesTooLateIsNotTakenForTheNextOne) {
  std::vector<HDDEDATA> answers;
  std::vector<uint32_t> errors;
  Converse([&] {
    uint32_t client = 0;
    DdeInitialize(&client, {}, APPCMD_CLIENTONLY, 0);
    const HCONV conversation = DdeConnect(client, 0, 0, nullptr);
    for (const auto& [text, timeout] : {std::pair<const char*, uint32_t>{"slow", 20}, {"no", 10000}, {"ok", 10000}}) {
      uint32_t result = 0;
      answers.push_back(DdeClientTransaction(reinterpret_cast<const uint8_t*>(text),
                                             static_cast<uint32_t>(std::strlen(text) + 1),
                                             conversation, 0, CF_TEXT, XTYP_EXECUTE, timeout, &result));
      errors.push_back(DdeGetLastError(client));
      gaveUp_ = true;
    }
    DdeDisconnect(conversation);
    DdeUninitialize(client);
  });
  EXPECT_EQ(answers, (std::vector<HDDEDATA>{0, 0, 1}));
  EXPECT_EQ(errors, (std::vector<uint32_t>{DMLERR_EXECACKTIMEOUT, DMLERR_NOTPROCESSED, DMLERR_NO_ERROR}));
}

TEST_F(DdemlTest, AWildcardConnectTakesTheFirstPairTheServerLists) {
  bool connected = false;
  Converse([&] {
    uint32_t client = 0;
    DdeInitialize(&client, {}, APPCMD_CLIENTONLY, 0);
    const HCONV conversation = DdeConnect(client, 0, 0, nullptr);
    connected = conversation != 0;
    DdeDisconnect(conversation);
    DdeUninitialize(client);
  });
  EXPECT_TRUE(connected);
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[0].type, XTYP_WILDCONNECT);
  EXPECT_EQ(seen_[0].first + seen_[0].second, "");  // both names open
  EXPECT_EQ(seen_[1].type, XTYP_CONNECT_CONFIRM);
  EXPECT_EQ(seen_[1].first, "ZERodor");
  EXPECT_EQ(seen_[1].second, "YB");
}

TEST_F(DdemlTest, ABadFrameOrALostPeerEndsTheConversation) {
  for (const bool lost : {false, true}) {
    seen_.clear();
    Converse([&] {
      // A client of its own making, so that it can send what no well-made client sends.
      std::string path;
      for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/sockets")) path = entry.path();
      const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
      ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
      const std::string service = "YB";
      const std::string topic = "ZERodor";
      const std::vector<uint8_t> ask = EncodeDdeFrame(DdeFrame::Names(DdeFrameType::kConnect, &service, &topic));
      send(fd, ask.data(), ask.size(), MSG_NOSIGNAL);
      uint8_t reply[64];
      ASSERT_GT(recv(fd, reply, sizeof reply, 0), 0);
      if (!lost) {
        const uint8_t bad[] = {0xFF, 0xFF, 0xFF, 0x7F, 4};
        send(fd, bad, sizeof bad, MSG_NOSIGNAL);
        // The server closes its side.
        while (recv(fd, reply, sizeof reply, 0) > 0) {
        }
      }
      close(fd);
    });
    ASSERT_FALSE(seen_.empty());
    EXPECT_EQ(seen_.back().type, XTYP_DISCONNECT) << lost;
    for (const Seen& seen : seen_) EXPECT_NE(seen.type, XTYP_EXECUTE);
  }
}

TEST_F(DdemlTest, ADirectoryOthersMayEnterIsNotUsed) {
  const std::string open = folder_ + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
  chmod(open.c_str(), 0755);
  setenv("YB_DDE_DIR", open.c_str(), 1);
  EXPECT_EQ(DdeSocketDirectory(), "");
  EXPECT_EQ(DdeNameService(server_, service_, 0, DNS_REGISTER), 0u);
  // A new directory is made for the user alone.
  const std::string fresh = folder_ + "/fresh";
  setenv("YB_DDE_DIR", fresh.c_str(), 1);
  EXPECT_EQ(DdeSocketDirectory(), fresh);
  struct stat info {};
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
