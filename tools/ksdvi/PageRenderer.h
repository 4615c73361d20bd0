#pragma once
// Renders pages of a document to raster devices: the paper at the resolution
// and zoom asked for, the DVI origin one inch from the top and left edges.

#include <memory>
#include <string>

#include "PaperSize.h"
#include "dvi/KsDvi.h"
#include "platform/gdi/RasterDevice.h"

struct RenderSettings {
    int dpi = 96;
    double zoom = 1.0;
    PaperSize paper;
    bool markLinks = false;
};

struct RenderedPage {
    std::unique_ptr<ksdvi::gdi::RasterDevice> device;
    std::string error;  // set when the page could not be rendered whole
};

// The device size in pixels for the settings.
int PixelsOf(int sp, int dpi, double zoom);

RenderedPage RenderPage(KsDvi& dvi, int page, RenderSettings const& settings);
