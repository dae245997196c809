#include "app/services/DdeScriptService.h"

#include <algorithm>
#include <cctype>
#include <cstring>

TDdeConversation::~TDdeConversation() {
  if (handle_ != 0) DdeDisconnect(handle_);
}

void TDdeScriptBuffer::Clear() {
  text_.clear();
  flag_ = 0;
}

bool TDdeScriptBuffer::Take(std::string candidate, int16_t* error) {
  if (candidate.size() + 1 > kCapacity) {
    *error = kScriptRefused;
    return false;
  }
  text_ = std::move(candidate);
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
      Take(received.substr(start + startLength) + kLineBreak, error);
    } else if (hasEnd && !hasStart) {
      *error = kScriptRefused;
    } else if (!hasStart) {
      complete = Take(std::string("Sub Main()") + kLineBreak + received + kLineBreak + "End Sub" +
                          kLineBreak, error);
    } else if (end > start) {
      // Both markers in one text: the text between them is the whole script.
      const size_t from = start + startLength;
      complete = Take(received.substr(from, end - from) + kLineBreak, error);
    } else {
      *error = kScriptRefused;
    }
  } else if (hasStart) {
    *error = kScriptRefused;
  } else if (hasEnd) {
    complete = Take(text_ + kLineBreak + received.substr(0, end) + kLineBreak, error);
  } else {
    Take(text_ + kLineBreak + received + kLineBreak, error);
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
