// The script service of the main frame: execute texts gathered into whole scripts byte for byte,
// refusals that leave the gathered text alone, and the frame's answers to connects, wildcard
// connects, executes and the end of a client link.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "app/services/DdeScriptService.h"
#include "basic/ScriptApi.h"
#include "model/command/CommandCore.h"
#include "platform/win32/Button.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

struct Step {
  bool complete;
  int16_t error;
  std::string buffer;
};

Step Give(TDdeScriptBuffer& buffer, const std::string& text) {
  Step step{};
  int32_t size = static_cast<int32_t>(text.size() + 1);
  step.complete = buffer.Extract(text.c_str(), &size, &step.error);
  step.buffer = buffer.Text();
  EXPECT_EQ(size, static_cast<int32_t>(buffer.Text().size() + 1));
  return step;
}

TEST(DdeScriptBufferTest, APlainExecuteIsWrappedAndMarkersGatherOneScript) {
  TDdeScriptBuffer buffer;
  const Step plain = Give(buffer, "MsgBox \"hi\"");
  EXPECT_TRUE(plain.complete);
  EXPECT_EQ(plain.buffer, "Sub Main()\n\rMsgBox \"hi\"\n\rEnd Sub\n\r");
  buffer.Clear();

  EXPECT_FALSE(Give(buffer, "$YBSTART$ Sub Main()").complete);
  EXPECT_FALSE(Give(buffer, "X = 1").complete);
  const Step last = Give(buffer, "End Sub $YbEnd$");
  EXPECT_TRUE(last.complete);
  EXPECT_EQ(last.error, 0);
  EXPECT_EQ(last.buffer, " Sub Main()\n\r\n\rX = 1\n\r\n\rEnd Sub \n\r");
  buffer.Clear();

  // Both markers in one text: the text between them is the script.
  const Step both = Give(buffer, "junk $ybstart$Sub Main()\n\rEnd Sub$ybend$ more");
  EXPECT_TRUE(both.complete);
  EXPECT_EQ(both.buffer, "Sub Main()\n\rEnd Sub\n\r");
}

// The line the engine names for a syntax error in the gathered script; 0 when it compiles.
int32_t ErrorLineOf(const TDdeScriptBuffer& buffer) {
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptCompileRequest request;
  const std::string text = buffer.EngineText();
  request.text = text.c_str();
  request.engine = engine;
  const bool compiled = ScriptCompile(&request) == kScriptCompiled;
  ScriptFreeCode(request.code);
  ScriptEndEngine(engine);
  return compiled ? 0 : request.errorLine;
}

TEST(DdeScriptBufferTest, TheEngineNamesTheSendersLineOfAnError) {
  TDdeScriptBuffer buffer;
  // One execute: the wrapper adds no line before the sender's first.
  Give(buffer, "x = = 1");
  EXPECT_EQ(ErrorLineOf(buffer), 1);
  buffer.Clear();
  Give(buffer, "Dim x\r\nx = = 1");
  EXPECT_EQ(ErrorLineOf(buffer), 2);
  buffer.Clear();
  Give(buffer, "Dim x\r\nx = 1");
  EXPECT_EQ(ErrorLineOf(buffer), 0) << buffer.EngineText();
  buffer.Clear();

  // Gathered executes: each begins a line of its own, and nothing else adds one.
  Give(buffer, "$ybstart$Sub Main()");
  Give(buffer, "Dim x");
  Give(buffer, "x = = 1");
  EXPECT_TRUE(Give(buffer, "End Sub$ybend$").complete);
  EXPECT_EQ(ErrorLineOf(buffer), 3);
  buffer.Clear();
  Give(buffer, "$ybstart$Sub Main()");
  Give(buffer, "Dim x\r\nx = 1");
  Give(buffer, "End Sub $ybend$");
  EXPECT_EQ(ErrorLineOf(buffer), 0) << buffer.EngineText();
  buffer.Clear();
  Give(buffer, "$ybstart$Sub Main()\r\nx = = 1\r\nEnd Sub$ybend$");
  EXPECT_EQ(ErrorLineOf(buffer), 2);
  // Emptied, it holds nothing for the engine either.
  buffer.Clear();
  EXPECT_EQ(buffer.EngineText(), "");
}

TEST(DdeScriptBufferTest, RefusedTextsLeaveTheBufferAsItWas) {
  TDdeScriptBuffer buffer;
  const Step lone = Give(buffer, "End Sub $ybend$");
  EXPECT_EQ(lone.error, TDdeScriptBuffer::kScriptRefused);
  EXPECT_FALSE(lone.complete);
  EXPECT_TRUE(buffer.Empty());

  Give(buffer, "$ybstart$Sub Main()");
  const std::string gathered = buffer.Text();
  EXPECT_EQ(Give(buffer, "$ybstart$ again").error, TDdeScriptBuffer::kScriptRefused);
  EXPECT_EQ(buffer.Text(), gathered);

  // The exact length counts: the line breaks and the terminating zero too.
  const size_t room = TDdeScriptBuffer::kCapacity - 1 - gathered.size() - 4;
  EXPECT_EQ(Give(buffer, std::string(room + 1, 'x')).error, TDdeScriptBuffer::kScriptRefused);
  EXPECT_EQ(buffer.Text(), gathered);
  EXPECT_EQ(Give(buffer, std::string(room, 'x')).error, 0);
  EXPECT_EQ(buffer.Text().size() + 1, TDdeScriptBuffer::kCapacity);

  // An over-long first text, wrapped or after a start marker, is refused as well.
  TDdeScriptBuffer fresh;
  EXPECT_EQ(Give(fresh, std::string(TDdeScriptBuffer::kCapacity, 'x')).error, TDdeScriptBuffer::kScriptRefused);
  EXPECT_EQ(Give(fresh, "$ybstart$" + std::string(TDdeScriptBuffer::kCapacity, 'x')).error,
            TDdeScriptBuffer::kScriptRefused);
  EXPECT_TRUE(fresh.Empty());
}

// Records the ended conversation that command 1138 sees while it is made.
class TLinkWatcher : public TTargetHandler {
 public:
  TCommandCore* DoMenuCommand(int16_t command) override {
    if (command != 1138) return TTargetHandler::DoMenuCommand(command);
    seen = DdeDisconnectedConversation();
    made = new TCommandCore;
    made->InitCommand(1138, nullptr, nullptr, nullptr);
    return made;
  }
  HCONV seen = 0;
  TCommandCore* made = nullptr;
};

class MainFrameDdeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-dde-frame-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    setenv("YB_DDE_DIR", (folder_ + "/sockets").c_str(), 1);
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_.c_str());
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    frame_ = app_->MainFrame();
    ASSERT_NE(frame_->DdeService().instance, 0u);
    // The user answers each alert that reports a refusal.
    SetIdleScript([] {
      const HWND box = GetMessageBoxWindow();
      if (box == nullptr) return false;
      PostMessage(box, WM_COMMAND, static_cast<WPARAM>(MAKELONG(IDOK, BN_CLICKED)), 0);
      return true;
    });
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    if (IsWindow(frame_->m_hWnd)) DestroyWindow(frame_->m_hWnd);
    app_->ExitInstance();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    unsetenv("YB_DDE_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }
  HDDEDATA Call(uint32_t type, HSZ first, HSZ second, HDDEDATA data = 0, HCONV conversation = 0) {
    return frame_->DdeServerCallback(type, CF_TEXT, conversation, first, second, data, 0, 0);
  }
  HSZ Name(const char* text) { return DdeCreateStringHandle(frame_->DdeService().instance, text, CP_WINANSI); }

  std::FILE* stream_ = nullptr;
  std::string folder_;
  std::unique_ptr<TApp> app_;
  CMainFrame* frame_ = nullptr;
};

TEST_F(MainFrameDdeTest, ConnectsAreTakenOnlyForTheServiceAndItsTopic) {
  EXPECT_EQ(Call(XTYP_CONNECT, Name("zerodor"), Name("yb")), 1u);
  EXPECT_EQ(Call(XTYP_CONNECT, Name("System"), Name("YB")), 0u);
  EXPECT_EQ(Call(XTYP_CONNECT, Name("ZERodor"), Name("System")), 0u);

  // A wildcard with no names lists exactly the pair, then an empty pair.
  const HDDEDATA reply = Call(XTYP_WILDCONNECT, 0, 0);
  ASSERT_NE(reply, 0u);
  ASSERT_EQ(DdeGetData(reply, nullptr, 0, 0), kDdeWildcardReplySize);
  HSZ pairs[4];
  DdeGetData(reply, reinterpret_cast<uint8_t*>(pairs), sizeof pairs, 0);
  EXPECT_EQ(DdeStringOf(pairs[0]), "YB");
  EXPECT_EQ(DdeStringOf(pairs[1]), "ZERodor");
  EXPECT_EQ(pairs[2], 0u);
  EXPECT_EQ(pairs[3], 0u);
  DdeFreeDataHandle(reply);
  EXPECT_NE(Call(XTYP_WILDCONNECT, 0, Name("YB")), 0u);
  EXPECT_EQ(Call(XTYP_WILDCONNECT, Name("System"), Name("System")), 0u);
  EXPECT_EQ(Call(XTYP_WILDCONNECT, 0, Name("Other")), 0u);
}

TEST_F(MainFrameDdeTest, RefusedTextsAreNotProcessedAndLeaveTheBuffer) {
  const auto execute = [&](const std::string& text) {
    const HDDEDATA data = DdeCreateDataHandle(frame_->DdeService().instance,
                                              reinterpret_cast<const uint8_t*>(text.c_str()),
                                              static_cast<uint32_t>(text.size() + 1), 0, 0, CF_TEXT, 0);
    const HDDEDATA answer = Call(XTYP_EXECUTE, Name("ZERodor"), 0, data, 7);
    DdeFreeDataHandle(data);
    return answer;
  };
  EXPECT_EQ(Call(XTYP_EXECUTE, Name("ZERodor"), 0, 0, 7), DDE_FNOTPROCESSED);
  // A lone end marker is reported, and the sender learns that it was not taken.
  EXPECT_EQ(execute("End Sub $ybend$"), DDE_FNOTPROCESSED);
  EXPECT_EQ(execute("$ybstart$Sub Main()"), DDE_FACK);
  const std::string gathered = frame_->DdeService().buffer->Text();
  // A text over the buffer's room is not processed, and the gathered script stays.
  EXPECT_EQ(execute(std::string(TDdeScriptBuffer::kCapacity, 'x')), DDE_FNOTPROCESSED);
  EXPECT_EQ(frame_->DdeService().buffer->Text(), gathered);
  // The next text that fits is taken again.
  EXPECT_EQ(execute("X = 1"), DDE_FACK);
  EXPECT_NE(frame_->DdeService().buffer->Text(), gathered);
  // Both refusals were reported to the user.
  std::rewind(stream_);
  std::string reported(4096, '\0');
  reported.resize(std::fread(reported.data(), 1, reported.size(), stream_));
  size_t count = 0;
  for (size_t at = reported.find("(error -25204)"); at != std::string::npos; at = reported.find("(error -25204)", at + 1))
    ++count;
  EXPECT_EQ(count, 2u) << reported;
}

TEST_F(MainFrameDdeTest, ARefusedTextIsExplainedWithAdviceAndNoCommandName) {
  std::string shown;
  SetIdleScript([&] {
    const HWND box = GetMessageBoxWindow();
    if (box == nullptr) return false;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      shown += GetWindowTextString(child) + "\n";
    PostMessage(box, WM_COMMAND, static_cast<WPARAM>(MAKELONG(IDOK, BN_CLICKED)), 0);
    return true;
  });
  const std::string text = "End Sub $ybend$";
  const HDDEDATA data = DdeCreateDataHandle(frame_->DdeService().instance,
                                            reinterpret_cast<const uint8_t*>(text.c_str()),
                                            static_cast<uint32_t>(text.size() + 1), 0, 0, CF_TEXT, 0);
  EXPECT_EQ(Call(XTYP_EXECUTE, Name("ZERodor"), 0, data, 7), DDE_FNOTPROCESSED);
  DdeFreeDataHandle(data);
  EXPECT_NE(shown.find("refused"), std::string::npos) << shown;
  EXPECT_NE(shown.find("$ybstart$ once"), std::string::npos) << shown;
  EXPECT_NE(shown.find("65,000 characters"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("Nothing Selected"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("new name"), std::string::npos) << shown;
}

TEST_F(MainFrameDdeTest, TheEndOfAClientLinkPostsItsCommandWhileTheConversationIsKnown) {
  TLinkWatcher watcher;
  app_->InstallIdleHandler(&watcher, true);
  Call(XTYP_CONNECT_CONFIRM, Name("ZERodor"), Name("YB"), 0, 41);
  const int32_t queued = app_->QueuedCount();
  // The service's own conversation goes quietly.
  Call(XTYP_DISCONNECT, 0, 0, 0, 41);
  EXPECT_EQ(watcher.made, nullptr);
  // Another one is a client link of the program's.
  Call(XTYP_DISCONNECT, 0, 0, 0, 42);
  app_->InstallIdleHandler(&watcher, false);
  EXPECT_EQ(watcher.seen, 42u);
  ASSERT_NE(watcher.made, nullptr);
  EXPECT_TRUE(app_->IsQueued(watcher.made));
  EXPECT_EQ(app_->QueuedCount(), queued + 1);
  EXPECT_EQ(DdeDisconnectedConversation(), 0u);
}

}  // namespace
