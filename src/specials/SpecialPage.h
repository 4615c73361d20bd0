#pragma once
// What the handlers of specials ask of the page they are painted on: the
// painter implements it. Handlers parse and keep each family's own state
// (the colour stack, the frame of the next plotfile); the painter places
// and draws.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ksdvi {

struct HtmlSpecial;
struct HypertextSpecial;
struct PdfmarkSpecial;
struct PdfSpecial;
struct GraphicsSpecial;
struct PsfileSpecial;

// A line or shape of the graphics specials, in DVI units: offsets from the
// current point and extents (d[0..3]), then what the kind adds (an arc's
// start and end, offsets from the centre; a box's corner radii).
struct SpecialShape {
    enum class Kind { Line, Arc, RoundBox, Ellipse };
    Kind kind = Kind::Line;
    std::array<int, 8> d{};
    std::optional<std::uint32_t> fill;  // 0x00BBGGRR
};

// The frame ps::[begin] gives the next plotfile: its size and the box it maps.
struct PlotFrame {
    int width = 0x480000, height = 0x480000;
    int llx = 0, lly = 0, urx = 0x480000, ury = 0x480000;
};

class SpecialPage {
public:
    virtual ~SpecialPage() = default;
    // The colour of what follows: glyphs, rules and pens.
    virtual void SetColour(std::uint32_t colour) = 0;
    // The pen of lines and shapes, in DVI units.
    virtual void SetPenWidth(int width) = 0;
    virtual void DrawShape(SpecialShape const& shape) = 0;
    virtual void Html(HtmlSpecial const& html) = 0;
    virtual void Hypertext(HypertextSpecial const& area) = 0;
    virtual void Pdfmark(PdfmarkSpecial const& mark) = 0;
    // xdvipdfmx's link areas, anchors and nolink/link (specials/PdfSpecials.h).
    virtual void Pdf(PdfSpecial const& special) = 0;
    // A pdf: special that draws PDF content (code, literal, bcontent, ...:
    // PdfDrawingSpecials.h), the page's PDF drawing paints; `operators` is
    // what follows its keyword. The painter keeps the state it sets for glyphs.
    virtual void PdfContent(std::string_view keyword, std::string_view operators) {
        static_cast<void>(keyword), static_cast<void>(operators);
    }
    virtual void GraphicsPicture(GraphicsSpecial const& graphics) = 0;
    virtual void PlotfilePicture(std::string_view file, PlotFrame const& frame) = 0;
    virtual void PsfilePicture(PsfileSpecial const& psfile) = 0;
    // A '#' record naming a picture; the bytes after the '#'.
    virtual void RecordPicture(unsigned char* args, unsigned char* end) = 0;
};

}  // namespace ksdvi
