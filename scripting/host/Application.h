#pragma once
// The application's script object: the value of the global object YB, the root of the tree of
// live script objects, and the way into documents, the Scripts menu and script running.

#include <cstdint>

#include "basic/ScriptApi.h"
#include "scripting/host/APIDispatcher.h"

class TAPIDocCollection;
class TScriptApplication;

class TAPIApplication : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIApplication)

 public:
  static constexpr uint32_t kTag = MakeTag("APAp");
  static constexpr const char* kVersion = "Version 4.0.1";

  // Bound to the application (none: unbound, and every member that needs it fails with code 1).
  TAPIApplication(TAPICallLog* callLog, TScriptApplication* application);
  // Tells the application, gives up the document collection, then deletes the children.
  ~TAPIApplication() override;

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;

  TScriptApplication* Application() const { return static_cast<TScriptApplication*>(target()); }
  // The collection of open documents, made once and kept.
  TAPIDocCollection* Documents();

  // Runs the script file: 907 (code 7) when it cannot be made, compiled or run.
  APIResult RunScript(const Str255& path);
  // The one automation method: runs the script at the path.
  void RunAutoScript(const char* path);
  // References that automation clients hold. The host owns the object, so the last one going
  // does not delete it.
  void ExternalAddRef() { ++automationRefs_; }
  void ExternalRelease() {
    if (automationRefs_ > 0) --automationRefs_;
  }
  int32_t AutomationReferences() const { return automationRefs_; }

 private:
  TAPIDocCollection* documents_ = nullptr;
  int32_t automationRefs_ = 0;
};

// The application library "DE22YBApp": class ".YB" and the global object YB (the root).
ScriptDescription* DescribeYBApplication(TAPIDispatcher* root, void* scratch);
void DispatchYBApplication(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                           ScriptFrame* frame);
