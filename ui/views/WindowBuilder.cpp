#include "ui/views/WindowBuilder.h"

#include <memory>

#include "core/Failure.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowDocument.h"

namespace {

TWindowBuilderHooks& Hooks() {
  static TWindowBuilderHooks hooks;
  return hooks;
}

TGroupViewMaker& GroupViewMaker() {
  static TGroupViewMaker maker = nullptr;
  return maker;
}

// The pending kind goes back to 0 however the building ends.
class PendingKindScope {
 public:
  explicit PendingKindScope(int32_t kind) { PendingWindowKind() = kind; }
  ~PendingKindScope() { PendingWindowKind() = 0; }
  PendingKindScope(const PendingKindScope&) = delete;
  PendingKindScope& operator=(const PendingKindScope&) = delete;
};

TOwlSubview* MakeWindowObject(bool group) {
  if (!group) return new TOwlSubview;
  return GroupViewMaker() ? GroupViewMaker()() : nullptr;
}

// Port, hidden window and window object over a created document window.
TOwlSubview* Furnish(TOwlWindow* window, bool group, TWindowDocument* document) {
  auto port = std::make_unique<TWindowPort>();
  InitWindowPort(port.get(), window->m_hWnd);
  window->ShowWindow(SW_HIDE);
  TOwlSubview* object = MakeWindowObject(group);
  if (object) object->IOwlView(document, std::move(port), true, true, true);
  return object;
}

void JoinClipboardViewer(TOwlSubview* object) {
  if (object && Hooks().joinClipboardViewer) Hooks().joinClipboardViewer(object);
}

CCreateContext ContextFor(TWindowDocument* document) {
  CCreateContext context;
  context.m_pNewViewClass = RUNTIME_CLASS(TOwlWindow);
  context.m_pCurrentDoc = document;
  context.m_pNewDocTemplate = document ? document->GetDocTemplate() : nullptr;
  return context;
}

// Kinds 1502 and 6666: a document window straight in the main frame's MDI client.
TOwlSubview* OpenInClient(int32_t kind, TWindowDocument* document, CCreateContext& context) {
  auto* main = dynamic_cast<CMDIFrameWnd*>(GetMainFrame());
  CWnd* client = main ? CWnd::FromHandle(main->m_hWndMDIClient) : nullptr;
  TOwlWindow* window = Hooks().makeDocumentWindow ? Hooks().makeDocumentWindow() : nullptr;
  FailIfNull(window);
  // A window that cannot be created deletes its object.
  if (!window->CreateView(&context, client)) ThrowFailure(kErrOutOfMemory, 0);
  TOwlSubview* object = Furnish(window, kind == kHiddenGroupWindowKind, document);
  if (!object) {
    window->DestroyWindow();
    return nullptr;
  }
  if (kind == kClipboardWindowKind) JoinClipboardViewer(object);
  if (kind == kHiddenGroupWindowKind && Hooks().layOutMainFrame) Hooks().layOutMainFrame(1);
  return object;
}

// Kinds 1000, 1001 and 6662: a document frame from the document's template.
TOwlSubview* OpenInFrame(TWindowDocument* document) {
  if (!document || !document->GetDocTemplate()) return nullptr;
  int32_t& field = document->OpeningField();
  const int32_t saved = field;
  field = 0;
  CFrameWnd* frame = document->GetDocTemplate()->CreateNewFrame(document, nullptr);
  field = saved;
  FailIfNull(frame);
  auto* holder = dynamic_cast<TWindowObjectFrame*>(frame);
  TOwlSubview* object = holder ? holder->WindowObject() : nullptr;
  document->SetWindowFrame(frame);
  if (!object) {
    frame->DestroyWindow();
    document->SetWindowFrame(nullptr);
  }
  return object;
}

}  // namespace

void SetWindowBuilderHooks(const TWindowBuilderHooks& hooks) {
  Hooks() = hooks;
}

void ShowFramePalettes(bool show) {
  if (Hooks().showFramePalettes) Hooks().showFramePalettes(show);
}

void SetGroupViewMaker(TGroupViewMaker maker) {
  GroupViewMaker() = maker;
}

int32_t& PendingWindowKind() {
  static int32_t kind = 0;
  return kind;
}

TOwlSubview* OpenWindow(int32_t kind, TWindowDocument* document) {
  CCreateContext context = ContextFor(document);
  PendingKindScope pending(kind);
  switch (kind) {
    case kClipboardWindowKind:
    case kHiddenGroupWindowKind:
      return OpenInClient(kind, document, context);
    case kDocumentWindowKind:
    case kPlainDocumentWindowKind:
    case kHiddenDocumentWindowKind:
      return OpenInFrame(document);
    default:
      // Kind 1501 is a dialog of its own (ui/dialogs/YesNoPrompt.h); unknown kinds make no window.
      return nullptr;
  }
}

TOwlSubview* BuildClientWindow(int32_t kind, CCreateContext* context, CWnd* parent) {
  if (PendingWindowKind() != 0) kind = PendingWindowKind();
  PendingKindScope pending(0);
  if (!context) return nullptr;
  auto* document = dynamic_cast<TWindowDocument*>(context->m_pCurrentDoc);
  const bool group = kind == kDocumentWindowKind || kind == kHiddenDocumentWindowKind;
  const bool shown = kind == kDocumentWindowKind || kind == kPlainDocumentWindowKind;
  if (kind != kClipboardWindowKind && kind != kDocumentWindowKind &&
      kind != kPlainDocumentWindowKind && kind != kHiddenDocumentWindowKind)
    return nullptr;
  const CRuntimeClass* viewClass =
      context->m_pNewViewClass ? context->m_pNewViewClass : RUNTIME_CLASS(TOwlWindow);
  CObject* made = viewClass->CreateObject();
  auto* window = dynamic_cast<TOwlWindow*>(made);
  if (!window) {
    delete made;
    ThrowFailure(kErrOutOfMemory, 0);
  }
  if (!window->CreateView(context, parent)) ThrowFailure(kErrOutOfMemory, 0);
  TOwlSubview* object = Furnish(window, group, document);
  if (!object) {
    window->DestroyWindow();
    return nullptr;
  }
  if (kind == kClipboardWindowKind) JoinClipboardViewer(object);
  if (shown) window->ShowWindow(SW_SHOW);
  return object;
}
