#pragma once
// Renders pages of a document to a raster device: the paper at the resolution
// and zoom asked for, the DVI origin one inch from the top and left edges. A
// renderer keeps its device from page to page, so a worker allocates the
// page's pixels once.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "dvi/KsDvi.h"
#include "page/Paper.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/PngWriter.h"
#include "platform/gdi/RasterDevice.h"
#include "render/SharedDrawingValues.h"
#include "render/WholePage.h"

class Highlighter;
class KsDviDrawer;
class OutputFile;

inline constexpr int64_t kLeastPictureBudget = int64_t(32) << 20;
inline constexpr int64_t kMostPictureBudget = int64_t(256) << 20;

struct RenderSettings {
    int dpi = 96;
    double zoom = 1.0;
    // The document's paper, else the user's; a page naming another paper
    // (ksdvi::PaperOf) is drawn on that, unless onePaper.
    ksdvi::Paper paper;
    bool onePaper = false;
    bool markLinks = false;
    // Text inside html: links in the link colour rather than the document's.
    bool colourLinkText = false;
    // RenderPng draws pages whose pixels take more than this a band of rows
    // at a time.
    int64_t bandBytes = int64_t(16) << 20;
    int64_t pictureBudget = kMostPictureBudget;
};

// Whole device pixels for a length in scaled points.
int PixelsOf(int sp, int dpi, double zoom);

// The page surfaces of a command's workers together stay within this: a
// document asking for huge paper gets fewer workers, or an error, instead of
// whatever the allocator gives.
inline constexpr int64_t kSurfaceBudget = int64_t(768) << 20;
// What a worker's raster pictures may hold decoded (KsDviDrawer's picture
// budget), however many pixels the picture files declare: what the budget
// leaves beside the workers' surfaces, within these bounds.
int64_t SurfaceBytes(RenderSettings const& settings);
// How many of `wanted` workers fit the budget, each with its page's surface
// and its pictures, and what each worker's pictures may then hold.
int WorkersWithinBudget(RenderSettings& settings, int wanted);
// Why a page of these settings is above the budget; empty when it is not.
std::string SurfaceBudgetProblem(RenderSettings const& settings);

class PageRenderer {
public:
    explicit PageRenderer(RenderSettings const& settings);
    ~PageRenderer();

    // Pages rendered from now on are painted over where `pattern` occurs.
    void Highlight(std::string const& pattern);

    // Draws the page; false with Error() set when it could not be drawn whole.
    // Drawn() then says whether it was drawn up to a malformed instruction
    // (what was drawn is on the device) or not at all (its bytes are gone).
    bool Render(KsDvi& dvi, int page);
    // The pixels of a page's paper.
    std::pair<int, int> PageSize(KsDvi const& dvi, int page) const;
    bool Drawn() const { return drawn_; }
    // Render, on a device of `width` x `height` pixels with the DVI origin at
    // device pixel (originX, originY) instead of one inch in.
    bool RenderArea(KsDvi& dvi, int page, int originX, int originY, int width, int height);
    ksdvi::gdi::RasterDevice* Device() const { return device_.get(); }
    std::string const& Error() const { return error_; }
    // Draws the page and writes it as PNG at `path`; true when the file was
    // written, even if the page was drawn only up to a malformed instruction
    // (Error() says so). A page that could not be read leaves no file, and
    // whatever was at `path` stays as it was. Pages of many pixels without
    // pictures or PostScript are drawn and written a band of rows at a time,
    // so that memory holds one band. A page the document turns for reading
    // (KsDvi::GetPageRotation) is written turned, as a PDF reader shows it.
    bool RenderPng(KsDvi& dvi, int page, std::string const& path);
    // Why the PNG file could not be written.
    std::string const& WriteError() const { return writeError_; }
    // Codes of each font that had no glyph on the pages rendered so far.
    std::map<std::string, std::set<unsigned>> const& MissingGlyphs() const { return missingGlyphs_; }
    // Characters of fonts the document could not load, on the pages rendered so far.
    long CharsWithoutFont() const { return charsWithoutFont_; }
    // "page N: picture FILE: REASON" for each picture that could not be drawn,
    // and "page N: its PostScript is left out: REASON".
    std::set<std::string> const& PictureProblems() const { return pictureProblems_; }

private:
    // Drawn also when only up to a malformed instruction (error_ says so).
    enum class Band { Drawn, Unreadable, NeedsWholePage };
    // Draws the page on `device`, from `rowsAbove` down (-1: the whole page);
    // NeedsWholePage for a page that cannot be drawn in bands.
    Band DrawOn(ksdvi::gdi::RasterDevice& device, KsDvi& dvi, int page, int rowsAbove);
    enum class Banded { Written, Failed, NeedsWholePage };
    Banded RenderBands(KsDvi& dvi, int page, std::string const& path, int width, int height, int bandRows);
    // The device's pixels, turned `turn` degrees clockwise.
    bool WritePng(std::string const& path, int turn);
    bool Commit(OutputFile& file);  // false with WriteError() set

    RenderSettings settings_;
    std::unique_ptr<ksdvi::gdi::RasterDevice> device_;
    std::unique_ptr<ksdvi::gdi::RasterDevice> band_;
    ksdvi::gdi::PngRowWriter png_;  // its buffers serve page after page
    ksdvi::SharedDrawingValues pageStart_;
    std::string error_, writeError_;
    bool drawn_ = false;
    std::map<std::string, std::set<unsigned>> missingGlyphs_;
    long charsWithoutFont_ = 0;
    std::set<std::string> pictureProblems_;
    std::unique_ptr<Highlighter> highlighter_;
    std::optional<std::pair<int, int>> areaOrigin_;  // set while RenderArea draws
};
