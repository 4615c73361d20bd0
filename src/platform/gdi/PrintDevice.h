// A printer whose pages become a PDF or PostScript document: the paper in
// points, addressed by a CDC in device pixels of the printer's resolution.
// It takes images (StretchDIBits, SetDIBitsToDevice) and solid rectangles;
// other drawing has no pixels to land on and is dropped, which RASTERCAPS says.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include <cairo.h>

#include "platform/gdi/RasterDevice.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"

namespace ksdvi::gdi {

enum class PrintFormat { Pdf, PostScript };

struct PrintDeviceSpec {
    PrintFormat format = PrintFormat::Pdf;
    double widthPoints = 0;  // the paper, 1/72 inch
    double heightPoints = 0;
    int dpiX = 600;
    int dpiY = 600;
};

class PrintDevice : public std::enable_shared_from_this<PrintDevice> {
public:
    // Receives the document's bytes as they are made; false stops the output.
    using Writer = std::function<bool(const unsigned char* data, std::size_t size)>;

    // Null when the paper or resolution is not positive.
    static std::shared_ptr<PrintDevice> Create(const PrintDeviceSpec& spec, Writer writer);
    ~PrintDevice();
    PrintDevice(const PrintDevice&) = delete;
    PrintDevice& operator=(const PrintDevice&) = delete;

    const DeviceCaps& Caps() const { return caps_; }

    // Pages: drawing counts only between StartPage and EndPage.
    bool StartPage();
    bool EndPage();
    // Writes the rest of the document; false when anything failed to be written.
    // Later pages and drawing are refused.
    bool Finish();

    // `from` of `source` stretched to `dest` (device pixels, mirrored when
    // reversed), inside `clip` when there is one.
    bool DrawImage(const RECT& dest, const Surface& source, const RECT& from, const Region* clip);
    bool FillRect(const RECT& area, Pixel colour, const Region* clip);

private:
    PrintDevice() = default;
    static cairo_status_t Write(void* closure, const unsigned char* data, unsigned int length);
    void ClipTo(const Region* clip);

    struct Release {
        void operator()(cairo_surface_t* s) const;
        void operator()(cairo_t* c) const;
    };
    Writer writer_;
    bool writeFailed_ = false;
    std::unique_ptr<cairo_surface_t, Release> surface_;
    std::unique_ptr<cairo_t, Release> cr_;
    DeviceCaps caps_;
    bool pageOpen_ = false;
    bool finished_ = false;
};

}  // namespace ksdvi::gdi
