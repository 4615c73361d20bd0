#include "specials/LinkHandler.h"

#include "specials/HyperlinkSpecials.h"
#include "specials/SpecialPage.h"
#include "specials/SpecialScan.h"

namespace ksdvi {

// A '<' not followed by an a element leaves the special to be read as a
// psfile special.
bool LinkHandler::Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char*) {
    if (family == SpecialFamily::Hypertext) {
        if (std::optional<String8> name = ParseHypertextAnchor(args)) scan.AddAnchor(*name);
        return true;
    }
    HtmlSpecial html = ParseHtmlSpecial(args);
    if (html.kind == HtmlSpecial::Kind::NotAnchor || html.kind == HtmlSpecial::Kind::End) return false;
    if (html.kind == HtmlSpecial::Kind::Name) scan.AddAnchor(html.name);
    return true;
}

bool LinkHandler::Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char*) {
    if (family == SpecialFamily::Hypertext) {
        if (std::optional<HypertextSpecial> area = ParseHypertextSpecial(args)) page.Hypertext(*area);
        return true;
    }
    page.Html(ParseHtmlSpecial(args));
    return true;
}

}  // namespace ksdvi
