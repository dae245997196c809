#pragma once
// The framework's application object: the program's one message loop with its idle time, the
// pre-translation of messages, the document templates and the question whether every modified
// document may be given up. A derived application replaces the steps it needs.
//
// The loop: while no message waits, OnIdle is called with a growing count until it answers
// false; then PumpMessage fetches and dispatches messages until the queue is empty. A message
// that is the user's doing (IsIdleMessage) starts a new idle period, counted from 0 again.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/mfc/CWnd.h"
#include "platform/win32/Message.h"

class CDocManager;
class CDocTemplate;

class CWinApp : public CCmdTarget {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // Becomes the program's application object (Current) until it is destroyed.
  CWinApp();
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // The application object, or null when there is none.
  static CWinApp* Current();

  // The framework's entry: InitInstance, then Run when it succeeded; ExitInstance runs in
  // either case. Answers Run's code, or ExitInstance's when start-up failed.
  int32_t RunApplication();

  virtual BOOL InitInstance();
  // Answers the exit code of the loop (0 before the loop ran).
  virtual int32_t ExitInstance();
  // The message loop, then ExitInstance, whose answer it gives.
  virtual int32_t Run();
  // The loop alone: answers the exit code of WM_QUIT, or -1 when no message can arrive any more.
  int32_t RunMessageLoop();

  // Fetches one message (waiting for it) into m_msgCur and, unless it is the idle kick or the
  // pre-translation takes it, translates and dispatches it. False at WM_QUIT or when no
  // message can arrive any more; the exit code is kept then.
  virtual BOOL PumpMessage();
  // Idle time while the queue is empty. The first call of an idle period (count 0) brings the
  // main window's command interfaces up to date (WM_IDLEUPDATECMDUI to it and its
  // descendants); answers whether more idle calls are wanted, which is true only for count 0.
  virtual BOOL OnIdle(int32_t count);
  // Whether the message starts a new idle period: painting, timers, the idle kick and a mouse
  // move to where the mouse already was do not.
  virtual BOOL IsIdleMessage(const MSG* message);
  // Offers the message to the window objects from its window up to the main window; true when
  // one took it (accelerators and dialog keys are turned into commands there).
  virtual BOOL PreTranslateMessage(MSG* message);
  // Asks every document of every template whether it may be given up (a modified one asks the
  // user to save it); false as soon as one answers no.
  virtual BOOL SaveAllModified();

  // The templates that make the program's documents; the document manager owns them (a
  // framework one is made for the first template when the application set none).
  void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
  CDocTemplate* FirstDocTemplate() const;
  // File Open and File New of the framework (the recent files, the shell, drag and drop): the
  // document manager's; null when there is none or nothing was opened.
  CDocument* OpenDocumentFile(const char* path);
  CDocument* OnFileNew();
  CDocManager* GetDocManager() const { return m_pDocManager.get(); }
  // The application's own document manager, before any template is added.
  void SetDocManager(std::unique_ptr<CDocManager> manager);

  // The main window: pre-translation stops there and idle updates start there.
  CWnd* m_pMainWnd = nullptr;
  // The message being handled now.
  MSG m_msgCur{};

 protected:
  // One message, as PumpMessage, but without waiting when wait is false: then true when none
  // was waiting.
  BOOL PumpOneMessage(bool wait);
  void SetExitCode(int32_t code) { exitCode_ = code; }
  int32_t ExitCode() const { return exitCode_; }

 private:
  CWinApp* previous_;
  int32_t exitCode_ = 0;
  POINT lastMousePoint_{-1, -1};
  UINT lastMouseMessage_ = 0;
  std::unique_ptr<CDocManager> m_pDocManager;
};
