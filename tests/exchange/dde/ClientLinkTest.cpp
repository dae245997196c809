// Client links of external documents: a connection is made only when a program answers and is
// reported missing otherwise, renamed links let go of the names they had, a document without a
// conversation object can be renamed, a click opens the document's properties only when the
// button comes up on it, and the handler of a linked input forgets the input when it goes.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/Resources.h"
#include "core/port/Port.h"
#include "exchange/dde/DocManagers.h"
#include "exchange/dde/TableSuiteHandler.h"
#include "inout/inputs/Input.h"
#include "resources/ResourceLibraries.h"
#include "tests/model/world/WorldTestSupport.h"

extern char** environ;

namespace {

// The table partner program offering a service of the test's own.
class PartnerProgram {
 public:
  PartnerProgram() {
    folder_ = std::filesystem::temp_directory_path() / ("yb-client-link-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
  }
  ~PartnerProgram() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  // Offers the topic under the service; false when the partner did not come up.
  bool Start(const std::string& service, const std::string& topic) {
    const std::string ready = (folder_ / (service + ".ready")).string();
    std::vector<std::string> words = {YB_TABLE_PARTNER, "--service", service, "--ready", ready,
                                      "--topic", topic};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, YB_TABLE_PARTNER, nullptr, nullptr, argv.data(), environ) != 0) return false;
    // The partner writes its ready file once its service is offered: polled, as another
    // process's file can only be.
    for (int turn = 0; turn < 1000 && !std::filesystem::exists(ready); ++turn)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(ready);
  }

 private:
  std::filesystem::path folder_;
  pid_t pid_ = 0;
};

class ClientLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterExternalTableClasses();
    scope = std::make_unique<world_test::WorldScope>();
    InitDrawingPort();
    ASSERT_EQ(DdeInitialize(&instance, [](uint32_t, uint32_t, HCONV, HSZ, HSZ, HDDEDATA, uintptr_t, uintptr_t) -> HDDEDATA {
                return 0;
              }, CBF_FAIL_ADVISES, 0), DMLERR_NO_ERROR);
    SetDdeProgramInstance(instance);
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    ExternalTableManagerFor(*world);
    document = Adopt<TExternalDDETableDoc>();
    service = "links" + std::to_string(getpid()) + "x" + std::to_string(++serial);
    // Nothing here may start a program.
    SetLaunchQuestion([](const std::string&, const std::string&) { return false; });
  }
  void TearDown() override {
    world.reset();
    SetDdeProgramInstance(0);
    DdeUninitialize(instance);
    SetLaunchQuestion(nullptr);
    FreeDrawingPort();
    scope.reset();
  }
  template <class T>
  T* Adopt() {
    auto made = std::make_unique<T>();
    made->Initialize();
    T* object = made.get();
    world->AdoptObject(std::move(made));
    return object;
  }
  Str255 Program() const { return Str255(("/nowhere/" + service + ".exe").c_str()); }

  static inline int serial = 0;
  uint32_t instance = 0;
  std::unique_ptr<world_test::WorldScope> scope;
  world_test::TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TExternalDDETableDoc* document = nullptr;
  std::string service;
};

TEST_F(ClientLinkTest, AConnectionIsMadeOnlyWhenTheProgramAnswers) {
  TDDEClientLink link;
  link.Initialize();
  link.SetApplication(Program());
  link.SetTopic(Str255("sheet"));
  document->SetApplicationPath(Program());
  document->GetConversationObject()->SetTopic(Str255("sheet"));
  // No program offers the service yet.
  EXPECT_EQ(link.Connect(), kErrNoConversation);
  EXPECT_EQ(link.GetConversation(), 0u);
  EXPECT_EQ(document->Connect(true), kErrNoConversation);
  EXPECT_EQ(document->IsConnected(), 0u);

  PartnerProgram partner;
  ASSERT_TRUE(partner.Start(service, "sheet"));
  ASSERT_EQ(link.Connect(), 0);
  EXPECT_NE(link.GetConversation(), 0u);
  EXPECT_TRUE(DdeConversationExists(link.GetConversation()));
  ASSERT_EQ(document->Connect(true), 0);
  EXPECT_NE(document->IsConnected(), 0u);
  link.Disconnect();
  document->Disconnect();
}

TEST_F(ClientLinkTest, RenamingALinkLetsGoOfTheOldNames) {
  TDDEClientLink link;
  link.Initialize();
  link.SetApplication(Str255(("/nowhere/first" + service + ".exe").c_str()));
  link.SetTopic(Str255(("first-" + service).c_str()));
  const HSZ oldService = link.GetService();
  const HSZ oldTopic = link.GetTopic();
  ASSERT_EQ(DdeStringOf(oldService), "first" + service);
  ASSERT_EQ(DdeStringOf(oldTopic), "first-" + service);
  link.SetApplication(Str255(("/nowhere/second" + service + ".exe").c_str()));
  link.SetTopic(Str255(("second-" + service).c_str()));
  EXPECT_EQ(DdeStringOf(oldService), "") << "the old service name is still held";
  EXPECT_EQ(DdeStringOf(oldTopic), "") << "the old topic is still held";
  EXPECT_EQ(DdeStringOf(link.GetService()), "second" + service);
  EXPECT_EQ(DdeStringOf(link.GetTopic()), "second-" + service);
}

TEST_F(ClientLinkTest, ADocumentWithoutAConversationObjectIsRenamedAndStaysUnconnected) {
  // Made without its initialisation: no conversation object.
  TExternalDoc bare;
  bare.SetStringProperty(MakeTag("appl"), Program());
  bare.SetStringProperty(MakeTag("docm"), Str255("sheet"));
  TExternalAddress address;
  bare.GetAddress(address);
  EXPECT_STREQ(address.documentPath.AsCString(), "sheet");
  EXPECT_EQ(bare.IsConnected(), 0u);
  EXPECT_EQ(bare.Connect(true), kErrCannotStart);
  Str255 shown("unchanged");
  bare.GetStringProperty(MakeTag("docm"), shown, nullptr);
  EXPECT_TRUE(shown.IsEmpty());
}

TEST_F(ClientLinkTest, OnlyAReleaseOnTheDocumentOpensItsProperties) {
  const MacPoint on(10, 10);
  EXPECT_FALSE(document->TrackClick(0, on, true));
  EXPECT_FALSE(document->TrackClick(1, on, true));
  EXPECT_TRUE(host.posted.empty()) << "the properties opened before the button came up";
  document->TrackClick(2, MacPoint(200, 200), false);
  EXPECT_TRUE(host.posted.empty()) << "a release away from the document opened its properties";
  document->TrackClick(2, on, true);
  EXPECT_EQ(host.posted.size(), 1u);
}

TEST_F(ClientLinkTest, AHandlerForgetsTheInputItServedWhenTheInputGoes) {
  auto* input = Adopt<TInput>();
  document->SetCurrentInput(input);
  document->SetFlagProperty(MakeTag("icnt"), 1);
  auto* handler = dynamic_cast<TDDETableSuiteHandler*>(input->GetLinkItem());
  ASSERT_NE(handler, nullptr);
  ASSERT_EQ(handler->GetLinkedObject(), input);
  world->RemoveObject(input);
  EXPECT_EQ(handler->GetLinkedObject(), nullptr);
  EXPECT_TRUE(document->LinkedInputs().empty());
}

}  // namespace
