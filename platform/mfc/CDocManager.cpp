#include "platform/mfc/CDocManager.h"

#include <algorithm>
#include <filesystem>

#include "platform/mfc/CWinApp.h"
#include "platform/win32/OpenFileDialog.h"

namespace {

constexpr char kDocumentFilter[] = "Worlds (*.yb)|*.yb|All files (*.*)|*.*||";
constexpr char kDocumentExtension[] = "yb";

}  // namespace

CDocManager::~CDocManager() = default;

void CDocManager::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
  if (docTemplate == nullptr) return;
  AddDocTemplate(docTemplate.get());
  owned_.push_back(std::move(docTemplate));
}

void CDocManager::AddDocTemplate(CDocTemplate* docTemplate) {
  if (docTemplate == nullptr) return;
  if (std::find(templates_.begin(), templates_.end(), docTemplate) != templates_.end()) return;
  templates_.push_back(docTemplate);
}

void CDocManager::RemoveDocTemplate(CDocTemplate* docTemplate) {
  templates_.erase(std::remove(templates_.begin(), templates_.end(), docTemplate),
                   templates_.end());
  owned_.erase(std::remove_if(owned_.begin(), owned_.end(),
                              [&](const auto& owned) { return owned.get() == docTemplate; }),
               owned_.end());
}

CDocTemplate* CDocManager::GetFirstDocTemplate() const {
  return templates_.empty() ? nullptr : templates_.front();
}

CMultiDocTemplate* CDocManager::FirstOpeningTemplate() const {
  for (CDocTemplate* docTemplate : templates_) {
    if (auto* multi = dynamic_cast<CMultiDocTemplate*>(docTemplate)) return multi;
  }
  return nullptr;
}

CDocument* CDocManager::OpenDocumentFile(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  CMultiDocTemplate* const docTemplate = FirstOpeningTemplate();
  return docTemplate != nullptr ? docTemplate->OpenDocumentFile(path, TRUE) : nullptr;
}

CDocument* CDocManager::OnFileNew() {
  CMultiDocTemplate* const docTemplate = FirstOpeningTemplate();
  return docTemplate != nullptr ? docTemplate->OpenDocumentFile(nullptr, TRUE) : nullptr;
}

bool CDocManager::DoPromptFileName(std::string& fileName, const char* title, bool open) {
  OpenFileRequest request;
  const CWinApp* const app = CWinApp::Current();
  if (app != nullptr && app->m_pMainWnd != nullptr) request.owner = app->m_pMainWnd->m_hWnd;
  request.title = title != nullptr ? title : "";
  request.filter = kDocumentFilter;
  if (!fileName.empty()) request.folder = std::filesystem::path(fileName).parent_path().string();
  // Saving offers the document's own name, which the user may keep or type over.
  if (!open && !fileName.empty())
    request.initialName = std::filesystem::path(fileName).filename().string();
  request.save = !open;
  request.defaultExtension = kDocumentExtension;
  const std::optional<std::string> chosen =
      open ? RunOpenFileDialog(request) : RunSaveFileDialog(request);
  if (!chosen) return false;
  fileName = *chosen;
  return true;
}

BOOL CDocManager::SaveAllModified() {
  for (CDocTemplate* docTemplate : templates_) {
    // A document given up may leave the list: walk a copy.
    const std::vector<CDocument*> documents = docTemplate->GetDocuments();
    for (CDocument* document : documents) {
      if (!document->SaveModified()) return FALSE;
    }
  }
  return TRUE;
}
