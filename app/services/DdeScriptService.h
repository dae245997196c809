#pragma once
// What the main frame keeps for the script service that other programs use: the conversations
// connected to it and the buffer that gathers script text across execute transactions. A text
// without markers is a whole script's body; a text with the start marker begins a script that
// later texts continue until one holds the end marker.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dde/Ddeml.h"

// One conversation connected to the service; a still-set handle is disconnected when it goes.
class TDdeConversation {
 public:
  explicit TDdeConversation(HCONV handle) : handle_(handle) {}
  ~TDdeConversation();
  TDdeConversation(const TDdeConversation&) = delete;
  TDdeConversation& operator=(const TDdeConversation&) = delete;
  HCONV Handle() const { return handle_; }
  void ForgetHandle() { handle_ = 0; }

 private:
  HCONV handle_;
};

class TDdeScriptBuffer {
 public:
  static constexpr size_t kCapacity = 65435;  // bytes, the terminating zero included
  static constexpr char kLineBreak[] = "\n\r";
  static constexpr char kStartMarker[] = "$ybstart$";
  static constexpr char kEndMarker[] = "$ybend$";
  static constexpr int16_t kScriptRefused = -25204;

  bool Empty() const { return text_.empty(); }
  const std::string& Text() const { return text_; }
  // Empties the buffer and clears the flag.
  void Clear();
  uint16_t Flag() const { return flag_; }

  // The gathered script as the script engine is given it: the same text, but with the line
  // breaks the service puts between and after texts counted once, and the wrapper's first line
  // sharing the sender's first line, so that a line the engine reports is the sender's line.
  const std::string& EngineText() const { return engineText_; }

  // Takes the text of one execute. Answers true when a whole script stands in the buffer.
  // `*size` becomes the buffer's length plus 1. A text that cannot be taken (an end marker with
  // nothing gathered, a start marker while gathering, a script that would not fit) leaves the
  // buffer as it was and sets `*error`; a text holding both markers is the script between them.
  bool Extract(const char* text, int32_t* size, int16_t* error);

 private:
  // Makes `candidate` the buffer, and `engine` its engine text, when it fits; else sets the
  // error.
  bool Take(std::string candidate, std::string engine, int16_t* error);

  std::string text_;
  std::string engineText_;
  uint16_t flag_ = 0;
};

// The names of the service and its topic; the answer to a wildcard connect is the pair followed
// by an empty pair.
inline constexpr char kDdeServiceName[] = "YB";
inline constexpr char kDdeTopicName[] = "ZERodor";
inline constexpr size_t kDdeWildcardReplySize = 4 * sizeof(HSZ);
// Whether a wildcard connect asking for these names (0 = absent) is answered: each name that is
// given must be the service's own.
bool DdeWildcardAnswered(HSZ service, HSZ topic, HSZ ownService, HSZ ownTopic);

struct TDdeService {
  uint32_t instance = 0;
  HSZ service = 0;
  HSZ topic = 0;
  std::unique_ptr<TDdeScriptBuffer> buffer;
  int16_t refusal = 0;  // the error of the last text the buffer refused, 0 when it took it
  std::unique_ptr<std::vector<std::unique_ptr<TDdeConversation>>> conversations;
};

// The conversation of a client link that has just ended, while command 1138 is made and posted
// for it; 0 otherwise.
HCONV& DdeDisconnectedConversation();
