// External table documents: the fast-table block and cell names, the time-out property, filing,
// and a partner program in a process of its own that a world talks to through a run.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "exchange/dde/DocManagers.h"
#include "exchange/dde/FastTable.h"
#include "exchange/dde/TableSuiteHandler.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Message.h"
#include "platform/win32/WindowMessages.h"
#include "resources/ResourceLibraries.h"
#include "tests/model/world/WorldTestSupport.h"

extern char** environ;

namespace {

int16_t FailureOf(const std::function<void()>& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

TEST(FastTableTest, OneValueIsTwentyBytesAndOnlyWhatArrivedIsRead) {
  const std::vector<uint8_t> block = EncodeFastTable(1, 1, {2.5});
  const std::vector<uint8_t> head = {0x10, 0, 4, 0, 1, 0, 1, 0, 1, 0, 8, 0};
  ASSERT_EQ(block.size(), 20u);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), block.begin()));
  std::vector<double> values;
  ASSERT_TRUE(DecodeFastTable(block.data(), block.size(), &values));
  EXPECT_EQ(values, std::vector<double>{2.5});
  // A record that claims more than came: only the whole values that came.
  std::vector<uint8_t> claims = EncodeFastTable(1, 3, {1.0, 2.0, 3.0});
  ASSERT_TRUE(DecodeFastTable(claims.data(), claims.size() - 7, &values));
  EXPECT_EQ(values, (std::vector<double>{1.0, 2.0}));
  // Strings, or less than a header, are no numbers; a float record holds at most 4095 values.
  std::vector<uint8_t> strings = block;
  strings[8] = 0x02;
  EXPECT_FALSE(DecodeFastTable(strings.data(), strings.size(), &values));
  EXPECT_FALSE(DecodeFastTable(block.data(), 11, &values));
  EXPECT_EQ(EncodeFastTable(64, 64, std::vector<double>(4095, 1.0)).size(), 12u + 8 * 4095);
  EXPECT_TRUE(EncodeFastTable(64, 64, std::vector<double>(4096, 1.0)).empty());
}

TEST(FastTableTest, NamesOfServicesCellsAndErrors) {
  EXPECT_EQ(TDDEClientLink::ServiceNameOf("D:\\APPS\\CALC.EXE"), "CALC");
  EXPECT_EQ(TDDEClientLink::ServiceNameOf("D:\\APPS\\CALC"), "CALC");
  EXPECT_EQ(TDDEClientLink::ServiceNameOf("/opt/sheet/bin/sheet.v2.sh"), "sheet");
  TDDETableSuiteHandler handler;
  Str255 name;
  handler.CellName(3, 2, name);
  EXPECT_STREQ(name.AsCString(), "R3C2");
  int32_t row = 0;
  int32_t column = 0;
  EXPECT_TRUE(TDDETableSuiteHandler::ParseCellName(Str255("R12C7"), row, column));
  EXPECT_EQ(row, 12);
  EXPECT_EQ(column, 7);
  EXPECT_FALSE(TDDETableSuiteHandler::ParseCellName(Str255("R12"), row, column));
  handler.RangeName(2, 5, name);
  EXPECT_STREQ(name.AsCString(), "R2C5:R0C0");
  EXPECT_EQ(TDDEClientLink::ErrorOf(DMLERR_POKEACKTIMEOUT), kErrExchangeTimeout);
  EXPECT_EQ(TDDEClientLink::ErrorOf(DMLERR_NOTPROCESSED), kErrExchangeRefused);
  // A failure without a reason is not a success.
  EXPECT_EQ(TDDEClientLink::ErrorOf(DMLERR_NO_ERROR), kErrExchangeRefused);
}

TEST(ExternalDocumentTest, TheTimeOutIsWholeSecondsWithinWhatMillisecondsHold) {
  InitHandlePool();
  {
    TExternalDoc document;
    document.Initialize();
    EXPECT_EQ(document.GetTimeout(), 30000);
    const uint32_t time = MakeTag("time");
    for (const auto& [seconds, milliseconds] : std::vector<std::pair<double, int32_t>>{
             {4.7, 4000}, {1.0, 3000}, {1e10, 2147483000}}) {
      document.SetNumberProperty(time, seconds);
      EXPECT_EQ(document.GetTimeout(), milliseconds) << seconds;
    }
    double shown = 0.0;
    document.GetNumberProperty(time, shown, nullptr);
    EXPECT_EQ(shown, 2147483.0);
    // Without names nothing can be started.
    EXPECT_EQ(document.Connect(false), kErrCannotStart);
  }
  FreeHandlePool();
}

// The manager, a table document, an input and its handler, written and read back.
TEST(ExternalTableFilingTest, DocumentsHandlersAndManagersAreReadBackByteForByte) {
  InitHandlePool();
  InitDrawingPort();
  RegisterInputClass();
  RegisterExternalTableClasses();
  FreezeClassRegistry();
  // The table of first blocks to class tags that the reader creates objects by.
  const std::vector<std::pair<int16_t, uint32_t>> classes = {
      {kBlockTableManager, kTableManagerTag}, {kBlockExternalTableDoc, kExternalTableDocTag},
      {kBlockTableHandler, kTableHandlerTag}, {kBlockInput, kInputTag}};
  const auto count = static_cast<int16_t>(classes.size());
  std::vector<uint8_t> fact(2 + 6 * classes.size());
  std::memcpy(fact.data(), &count, 2);
  for (size_t i = 0; i < classes.size(); ++i) {
    std::memcpy(fact.data() + 2 + 6 * i, &classes[i].first, 2);
    std::memcpy(fact.data() + 4 + 6 * i, &classes[i].second, 4);
  }
  ResourceEntry entries[1] = {{"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact.data(),
                               static_cast<uint32_t>(fact.size())}};
  ResourceModuleTable module = {"external-tables-test.dll", entries, 1};
  RegisterResourceModule(module);
  SetResourceModule1(LoadResourceLibrary("external-tables-test.dll"));
  {
    TAEWorldTableMgr manager;
    manager.Initialize();
    TExternalDDETableDoc document;
    document.Initialize();
    document.SetSendToCellInRows(0);
    document.SetApplicationPath(Str255("/opt/sheet"));
    document.SetInitCommand(Str255("[open]"));
    FSSpec record;
    record.vRefNum = 2;
    record.parID = 77;
    record.name.Assign("/data/sheet.tab");
    document.SetFileSpec(record, 0);
    TInput input;
    input.Initialize();
    TDDETableSuiteHandler handler;
    handler.Initialize();
    handler.SetDocument(&document);
    input.SetLinkItem(&handler);
    input.SetLinked(true);
    manager.SetCurrentDocument(&document);
    for (auto [object, identifier] : std::vector<std::pair<TLink*, int16_t>>{{&manager, 3}, {&document, 4}, {&handler, 5}, {&input, 6}})
      object->SetIdentifier(identifier);
    EXPECT_EQ(document.LinkedInputs(), std::vector<TLink*>{&input});

    const std::vector<TLink*> written = {&manager, &document, &handler, &input};
    auto bytesOf = [](const std::vector<TLink*>& objects) {
      auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
      Handle handle = writer->TakeHandle();
      const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
      std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
      FreeHandle(handle);
      return bytes;
    };
    const std::vector<uint8_t> bytes = bytesOf(written);
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    std::vector<std::unique_ptr<TLink>> read = reader->TakeObjects();
    ASSERT_EQ(read.size(), 4u);
    std::vector<TLink*> objects;
    for (auto& object : read) objects.push_back(object.get());
    EXPECT_EQ(bytesOf(objects), bytes);
    auto* readDocument = dynamic_cast<TExternalDDETableDoc*>(objects[1]);
    auto* readHandler = dynamic_cast<TDDETableSuiteHandler*>(objects[2]);
    auto* readInput = dynamic_cast<TInput*>(objects[3]);
    ASSERT_NE(readDocument, nullptr);
    ASSERT_NE(readHandler, nullptr);
    ASSERT_NE(readInput, nullptr);
    EXPECT_EQ(readDocument->GetSendToCellInRows(), 0);
    EXPECT_STREQ(readDocument->GetInitCommand().AsCString(), "[open]");
    TExternalAddress address;
    readDocument->GetAddress(address);
    EXPECT_STREQ(address.documentPath.AsCString(), "/data/sheet.tab");
    EXPECT_STREQ(address.applicationPath.AsCString(), "/opt/sheet");
    EXPECT_EQ(address.parID, 77);
    // The links are made again: the handler serves the input for the document.
    EXPECT_EQ(readHandler->GetDocument(), readDocument);
    EXPECT_EQ(readInput->GetLinkItem(), readHandler);
    EXPECT_EQ(readDocument->LinkedInputs(), std::vector<TLink*>{readInput});
  }
  SetResourceModule1(nullptr);
  UnregisterResourceModule("external-tables-test.dll");
  FreeClassRegistry();
  FreeDrawingPort();
  FreeHandlePool();
}

// A partner program under a service name of this test's own.
class Partner {
 public:
  // Runs the partner itself with the options; false when it did not come up.
  // The process number a partner wrote into its ready file.
  static pid_t ReadyPid(const std::string& file) {
    int pid = 0;
    std::ifstream(file) >> pid;
    return pid;
  }
  bool Start(const std::string& service, const std::vector<std::string>& options) {
    ready_ = Folder() + "/" + service + ".ready";
    std::vector<std::string> words = {YB_TABLE_PARTNER, "--service", service, "--ready", ready_};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, YB_TABLE_PARTNER, nullptr, nullptr, argv.data(), environ) != 0) return false;
    for (int turn = 0; turn < 1000 && !std::filesystem::exists(ready_); ++turn)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::filesystem::exists(ready_);
  }
  ~Partner() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  // A folder of this test process's own for the partners' files, made anew (a folder named by the
  // process number could hold the files of an earlier process that had the same number) and taken
  // away when the process ends.
  static std::string Folder() {
    struct Made {
      std::string path;
      Made() {
        std::string name = (std::filesystem::temp_directory_path() / "yb-partner-XXXXXX").string();
        if (mkdtemp(name.data()) != nullptr) path = name;
      }
      ~Made() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
      }
    };
    static const Made folder;
    return folder.path;
  }

 private:
  pid_t pid_ = 0;
  std::string ready_;  // written by the partner once its service is offered
};

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// A world that runs with an external table document served by a partner program.
class ExternalTableRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The cell handlers come from the program's template, of a class the registry makes.
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
    // The world made, the program's library takes over: the handler template and the table of
    // classes it is read by.
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    auto owned = std::make_unique<world_test::TTestStore>();
    store = owned.get();
    world->SetStore(std::move(owned));
    auto engine = std::make_unique<world_test::TTestEngine>(*store);
    solver = engine.get();
    world->SetEngine(std::move(engine));
    manager = &ExternalTableManagerFor(*world);
    document = Adopt<TExternalDDETableDoc>();
    input = Adopt<TInput>();
    output = Adopt<TOutput>();
    output->SetColumnCount(2);
    service = "tables" + std::to_string(getpid()) + "x" + std::to_string(++serial);
    log = Partner::Folder() + "/" + service + ".log";
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
  // The input reads R1C1 and the meter's column writes R1C2.
  void LinkBoth() {
    document->SetCurrentInput(input);
    document->SetFlagProperty(MakeTag("icnt"), 1);
    document->SetCurrentOutput(output, 1, -1);
    document->SetFlagProperty(MakeTag("ocnt"), 1);
  }
  double SolverInput() const {
    double value = 0.0;
    std::memcpy(&value, solver->inputs.back().data() + 4, 8);
    return value;
  }
  // Runs the world to the next frame, as the run command does once it has started.
  void RunFrame() {
    world->RunToFrame(store->current + 1, nullptr);
    ++store->current;
  }

  static inline int serial = 0;
  uint32_t instance = 0;
  std::unique_ptr<world_test::WorldScope> scope;
  world_test::TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  world_test::TTestStore* store = nullptr;
  world_test::TTestEngine* solver = nullptr;
  TAEWorldTableMgr* manager = nullptr;
  TExternalDDETableDoc* document = nullptr;
  TInput* input = nullptr;
  TOutput* output = nullptr;
  std::string service;
  std::string log;
};

TEST_F(ExternalTableRunTest, TheProgramIsStartedOnceAllowedAndEachFrameWritesExecutesThenReads) {
  // The partner is started by the document, under a name of this test's own.
  const std::string program = Partner::Folder() + "/" + service;
  std::filesystem::create_symlink(YB_TABLE_PARTNER, program);
  setenv("YB_TABLE_PARTNER_OPTIONS", ("--log " + log + " --schedule R1C1=5,7,9,11").c_str(), 1);
  int asked = 0;
  const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  SetCursor(arrow);
  SetLaunchQuestion([&](const std::string& application, const std::string& topic) {
    ++asked;
    // The program is reached under the wait cursor.
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    return application == program && topic == "sheet";
  });
  document->SetStringProperty(MakeTag("appl"), Str255(program.c_str()));
  document->SetStringProperty(MakeTag("init"), Str255("begin"));
  document->SetStringProperty(MakeTag("exec"), Str255("step"));
  document->SetStringProperty(MakeTag("docm"), Str255("sheet"));
  unsetenv("YB_TABLE_PARTNER_OPTIONS");
  ASSERT_NE(document->IsConnected(), 0u);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(GetCursor(), arrow);
  LinkBoth();
  output->Column(2)->SetValue(1.5, false);

  world->StartLinkedRun();
  RunFrame();
  EXPECT_DOUBLE_EQ(SolverInput(), 9.0);
  output->Column(2)->SetValue(-2.0, false);
  RunFrame();
  // begin and the first step came before the first read, one more step before the second.
  EXPECT_EQ(solver->inputs.size(), 2u);
  EXPECT_DOUBLE_EQ(input->GetValue(), 11.0);
  EXPECT_DOUBLE_EQ(SolverInput(), 11.0);
  // The started program was waited for on "System" before the document was reached: the document
  // was asked for once "System" had answered. That probe's end and the document's conversation
  // are two conversations, which nothing orders: each is held to its own order.
  const std::vector<std::string> lines = Lines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "connect System");
  std::vector<std::string> probe, sheet;
  for (const std::string& line : lines) (line.ends_with("System") ? probe : sheet).push_back(line);
  EXPECT_EQ(probe, (std::vector<std::string>{"connect System", "disconnect System"}));
  EXPECT_EQ(sheet, (std::vector<std::string>{
                       "connect sheet", "execute begin", "poke R1C2 xltable 1.500000 in 21 bytes",
                       "execute step", "request R1C1 xltable",
                       "poke R1C2 xltable -2.000000 in 21 bytes", "execute step",
                       "request R1C1 xltable"}));
  EXPECT_TRUE(host.shown.empty());
  std::filesystem::remove(program);
}

TEST_F(ExternalTableRunTest, MenusOfferTheInputsAndMeterColumnsNotLinkedElsewhere) {
  input->SetName(Str255("force"));
  TInput* other = Adopt<TInput>();
  other->SetName(Str255("angle"));
  TExternalDDETableDoc* second = Adopt<TExternalDDETableDoc>();
  second->SetCurrentInput(other);
  second->SetFlagProperty(MakeTag("icnt"), 1);  // linked to the other document: not offered
  output->SetColumnCount(3);
  output->Column(2)->SetLabel(Str255("v"));
  output->Column(3)->SetLabel(Str255("w"));
  std::vector<TExternalDoc::MenuItem> items;
  int16_t selected = -2;
  document->GetInputMenu(items, selected);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_STREQ(items[0].text.AsCString(), "  force");
  EXPECT_EQ(selected, 0);
  document->ChooseInputMenuItem(Str255("  force"));
  document->SetFlagProperty(MakeTag("icnt"), 1);
  // The dialog's radio pair: the partner going off undoes nothing.
  document->SetFlagProperty(MakeTag("idsc"), 0);
  document->GetInputMenu(items, selected);
  EXPECT_TRUE(items[0].checked);

  document->ChooseOutputMenuItem(Str255("  w"));
  EXPECT_EQ(document->GetCurrentOutput(), output);
  EXPECT_EQ(document->GetCurrentColumn(), 2);
  document->SetFlagProperty(MakeTag("ocnt"), 1);
  document->GetOutputMenu(items, selected);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_FALSE(items[0].checked);
  EXPECT_TRUE(items[1].checked);
  EXPECT_EQ(selected, 1);
  // Unlinking the last linked column lets the meter go.
  document->SetFlagProperty(MakeTag("odsc"), 1);
  EXPECT_TRUE(document->LinkedOutputs().empty());
  EXPECT_EQ(output->GetLinkItem(), nullptr);
}

TEST_F(ExternalTableRunTest, ManagersKeepTheCurrentDocumentAndMakeLinkingCommands) {
  FSSpec record;
  TAEWorldTableMgr empty;
  empty.Initialize();
  EXPECT_EQ(empty.GetCurrentDocument(record), nullptr);
  TExternalDDETableDoc* second = Adopt<TExternalDDETableDoc>();
  TExternalDDETableDoc* third = Adopt<TExternalDDETableDoc>();
  EXPECT_EQ(manager->Documents().size(), 3u);
  EXPECT_EQ(manager->GetCurrentDocument(record), third);
  manager->SetCurrentDocument(second);
  EXPECT_EQ(manager->GetCurrentDocument(record), second);
  world->RemoveObject(second);
  EXPECT_EQ(manager->GetCurrentDocument(record), third);

  // Every linking command is made, but only the table manager claims the first.
  EXPECT_TRUE(manager->HandlesCommand(1130));
  TAEWorldDocMgr plain;
  for (int16_t command = 1131; command <= 1135; ++command) {
    EXPECT_FALSE(manager->HandlesCommand(command));
    EXPECT_FALSE(plain.HandlesCommand(command));
  }
  bool handled = false;
  // Nothing selected: the command ends without a word.
  bool silent = false;
  try {
    delete manager->DoMenuCommand(1133, handled);
  } catch (const QVException& failure) {
    silent = failure.error() == 0;
  }
  EXPECT_TRUE(silent);
  world->Select(input);
  std::unique_ptr<TCommandCore> command(manager->DoMenuCommand(1133, handled));
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(handled);
  EXPECT_EQ(command->GetCommandNumber(), 1133);
  SetExternalDocumentChooser([&](int16_t, TAEWorldDocMgr& chosen) {
    chosen.SetCurrentDocument(third);
    return true;
  });
  command->Perform();
  SetExternalDocumentChooser(nullptr);
  EXPECT_EQ(third->LinkedInputs(), std::vector<TLink*>{input});
}

TEST_F(ExternalTableRunTest, APlacedTableDocumentLinksTheSelectionAndMarksTheFirstInput) {
  TInput* other = Adopt<TInput>();
  output->SetColumnCount(3);
  TExternalTableTracker tracker;
  tracker.TakeSelection({input, output, other});
  EXPECT_EQ(FailureOf([&] { tracker.NewObjectStep({}); }), kErrNoHandlerTemplate);
  TExternalDDETableDoc* placed = Adopt<TExternalDDETableDoc>();
  EXPECT_EQ(&tracker.NewObjectStep({placed}), placed);
  EXPECT_EQ(placed->LinkedInputs(), (std::vector<TLink*>{input, other}));
  EXPECT_EQ(placed->LinkedOutputs(), std::vector<TLink*>{output});
  EXPECT_TRUE(input->IsLinked());
  EXPECT_FALSE(other->IsLinked());
  EXPECT_TRUE(output->GetColumnRecord(1).linked);
  EXPECT_TRUE(output->GetColumnRecord(2).linked);
  EXPECT_EQ(placed->GetCurrentInput(), input);
  // Each has a cell handler of its own, made from the template under a number of its own.
  for (TInOutput* linked : std::vector<TInOutput*>{input, other, output}) {
    auto* handler = dynamic_cast<TDDETableSuiteHandler*>(linked->GetLinkItem());
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(handler->GetDocument(), placed);
    EXPECT_EQ(handler->GetCurrentFormat(), handler->GetTableFormat());
    EXPECT_EQ(world->FindObject(handler->GetIdentifier()), handler);
  }
  // Without the template nothing more is linked.
  SetResourceModule1(nullptr);
  TInput* late = Adopt<TInput>();
  EXPECT_EQ(FailureOf([&] { LinkToDocument(*late, *placed); }), kErrNoHandlerTemplate);
  EXPECT_EQ(late->GetLinkItem(), nullptr);
}

TEST_F(ExternalTableRunTest, AStartedProgramWithoutTheDocumentGivesUpAfterItsAttempts) {
  const std::string program = Partner::Folder() + "/" + service;
  std::filesystem::create_symlink(YB_TABLE_PARTNER, program);
  const std::string ready = Partner::Folder() + "/" + service + ".ready";
  setenv("YB_TABLE_PARTNER_OPTIONS", ("--topic other --ready " + ready).c_str(), 1);
  SetLaunchQuestion([](const std::string&, const std::string&) { return true; });
  document->SetApplicationPath(Str255(program.c_str()));
  document->GetConversationObject()->SetTopic(Str255("sheet"));
  EXPECT_EQ(document->Connect(false), kErrNoTopicAnswer);
  unsetenv("YB_TABLE_PARTNER_OPTIONS");
  const pid_t pid = Partner::ReadyPid(ready);
  ASSERT_GT(pid, 0);
  kill(pid, SIGTERM);
  // A program that is not there is not started: the document is asked no question about it.
  document->SetApplicationPath(Str255((program + "-missing").c_str()));
  SetLaunchQuestion([](const std::string&, const std::string&) {
    ADD_FAILURE() << "asked to start a missing program";
    return true;
  });
  EXPECT_EQ(document->Connect(false), kErrCannotStart);
  std::filesystem::remove(program);
}

TEST_F(ExternalTableRunTest, WaitsAreNeverShorterThanTheFloorsAndTextThatIsNoNumberIsRefused) {
  // A tenth of a second is asked for. Each answer comes half again as long after its transaction
  // reached the partner: a wait of the time asked alone is over by then, and the shortest floor,
  // a second, still has most of itself left for a busy machine.
  constexpr int kAsked = 100;
  Partner partner;
  ASSERT_TRUE(partner.Start(service, {"--topic", "sheet", "--log", log, "--no-xltable",
                                      "--slow", std::to_string(kAsked * 3 / 2), "--text",
                                      "R1C1=abc", "--text", "R2C2= 0", "--text", "R3C3=0"}));
  document->SetApplicationPath(Str255(("/nowhere/" + service).c_str()));
  document->SetDocumentPath(Str255("sheet"));
  document->SetTimeout(kAsked);
  document->SetExecuteCommand(Str255("step"));
  EXPECT_NO_THROW(document->StepRun());
  document->SetCurrentInput(input);
  document->SetFlagProperty(MakeTag("icnt"), 1);
  auto* handler = dynamic_cast<TDDETableSuiteHandler*>(input->GetLinkItem());
  ASSERT_NE(handler, nullptr);
  bool got = false;
  double value = 0.0;
  Str255 text;
  for (const char* cell : {"R1C1", "R2C2"}) {
    EXPECT_EQ(handler->ReadCell(Str255(cell), got, value, text), kErrCellNotRead) << cell;
    EXPECT_FALSE(got);
    // The next read tries the fast table first again.
    EXPECT_EQ(handler->GetCurrentFormat(), handler->GetTableFormat());
  }
  EXPECT_EQ(handler->ReadCell(Str255("R3C3"), got, value, text), 0);
  EXPECT_TRUE(got);
}

// A meter that no shown frame has given a value yet writes nothing: the cell keeps what it held
// until the meter has a number for it, and the frame's command and read go on as ever.
TEST_F(ExternalTableRunTest, AMeterColumnWithoutAValueYetLeavesItsCellAsItWas) {
  Partner partner;
  ASSERT_TRUE(partner.Start(service, {"--topic", "sheet", "--log", log, "--cell", "R1C1=2"}));
  document->SetStringProperty(MakeTag("appl"), Str255(("/nowhere/" + service).c_str()));
  document->SetStringProperty(MakeTag("exec"), Str255("step"));
  document->SetStringProperty(MakeTag("docm"), Str255("sheet"));
  LinkBoth();
  output->Column(2)->SetValue(TFormula::kNoValue, false);
  RunFrame();
  output->Column(2)->SetValue(0.25, false);
  RunFrame();
  EXPECT_DOUBLE_EQ(input->GetValue(), 2.0);
  std::vector<std::string> pokes;
  int executes = 0;
  for (const std::string& line : Lines(log)) {
    if (line.starts_with("poke")) pokes.push_back(line);
    executes += line == "execute step";
  }
  EXPECT_EQ(pokes, std::vector<std::string>{"poke R1C2 xltable 0.250000 in 21 bytes"});
  EXPECT_EQ(executes, 2);
}

TEST_F(ExternalTableRunTest, APartnerWithoutTheFastTableIsReadAsTextFromTheFirstCall) {
  Partner partner;
  ASSERT_TRUE(partner.Start(service, {"--topic", "sheet", "--log", log, "--no-xltable", "--cell", "R1C1=-0.0"}));
  document->SetStringProperty(MakeTag("appl"), Str255(("/nowhere/" + service).c_str()));
  document->SetStringProperty(MakeTag("docm"), Str255("sheet"));
  LinkBoth();
  input->SetValue(3.0, false, false);
  RunFrame();
  RunFrame();
  EXPECT_DOUBLE_EQ(SolverInput(), 0.0);
  const std::vector<std::string> lines = Lines(log);
  // The fast table is asked for (twice, as a request is) in the first read only; text from then on.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "request R1C1 xltable"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "request R1C1 text"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "poke R1C2 text 0"), 2);
}

TEST_F(ExternalTableRunTest, StringCellsAreNoNumbersAndTheWrongDocumentStartsNothing) {
  Partner partner;
  ASSERT_TRUE(partner.Start(service, {"--topic", "sheet", "--log", log, "--strings"}));
  // The program runs but does not offer this document: nothing is started.
  SetLaunchQuestion([](const std::string&, const std::string&) {
    ADD_FAILURE() << "asked to start a program that runs";
    return false;
  });
  document->SetStringProperty(MakeTag("appl"), Str255(("/nowhere/" + service).c_str()));
  EXPECT_EQ(document->Connect(false), -1717);  // no document name yet
  TExternalDDETableDoc other;
  other.Initialize();
  other.SetApplicationPath(Str255(("/nowhere/" + service).c_str()));
  other.GetConversationObject()->SetTopic(Str255("another"));
  EXPECT_EQ(other.Connect(false), kErrNoConversation);

  document->SetStringProperty(MakeTag("docm"), Str255("sheet"));
  document->SetCurrentInput(input);
  document->SetFlagProperty(MakeTag("icnt"), 1);
  auto* handler = dynamic_cast<TDDETableSuiteHandler*>(input->GetLinkItem());
  ASSERT_NE(handler, nullptr);
  bool got = true;
  double value = 1.0;
  Str255 text;
  // A table of strings: the text answer "0" is taken instead.
  EXPECT_EQ(handler->ReadCell(Str255("R4C4"), got, value, text), 0);
  EXPECT_TRUE(got);
  EXPECT_STREQ(text.AsCString(), "0");
  EXPECT_EQ(handler->GetCurrentFormat(), static_cast<uint32_t>(CF_TEXT));
}

TEST_F(ExternalTableRunTest, APartnerThatEndsTheConversationIsLetGoAndTheRunGoesOn) {
  Partner partner;
  ASSERT_TRUE(partner.Start(service, {"--topic", "sheet", "--log", log, "--disconnect-after", "1", "--cell", "R1C1=4"}));
  document->SetStringProperty(MakeTag("appl"), Str255(("/nowhere/" + service).c_str()));
  document->SetStringProperty(MakeTag("exec"), Str255("step"));
  document->SetStringProperty(MakeTag("docm"), Str255("sheet"));
  LinkBoth();
  RunFrame();
  EXPECT_DOUBLE_EQ(input->GetValue(), 4.0);
  // The partner's end reaches this program through its message loop.
  for (int turn = 0; turn < 500 && DdeConversationExists(document->GetConversationObject()->GetConversationHandle()); ++turn) {
    PostThreadMessage(WM_USER, 0, 0);
    MSG message;
    GetMessage(&message, nullptr, 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(world->ConversationsEnded());
  EXPECT_EQ(document->IsConnected(), 0u);
  EXPECT_FALSE(world->ConversationsEnded());
  // The partner has gone: the meter's write fails once, then is skipped; the execute and the read
  // find no conversation, which is shown while the run goes on.
  EXPECT_EQ(FailureOf([&] { RunFrame(); }), kErrCellNotWritten);
  EXPECT_EQ(FailureOf([&] { RunFrame(); }), kErrNoConversation);
  EXPECT_EQ(host.shown, std::vector<int16_t>{kErrNoConversation});
}

}  // namespace
