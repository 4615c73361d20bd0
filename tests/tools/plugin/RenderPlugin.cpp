// A plugin as a viewer or a Python extension loads one: the library linked
// into a shared object that a program knowing nothing of ksdvi opens. It
// draws page 1 of a document with its pictures on paper of the size given as
// `ksdvi render -p 1` does, and writes it to a PNG file.
#include <algorithm>
#include <cstring>
#include <string>

#include "dvi/KsDvi.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"

namespace {

void Copy(std::string const& text, char* out, int size) {
    if (!out || size < 1) return;
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace

// The paper is width x height pixels at `dpi`. 0 when the page was drawn
// and written; `problems` gets the warnings the page's pictures and
// PostScript gave, one a line.
extern "C" __attribute__((visibility("default"))) int ksdvi_plugin_render_first_page(char const* dvi, char const* png,
                                                                                     int dpi, int width, int height,
                                                                                     char* problems, int size) {
    std::string found;
    KsDvi document;
    document.Open(dvi, {}, {});
    document.NewPageWritten(1);
    if (document.GetNPage() < 1) {
        Copy("no complete page", problems, size);
        return 1;
    }
    auto device = ksdvi::gdi::RasterDevice::Create({width, height, dpi, dpi});
    if (!device) return 1;
    ksdvi::gdi::CDC dc(*device);
    KsDviDrawer drawer;
    if (!drawer.Open(dc, document, 0, fpreal4::FromDouble(1.0), dpi, dpi, ksdvi::gdi::RGB(0, 0, 255), String8()))
        return 1;
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        found += "malformed page\n";
    }
    if (!drawer.GetPostScriptProblem().empty()) found += "PostScript: " + drawer.GetPostScriptProblem() + "\n";
    drawer.DrawAllPictures(nullptr);
    for (auto const& problem : drawer.GetPictureProblems()) found += problem.file + ": " + problem.reason + "\n";
    drawer.Close();
    Copy(found, problems, size);
    return device->WritePng(png) ? 0 : 1;
}
