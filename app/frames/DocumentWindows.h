#pragma once
// A world document as the window layer sees it, the template that gives its windows their
// frames, the documents the program shows, and the start-up step that connects the window layer
// to the application.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/world/QVDoc.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/COleItems.h"
#include "ui/views/WindowDocument.h"
#include "views/world/WorldWindow.h"

class CMainFrame;
class TOwlSubview;

class TWorldWindowDocument : public TWindowDocument {
 public:
  // Takes the document read from the path; titled with the file's name.
  TWorldWindowDocument(std::unique_ptr<TQVDoc> document, const std::string& path);
  ~TWorldWindowDocument() override;
  TQVDoc& Document() { return *document_; }
  // The file it was read from (empty for an untitled document).
  const std::string& Path() const { return path_; }
  // The world's window, once opened.
  TWorldWindow* WorldWindow() const { return worldWindow_.get(); }
  void SetWorldWindow(std::unique_ptr<TWorldWindow> window) { worldWindow_ = std::move(window); }
  // The items embedded in the document.
  COleItemList& Items() { return items_; }

  // Saves where the document was read or last saved; an untitled document asks for a name
  // first. False when it was not saved (cancelled, or a failure that was shown).
  BOOL DoFileSave() override;
  // Save As: asks for a name (starting from the document's own) and saves there; with a path,
  // saves there without asking. The file is replaced only once the whole document is written.
  BOOL DoSave(const char* path);
  // A world changed since it was read or saved asks whether to save it first.
  BOOL SaveModified() override;
  // While the document asks its close question or shows its Save As dialog: another close must
  // wait, since the question or dialog acts on the document when it is answered.
  bool Asking() const { return asking_ > 0; }
  bool MayClose() override;
  // The windows close and the template forgets the document.
  void Close() override;

  // While the document serves an item embedded in another document: closing its window puts a
  // change into the item (`save`) without asking, and the item hears that its window is gone
  // (`closed`). Empty functions end the serving.
  void ServeItem(std::function<void()> save, std::function<void()> closed);
  bool ServesItem() const { return static_cast<bool>(saveItem_); }
  // The world as it is now goes into the item it serves.
  void UpdateItem() {
    if (saveItem_) saveItem_();
  }

 private:
  std::unique_ptr<TQVDoc> document_;
  std::string path_;
  std::unique_ptr<TWorldWindow> worldWindow_;
  // Goes first: its items' servers close their own documents.
  COleItemList items_{this};
  std::function<void()> saveItem_;
  std::function<void()> itemClosed_;
  int asking_ = 0;
};

// Document frames are CChildFrame windows showing a TOwlWindow. Opening and making documents
// through the framework (the shell, the recent files, File New) goes to the application's own
// open and new.
class CQVDocTemplate : public CMultiDocTemplate {
 public:
  CQVDocTemplate();
  // With a path, the application opens the file (command 20); without one, it makes a new
  // document (command 10). Answers the document opened or made; null when that failed, the
  // failure having been shown once.
  CDocument* OpenDocumentFile(const char* path, BOOL makeVisible) override;
};

// The documents the program shows, each in a document window of the main frame.
class TDocumentWindows {
 public:
  TDocumentWindows() = default;
  // The documents close their windows first.
  ~TDocumentWindows();
  TDocumentWindows(const TDocumentWindows&) = delete;
  TDocumentWindows& operator=(const TDocumentWindows&) = delete;

  // Shows the document read from the path in a new document window (kind 1000) with the world
  // in it; raises -108 when the window cannot be made. Answers the window object.
  TOwlSubview* Open(std::unique_ptr<TQVDoc> document, const std::string& path);
  // A window of the document read from the path (compared as given), or null.
  TOwlSubview* FindWindowOfFile(const std::string& path) const;
  // A document of the file with that full path, or null.
  TWorldWindowDocument* FindDocumentOfFile(const std::string& path) const;
  // The newest document still open, or null.
  TWorldWindowDocument* NewestOpenDocument() const;
  // How many documents are still open.
  size_t OpenCount() const;
  CQVDocTemplate& Template() { return template_; }
  const std::vector<std::unique_ptr<TWorldWindowDocument>>& Documents() const {
    return documents_;
  }

 private:
  CQVDocTemplate template_;
  std::vector<std::unique_ptr<TWorldWindowDocument>> documents_;
};

// The window layer's services, the window builder's hooks and the group views, with this main
// frame as the main frame.
void InstallWindowLayer(CMainFrame* mainFrame);
