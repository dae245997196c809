#pragma once
// The framework's document manager: the application's document templates, opening and making
// documents through them, the file-name prompt of Open and Save As, and the question whether
// every modified document may be given up.

#include <memory>
#include <string>
#include <vector>

#include "platform/mfc/CDocument.h"

class CDocManager {
 public:
  CDocManager() = default;
  virtual ~CDocManager();
  CDocManager(const CDocManager&) = delete;
  CDocManager& operator=(const CDocManager&) = delete;

  // A template the manager owns from now on.
  void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
  // A template that its owner keeps alive while it is listed here.
  void AddDocTemplate(CDocTemplate* docTemplate);
  void RemoveDocTemplate(CDocTemplate* docTemplate);
  CDocTemplate* GetFirstDocTemplate() const;
  const std::vector<CDocTemplate*>& GetDocTemplates() const { return templates_; }

  // The document the first template that opens documents opens from the path (File Open, the
  // recent files, the shell); null when none does or the opening failed.
  virtual CDocument* OpenDocumentFile(const char* path);
  // A new document of the first template that makes documents (File New); null when none.
  virtual CDocument* OnFileNew();
  // The file-name prompt: asks where to open from (open) or where to save to; the name given
  // is where it starts and becomes the full path chosen. False when the user cancelled.
  virtual bool DoPromptFileName(std::string& fileName, const char* title, bool open);
  // Asks every document of every template whether it may be given up (a modified one asks the
  // user to save it); false as soon as one answers no.
  virtual BOOL SaveAllModified();

 private:
  CMultiDocTemplate* FirstOpeningTemplate() const;

  std::vector<CDocTemplate*> templates_;
  std::vector<std::unique_ptr<CDocTemplate>> owned_;
};
