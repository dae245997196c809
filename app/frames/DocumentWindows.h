#pragma once
// A world document as the window layer sees it, the template that gives its windows their
// frames, and the start-up step that connects the window layer to the application.

#include <memory>
#include <string>

#include "model/world/QVDoc.h"
#include "platform/mfc/CDocument.h"
#include "ui/views/WindowDocument.h"

class CMainFrame;

class TWorldWindowDocument : public TWindowDocument {
 public:
  // Takes the document read from the path; titled with the file's name.
  TWorldWindowDocument(std::unique_ptr<TQVDoc> document, const std::string& path);
  TQVDoc& Document() { return *document_; }

 private:
  std::unique_ptr<TQVDoc> document_;
};

// Document frames are CChildFrame windows showing a TOwlWindow.
class TWorldDocTemplate : public CDocTemplate {
 public:
  TWorldDocTemplate();
};

// The window layer's services, the window builder's hooks and the group views, with this main
// frame as the main frame (null to forget it).
void InstallWindowLayer(CMainFrame* mainFrame);
