#pragma once
// Shorter SVG files from Cairo. Cairo writes every path (each glyph outline
// of each size among them) in absolute coordinates with up to six decimals,
// spells out every style property, defaults included, and draws TikZ's and
// PostScript's lines in their own units under a scaling `transform`. Element
// by element, a line at a time as Cairo writes them, the compactor writes
// path data relative and to hundredths of a point (SvgAttributes.h), with a
// path's plain scaling folded into its points; leaves out style properties
// that say what would hold anyway; writes colours in hex and glyph positions
// to hundredths. A gradient's stops, one a line, lose those that lie on the
// line between their neighbours (ColourStops.h). What it cannot read passes
// unchanged. A text page takes about 40% less, a TikZ page about 30%.

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/ColourStops.h"

namespace ksdvi {

class SvgCompactor {
public:
    explicit SvgCompactor(std::FILE* out) : out_(out) {}

    // False when the file could not be written.
    bool Write(std::string_view piece);
    // Writes what an unfinished line holds (a file cut short); a failure
    // shows in the file's error indicator.
    void Finish();
    // Elements written last on the page, before the end of the file's
    // `svg` element (links over what is drawn).
    void SetEnding(std::string ending) { ending_ = std::move(ending); }

private:
    struct Attribute {
        std::string_view name, value;
    };
    using Properties = std::vector<std::pair<std::string, std::string>>;

    // A complete line rewritten element by element.
    std::string Rewrite(std::string_view line);
    // One element's attributes, rewritten; `opens` when it is a group
    // holding what follows up to its end tag.
    std::string RewriteElement(std::string_view tag, std::vector<Attribute> const& attributes, bool opens);
    // A style attribute's properties with those that change nothing left out.
    Properties CompactStyle(std::string_view style, double widthScale) const;
    // Whether `name: value` says only what holds anyway where it is written.
    bool SaysNothing(std::string_view name, std::string_view value) const;
    // Puts the stops held that the gradient needs into `ready`.
    void PutStops(std::string& ready);

    std::FILE* out_;
    std::string line_;                    // the line being read
    std::vector<std::string> stopLines_;  // a gradient's stops read so far
    std::vector<ColourStop> stops_;       // and what they say
    std::vector<Properties> groups_;      // what the open groups set for what they hold
    std::string ending_;
};

}  // namespace ksdvi
