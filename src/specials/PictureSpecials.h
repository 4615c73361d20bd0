#pragma once
// The picture specials, read once for the document's list of picture files and
// for the renderer, which places and scales them:
//   graphics: DX DY NW NH TW TH TYPE FILE
//   psfile=FILE hoffset=.. voffset=.. hscale=.. vscale=.. llx=.. lly=.. urx=..
//     ury=.. rwi=.. rhi=.. angle=.. hsize=.. vsize=.. clip
//     (blank-separated key=value pairs, any order)
// and how specials name the formats of KsDviDrawer::PictInfo::type.

#include <optional>
#include <string_view>

#include "stream/String8.h"

namespace ksdvi {

enum PictureType {
    kPictureWmf = 0,
    kPictureEps = 1,
    kPictureJpeg = 2,
    kPictureGif = 3,
    kPicturePng = 4,
    kPictureBmp = 5,
    kPicturePdf = 6,  // a page of a PDF file (pdf:image)
};

// "WMF", "EPS", "JPG", "JPEG", "GIF", "PNG", "BMP" or "PDF"; -1 for any other word.
int PictureTypeOfWord(std::string_view word);

// By the name's last three letters, or four for "JPEG"; -1 for other endings.
int PictureTypeOfFileName(std::string_view name);

// No bounding-box value given.
constexpr int kNoPictureBox = -1000000;

// graphics: six dimensions (sp) and a type word, then the file name to the end.
struct GraphicsSpecial {
    int dx = 0, dy = 0, naturalWidth = 0, naturalHeight = 0, width = 0, height = 0;
    int type = -1;  // PictureType, -1 for a word that names none
    String8 file;
};
// As the renderer reads it: `args` follows the keyword and is NUL-terminated;
// nullopt when a dimension or the file is missing.
std::optional<GraphicsSpecial> ParseGraphicsSpecial(unsigned char* args);
// As the document reads it, for the files of metafile and EPS pictures only:
// the dimensions, then a word that begins with WMF or EPS, the file after it.
std::optional<String8> ParseGraphicsSpecialFile(unsigned char* args);

// The keys of the psfile form; a key given twice keeps its last value.
struct PsfileSpecial {
    std::optional<String8> file;
    double hoffset = 0, voffset = 0;  // points
    std::optional<double> hscale, vscale;
    int box[4] = {kNoPictureBox, kNoPictureBox, kNoPictureBox, kNoPictureBox};  // llx lly urx ury, points
    unsigned boxGiven = 0;                                                      // one bit per box value
    std::optional<int> rwi, rhi;  // tenths of a point; negative ones mirror the figure, as in dvips
    double angle = 0;   // degrees anticlockwise, about where the offsets put the figure
    bool clip = false;  // the figure is cut at its box (a key without a value)
    // hsize and vsize: the figure is cut at a box this wide and high, up and
    // right from the special's point, before the offsets, scales and turn.
    // Of this cut and clip, the key given last holds, as in dvips.
    double hsize = 612, vsize = 792;  // points
    bool cutToSize = false;
};
// Pairs key=value up to the end or up to a key without '='; keys compare
// without regard to case, unknown ones are skipped.
PsfileSpecial ParsePsfileSpecial(unsigned char* text);

}  // namespace ksdvi
