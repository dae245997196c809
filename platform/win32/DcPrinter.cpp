#include "platform/win32/DcPrinter.h"

#include <strings.h>

#include <cairo-pdf.h>

#include "platform/win32/Dc.h"

namespace {

constexpr int32_t kSpError = -1;
constexpr int32_t kA4Width = 1240;  // 210 mm at 150 pixels per inch
constexpr int32_t kA4Height = 1754;
constexpr int32_t kPrinterDpi = 150;

PrinterJob* JobOf(HDC hdc) {
  DeviceContext* dc = LookupDC(hdc);
  return dc && dc->printer ? dc->printer.get() : nullptr;
}

bool IsPdf(const char* name) {
  return name && strcasecmp(name, "PDF") == 0;
}

}  // namespace

PrinterJob::PrinterJob(std::string output, int32_t dpi, int32_t width, int32_t height)
    : output_(std::move(output)), dpi_(dpi) {
  page_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
}

PrinterJob::~PrinterJob() {
  Abort();
  cairo_surface_destroy(page_);
}

bool PrinterJob::Start(const char* output) {
  if (pdf_) return false;
  if (output && *output) output_ = output;
  if (output_.empty()) return false;
  const double points = 72.0 / dpi_;
  pdf_ = cairo_pdf_surface_create(output_.c_str(), cairo_image_surface_get_width(page_) * points,
                                  cairo_image_surface_get_height(page_) * points);
  if (cairo_surface_status(pdf_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(pdf_);
    pdf_ = nullptr;
    return false;
  }
  return true;
}

bool PrinterJob::StartPage() {
  if (!pdf_ || inPage_) return false;
  cairo_t* cr = cairo_create(page_);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  inPage_ = true;
  return true;
}

bool PrinterJob::EndPage() {
  if (!pdf_ || !inPage_) return false;
  inPage_ = false;
  cairo_surface_flush(page_);
  cairo_t* cr = cairo_create(pdf_);
  cairo_scale(cr, 72.0 / dpi_, 72.0 / dpi_);
  cairo_set_source_surface(cr, page_, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_show_page(cr);
  const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  return ok;
}

bool PrinterJob::End() {
  if (!pdf_) return false;
  if (inPage_) EndPage();
  cairo_surface_finish(pdf_);
  const bool ok = cairo_surface_status(pdf_) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(pdf_);
  pdf_ = nullptr;
  return ok;
}

void PrinterJob::Abort() {
  if (!pdf_) return;
  cairo_surface_destroy(pdf_);
  pdf_ = nullptr;
  inPage_ = false;
}

HDC CreatePrinterDC(const char* output, int32_t dpi, int32_t width, int32_t height) {
  if (dpi < 10 || width < 1 || height < 1 || int64_t{width} * height > (int64_t{1} << 27)) {
    return nullptr;
  }
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Printer);
  dc->printer = std::make_unique<PrinterJob>(output ? output : "", dpi, width, height);
  if (cairo_surface_status(dc->printer->Page()) != CAIRO_STATUS_SUCCESS) return nullptr;
  dc->surface = dc->printer->Page();
  dc->dpi = dpi;
  return AddDeviceContext(std::move(dc));
}

HDC CreateDC(const char* driver, const char* device, const char* port, const void* /*devmode*/) {
  if (!IsPdf(driver) && !IsPdf(device)) return nullptr;
  return CreatePrinterDC(port, kPrinterDpi, kA4Width, kA4Height);
}

int32_t StartDoc(HDC hdc, const DOCINFO* info) {
  PrinterJob* job = JobOf(hdc);
  if (!job) return kSpError;
  return job->Start(info ? info->lpszOutput : nullptr) ? 1 : kSpError;
}

int32_t StartPage(HDC hdc) {
  PrinterJob* job = JobOf(hdc);
  return job && job->StartPage() ? 1 : kSpError;
}

int32_t EndPage(HDC hdc) {
  PrinterJob* job = JobOf(hdc);
  return job && job->EndPage() ? 1 : kSpError;
}

int32_t EndDoc(HDC hdc) {
  PrinterJob* job = JobOf(hdc);
  return job && job->End() ? 1 : kSpError;
}

int32_t AbortDoc(HDC hdc) {
  PrinterJob* job = JobOf(hdc);
  if (!job) return kSpError;
  job->Abort();
  return 1;
}
