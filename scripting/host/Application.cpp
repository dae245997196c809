// The application's script object, its members and the description of the application library.

#include "scripting/host/Application.h"

#include <memory>
#include <string>

#include "core/Failure.h"
#include "core/Keys.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/host/ScriptText.h"
#include "scripting/shell/ScriptsMenu.h"

IMPLEMENT_DYNAMIC(TAPIApplication, TAPIDispatcher)

namespace {

TAPIMemberTable<kApplicationMembers> g_members;

constexpr const char* kDocumentClass = "DE22YBDoc.YBDocument";
constexpr const char* kDocumentsClass = "DE22YBDoc.YBDocCollection";

// Show and hide commands of the three floating windows.
struct FloatingWindow {
  int16_t show;
  int16_t hide;
};
constexpr FloatingWindow kPropertiesWindow{10000, 10001};
constexpr FloatingWindow kAppearanceWindow{10100, 10101};
constexpr FloatingWindow kGeometryWindow{10200, 10201};

TAPIApplication* App(TAPIDispatcher* receiver) {
  CheckAPIObjectTag(receiver, TAPIApplication::kTag);
  return static_cast<TAPIApplication*>(receiver);
}

// The script object of the application's front document, or null.
TAPIDispatcher* ActiveDocumentObject(TAPIApplication* app) {
  TScriptApplication* application = app->Application();
  if (application == nullptr) return nullptr;
  TQVDoc* document = application->FrontDocument();
  if (!IsKindOfSafe(document, TQVDoc::kClassID)) return nullptr;
  return static_cast<TAPIDispatcher*>(document->GetAPIDocument(app));
}

// The part of a path up to and including its last separator; empty without one.
Str255 FolderOfPath(const Str255& path) {
  Str255 folder;
  for (int i = path.Length(); i >= 1; --i) {
    const char c = static_cast<char>(*path.CharAt(i));
    if (c == '/' || c == '\\') {
      path.Substring(folder, 1, i);
      break;
    }
  }
  return folder;
}

// Each member: the receiver check, the member with its call context, the result check, the value.
void GetVersion(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  TAPICallContext context(App(r), "GetVersion");
  CheckAPIResult(context.Result());
  ReturnStringValue(call, frame, 0, TAPIApplication::kVersion);
}

void GetActiveDocument(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "GetActiveDocument");
  TAPIDispatcher* document = context.Failed() ? nullptr : ActiveDocumentObject(app);
  CheckAPIResult(context.Result());
  ReturnObjectValue(frame, 0, document);
}

void SetActiveDocument(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  void* value = ReadObjectArgument(frame, 2);
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "SetActiveDocument");
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  // Anything but a live document's script object is ignored.
  if (!context.Failed() && IsLiveScriptObject(value)) {
    auto* object = static_cast<TAPIDispatcher*>(value);
    auto* document = static_cast<TQVDoc*>(object->target());
    if (object->HasTag(TAPIDocument::kTag) && IsKindOfSafe(document, TQVDoc::kClassID))
      app->Application()->ActivateDocument(*document);
  }
  CheckAPIResult(context.Result());
}

void GetDocuments(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "GetDocuments");
  TAPIDispatcher* documents = context.Failed() ? nullptr : app->Documents();
  CheckAPIResult(context.Result());
  ReturnObjectValue(frame, 0, documents);
}

void NewDocument(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "New");
  TAPIDispatcher* document = nullptr;
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  if (!context.Failed()) {
    app->Application()->NewDocument();
    document = ActiveDocumentObject(app);
  }
  CheckAPIResult(context.Result());
  ReturnObjectValue(frame, 0, document);
}

void OpenDocument(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "Open");
  TAPIDispatcher* document = nullptr;
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  if (!context.Failed()) {
    FSSpec file;
    file.name = path;
    bool opened = true;
    try {
      app->Application()->OpenDocument(file);
    } catch (const QVException&) {
      opened = false;  // a file that cannot be opened gives Nothing, not an older document
    }
    if (opened) document = ActiveDocumentObject(app);
  }
  CheckAPIResult(context.Result());
  ReturnObjectValue(frame, 0, document);
}

FloatingWindow FloatingWindowOf(uint16_t id) {
  if (id <= 9) return kPropertiesWindow;
  if (id <= 11) return kAppearanceWindow;
  return kGeometryWindow;
}

void GetFloatingWindow(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "GetShowWindow");
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  const bool shown =
      !context.Failed() && app->Application()->FloatingWindowVisible(FloatingWindowOf(id).show);
  CheckAPIResult(context.Result());
  ReturnBooleanValue(frame, 0, shown);
}

void SetFloatingWindow(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const bool show = ReadBooleanArgument(frame, 2) != 0;
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "SetShowWindow");
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  if (!context.Failed()) {
    const FloatingWindow window = FloatingWindowOf(id);
    if (app->Application()->FloatingWindowVisible(window.show) != show)
      app->Application()->FloatingWindowCommand(show ? window.show : window.hide);
  }
  CheckAPIResult(context.Result());
}

void GetStartupDirectory(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "GetStartupDirectory");
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  std::string directory;
  if (!context.Failed()) {
    int32_t length = 0;
    GetProgramDirectory(nullptr, &length);
    directory.assign(static_cast<size_t>(length), '\0');
    GetProgramDirectory(directory.data(), &length);
    if (!directory.empty() && (directory.back() == '/' || directory.back() == '\\'))
      directory.pop_back();
  }
  CheckAPIResult(context.Result());
  ReturnStringValue(call, frame, 0, directory.c_str());
}

void GetCurrentScriptPath(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "GetCurrentScriptPath");
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  Str255 folder;
  if (!context.Failed()) {
    auto* running = reinterpret_cast<TObject*>(ScriptControl(call, kScriptGetUser, 0, nullptr));
    if (IsKindOfSafe(running, TScriptText::kClassID))
      folder = FolderOfPath(static_cast<TScriptText*>(running)->Path());
  }
  CheckAPIResult(context.Result());
  ReturnStringValue(call, frame, 0, folder.Chars());
}

// The Scripts menu the members work on: null (nothing is done) when the program has none.
ScriptsMenu* Menu(TAPICallContext& context, TAPIApplication* app) {
  if (app->Application() == nullptr) context.Fail(kAPINoTarget);
  return context.Failed() ? nullptr : ScriptsMenu::Current();
}

void InsertMenuItem(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t position = ReadIntegerArgument(frame, 2);
  const Str255 text = ReadStringArgument<Str255>(call, frame, 3);
  const Str255 path = ReadStringArgument<Str255>(call, frame, 4);
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "InsertMenuItem");
  if (ScriptsMenu* menu = Menu(context, app)) menu->InsertItem(position, text, path);
  CheckAPIResult(context.Result());
}

void DeleteMenuItem(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t position = ReadIntegerArgument(frame, 2);
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "DeleteMenuItem");
  if (ScriptsMenu* menu = Menu(context, app)) menu->DeleteItem(position);
  CheckAPIResult(context.Result());
}

void EnableMenuItem(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t position = ReadIntegerArgument(frame, 2);
  const int16_t enable = ReadBooleanArgument(frame, 3);
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "EnableMenuItem");
  if (ScriptsMenu* menu = Menu(context, app)) menu->EnableItem(position, static_cast<uint16_t>(enable));
  CheckAPIResult(context.Result());
}

void GetMenuItem(TAPIDispatcher* r, ScriptRunContext* call, int32_t highest, ScriptFrame* frame, uint16_t) {
  const int16_t position = ReadIntegerArgument(frame, 2);
  TAPIApplication* app = App(r);
  TAPICallContext context(app, "GetMenuItem");
  Str255 text, path;
  if (ScriptsMenu* menu = Menu(context, app)) menu->GetItem(position, text, path, nullptr);
  CheckAPIResult(context.Result());
  ReturnStringValue(call, frame, 0, text.Chars());
  if (highest >= 3) ReturnStringValue(call, frame, 3, path.Chars());
}

void RunScript(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(App(r)->RunScript(path));
}

void LoadLibrary(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  TAPICallContext context(App(r), "LoadYBBLibrary");
  if (ScriptsMenu* menu = ScriptsMenu::Current()) {
    try {
      ScriptResult result;
      menu->LoadLibraryScript(result, path);
    } catch (...) {
      context.Fail(kAPICannotLoad);
    }
  }
  CheckAPIResult(context.Result());
}

void UnloadLibrary(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 path = ReadStringArgument<Str255>(call, frame, 2);
  TAPICallContext context(App(r), "UnloadYBBLibrary");
  if (ScriptsMenu* menu = ScriptsMenu::Current()) {
    ScriptResult result;
    menu->UnloadLibraryScript(result, path);
  }
  CheckAPIResult(context.Result());
}

void DefineGetter(ScriptBuilder* b, const char* name, uint16_t id, int16_t type,
                  const char* className, TAPIEntryPoint get) {
  ScriptDefineProperty(b, 0, name, kScriptNoId, id, type, className);
  g_members.Set(id, get);
}

void DefineProperty(ScriptBuilder* b, const char* name, uint16_t setId, uint16_t getId,
                    int16_t type, const char* className, TAPIEntryPoint set, TAPIEntryPoint get) {
  ScriptDefineProperty(b, 0, name, setId, getId, type, className);
  g_members.Set(setId, set);
  g_members.Set(getId, get);
}

}  // namespace

TAPIApplication::TAPIApplication(TAPICallLog* callLog, TScriptApplication* application)
    : TAPIDispatcher(callLog, application, nullptr) {
  SetTag(kTag);
}

TAPIApplication::~TAPIApplication() {
  if (bound() && Application() != nullptr) Application()->ScriptObjectGone();
  // Scripts may still hold the collection: it goes with its last reference.
  TAPIDocCollection* documents = documents_;
  documents_ = nullptr;
  if (documents != nullptr) documents->Release();
}

bool TAPIApplication::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPIApplication::GetClassName() const {
  static const Str31 name("TAPIApplication");
  return name;
}

TAPIDocCollection* TAPIApplication::Documents() {
  if (documents_ == nullptr) {
    TList* list = Application() != nullptr ? Application()->OpenDocuments() : nullptr;
    documents_ = new TAPIDocCollection(GetAttachedObject(), list, this);
    documents_->AddRef();
  }
  return documents_;
}

APIResult TAPIApplication::RunScript(const Str255& path) {
  TAPICallContext context(this, "RunScript");
  ScriptsMenu* menu = ScriptsMenu::Current();
  if (menu == nullptr) return context.Result();
  try {
    bool found = false;
    std::unique_ptr<TScriptText> script(menu->ScriptFromPath(path, true, &found));
    if (script) {
      script->SetReadOnly(true);
      ScriptResult result;
      menu->RunScriptObject(result, script.get());
    }
  } catch (...) {
    context.Fail(kAPICannotRun);
  }
  return context.Result();
}

void TAPIApplication::RunAutoScript(const char* path) { RunScript(Str255(path)); }

ScriptDescription* DescribeYBApplication(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  ScriptDefineClass(b, ".YB", kScriptNoId, nullptr);
  DefineGetter(b, "Version", 1, kScriptString, nullptr, &GetVersion);
  DefineProperty(b, "ActiveDocument", 3, 2, kScriptObject, kDocumentClass, &SetActiveDocument,
                 &GetActiveDocument);
  DefineGetter(b, "Documents", 4, kScriptObject, kDocumentsClass, &GetDocuments);
  ScriptDefineFunction(b, 0, "New", 5, kScriptObject, kDocumentClass, 0, 0, {});
  g_members.Set(5, &NewDocument);
  ScriptDefineFunction(b, 0, "Open", 7, kScriptObject, kDocumentClass, 1, 1, {{kScriptString}});
  g_members.Set(7, &OpenDocument);
  DefineProperty(b, "ShowPropertiesWindow", 9, 8, kScriptBoolean, nullptr, &SetFloatingWindow,
                 &GetFloatingWindow);
  DefineProperty(b, "ShowAppearanceWindow", 11, 10, kScriptBoolean, nullptr, &SetFloatingWindow,
                 &GetFloatingWindow);
  DefineProperty(b, "ShowGeometryWindow", 13, 12, kScriptBoolean, nullptr, &SetFloatingWindow,
                 &GetFloatingWindow);
  DefineGetter(b, "StartupDirectory", 21, kScriptString, nullptr, &GetStartupDirectory);
  DefineGetter(b, "CurrentScriptPath", 22, kScriptString, nullptr, &GetCurrentScriptPath);
  ScriptDefineSub(b, 0, "InsertMenuItem", 14, 3, 3,
                  {{kScriptInteger}, {kScriptString}, {kScriptString}});
  g_members.Set(14, &InsertMenuItem);
  ScriptDefineSub(b, 0, "DeleteMenuItem", 15, 1, 1, {{kScriptInteger}});
  g_members.Set(15, &DeleteMenuItem);
  ScriptDefineSub(b, 0, "EnableMenuItem", 16, 2, 2, {{kScriptInteger}, {kScriptBoolean}});
  g_members.Set(16, &EnableMenuItem);
  ScriptDefineFunction(b, 0, "GetMenuItem", 17, kScriptString, nullptr, 1, 2,
                       {{kScriptInteger}, {kScriptString | kScriptByRef}});
  g_members.Set(17, &GetMenuItem);
  ScriptDefineSub(b, 0, "RunScript", 18, 1, 1, {{kScriptString}});
  g_members.Set(18, &RunScript);
  ScriptDefineSub(b, 0, "LoadYBBLibrary", 19, 1, 1, {{kScriptString}});
  g_members.Set(19, &LoadLibrary);
  ScriptDefineSub(b, 0, "UnloadYBBLibrary", 20, 1, 1, {{kScriptString}});
  g_members.Set(20, &UnloadLibrary);
  ScriptDefineGlobal(b, "YB", kScriptObject, ".YB", root);
  SetLiveObjectRoot(root);
  PendingAPIFailure() = {};
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBApplication(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                           ScriptFrame* frame) {
  // The application's members need no live check: their receiver is the root itself.
  TAPIDispatcher* root = LiveObjectRoot();
  if (root == nullptr) {
    RaiseScriptAPIError(call, 0, {kAPINoTarget, 0});
    return;
  }
  DispatchAPICall(g_members, call, methodId, highest, frame, root);
}
