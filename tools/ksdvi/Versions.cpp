#include "Versions.h"

#include <cairo.h>
#include <dlfcn.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <ghostscript/iapi.h>
#include <kpathsea/version.h>
#include <png.h>

#include <cstdio>

namespace {

std::string FreeTypeVersion() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return "unknown";
    FT_Int major = 0, minor = 0, patch = 0;
    FT_Library_Version(library, &major, &minor, &patch);
    FT_Done_FreeType(library);
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

// The tool never links libgs: the helper loads it by its soname, so this
// asks the same library.
std::string GhostscriptVersion() {
    void* library = dlopen(KSDVI_GS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) return {};
    std::string version;
    auto revision = reinterpret_cast<PFN_gsapi_revision>(dlsym(library, "gsapi_revision"));
    gsapi_revision_t r{};
    if (revision && revision(&r, sizeof r) == 0) {
        // 10051 is 10.05.1.
        char text[64];
        std::snprintf(text, sizeof text, "%ld.%02ld.%ld", r.revision / 1000, r.revision % 1000 / 10, r.revision % 10);
        version = std::string(r.product ? r.product : "Ghostscript") + " " + text + " (" KSDVI_GS_LIBRARY ")";
    }
    // Not closed: what libgs leaves to run at exit must stay mapped.
    return version;
}

}  // namespace

std::string VersionReport() {
    std::string report = "ksdvi " KSDVI_VERSION "\n";
    report += "FreeType " + FreeTypeVersion() + "\n";
    report += std::string("Cairo ") + cairo_version_string() + "\n";
    report += std::string(kpathsea_version_string) + "\n";  // "kpathsea version 6.3.4"
    report += std::string("libpng ") + png_get_libpng_ver(nullptr) + "\n";
    if (std::string gs = GhostscriptVersion(); !gs.empty()) report += gs + "\n";
    report.pop_back();  // CLI11 ends the text
    return report;
}
