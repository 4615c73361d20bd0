// ksdvi links: the hyperlinks of each page with their areas in device pixels.
//   text: page PAGE KIND HREF TARGET X,Y,W,H...  (one line per link; HREF and
//         TARGET escaped as trace escapes special text)
//   json: [{"page", "kind", "href", "target", "rects": [[x, y, w, h], ...]}]
// KIND is "html" for an anchor's area (grown from what it encloses),
// "hypertext" for an area given in numbers and "pdfmark" for an area of
// hyperref's dvips driver or of xdvipdfmx's pdf: specials.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "JsonLines.h"
#include "render/OffscreenPage.h"
#include "PageSelection.h"
#include "TraceDrawer.h"
#include "render/KsDviDrawer.h"

namespace {

using Json = nlohmann::ordered_json;

char const* KindName(int kind) {
    switch (kind) {
    case 0: return "html";
    case 1: return "hypertext";
    default: return "pdfmark";
    }
}

std::string Escaped(String8 const& s) {
    return TraceDrawer::EscapeSpecial(reinterpret_cast<unsigned char const*>(s.c_str()),
                                      static_cast<unsigned>(s.GetLength()));
}

Json DescribeLink(int page, KsDviDrawer::HyLinkInfo const& link) {
    Json rects = Json::array();
    for (KsDviDrawer::LinkRect const& r : link.rects) rects.push_back({r.x, r.y, r.w, r.h});
    return {{"page", page + 1},
            {"kind", KindName(link.kind)},
            {"href", std::string(link.href.view())},
            {"target", std::string(link.target.view())},
            {"rects", rects}};
}

void PrintText(int page, KsDviDrawer::HyLinkInfo const& link) {
    std::string line = "page " + std::to_string(page + 1) + " " + KindName(link.kind) + " " + Escaped(link.href) + " " +
                       Escaped(link.target);
    for (KsDviDrawer::LinkRect const& r : link.rects) {
        char rect[64];
        std::snprintf(rect, sizeof rect, " %d,%d,%d,%d", r.x, r.y, r.w, r.h);
        line += rect;
    }
    std::printf("%s\n", line.c_str());
}

}  // namespace

int RunLinks(LinksOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    std::string error;
    auto pages = SelectPages(options.pages, session.Document().GetNPage(), error);
    if (!pages) {
        ReportError(options.file, error);
        return 1;
    }
    bool failed = false;
    Json all = Json::array();
    OffscreenPage offscreen(options.dpi);
    for (int page : *pages) {
        bool drawn = offscreen.Run(session.Document(), page, String8(), [&](KsDviDrawer const& drawer) {
            for (KsDviDrawer::HyLinkInfo const* link : drawer.GetHyLinkList()) {
                if (options.json)
                    all.push_back(DescribeLink(page, *link));
                else
                    PrintText(page, *link);
            }
        });
        if (!drawn) {
            ReportError(options.file, offscreen.Error());
            failed = true;
        }
    }
    if (options.json) PrintJsonLines(all);
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.Message());
        return 1;
    }
    return failed ? 1 : 0;
}
