#pragma once
// Scripts that reach a world's objects: a document of the test application whose world's
// objects a script finds in the global "Objects" (a YBObjectCollection over the world, child of
// the document's script object), with the program's command handler so that every change is the
// last command for undo.

#include <memory>
#include <string>
#include <vector>

#include "core/CommandNesting.h"
#include "model/command/CommandHandler.h"
#include "model/world/WorldDoc.h"
#include "scripting/objects/APILink.h"
#include "tests/scripting/ScriptedProgram.h"

// Failures of commands at the outermost level, as the application would show them.
class TNotedFailures : public TFailureReporter {
 public:
  void ShowError(int16_t error, int32_t) override { errors.push_back(error); }
  std::vector<int16_t> errors;
};

class ObjectScripts : public ScriptedProgram {
 protected:
  void SetUp() override;
  void TearDown() override;

  TWorldDoc& World() { return document_->World(); }
  // The object joins the world; answers it.
  template <class T>
  T* Adopt(std::unique_ptr<T> object) {
    T* adopted = object.get();
    object->Initialize();
    World().AdoptObject(std::move(object));
    return adopted;
  }
  // Runs the statements with errors resumed; answers what they printed, then the error number.
  std::string Caught(const std::string& statements);
  // The script object a script reaches for the world object.
  TAPIDispatcher* ScriptObjectOf(TLink* object);

  TQVDoc* document_ = nullptr;
  TAPIDispatcher* documentObject_ = nullptr;
  TAPILinkCollection* objects_ = nullptr;
  ScriptDescription* fixture_ = nullptr;
  TNotedFailures failures_;
  TCommandNesting nesting_{failures_};
  std::unique_ptr<TCommandHandler> commands_;
};
