#pragma once
// One conversation of this program, as a client, with a document of another program: the
// service, topic and item names and their string handles, the conversation, and the pokes,
// requests and executes sent on it. The program's one exchange instance is taken anew at every
// connection and name change. A program named by a document is started only with the user's
// leave, without a shell, from an argument vector.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/PString.h"
#include "model/Link.h"
#include "platform/dde/Ddeml.h"

// Errors of the conversation.
inline constexpr int16_t kErrNoTopicAnswer = -1715;   // started, but the document never answered
inline constexpr int16_t kErrNoConversation = -1716;
inline constexpr int16_t kErrCannotStart = -1717;     // names missing, or the program not started
inline constexpr int16_t kErrExchangeTimeout = -1712;
inline constexpr int16_t kErrExchangeParameter = -1709;
inline constexpr int16_t kErrExchangeRefused = -1705;
inline constexpr int16_t kErrExchangeMemory = -108;

// Whether the user lets the program start `application` with `document`. Installed at start-up;
// without it no program is started.
using LaunchQuestion = std::function<bool(const std::string& application, const std::string& document)>;
void SetLaunchQuestion(LaunchQuestion question);
bool AskToLaunch(const std::string& application, const std::string& document);

class TDDEClientLink : public THandlerLink {
  DECLARE_CLASS_ID(412, THandlerLink)

 public:
  // The shortest waits of transactions, in milliseconds.
  static constexpr int32_t kMinimumTransactionWait = 1000;
  static constexpr int32_t kMinimumExecuteWait = 2000;
  // Connection attempts after a started program answered on "System".
  static constexpr int kTopicAttempts = 4;

  TDDEClientLink() = default;
  ~TDDEClientLink() override;
  static TObject* CreateObject();

  // Connects, starting the application with the document when it does not run.
  virtual int16_t ConnectOrLaunch();
  // Connects without starting anything.
  virtual int16_t Connect();
  virtual HCONV GetConversation();
  // Whether a server of the service answers a connection with no topic.
  virtual bool IsServiceRunning(const std::string& service);
  virtual int16_t Poke(HSZ item, const uint8_t* data, uint32_t length, int32_t timeout, uint32_t format);
  // `result` gets the data and a zero after it, or stays empty when none came (answer 0).
  virtual int16_t Request(HSZ item, std::vector<uint8_t>& result, int32_t timeout, uint32_t format);
  virtual int16_t Execute(const Str255& command, int32_t timeout);

  void SetApplication(const Str255& name);
  void SetTopic(const Str255& name);
  void SetItem(const Str255& name);
  uint32_t GetInstance() const { return instance_; }
  HSZ GetService() const { return service_; }
  HSZ GetTopic() const { return topic_; }
  HSZ GetItem() const { return item_; }
  HCONV GetConversationHandle() const { return conversation_; }
  void SetConversationHandle(HCONV conversation) { conversation_ = conversation; }
  const Str255& GetApplicationName() const { return application_; }
  const Str255& GetDocumentName() const { return document_; }
  const Str255& GetItemName() const { return itemName_; }
  uintptr_t GetIcon() const { return icon_; }
  void FreeStringHandles();
  // Ends the conversation (the partner is told).
  void Disconnect();
  // How long a started program is waited for until it offers its service, in milliseconds.
  void SetStartWait(int32_t milliseconds) { startWait_ = milliseconds; }
  // Who lets this link start its program, in place of the program-wide question.
  void SetLaunchPermission(LaunchQuestion permission) { permission_ = std::move(permission); }

  // The service of an application path: its file-name part up to the dot of its extension.
  static std::string ServiceNameOf(const std::string& path);
  // The error of a failed transaction, from the exchange layer's error.
  static int16_t ErrorOf(uint32_t exchangeError);

 protected:
  uint32_t TakeInstance();
  void MakeMissingHandles();
  // Starts the application with the document: 0 or kErrCannotStart.
  int16_t Launch();
  // Connects to the service's "System" topic and ends that at once; whether it answered.
  bool SystemAnswers();

 private:
  uint32_t instance_ = 0;
  HSZ service_ = 0;
  HSZ topic_ = 0;
  HSZ item_ = 0;
  Str255 application_;
  Str255 document_;
  Str255 itemName_;
  HCONV conversation_ = 0;
  uintptr_t icon_ = 0;
  int32_t startWait_ = 15000;
  LaunchQuestion permission_;
};

std::string TextOf(const Str255& text);
