#include "platform/dde/Ddeml.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/dde/DdeFrame.h"
#include "platform/dde/SocketCleanup.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"

namespace {

// How long a client waits for a server to answer a connect.
constexpr int32_t kConnectTimeout = 5000;
// How often the deadlines of waiting connections are looked at while any wait, and a listener
// left for want of descriptors is tried again.
constexpr UINT kCheckInterval = 500;

struct StringEntry {
  std::string text;
  int32_t count = 0;
};

struct Service {
  HSZ name = 0;
  std::string path;
  int fd = -1;
};

struct Instance {
  DdeCallback callback;
  uint32_t flags = 0;
  uint32_t lastError = DMLERR_NO_ERROR;
  std::vector<Service> services;
  int32_t source = 0;
  bool listenerPaused = false;  // no descriptor was left for the last connection
};

struct Conversation {
  uint32_t instance = 0;
  int fd = -1;
  bool server = false;
  bool confirmed = false;
  bool busy = false;  // its callback runs: nothing more is read from it meanwhile
  HSZ service = 0;
  HSZ topic = 0;
  std::vector<uint8_t> inbox;
  uint32_t lateAcks = 0;  // answers of transactions whose wait timed out
  DWORD deadline = 0;     // a server's: when it is dropped if its connect has not come
};

// The library's tables; one lock guards them, never held while a callback runs.
struct Library {
  std::mutex lock;
  std::map<uint32_t, Instance> instances;
  std::map<HSZ, StringEntry> strings;
  std::map<HDDEDATA, std::vector<uint8_t>> data;
  std::map<HCONV, Conversation> conversations;
  uint32_t nextInstance = 1;
  HSZ nextString = 1;
  HDDEDATA nextData = 0x10000;
  HCONV nextConversation = 1;
  UINT_PTR checkTimer = 0;  // the thread timer that checks the deadlines, 0 while none runs
};

Library& Lib() {
  static Library library;
  return library;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

HSZ AddStringLocked(Library& lib, const std::string& text) {
  for (auto& [handle, entry] : lib.strings) {
    if (Lower(entry.text) == Lower(text)) {
      ++entry.count;
      return handle;
    }
  }
  const HSZ handle = lib.nextString++;
  lib.strings[handle] = StringEntry{text, 1};
  return handle;
}

void ReleaseStringLocked(Library& lib, HSZ handle) {
  const auto it = lib.strings.find(handle);
  if (it == lib.strings.end()) return;
  if (--it->second.count <= 0) lib.strings.erase(it);
}

void SetError(uint32_t instance, uint32_t error) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.instances.find(instance);
  if (it != lib.instances.end()) it->second.lastError = error;
}

bool PeerIsThisUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return false;
  return credentials.uid == geteuid();
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool SendFrame(int fd, const DdeFrame& frame) {
  return SendAll(fd, EncodeDdeFrame(frame));
}

// Reads what is there into the inbox; false when the peer is gone.
bool ReadAvailable(int fd, std::vector<uint8_t>& inbox) {
  uint8_t chunk[65536];
  const ssize_t n = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
  if (n == 0) return false;
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  inbox.insert(inbox.end(), chunk, chunk + n);
  return true;
}

int32_t MillisecondsLeft(std::chrono::steady_clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      end - std::chrono::steady_clock::now()).count();
  return left > 0 ? static_cast<int32_t>(left) : 0;
}

enum class WaitOutcome { kFrame, kTimeout, kLost };

// Waits for the next whole frame on a descriptor that nobody else reads.
WaitOutcome WaitForFrame(int fd, std::vector<uint8_t>& inbox, int32_t timeout, DdeFrame* frame) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
  for (;;) {
    size_t used = 0;
    switch (DecodeDdeFrame(inbox.data(), inbox.size(), frame, &used)) {
      case DdeFrameStatus::kBad:
        return WaitOutcome::kLost;
      case DdeFrameStatus::kComplete:
        inbox.erase(inbox.begin(), inbox.begin() + static_cast<std::ptrdiff_t>(used));
        return WaitOutcome::kFrame;
      case DdeFrameStatus::kIncomplete:
        break;
    }
    pollfd watched{fd, POLLIN, 0};
    const int ready = poll(&watched, 1, MillisecondsLeft(end));
    if (ready < 0 && errno != EINTR) return WaitOutcome::kLost;
    if (ready == 0) return WaitOutcome::kTimeout;
    if (ready > 0 && !ReadAvailable(fd, inbox)) return WaitOutcome::kLost;
  }
}

// The start of the socket files of a service: its lower-case name, characters outside a safe set
// as %XX, and a dot. Every process that registers the service has a file of its own, the process
// number following the dot, as several programs may offer one service.
std::string SocketFilePrefix(const std::string& service) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string name;
  for (const char c : Lower(service)) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '_' || c == '-') {
      name += c;
    } else {
      name += '%';
      name += kHex[u >> 4];
      name += kHex[u & 15];
    }
  }
  return name + ".";
}

bool IsSocketFile(const std::string& name) {
  return name.size() > 5 && name.compare(name.size() - 5, 5, ".sock") == 0;
}

bool MakeAddress(const std::string& path, sockaddr_un* address) {
  *address = sockaddr_un{};
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int ConnectTo(const std::string& path) {
  sockaddr_un address;
  if (!MakeAddress(path, &address)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      !PeerIsThisUser(fd)) {
    close(fd);
    return -1;
  }
  return fd;
}

int ListenAt(const std::string& path) {
  sockaddr_un address;
  if (!MakeAddress(path, &address)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // A file left by a server that is gone is taken over; a live server keeps its name.
    const int live = errno == EADDRINUSE ? ConnectTo(path) : -1;
    if (live >= 0 || errno != ECONNREFUSED) {
      if (live >= 0) close(live);
      close(fd);
      return -1;
    }
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return -1;
    }
  }
  chmod(path.c_str(), 0600);
  if (listen(fd, 16) != 0) {
    close(fd);
    unlink(path.c_str());
    return -1;
  }
  return fd;
}

DdeCallback CallbackOf(uint32_t instance) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.instances.find(instance);
  return it != lib.instances.end() ? it->second.callback : DdeCallback{};
}

// Ends a conversation; the own side's callback hears of it when `notify` and it was confirmed.
void EndConversation(HCONV handle, bool notify) {
  Library& lib = Lib();
  DdeCallback callback;
  {
    std::lock_guard guard(lib.lock);
    const auto it = lib.conversations.find(handle);
    if (it == lib.conversations.end()) return;
    Conversation& conversation = it->second;
    close(conversation.fd);
    ReleaseStringLocked(lib, conversation.service);
    ReleaseStringLocked(lib, conversation.topic);
    const bool confirmed = conversation.confirmed;
    const auto instance = lib.instances.find(conversation.instance);
    if (notify && confirmed && instance != lib.instances.end()) callback = instance->second.callback;
    // A descriptor is free again: a listener left for want of one may accept once more.
    if (instance != lib.instances.end()) instance->second.listenerPaused = false;
    lib.conversations.erase(it);
  }
  if (callback) callback(XTYP_DISCONNECT, 0, handle, 0, 0, 0, 0, 0);
}

HCONV AddConversation(uint32_t instance, int fd, bool server) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const HCONV handle = lib.nextConversation++;
  Conversation conversation;
  conversation.instance = instance;
  conversation.fd = fd;
  conversation.server = server;
  if (server) conversation.deadline = GetTickCount() + kDdeConnectDeadline;
  lib.conversations[handle] = std::move(conversation);
  return handle;
}

// The first pair of a wildcard answer, as texts; false when it lists none.
bool FirstPair(HDDEDATA answer, std::string* service, std::string* topic) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.data.find(answer);
  if (it == lib.data.end() || it->second.size() < 2 * sizeof(HSZ)) return false;
  HSZ pair[2];
  std::memcpy(pair, it->second.data(), sizeof pair);
  const auto s = lib.strings.find(pair[0]);
  const auto t = lib.strings.find(pair[1]);
  if (s == lib.strings.end() || t == lib.strings.end()) return false;
  *service = s->second.text;
  *topic = t->second.text;
  return true;
}

void ServeConnect(HCONV handle, uint32_t instance, int fd, const DdeFrame& frame) {
  const DdeCallback callback = CallbackOf(instance);
  HSZ service = frame.hasService ? DdeCreateStringHandle(instance, frame.service.c_str(), CP_WINANSI) : 0;
  HSZ topic = frame.hasTopic ? DdeCreateStringHandle(instance, frame.topic.c_str(), CP_WINANSI) : 0;
  bool accepted = false;
  std::string serviceName = frame.service;
  std::string topicName = frame.topic;
  if (callback && frame.hasService && frame.hasTopic) {
    accepted = callback(XTYP_CONNECT, 0, 0, topic, service, 0, 0, 0) != 0;
  } else if (callback) {
    const HDDEDATA answer = callback(XTYP_WILDCONNECT, CF_TEXT, 0, topic, service, 0, 0, 0);
    accepted = answer != 0 && FirstPair(answer, &serviceName, &topicName);
    if (answer != 0) DdeFreeDataHandle(answer);
  }
  DdeFreeStringHandle(instance, service);
  DdeFreeStringHandle(instance, topic);
  if (!accepted) {
    SendFrame(fd, DdeFrame::Of(DdeFrameType::kRefused));
    EndConversation(handle, false);
    return;
  }
  const DdeFrame reply = DdeFrame::Names(DdeFrameType::kConnected, &serviceName, &topicName);
  {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const auto it = lib.conversations.find(handle);
    if (it == lib.conversations.end()) return;
    it->second.service = AddStringLocked(lib, serviceName);
    it->second.topic = AddStringLocked(lib, topicName);
    it->second.confirmed = true;
    service = it->second.service;
    topic = it->second.topic;
  }
  if (!SendFrame(fd, reply)) {
    EndConversation(handle, false);
    return;
  }
  callback(XTYP_CONNECT_CONFIRM, 0, handle, topic, service, 0, 0, 0);
}

// A registered format travels by its name; the receiver takes its own number for that name.
void PutFormat(DdeFrame& frame, uint32_t format) {
  frame.format = format;
  frame.formatName.clear();
  if (format < 0xC000) return;
  char name[256];
  const int32_t length = GetClipboardFormatName(format, name, sizeof name);
  if (length > 0) frame.formatName.assign(name, static_cast<size_t>(length));
}

uint32_t FormatOf(const DdeFrame& frame) {
  return frame.formatName.empty() ? frame.format : RegisterClipboardFormat(frame.formatName.c_str());
}

// Runs an execute, poke or request through the server's callback and sends its answer.
void ServeTransaction(HCONV handle, uint32_t instance, int fd, const DdeFrame& frame) {
  const DdeCallback callback = CallbackOf(instance);
  HSZ topic = 0;
  {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const auto it = lib.conversations.find(handle);
    if (it == lib.conversations.end()) return;
    it->second.busy = true;
    topic = it->second.topic;
  }
  const bool request = frame.type == DdeFrameType::kRequest;
  const uint32_t type = frame.type == DdeFrameType::kExecute ? XTYP_EXECUTE
                        : request                            ? XTYP_REQUEST
                                                             : XTYP_POKE;
  const HSZ item = type == XTYP_EXECUTE ? 0 : DdeCreateStringHandle(instance, frame.item.c_str(), CP_WINANSI);
  const uint32_t format = FormatOf(frame);
  const HDDEDATA data = request ? 0
                                : DdeCreateDataHandle(instance, frame.data.data(),
                                                      static_cast<uint32_t>(frame.data.size()), 0, item,
                                                      format, 0);
  const HDDEDATA answer = callback ? callback(type, format, handle, topic, item, data, 0, 0) : 0;
  if (data != 0) DdeFreeDataHandle(data);
  DdeFreeStringHandle(instance, item);
  DdeFrame reply = DdeFrame::Of(request ? DdeFrameType::kData : DdeFrameType::kAck);
  if (request) {
    PutFormat(reply, format);
    if (answer != 0) {
      reply.result = 1;
      reply.data.resize(DdeGetData(answer, nullptr, 0, 0));
      DdeGetData(answer, reply.data.data(), static_cast<uint32_t>(reply.data.size()), 0);
      DdeFreeDataHandle(answer);
    }
  } else {
    reply.result = static_cast<uint32_t>(answer & 0xFFFF);
  }
  {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const auto it = lib.conversations.find(handle);
    if (it == lib.conversations.end()) return;  // ended by the callback
    it->second.busy = false;
  }
  if (!SendFrame(fd, reply)) EndConversation(handle, true);
}

// Reads a server-side conversation and serves its whole frames; a bad frame or a lost peer ends it.
void ServeConversation(HCONV handle) {
  for (;;) {
    Library& lib = Lib();
    DdeFrame frame;
    int fd = -1;
    uint32_t instance = 0;
    bool confirmed = false;
    bool server = false;
    DdeFrameStatus status = DdeFrameStatus::kIncomplete;
    {
      std::lock_guard guard(lib.lock);
      const auto it = lib.conversations.find(handle);
      if (it == lib.conversations.end() || it->second.busy) return;
      Conversation& conversation = it->second;
      fd = conversation.fd;
      instance = conversation.instance;
      confirmed = conversation.confirmed;
      server = conversation.server;
      size_t used = 0;
      status = DecodeDdeFrame(conversation.inbox.data(), conversation.inbox.size(), &frame, &used);
      if (status == DdeFrameStatus::kComplete)
        conversation.inbox.erase(conversation.inbox.begin(),
                                 conversation.inbox.begin() + static_cast<std::ptrdiff_t>(used));
      if (status == DdeFrameStatus::kComplete && !server &&
          (frame.type == DdeFrameType::kAck || frame.type == DdeFrameType::kData) &&
          conversation.lateAcks > 0) {
        --conversation.lateAcks;
        continue;
      }
    }
    if (status == DdeFrameStatus::kIncomplete) return;
    if (status == DdeFrameStatus::kBad) {
      EndConversation(handle, true);
      return;
    }
    if (server && !confirmed && frame.type == DdeFrameType::kConnect) {
      ServeConnect(handle, instance, fd, frame);
    } else if (server && confirmed &&
               (frame.type == DdeFrameType::kExecute || frame.type == DdeFrameType::kPoke ||
                frame.type == DdeFrameType::kRequest)) {
      ServeTransaction(handle, instance, fd, frame);
    } else {
      // A disconnect, or a frame that does not belong here.
      EndConversation(handle, true);
      return;
    }
  }
}

bool WaitsForConnect(const Conversation& conversation) {
  return conversation.server && !conversation.confirmed;
}

// Whether the deadlines need checking: a connection waits for its connect, or a listener waits
// for descriptors.
bool NeedsChecksLocked(const Library& lib) {
  for (const auto& [id, instance] : lib.instances) {
    if (instance.listenerPaused) return true;
  }
  for (const auto& [handle, conversation] : lib.conversations) {
    if (WaitsForConnect(conversation)) return true;
  }
  return false;
}

void CheckDeadlines(HWND, UINT, UINT_PTR, DWORD);

// Starts the check timer when there is something to check and none runs; stops it when there is
// nothing. Runs on the thread of the message loop, which owns the timers.
void UpdateCheckTimer() {
  Library& lib = Lib();
  bool needed = false;
  UINT_PTR running = 0;
  {
    std::lock_guard guard(lib.lock);
    needed = NeedsChecksLocked(lib);
    running = lib.checkTimer;
  }
  if (needed == (running != 0)) return;
  const UINT_PTR timer = needed ? SetTimer(nullptr, 0, kCheckInterval, CheckDeadlines) : 0;
  if (!needed) KillTimer(nullptr, running);
  std::lock_guard guard(lib.lock);
  lib.checkTimer = timer;
}

// Drops the connections whose connect has not come in time and lets paused listeners try again.
void CheckDeadlines(HWND, UINT, UINT_PTR, DWORD) {
  Library& lib = Lib();
  std::vector<HCONV> late;
  {
    std::lock_guard guard(lib.lock);
    const DWORD now = GetTickCount();
    for (auto& [id, instance] : lib.instances) instance.listenerPaused = false;
    for (const auto& [handle, conversation] : lib.conversations) {
      if (WaitsForConnect(conversation) && !conversation.busy && TickReached(now, conversation.deadline))
        late.push_back(handle);
    }
  }
  for (const HCONV handle : late) EndConversation(handle, false);
  UpdateCheckTimer();
}

// Makes room for one more server conversation of the instance: the connection that has waited
// longest for its connect goes when too many wait or too many are held. False when every held
// conversation is connected and there are as many as may be.
bool MakeRoomForConnection(uint32_t instance) {
  Library& lib = Lib();
  HCONV oldest = 0;
  {
    std::lock_guard guard(lib.lock);
    size_t waiting = 0;
    size_t held = 0;
    for (const auto& [handle, conversation] : lib.conversations) {
      if (conversation.instance != instance || !conversation.server) continue;
      ++held;
      if (!WaitsForConnect(conversation)) continue;
      ++waiting;
      // Handles grow with time: the smallest has waited longest.
      if (!conversation.busy && oldest == 0) oldest = handle;
    }
    if (waiting < kDdeMaxWaitingConnections && held < kDdeMaxServedConversations) return true;
    if (oldest == 0) return false;
  }
  EndConversation(oldest, false);
  return true;
}

void Accept(uint32_t instance, int listener) {
  const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM) return;
    // The connection stays queued and the listener readable: watching it now would only spin.
    {
      Library& lib = Lib();
      std::lock_guard guard(lib.lock);
      const auto it = lib.instances.find(instance);
      if (it != lib.instances.end()) it->second.listenerPaused = true;
    }
    UpdateCheckTimer();
    return;
  }
  // Only the user's own processes talk to the user's services.
  if (!PeerIsThisUser(fd) || !MakeRoomForConnection(instance)) {
    close(fd);
    return;
  }
  AddConversation(instance, fd, true);
  UpdateCheckTimer();
}

std::vector<int> WatchedDescriptors(uint32_t instance) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  std::vector<int> fds;
  const auto it = lib.instances.find(instance);
  if (it == lib.instances.end()) return fds;
  if (!it->second.listenerPaused) {
    for (const Service& service : it->second.services) fds.push_back(service.fd);
  }
  for (const auto& [handle, conversation] : lib.conversations) {
    if (conversation.instance == instance && !conversation.busy) fds.push_back(conversation.fd);
  }
  return fds;
}

bool HasConversations(uint32_t instance) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  for (const auto& [handle, conversation] : lib.conversations) {
    if (conversation.instance == instance) return true;
  }
  return false;
}

// The work of an instance that is ready: connections accepted, conversations read and served.
void ServeInstance(uint32_t instance) {
  std::vector<pollfd> watched;
  std::vector<HCONV> owners;  // 0 for a listener
  {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const auto it = lib.instances.find(instance);
    if (it == lib.instances.end()) return;
    if (!it->second.listenerPaused) {
      for (const Service& service : it->second.services) {
        watched.push_back(pollfd{service.fd, POLLIN, 0});
        owners.push_back(0);
      }
    }
    for (const auto& [handle, conversation] : lib.conversations) {
      if (conversation.instance != instance || conversation.busy) continue;
      watched.push_back(pollfd{conversation.fd, POLLIN, 0});
      owners.push_back(handle);
    }
  }
  if (watched.empty() || poll(watched.data(), watched.size(), 0) <= 0) return;
  for (size_t i = 0; i < watched.size(); ++i) {
    if (watched[i].revents == 0) continue;
    if (owners[i] == 0) {
      Accept(instance, watched[i].fd);
      continue;
    }
    bool alive = true;
    {
      Library& lib = Lib();
      std::lock_guard guard(lib.lock);
      const auto it = lib.conversations.find(owners[i]);
      if (it == lib.conversations.end() || it->second.busy) continue;
      alive = ReadAvailable(it->second.fd, it->second.inbox);
    }
    ServeConversation(owners[i]);
    if (!alive) EndConversation(owners[i], true);
  }
}

bool UsablePrivateDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

}  // namespace

std::string DdeSocketDirectory() {
  std::string path;
  if (const char* injected = std::getenv("YB_DDE_DIR"); injected != nullptr && *injected != '\0') {
    path = injected;
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
    path = std::string(runtime) + "/yarrowby-dde";
  } else {
    path = "/tmp/yarrowby-dde-" + std::to_string(geteuid());
  }
  return UsablePrivateDirectory(path) ? path : std::string();
}

uint32_t DdeInitialize(uint32_t* instance, DdeCallback callback, uint32_t flags, uint32_t) {
  if (instance == nullptr) return DMLERR_INVALIDPARAMETER;
  if (!callback && (flags & APPCMD_CLIENTONLY) == 0) return DMLERR_INVALIDPARAMETER;
  Library& lib = Lib();
  uint32_t id = 0;
  {
    std::lock_guard guard(lib.lock);
    id = lib.nextInstance++;
    Instance& created = lib.instances[id];
    created.callback = std::move(callback);
    created.flags = flags;
  }
  // Only an instance with a callback is served from the message loop.
  if (!(flags & APPCMD_CLIENTONLY)) {
    const int32_t source = AddMessageSource(MessageSource{[id] { return WatchedDescriptors(id); },
                                                          [id] { ServeInstance(id); },
                                                          [id] { return HasConversations(id); }});
    std::lock_guard guard(lib.lock);
    lib.instances[id].source = source;
  }
  *instance = id;
  return DMLERR_NO_ERROR;
}

bool DdeUninitialize(uint32_t instance) {
  Library& lib = Lib();
  std::vector<HCONV> conversations;
  int32_t source = 0;
  {
    std::lock_guard guard(lib.lock);
    if (lib.instances.count(instance) == 0) return false;
    for (const auto& [handle, conversation] : lib.conversations) {
      if (conversation.instance == instance) conversations.push_back(handle);
    }
    source = lib.instances[instance].source;
  }
  for (const HCONV handle : conversations) DdeDisconnect(handle);
  DdeNameService(instance, 0, 0, DNS_UNREGISTER);
  {
    std::lock_guard guard(lib.lock);
    lib.instances.erase(instance);
  }
  // A served instance lives on the thread of the message loop; its check timer may go with it.
  if (source != 0) {
    RemoveMessageSource(source);
    UpdateCheckTimer();
  }
  return true;
}

uint32_t DdeGetLastError(uint32_t instance) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.instances.find(instance);
  if (it == lib.instances.end()) return DMLERR_DLL_NOT_INITIALIZED;
  const uint32_t error = it->second.lastError;
  it->second.lastError = DMLERR_NO_ERROR;
  return error;
}

HSZ DdeCreateStringHandle(uint32_t instance, const char* text, int32_t) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  if (text == nullptr || lib.instances.count(instance) == 0) return 0;
  if (std::strlen(text) > kMaxDdeNameLength) {
    lib.instances[instance].lastError = DMLERR_INVALIDPARAMETER;
    return 0;
  }
  return AddStringLocked(lib, text);
}

bool DdeFreeStringHandle(uint32_t, HSZ handle) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  if (lib.strings.count(handle) == 0) return false;
  ReleaseStringLocked(lib, handle);
  return true;
}

uint32_t DdeQueryString(uint32_t, HSZ handle, char* buffer, uint32_t size, int32_t) {
  const std::string text = DdeStringOf(handle);
  if (buffer == nullptr) return static_cast<uint32_t>(text.size());
  if (size == 0) return 0;
  const size_t length = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<uint32_t>(length);
}

std::string DdeStringOf(HSZ handle) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.strings.find(handle);
  return it != lib.strings.end() ? it->second.text : std::string();
}

HDDEDATA DdeNameService(uint32_t instance, HSZ service, HSZ, uint32_t command) {
  Library& lib = Lib();
  const std::string name = DdeStringOf(service);
  if (command == DNS_UNREGISTER) {
    std::lock_guard guard(lib.lock);
    const auto it = lib.instances.find(instance);
    if (it == lib.instances.end()) return 0;
    std::vector<Service>& services = it->second.services;
    bool found = false;
    for (auto at = services.begin(); at != services.end();) {
      if (service != 0 && at->name != service) {
        ++at;
        continue;
      }
      close(at->fd);
      RemoveSocketFromCleanup(at->path);
      unlink(at->path.c_str());
      ReleaseStringLocked(lib, at->name);
      at = services.erase(at);
      found = true;
    }
    return found || service == 0 ? 1 : 0;
  }
  if (command != DNS_REGISTER || name.empty()) {
    SetError(instance, DMLERR_INVALIDPARAMETER);
    return 0;
  }
  const std::string directory = DdeSocketDirectory();
  const std::string path =
      directory + "/" + SocketFilePrefix(name) + std::to_string(getpid()) + ".sock";
  // Files of programs that ended without removing theirs would gather for ever.
  if (!directory.empty()) RemoveDeadSockets(directory);
  const int fd = directory.empty() ? -1 : ListenAt(path);
  if (fd < 0) {
    SetError(instance, DMLERR_SYS_ERROR);
    return 0;
  }
  std::lock_guard guard(lib.lock);
  const auto it = lib.instances.find(instance);
  if (it == lib.instances.end()) {
    close(fd);
    unlink(path.c_str());
    return 0;
  }
  AddSocketForCleanup(path);
  it->second.services.push_back(Service{AddStringLocked(lib, name), path, fd});
  return 1;
}

HDDEDATA DdeCreateDataHandle(uint32_t instance, const uint8_t* bytes, uint32_t size, uint32_t offset,
                             HSZ, uint32_t, uint32_t) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  if (lib.instances.count(instance) == 0) return 0;
  std::vector<uint8_t> copy(static_cast<size_t>(offset) + size, 0);
  if (bytes != nullptr && size > 0) std::memcpy(copy.data() + offset, bytes, size);
  const HDDEDATA handle = lib.nextData++;
  lib.data[handle] = std::move(copy);
  return handle;
}

uint32_t DdeGetData(HDDEDATA data, uint8_t* destination, uint32_t size, uint32_t offset) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.data.find(data);
  if (it == lib.data.end()) return 0;
  const std::vector<uint8_t>& bytes = it->second;
  if (destination == nullptr) return static_cast<uint32_t>(bytes.size());
  if (offset >= bytes.size()) return 0;
  const size_t count = std::min<size_t>(size, bytes.size() - offset);
  std::memcpy(destination, bytes.data() + offset, count);
  return static_cast<uint32_t>(count);
}

const uint8_t* DdeAccessData(HDDEDATA data, uint32_t* size) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.data.find(data);
  if (size != nullptr) *size = it != lib.data.end() ? static_cast<uint32_t>(it->second.size()) : 0;
  return it != lib.data.end() ? it->second.data() : nullptr;
}

bool DdeUnaccessData(HDDEDATA data) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  return lib.data.count(data) > 0;
}

bool DdeFreeDataHandle(HDDEDATA data) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  return lib.data.erase(data) > 0;
}

HCONV DdeConnect(uint32_t instance, HSZ service, HSZ topic, const void*) {
  const std::string directory = DdeSocketDirectory();
  if (directory.empty()) {
    SetError(instance, DMLERR_SYS_ERROR);
    return 0;
  }
  // The files of the service asked for, or every file for an open service.
  const std::string prefix = service != 0 ? SocketFilePrefix(DdeStringOf(service)) : std::string();
  std::vector<std::string> candidates;
  if (DIR* folder = opendir(directory.c_str())) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (IsSocketFile(name) && name.compare(0, prefix.size(), prefix) == 0)
        candidates.push_back(directory + "/" + name);
    }
    closedir(folder);
    std::sort(candidates.begin(), candidates.end());
  }
  const std::string serviceName = DdeStringOf(service);
  const std::string topicName = DdeStringOf(topic);
  const DdeFrame ask = DdeFrame::Names(DdeFrameType::kConnect, service != 0 ? &serviceName : nullptr,
                                       topic != 0 ? &topicName : nullptr);
  for (const std::string& path : candidates) {
    const int fd = ConnectTo(path);
    if (fd < 0) continue;
    std::vector<uint8_t> inbox;
    DdeFrame reply;
    if (!SendFrame(fd, ask) || WaitForFrame(fd, inbox, kConnectTimeout, &reply) != WaitOutcome::kFrame ||
        reply.type != DdeFrameType::kConnected) {
      close(fd);
      continue;
    }
    const HCONV handle = AddConversation(instance, fd, false);
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    Conversation& conversation = lib.conversations[handle];
    conversation.inbox = std::move(inbox);
    conversation.service = AddStringLocked(lib, reply.service);
    conversation.topic = AddStringLocked(lib, reply.topic);
    conversation.confirmed = true;
    return handle;
  }
  SetError(instance, DMLERR_NO_CONV_ESTABLISHED);
  return 0;
}

bool DdeConversationExists(HCONV conversation) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  return lib.conversations.count(conversation) > 0;
}

bool DdeDisconnect(HCONV conversation) {
  int fd = -1;
  {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const auto it = lib.conversations.find(conversation);
    if (it == lib.conversations.end()) return false;
    fd = it->second.fd;
  }
  SendFrame(fd, DdeFrame::Of(DdeFrameType::kDisconnect));
  EndConversation(conversation, false);
  return true;
}

namespace {

// How long a waiting transaction polls its socket before it serves the other work again.
constexpr int32_t kWaitSlice = 10;

// While a transaction waits: the instance's other conversations are served and windows painted,
// so that a partner that asks something of this program in turn is answered.
void ServeWhileWaiting(uint32_t instance) {
  ServeInstance(instance);
  MSG message;
  while (PeekMessage(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessage(&message);
}

// Marks a client conversation as waiting for its answer (nothing else reads it) or ends that;
// false when it is gone.
bool SetWaiting(HCONV conversation, bool waiting) {
  Library& lib = Lib();
  std::lock_guard guard(lib.lock);
  const auto it = lib.conversations.find(conversation);
  if (it == lib.conversations.end()) return false;
  it->second.busy = waiting;
  return true;
}

uint32_t TimeoutError(uint32_t type) {
  if (type == XTYP_POKE) return DMLERR_POKEACKTIMEOUT;
  if (type == XTYP_REQUEST) return DMLERR_DATAACKTIMEOUT;
  return DMLERR_EXECACKTIMEOUT;
}

// The bytes a poke sends: the caller's, or those of a data handle given with the size 0xFFFFFFFF.
bool PokeBytes(const uint8_t* data, uint32_t size, std::vector<uint8_t>* bytes) {
  if (size != 0xFFFFFFFFu) {
    if (data == nullptr && size > 0) return false;
    if (size > 0) bytes->assign(data, data + size);
    return true;
  }
  const auto handle = reinterpret_cast<HDDEDATA>(data);
  bytes->resize(DdeGetData(handle, nullptr, 0, 0));
  DdeGetData(handle, bytes->data(), static_cast<uint32_t>(bytes->size()), 0);
  return DdeFreeDataHandle(handle);
}

}  // namespace

HDDEDATA DdeClientTransaction(const uint8_t* data, uint32_t size, HCONV conversation, HSZ item,
                              uint32_t format, uint32_t type, uint32_t timeout, uint32_t* result) {
  Library& lib = Lib();
  int fd = -1;
  uint32_t instance = 0;
  bool clientOnly = true;
  std::vector<uint8_t> inbox;
  {
    std::lock_guard guard(lib.lock);
    const auto it = lib.conversations.find(conversation);
    if (it == lib.conversations.end() || it->second.server || !it->second.confirmed ||
        it->second.busy)
      return 0;
    fd = it->second.fd;
    instance = it->second.instance;
    const auto owner = lib.instances.find(instance);
    clientOnly = owner == lib.instances.end() || (owner->second.flags & APPCMD_CLIENTONLY) != 0;
    inbox.swap(it->second.inbox);
  }
  DdeFrame ask;
  bool sound = true;
  if (type == XTYP_EXECUTE) {
    ask = DdeFrame::Of(DdeFrameType::kExecute);
    sound = (data != nullptr || size == 0) && size < kMaxDdeFrameLength;
    if (sound && size > 0) ask.data.assign(data, data + size);
  } else if (type == XTYP_POKE || type == XTYP_REQUEST) {
    ask = DdeFrame::Of(type == XTYP_POKE ? DdeFrameType::kPoke : DdeFrameType::kRequest);
    ask.item = DdeStringOf(item);
    PutFormat(ask, format);
    sound = item != 0 && (type == XTYP_REQUEST || PokeBytes(data, size, &ask.data)) &&
            ask.data.size() < kMaxDdeFrameLength - kMaxDdeNameLength - 16;
  } else {
    sound = false;
  }
  if (!sound) {
    std::lock_guard guard(lib.lock);
    lib.conversations[conversation].inbox.swap(inbox);
    lib.instances[instance].lastError = DMLERR_INVALIDPARAMETER;
    return 0;
  }
  if (!SendFrame(fd, ask)) {
    EndConversation(conversation, true);
    SetError(instance, DMLERR_NO_CONV_ESTABLISHED);
    return 0;
  }
  const DdeFrameType answerType = type == XTYP_REQUEST ? DdeFrameType::kData : DdeFrameType::kAck;
  SetWaiting(conversation, true);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
  for (;;) {
    DdeFrame reply;
    const int32_t left = MillisecondsLeft(end);
    const WaitOutcome outcome =
        WaitForFrame(fd, inbox, clientOnly ? left : std::min(left, kWaitSlice), &reply);
    if (outcome == WaitOutcome::kTimeout && !clientOnly && left > 0) {
      ServeWhileWaiting(instance);
      if (SetWaiting(conversation, true)) continue;
      SetError(instance, DMLERR_NO_CONV_ESTABLISHED);  // ended meanwhile
      return 0;
    }
    if (outcome == WaitOutcome::kTimeout) {
      std::lock_guard guard(lib.lock);
      Conversation& waiting = lib.conversations[conversation];
      waiting.inbox.swap(inbox);
      waiting.busy = false;
      ++waiting.lateAcks;
      lib.instances[instance].lastError = TimeoutError(type);
      return 0;
    }
    if (outcome == WaitOutcome::kLost || (reply.type != DdeFrameType::kAck && reply.type != DdeFrameType::kData)) {
      EndConversation(conversation, true);
      SetError(instance, DMLERR_NO_CONV_ESTABLISHED);
      return 0;
    }
    {
      std::lock_guard guard(lib.lock);
      Conversation& waiting = lib.conversations[conversation];
      if (waiting.lateAcks > 0) {
        --waiting.lateAcks;
        continue;
      }
      waiting.inbox.swap(inbox);
      waiting.busy = false;
    }
    if (reply.type != answerType) {
      EndConversation(conversation, true);
      SetError(instance, DMLERR_NO_CONV_ESTABLISHED);
      return 0;
    }
    if (type == XTYP_REQUEST) {
      if (result != nullptr) *result = reply.result != 0 ? DDE_FACK : 0;
      if (reply.result != 0)
        return DdeCreateDataHandle(instance, reply.data.data(), static_cast<uint32_t>(reply.data.size()),
                                   0, item, FormatOf(reply), 0);
      SetError(instance, DMLERR_NOTPROCESSED);
      return 0;
    }
    if (result != nullptr) *result = reply.result;
    if ((reply.result & DDE_FACK) != 0) return 1;
    SetError(instance, DMLERR_NOTPROCESSED);
    return 0;
  }
}

namespace {
uint32_t programInstance = 0;
}  // namespace

uint32_t DdeProgramInstance() {
  return programInstance;
}

void SetDdeProgramInstance(uint32_t instance) {
  programInstance = instance;
}
