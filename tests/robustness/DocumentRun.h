#pragma once
// One document through the whole pipeline, as `ksdvi render` runs it: open
// and scan, trace every page with the page interpreter, render every page on
// a small raster device.

#include <memory>
#include <string>
#include <vector>

#include "HostDocument.h"
#include "HostFonts.h"
#include "PageRenderer.h"
#include "interp/KsDviDrawerBase.h"
#include "platform/gdi/Font.h"
#include "support/TempFile.h"

namespace ksdvi::robustness {

// What the interpreter reported on one page.
struct PageTrace {
    int characters = 0;
    int rules = 0;
    int specials = 0;
    bool malformed = false;  // the page stopped at an instruction it does not accept
    bool operator==(PageTrace const&) const = default;
};

class CountingDrawer : public KsDviDrawerBase {
public:
    PageTrace trace;

protected:
    void PutChar(int, int, unsigned short, int, int, int) override { ++trace.characters; }
    void PutRule(int, int, int, int) override { ++trace.rules; }
    void DoSpecial(unsigned int length, InstPtr text) override {
        KsDviDrawerBase::DoSpecial(length, text);
        ++trace.specials;
    }
};

// The installation's map and kpathsea, read once for every test.
inline HostFonts& SharedFonts() {
    static HostFonts fonts;
    return fonts;
}

// Where a document's fonts come from: these directories first, then
// kpathsea; faces from `map`, or the installation's map when it is null.
struct FontSetup {
    std::vector<std::string> tfmPaths;
    std::vector<std::string> vfPaths;
    KsDviTTFMap* map = nullptr;
};

class DocumentRun {
public:
    explicit DocumentRun(std::string const& path, FontSetup const& fonts = {}) { Load(path, fonts); }
    // A mutant, written to a file of its own first.
    explicit DocumentRun(std::vector<uint8_t> const& bytes, FontSetup const& fonts = {})
        : file_(std::make_unique<TempFile>(bytes)) {
        Load(file_->Path(), fonts);
    }

    KsDvi& Document() { return dvi_; }

    // Every page through the interpreter; a page that cannot be opened is a
    // failure of the test.
    std::vector<PageTrace> Trace() {
        std::vector<PageTrace> pages;
        for (int page = 0; page < Document().GetNPage(); ++page) {
            CountingDrawer drawer;
            if (!drawer.Open(Document(), page)) {
                opensFailed_++;
                pages.emplace_back();
                continue;
            }
            try {
                drawer.Draw(-1);
            } catch (KsDviDrawerBase::MalformedDviError const&) {
                drawer.trace.malformed = true;
            }
            pages.push_back(drawer.trace);
        }
        return pages;
    }

    // Every page painted; what went wrong per page ("" when nothing did).
    std::vector<std::string> Render() {
        RenderSettings settings;
        settings.dpi = 36;
        settings.markLinks = true;
        settings.paper = *ParsePaperOption("a4");
        PageRenderer renderer(settings);
        std::vector<std::string> errors;
        for (int page = 0; page < Document().GetNPage(); ++page) {
            renderer.Render(Document(), page);
            errors.push_back(renderer.Error());
        }
        return errors;
    }

    int OpensFailed() const { return opensFailed_; }

private:
    // As the host opens a document: its fonts, faces and private font files.
    void Load(std::string const& path, FontSetup const& fonts) {
        HostFonts& shared = SharedFonts();
        dvi_.SetKPathSea(&shared.Finder());
        dvi_.SetDviTTFMap(fonts.map ? fonts.map : &shared.Map());
        dvi_.SetFaceQuery(
            [](KsDvi::CDC* dc, char const* face) { return ksdvi::gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
        dvi_.Open(String8(path.c_str()), Directories(fonts.tfmPaths), Directories(fonts.vfPaths));
        dvi_.NewPageWritten(0);
        shared.RegisterFontFiles(dvi_);
    }
    static DList<String8> Directories(std::vector<std::string> const& dirs) {
        DList<String8> list;
        for (std::string const& dir : dirs) list.Append(String8((dir + "/").c_str()));
        return list;
    }

    std::unique_ptr<TempFile> file_;
    HostDocument dvi_;
    int opensFailed_ = 0;
};

}  // namespace ksdvi::robustness
