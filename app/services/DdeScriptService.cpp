#include "app/services/DdeScriptService.h"

#include <algorithm>
#include <cctype>
#include <cstring>

TDdeConversation::~TDdeConversation() {
  if (handle_ != 0) DdeDisconnect(handle_);
}

namespace {

// The engine's line break; the wrapper's first line ends with a statement separator instead, so
// that the sender's first line is the engine's first line too.
constexpr char kEngineLineBreak[] = "\n";
constexpr char kWrapperStart[] = "Sub Main()";
constexpr char kWrapperEnd[] = "End Sub";
constexpr char kEngineWrapperStart[] = "Sub Main(): ";

}  // namespace

void TDdeScriptBuffer::Clear() {
  text_.clear();
  engineText_.clear();
  flag_ = 0;
}

bool TDdeScriptBuffer::Take(std::string candidate, std::string engine, int16_t* error) {
  if (candidate.size() + 1 > kCapacity) {
    *error = kScriptRefused;
    return false;
  }
  text_ = std::move(candidate);
  engineText_ = std::move(engine);
  return true;
}

bool TDdeScriptBuffer::Extract(const char* text, int32_t* size, int16_t* error) {
  *error = 0;
  const std::string received = text != nullptr ? text : "";
  std::string lower = received;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const size_t start = lower.find(kStartMarker);
  const size_t end = lower.find(kEndMarker);
  const bool hasStart = start != std::string::npos;
  const bool hasEnd = end != std::string::npos;
  const size_t startLength = std::strlen(kStartMarker);
  bool complete = false;
  if (text_.empty()) {
    if (hasStart && !hasEnd) {
      const std::string after = received.substr(start + startLength);
      Take(after + kLineBreak, after, error);
    } else if (hasEnd && !hasStart) {
      *error = kScriptRefused;
    } else if (!hasStart) {
      complete = Take(std::string(kWrapperStart) + kLineBreak + received + kLineBreak +
                          kWrapperEnd + kLineBreak,
                      kEngineWrapperStart + received + kEngineLineBreak + kWrapperEnd +
                          kEngineLineBreak,
                      error);
    } else if (end > start) {
      // Both markers in one text: the text between them is the whole script.
      const size_t from = start + startLength;
      const std::string between = received.substr(from, end - from);
      complete = Take(between + kLineBreak, between + kEngineLineBreak, error);
    } else {
      *error = kScriptRefused;
    }
  } else if (hasStart) {
    *error = kScriptRefused;
  } else if (hasEnd) {
    const std::string before = received.substr(0, end);
    complete = Take(text_ + kLineBreak + before + kLineBreak,
                    engineText_ + kEngineLineBreak + before + kEngineLineBreak, error);
  } else {
    Take(text_ + kLineBreak + received + kLineBreak,
         engineText_ + kEngineLineBreak + received, error);
  }
  *size = static_cast<int32_t>(text_.size() + 1);
  return complete;
}

bool DdeWildcardAnswered(HSZ service, HSZ topic, HSZ ownService, HSZ ownTopic) {
  return (service == 0 || service == ownService) && (topic == 0 || topic == ownTopic);
}

HCONV& DdeDisconnectedConversation() {
  static HCONV conversation = 0;
  return conversation;
}
