#pragma once
// What scripts reach of the application: its documents, its windows, its quit flag and where
// script messages are shown. The application fills it at start-up; scripting never includes the
// application's own headers.

#include <cstdint>
#include <optional>
#include <string>

#include "core/FileSpec.h"
#include "platform/win32/WindowTypes.h"

class TList;
class TQVDoc;

class TScriptApplication {
 public:
  virtual ~TScriptApplication() = default;

  // True once the user asked the program to quit: a running script stops at its next check.
  virtual bool QuitRequested() const = 0;
  // The main frame's window, or null.
  virtual HWND MainWindow() const = 0;
  // The documents open, in the order they were opened; each element a TQVDoc. Null when none.
  virtual TList* OpenDocuments() = 0;
  // The document of the front window's frame, or null.
  virtual TQVDoc* FrontDocument() = 0;
  // Brings the document's frame to the front, when it has a view and the main frame is an MDI
  // frame; otherwise nothing.
  virtual void ActivateDocument(TQVDoc& document) = 0;
  // A new untitled document (raises on failure).
  virtual void NewDocument() = 0;
  // Opens the document file (raises on failure).
  virtual void OpenDocument(const FSSpec& file) = 0;
  // Whether the floating window that the show command opens is open and visible.
  virtual bool FloatingWindowVisible(int16_t showCommand) = 0;
  // Has the front document's world carry out the floating window's show or hide command.
  virtual void FloatingWindowCommand(int16_t command) = 0;
  // Shows a script's message box, compile error or run-time error to the user.
  virtual void ShowScriptMessage(int32_t kind, const char* text) = 0;
  // The application's script object is gone.
  virtual void ScriptObjectGone() {}
  // Whether every tool bar of the main window is shown (false when some or all are hidden).
  virtual bool ToolBarsVisible() const { return false; }
  // Closes the document's window and the document, as the window's Close command does; false
  // when the document has no window to close.
  virtual bool CloseDocument(TQVDoc& document) { (void)document; return false; }
  // Saves the document as its window's Save does (a world never saved asks for a name first):
  // true when written. Empty when the document has no window.
  virtual std::optional<bool> SaveDocument(TQVDoc& document) {
    (void)document;
    return std::nullopt;
  }
  // Saves the document under the path as its window's Save As does (title, recent files, the
  // main frame's title): true when written. Empty when the document has no window.
  virtual std::optional<bool> SaveDocumentAs(TQVDoc& document, const std::string& path) {
    (void)document;
    (void)path;
    return std::nullopt;
  }
  // Shows or hides the frame that holds the document's window; false when it has none.
  virtual bool ShowDocumentFrame(TQVDoc& document, bool show) {
    (void)document;
    (void)show;
    return false;
  }
};

// The application's side; null when there is none (tests, batch runs).
TScriptApplication* ScriptApplication();
void SetScriptApplication(TScriptApplication* application);
