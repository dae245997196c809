// The main frame's script service: other programs connect to service "YB", topic "ZERodor", and
// send script text in execute transactions; a whole script runs through the Scripts menu.

#include <cstring>
#include <new>

#include "app/frames/MainFrame.h"
#include "app/shell/MacApplication.h"
#include "core/Failure.h"
#include "scripting/shell/ScriptsMenu.h"

namespace {

constexpr int16_t kInitFailed = -25209;
constexpr int16_t kOutOfMemory = -108;
constexpr int16_t kServiceFailed = -1721;
constexpr int16_t kDdeError = -1708;
constexpr int16_t kDisconnectedCommand = 1138;

TMacApplication* Application() {
  return dynamic_cast<TMacApplication*>(CWinApp::Current());
}

void ReportError(int16_t error, int32_t message) {
  if (TMacApplication* application = Application()) application->ShowError(error, message);
}

}  // namespace

void CMainFrame::InitDdeServer() {
  dde_.instance = 0;
  try {
    dde_.conversations = std::make_unique<std::vector<std::unique_ptr<TDdeConversation>>>();
    try {
      dde_.buffer = std::make_unique<TDdeScriptBuffer>();
    } catch (const std::bad_alloc&) {
      throw QVException(kOutOfMemory, 0);
    }
    uint32_t instance = 0;
    const auto callback = [this](uint32_t type, uint32_t format, HCONV conversation, HSZ first,
                                 HSZ second, HDDEDATA data, uintptr_t data1, uintptr_t data2) {
      return DdeServerCallback(type, format, conversation, first, second, data, data1, data2);
    };
    if (DdeInitialize(&instance, callback, CBF_FAIL_ADVISES, 0) != DMLERR_NO_ERROR)
      throw QVException(kInitFailed, 0);
    dde_.instance = instance;
    SetDdeProgramInstance(instance);
    dde_.service = DdeCreateStringHandle(instance, kDdeServiceName, CP_WINANSI);
    dde_.topic = DdeCreateStringHandle(instance, kDdeTopicName, CP_WINANSI);
    if (dde_.service == 0 || dde_.topic == 0) throw QVException(kOutOfMemory, 0);
    if (DdeNameService(instance, dde_.service, 0, DNS_REGISTER) == 0) throw QVException(kOutOfMemory, 0);
  } catch (const QVException&) {
    // The frame goes on without the service.
    if (dde_.instance != 0) {
      DdeFreeStringHandle(dde_.instance, dde_.service);
      DdeFreeStringHandle(dde_.instance, dde_.topic);
      DdeUninitialize(dde_.instance);
    }
    SetDdeProgramInstance(0);
    dde_ = TDdeService{};
    ReportError(kServiceFailed, 0);
  }
}

void CMainFrame::EndDdeServer() {
  dde_.buffer.reset();
  dde_.conversations.reset();
  if (dde_.instance != 0) {
    DdeNameService(dde_.instance, dde_.service, 0, DNS_UNREGISTER);
    DdeFreeStringHandle(dde_.instance, dde_.service);
    DdeFreeStringHandle(dde_.instance, dde_.topic);
    DdeUninitialize(dde_.instance);
  }
  SetDdeProgramInstance(0);
  dde_ = TDdeService{};
}

HDDEDATA CMainFrame::DdeServerCallback(uint32_t type, uint32_t format, HCONV conversation, HSZ first,
                                       HSZ second, HDDEDATA data, uintptr_t, uintptr_t) {
  switch (type) {
    case XTYP_CONNECT:
      return m_hWnd != nullptr && second == dde_.service && first == dde_.topic ? 1 : 0;
    case XTYP_WILDCONNECT: {
      if (!DdeWildcardAnswered(second, first, dde_.service, dde_.topic)) return 0;
      const HSZ pairs[4] = {dde_.service, dde_.topic, 0, 0};
      return DdeCreateDataHandle(dde_.instance, reinterpret_cast<const uint8_t*>(pairs),
                                 sizeof pairs, 0, 0, format, 0);
    }
    case XTYP_CONNECT_CONFIRM:
      if (dde_.conversations) dde_.conversations->push_back(std::make_unique<TDdeConversation>(conversation));
      return 0;
    case XTYP_EXECUTE:
      return ExecuteDdeScript(data);
    case XTYP_DISCONNECT:
      EndDdeConversation(conversation);
      return 0;
    case XTYP_ERROR:
      ReportError(kDdeError, 0);
      return 0;
    default:
      return 0;
  }
}

void CMainFrame::EndDdeConversation(HCONV conversation) {
  if (dde_.conversations) {
    auto& list = *dde_.conversations;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if ((*it)->Handle() != conversation) continue;
      // The conversation has ended already: nothing is left to disconnect.
      (*it)->ForgetHandle();
      list.erase(it);
      return;
    }
  }
  // A client link of the program's own: command 1138 reads the ended conversation while it is
  // made and posted.
  TMacApplication* application = Application();
  if (application == nullptr) return;
  DdeDisconnectedConversation() = conversation;
  if (TCommandCore* command = application->Commands().MenuIdToCommand(kDisconnectedCommand))
    application->PostCommand(command);
  DdeDisconnectedConversation() = 0;
}

HDDEDATA CMainFrame::ExecuteDdeScript(HDDEDATA data) {
  if (data == 0 || !dde_.buffer) return DDE_FNOTPROCESSED;
  try {
    const uint32_t size = DdeGetData(data, nullptr, 0, 0);
    std::string copy(size + 1, '\0');
    DdeGetData(data, reinterpret_cast<uint8_t*>(copy.data()), size, 0);
    int32_t length = static_cast<int32_t>(size);
    const bool complete = ExtractDdeScript(copy.c_str(), &length);
    // A text the buffer refused was not taken: the sender must not believe it was.
    if (dde_.refusal != 0) return DDE_FNOTPROCESSED;
    if (!complete) return DDE_FACK;
    // The buffer is emptied before the script runs, so that executes arriving while it runs
    // (an alert of the script waits for the user) start a script of their own; a script that
    // nothing can run is not kept either. The engine is given the script with the sender's line
    // numbers, which its reports of errors name.
    const std::string script = dde_.buffer->EngineText();
    dde_.buffer->Clear();
    ScriptsMenu* scripts = ScriptsMenu::Current();
    if (scripts == nullptr) return DDE_FACK;
    ScriptResult result;
    scripts->RunScriptText(result, script.c_str(), static_cast<int32_t>(script.size()));
    return result.code == 0 ? DDE_FACK : DDE_FNOTPROCESSED;
  } catch (const std::bad_alloc&) {
    ReportError(kOutOfMemory, 0);
  } catch (const QVException& failure) {
    ReportError(failure.error(), failure.message());
  }
  dde_.buffer->Clear();
  return DDE_FNOTPROCESSED;
}

bool CMainFrame::ExtractDdeScript(const char* text, int32_t* size) {
  if (!dde_.buffer) return false;
  int16_t error = 0;
  const bool complete = dde_.buffer->Extract(text, size, &error);
  dde_.refusal = error;
  if (error != 0) ReportError(error, 0);
  return complete;
}
