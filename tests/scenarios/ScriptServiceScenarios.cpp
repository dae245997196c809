// The script service under a crowd of idle connections: another process of the user opens more
// connections than the program has descriptors and says nothing on any of them. The program
// keeps its descriptors for the user's files (Save As writes the world), stays idle while the
// crowd waits to be dropped, and serves a well-behaved script client afterwards. A script over
// the service's buffer is answered "not processed".

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// More than the 1,024 descriptors a program is commonly given.
constexpr int kIdleConnections = 1100;
constexpr rlim_t kProgramDescriptors = 1024;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A process the test starts, whose standard output it reads line by line.
class Helper {
 public:
  explicit Helper(const std::string& command) : pipe_(popen(command.c_str(), "r")) {}
  ~Helper() {
    if (pipe_ != nullptr) pclose(pipe_);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  // The rest of what the helper says, until it ends.
  std::string Rest() {
    std::string rest;
    for (std::string line = NextLine(); !line.empty(); line = NextLine()) rest += line + "\n";
    return rest;
  }

  // Waits for the helper's next line; "" when it ended or said nothing within kPatience.
  std::string NextLine() {
    if (pipe_ == nullptr) return "";
    for (;;) {
      const size_t end = said_.find('\n');
      if (end != std::string::npos) {
        const std::string line = said_.substr(0, end);
        said_.erase(0, end + 1);
        return line;
      }
      pollfd watched{fileno(pipe_), POLLIN, 0};
      if (poll(&watched, 1, kPatience) <= 0) return "";
      char bytes[256];
      const ssize_t n = read(fileno(pipe_), bytes, sizeof bytes);
      if (n <= 0) return "";
      said_.append(bytes, static_cast<size_t>(n));
    }
  }

 private:
  FILE* pipe_;
  std::string said_;
};

// Opens the connections to the socket without a word on any, says "holding" once all are open,
// then "dropped" once the program has closed every one of them. A connect waits while the
// program's queue of connections is full: a program that no longer accepts leaves the helper
// stuck, and it gives up after half a minute (a minute for the drops).
std::string CrowdCommand(const std::string& socket, int count) {
  return "/usr/bin/python3 -c '\n"
         "import resource, select, signal, socket, sys\n"
         "signal.signal(signal.SIGALRM, lambda *_: sys.exit(\"stuck after %d connections\" % len(held)))\n"
         "signal.alarm(30)\n"
         "path, count = sys.argv[1], int(sys.argv[2])\n"
         "hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]\n"
         "resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, count + 64), hard))\n"
         "poller, held = select.poll(), {}\n"
         "for i in range(count):\n"
         "    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)\n"
         "    s.connect(path)\n"
         "    held[s.fileno()] = s\n"
         "    poller.register(s, select.POLLIN)\n"
         "print(\"holding\", flush=True)\n"
         "signal.alarm(60)\n"
         "while held:\n"
         "    for fd, events in poller.poll():\n"
         "        poller.unregister(fd)\n"
         "        held.pop(fd).close()\n"
         "print(\"dropped\", flush=True)\n"
         "' " +
         Quoted(socket) + " " + std::to_string(count) + " 2>&1";
}

// The processor time a process has used, in clock ticks: user and system.
long TicksUsed(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The fields after the command's name, which is in parentheses and may hold blanks.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long user = 0;
  long system = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) user = std::atol(field.c_str());
    if (index == 15) {
      system = std::atol(field.c_str());
      break;
    }
  }
  return user + system;
}

class ScriptService : public Scenario {
 protected:
  // The program started with no more descriptors than a program is commonly given.
  ::testing::AssertionResult StartWithFewDescriptors() {
    rlimit limits{};
    getrlimit(RLIMIT_NOFILE, &limits);
    const rlimit own = limits;
    limits.rlim_cur = std::min(kProgramDescriptors, limits.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limits);
    auto started = Start("spring-and-pin.yb");
    setrlimit(RLIMIT_NOFILE, &own);
    return started;
  }

  // The program's service socket, whose name carries the program's process number.
  static std::filesystem::path ServiceSocket() {
    for (const auto& entry : std::filesystem::directory_iterator(Home().Path("dde"))) {
      if (entry.path().extension() == ".sock") return entry.path();
    }
    return {};
  }
  static pid_t ProgramPid(const std::filesystem::path& socket) {
    return static_cast<pid_t>(std::atol(socket.stem().extension().string().substr(1).c_str()));
  }

  // The command that sends the text as one execute with yb-dde-execute, as another program does.
  static std::string ExecuteCommand(const std::string& text) {
    const std::filesystem::path tool =
        std::filesystem::path(YB_PROGRAM).parent_path().parent_path() / "tools/dde/yb-dde-execute";
    return "YB_DDE_DIR=" + Quoted(Home().Path("dde")) + " " + Quoted(tool.string()) + " --timeout 60000 " +
           Quoted(text) + " 2>&1";
  }
  // Sends the text and answers what yb-dde-execute printed.
  static std::string Execute(const std::string& text) {
    Helper sender(ExecuteCommand(text));
    return sender.Rest();
  }
};

TEST_F(ScriptService, ACrowdOfIdleConnectionsNeitherStarvesNorBusiesTheProgram) {
  ASSERT_TRUE(StartWithFewDescriptors());
  const std::filesystem::path socket = ServiceSocket();
  ASSERT_FALSE(socket.empty()) << "the program offers no script service";
  const pid_t pid = ProgramPid(socket);
  ASSERT_GT(pid, 0) << socket;

  Helper crowd(CrowdCommand(socket.string(), kIdleConnections));
  ASSERT_EQ(crowd.NextLine(), "holding") << "the crowd could not connect:\n" << crowd.Rest();

  // File > Save As... by its keys (Alt+F, A) while the crowd holds its connections.
  const std::string saved = Home().Path("crowded.yb");
  Me().Key("f", {"Alt_L"});
  Me().Key("a");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Save the world as"; }))
      << "the save dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  Me().Type(saved);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - crowded.yb") != 0; }))
      << "the world was not saved:\n" << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(std::filesystem::file_size(saved), 0u);

  // While the crowd waits to be dropped, the program has nothing to do and uses next to no time.
  const long ticksBefore = TicksUsed(pid);
  const auto waitStart = std::chrono::steady_clock::now();
  ASSERT_EQ(crowd.NextLine(), "dropped") << "idle connections are held for ever:\n" << crowd.Rest();
  const long ticks = TicksUsed(pid) - ticksBefore;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStart).count();
  const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  EXPECT_LT(static_cast<double>(ticks), 0.2 * seconds * static_cast<double>(ticksPerSecond) + 10)
      << "the program was busy while idle connections waited: " << ticks << " ticks in " << seconds << " s";

  // A script client that says what it wants is served.
  EXPECT_EQ(Execute("Print \"served after the crowd\""), "acknowledged\n");
  EXPECT_TRUE(Me().WaitUntil([] { return Program()->Output().find("served after the crowd") != std::string::npos; }))
      << Program()->Output();
  ASSERT_TRUE(Me().Idle());
}

TEST_F(ScriptService, AScriptLongerThanTheServiceTakesIsRefusedAndAnsweredNotProcessed) {
  ASSERT_TRUE(Running());
  // A statement longer than the service's whole buffer.
  Helper sender(ExecuteCommand("Print \"" + std::string(70000, 'x') + "\""));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }))
      << "no alert reported the refusal: " << Me().FocusedTitle();
  Me().Key("Return");
  EXPECT_EQ(sender.NextLine(), "not processed");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Program()->Output().find("xxxxxxxx"), std::string::npos) << "the refused script ran";

  // The service goes on taking scripts that fit.
  EXPECT_EQ(Execute("Print \"taken after the refusal\""), "acknowledged\n");
  EXPECT_TRUE(Me().WaitUntil([] { return Program()->Output().find("taken after the refusal") != std::string::npos; }))
      << Program()->Output();
}

// A script sent while the Script Editor's run waits at a step is no run of the editor's: it
// runs whole, its calls on the program included, and is acknowledged.
TEST_F(ScriptService, ASentScriptRunsWholeWhileTheEditorsRunWaitsAtAStep) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(Click({"Script", "New Script"}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Script Editor - (Untitled)"; }))
      << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  Me().Key("Down");  // into Sub Main's empty line
  Me().Type("Print 1");
  Me().Key("Return");
  Me().Type("Print 2");
  // Debug > Step Into by its keys: the run waits at its first line.
  Me().Key("d", {"Alt_L"});
  Me().Key("i");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Execute("Print \"W a\" : Print \"W \"; YB.ActiveDocument.Name : Print \"W c\""),
            "acknowledged\n");
  EXPECT_TRUE(Me().WaitUntil([] { return Program()->Output().find("W c") != std::string::npos; }))
      << Program()->Output();
  Stop();
}

// A sent endless loop that the user breaks off with Ctrl+C did not do its work: the sender
// hears so, and no alert comes.
TEST_F(ScriptService, ASentLoopBrokenOffByCtrlCIsNotProcessed) {
  ASSERT_TRUE(Running());
  Helper sender(ExecuteCommand("Print \"looping\" : Do : Loop"));
  ASSERT_TRUE(Me().WaitUntil([] { return Program()->Output().find("looping") != std::string::npos; }))
      << Program()->Output();
  std::string answer;
  Me().HoldWhile({"Control_L", "c"}, [&] { answer = sender.NextLine(); });
  EXPECT_EQ(answer, "not processed");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().WindowTitled("Yarrowby"), XWindowId{0}) << "an alert came";
}

// A script sent while a run goes on is served between its frames; the running document cannot
// be closed, so its Close fails with 900 and the execute is still acknowledged.
TEST_F(ScriptService, AScriptSentDuringARunIsServedAndItsCloseAnswers900) {
  ASSERT_TRUE(Running());
  Me().Control("r");
  ASSERT_TRUE(Me().Settle());
  EXPECT_EQ(Execute("On Error Resume Next : YB.ActiveDocument.Close : Print \"close \"; Err.Number"),
            "acknowledged\n");
  EXPECT_TRUE(Me().WaitUntil([] { return Program()->Output().find("close ") != std::string::npos; }))
      << Program()->Output();
  EXPECT_NE(Program()->Output().find("close 900\n"), std::string::npos) << Program()->Output();
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
}

}  // namespace
}  // namespace scenario
