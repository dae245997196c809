// yb-dde-execute: sends each argument as one execute to the program's script service (service
// "YB", topic "ZERodor") and prints one line per execute: "acknowledged", "not processed" or
// "no answer". Exit code 0 when every execute was acknowledged, 1 when one was not, 2 when no
// program took the conversation.
//
//   yb-dde-execute [--timeout milliseconds] [--service name] [--topic name] text...

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dde/Ddeml.h"

int main(int argc, char** argv) {
  uint32_t timeout = 30000;
  std::string service = "YB";
  std::string topic = "ZERodor";
  std::vector<std::string> texts;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (i + 1 < argc && word == "--timeout") {
      timeout = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (i + 1 < argc && word == "--service") {
      service = argv[++i];
    } else if (i + 1 < argc && word == "--topic") {
      topic = argv[++i];
    } else {
      texts.push_back(word);
    }
  }
  uint32_t instance = 0;
  if (DdeInitialize(&instance, {}, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 2;
  const HSZ serviceName = DdeCreateStringHandle(instance, service.c_str(), CP_WINANSI);
  const HSZ topicName = DdeCreateStringHandle(instance, topic.c_str(), CP_WINANSI);
  const HCONV conversation = DdeConnect(instance, serviceName, topicName, nullptr);
  if (conversation == 0) {
    std::fprintf(stderr, "yb-dde-execute: no program offers service \"%s\", topic \"%s\".\n",
                 service.c_str(), topic.c_str());
    DdeUninitialize(instance);
    return 2;
  }
  int code = 0;
  for (const std::string& text : texts) {
    uint32_t result = 0;
    const HDDEDATA answer =
        DdeClientTransaction(reinterpret_cast<const uint8_t*>(text.c_str()),
                             static_cast<uint32_t>(text.size() + 1), conversation, 0, CF_TEXT,
                             XTYP_EXECUTE, timeout, &result);
    const uint32_t error = DdeGetLastError(instance);
    if (answer != 0) {
      std::puts("acknowledged");
    } else {
      std::puts(error == DMLERR_NOTPROCESSED ? "not processed" : "no answer");
      code = 1;
    }
    std::fflush(stdout);
  }
  DdeDisconnect(conversation);
  DdeUninitialize(instance);
  return code;
}
