#include "exchange/dde/DDEClientLink.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

#include "platform/win32/Message.h"
#include "platform/win32/WindowMessages.h"

extern char** environ;

namespace {

LaunchQuestion& Question() {
  static LaunchQuestion question;
  return question;
}

// Programs started for documents, reaped once they end.
std::vector<pid_t>& Started() {
  static std::vector<pid_t> started;
  return started;
}

void ReapStarted() {
  std::erase_if(Started(), [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

// One pass of waiting for events between attempts: windows are painted, then a short pause.
void WaitOnePass(int32_t milliseconds) {
  MSG message;
  while (PeekMessage(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessage(&message);
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

HSZ MakeHandle(uint32_t instance, const std::string& text) {
  return instance != 0 && !text.empty() ? DdeCreateStringHandle(instance, text.c_str(), CP_WINANSI) : 0;
}

}  // namespace

std::string TextOf(const Str255& text) {
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

void SetLaunchQuestion(LaunchQuestion question) {
  Question() = std::move(question);
}

bool AskToLaunch(const std::string& application, const std::string& document) {
  return Question() && Question()(application, document);
}

TObject* TDDEClientLink::CreateObject() {
  return new (std::nothrow) TDDEClientLink();
}

TDDEClientLink::~TDDEClientLink() {
  FreeStringHandles();
}

uint32_t TDDEClientLink::TakeInstance() {
  instance_ = DdeProgramInstance();
  return instance_;
}

std::string TDDEClientLink::ServiceNameOf(const std::string& path) {
  size_t start = path.rfind('\\');
  if (start == std::string::npos) start = path.rfind('/');
  if (start == std::string::npos) start = path.rfind(':');
  std::string name = start == std::string::npos ? path : path.substr(start + 1);
  const size_t dot = name.find('.');
  if (dot == std::string::npos) return name;
  // A name whose extension itself begins with a dot is cut at that second dot.
  if (dot + 1 < name.size() && name[dot + 1] == '.') return name.substr(0, dot + 1);
  return name.substr(0, dot);
}

int16_t TDDEClientLink::ErrorOf(uint32_t exchangeError) {
  switch (exchangeError) {
    case DMLERR_ADVACKTIMEOUT:
    case DMLERR_DATAACKTIMEOUT:
    case DMLERR_EXECACKTIMEOUT:
    case DMLERR_POKEACKTIMEOUT:
      return kErrExchangeTimeout;
    case DMLERR_INVALIDPARAMETER:
      return kErrExchangeParameter;
    case DMLERR_LOW_MEMORY:
      return kErrExchangeMemory;
    case DMLERR_NOTPROCESSED:
      return kErrExchangeRefused;
    default:
      // A failure the layer gave no reason for is still a failure.
      return exchangeError == DMLERR_NO_ERROR ? kErrExchangeRefused : static_cast<int16_t>(exchangeError);
  }
}

// A name is kept even while the program has no exchange instance: its handle is made once one
// is there (a connection makes missing handles from the names).
void TDDEClientLink::SetApplication(const Str255& name) {
  if (PStringEquals(name, application_)) return;
  application_ = name;
  if (service_ != 0) DdeFreeStringHandle(instance_, service_);
  service_ = 0;
  if (TakeInstance() == 0) return;
  service_ = MakeHandle(instance_, ServiceNameOf(TextOf(name)));
}

void TDDEClientLink::SetTopic(const Str255& name) {
  if (PStringEquals(name, document_)) return;
  document_ = name;
  if (topic_ != 0) DdeFreeStringHandle(instance_, topic_);
  topic_ = 0;
  if (TakeInstance() == 0) return;
  topic_ = MakeHandle(instance_, TextOf(name));
}

void TDDEClientLink::SetItem(const Str255& name) {
  if ((item_ != 0 && PStringEquals(name, itemName_)) || TakeInstance() == 0) return;
  DdeFreeStringHandle(instance_, item_);
  item_ = 0;
  itemName_ = name;
  item_ = MakeHandle(instance_, TextOf(name));
}

void TDDEClientLink::FreeStringHandles() {
  for (HSZ* handle : {&service_, &topic_, &item_}) {
    if (*handle != 0) DdeFreeStringHandle(instance_, *handle);
    *handle = 0;
  }
}

void TDDEClientLink::MakeMissingHandles() {
  if (service_ == 0 && !application_.IsEmpty())
    service_ = MakeHandle(instance_, ServiceNameOf(TextOf(application_)));
  if (topic_ == 0 && !document_.IsEmpty()) topic_ = MakeHandle(instance_, TextOf(document_));
}

HCONV TDDEClientLink::GetConversation() {
  // A conversation the partner ended is gone.
  if (conversation_ != 0 && !DdeConversationExists(conversation_)) conversation_ = 0;
  return conversation_;
}

void TDDEClientLink::Disconnect() {
  if (conversation_ != 0) DdeDisconnect(conversation_);
  conversation_ = 0;
  icon_ = 0;
}

int16_t TDDEClientLink::Connect() {
  TakeInstance();
  MakeMissingHandles();
  if (service_ != 0 && topic_ != 0) conversation_ = DdeConnect(instance_, service_, topic_, nullptr);
  return GetConversation() != 0 ? 0 : kErrNoConversation;
}

bool TDDEClientLink::IsServiceRunning(const std::string& service) {
  if (TakeInstance() == 0) return false;
  const HSZ name = MakeHandle(instance_, service);
  const HCONV probe = name != 0 ? DdeConnect(instance_, name, 0, nullptr) : 0;
  if (probe != 0) DdeDisconnect(probe);
  if (name != 0) DdeFreeStringHandle(instance_, name);
  return probe != 0;
}

bool TDDEClientLink::SystemAnswers() {
  const HSZ system = MakeHandle(instance_, "System");
  const HCONV probe = DdeConnect(instance_, service_, system, nullptr);
  DdeFreeStringHandle(instance_, system);
  if (probe != 0) DdeDisconnect(probe);
  return probe != 0;
}

int16_t TDDEClientLink::Launch() {
  const std::string application = TextOf(application_);
  const std::string document = TextOf(document_);
  ReapStarted();
  // A program that is not there, or that the user does not let start, is not started.
  if (access(application.c_str(), X_OK) != 0) return kErrCannotStart;
  if (!(permission_ ? permission_(application, document) : AskToLaunch(application, document)))
    return kErrCannotStart;
  std::vector<char*> arguments = {const_cast<char*>(application.c_str()),
                                  const_cast<char*>(document.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, application.c_str(), nullptr, nullptr, arguments.data(), environ) != 0)
    return kErrCannotStart;
  Started().push_back(pid);
  return 0;
}

int16_t TDDEClientLink::ConnectOrLaunch() {
  TakeInstance();
  MakeMissingHandles();
  if (service_ == 0 || topic_ == 0) return kErrCannotStart;
  conversation_ = DdeConnect(instance_, service_, topic_, nullptr);
  if (conversation_ != 0) return 0;
  // The program runs but does not offer the document.
  if (SystemAnswers()) return kErrNoConversation;
  if (const int16_t error = Launch(); error != 0) return error;
  // The started program is waited for until it offers its service.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(startWait_);
  bool answered = SystemAnswers();
  while (!answered && std::chrono::steady_clock::now() < end) {
    WaitOnePass(50);
    answered = SystemAnswers();
  }
  if (!answered) return kErrNoConversation;
  for (int attempt = 0; attempt < kTopicAttempts && conversation_ == 0; ++attempt) {
    if (attempt > 0) WaitOnePass(100);
    conversation_ = DdeConnect(instance_, service_, topic_, nullptr);
  }
  return conversation_ != 0 ? 0 : kErrNoTopicAnswer;
}

int16_t TDDEClientLink::Poke(HSZ item, const uint8_t* data, uint32_t length, int32_t timeout,
                             uint32_t format) {
  if (GetConversation() == 0) {
    // A data handle handed over is freed even when it cannot be sent.
    if (length == 0xFFFFFFFFu) DdeFreeDataHandle(reinterpret_cast<HDDEDATA>(data));
    return kErrNoConversation;
  }
  uint32_t result = 0;
  const HDDEDATA answer =
      DdeClientTransaction(data, length, conversation_, item, format, XTYP_POKE,
                           static_cast<uint32_t>(std::max(timeout, kMinimumTransactionWait)), &result);
  if (answer != 0 && result != 0) return 0;
  return ErrorOf(DdeGetLastError(instance_));
}

int16_t TDDEClientLink::Request(HSZ item, std::vector<uint8_t>& result, int32_t timeout, uint32_t format) {
  result.clear();
  if (GetConversation() == 0) return kErrNoConversation;
  const auto wait = static_cast<uint32_t>(std::max(timeout, kMinimumTransactionWait));
  for (int attempt = 0; attempt < 2; ++attempt) {
    const HDDEDATA data = DdeClientTransaction(nullptr, 0, conversation_, item, format, XTYP_REQUEST, wait, nullptr);
    if (data == 0) {
      if (GetConversation() == 0) break;
      continue;
    }
    uint32_t size = 0;
    DdeAccessData(data, &size);
    DdeUnaccessData(data);
    // One byte more, a zero, so that a text answer always ends.
    result.assign(static_cast<size_t>(size) + 1, 0);
    DdeGetData(data, result.data(), size, 0);
    DdeFreeDataHandle(data);
    return 0;
  }
  return 0;
}

int16_t TDDEClientLink::Execute(const Str255& command, int32_t timeout) {
  if (command.IsEmpty()) return 0;
  if (GetConversation() == 0) return kErrNoConversation;
  const std::string text = TextOf(command);
  uint32_t result = 0;
  const HDDEDATA answer = DdeClientTransaction(
      reinterpret_cast<const uint8_t*>(text.c_str()), static_cast<uint32_t>(text.size() + 1),
      conversation_, 0, CF_TEXT, XTYP_EXECUTE,
      static_cast<uint32_t>(std::max(timeout, kMinimumExecuteWait)), &result);
  if (answer != 0) return 0;
  return ErrorOf(DdeGetLastError(instance_));
}
