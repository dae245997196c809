#pragma once
// Printing: a printer context draws each page into a page-sized pixel buffer at the printer's
// resolution, and every finished page goes into a PDF file through Cairo.

#include <cstdint>
#include <string>

#include <cairo.h>

#include "platform/win32/GdiTypes.h"

class PrinterJob {
 public:
  PrinterJob(std::string output, int32_t dpi, int32_t width, int32_t height);
  ~PrinterJob();
  PrinterJob(const PrinterJob&) = delete;
  PrinterJob& operator=(const PrinterJob&) = delete;

  cairo_surface_t* Page() const { return page_; }
  bool Start(const char* output);
  bool StartPage();
  bool EndPage();
  bool End();
  void Abort();

 private:
  std::string output_;
  int32_t dpi_;
  cairo_surface_t* page_ = nullptr;
  cairo_surface_t* pdf_ = nullptr;
  bool inPage_ = false;
};

// A printer context writing PDF to output, with pages of width x height pixels at dpi.
HDC CreatePrinterDC(const char* output, int32_t dpi, int32_t width, int32_t height);
// The printer "PDF" (as driver or device name); the port names the output file, which StartDoc
// may replace. Pages are A4 at 150 pixels per inch.
HDC CreateDC(const char* driver, const char* device, const char* port, const void* devmode);
int32_t StartDoc(HDC hdc, const DOCINFO* info);
int32_t StartPage(HDC hdc);
int32_t EndPage(HDC hdc);
int32_t EndDoc(HDC hdc);
int32_t AbortDoc(HDC hdc);
