#include <cstdio>
#include <iostream>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "FontReport.h"
#include "PaperNames.h"
#include "RenderSetup.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "platform/kpathsea/KPathSea.h"

namespace {

using Json = nlohmann::ordered_json;

// COLORREF 0x00BBGGRR as "#RRGGBB".
std::string ColorName(unsigned int color) {
    char name[8];
    std::snprintf(name, sizeof name, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    return name;
}

// The colour stack at the page's bop, bottom first.
Json DescribeColorStack(KsDvi const& dvi, int page) {
    Json stack = Json::array();
    unsigned int const* colors = dvi.GetPageColorStack(page);
    for (int i = 0; i < dvi.GetPageColorStackSize(page); ++i) stack.push_back(ColorName(colors[i]));
    return stack;
}

Json DescribeAnchors(KsDvi const& dvi) {
    Json anchors = Json::array();
    for (KsDvi::TagInfo const& tag : dvi.GetTagList())
        anchors.push_back({{"name", std::string(tag.name.view())}, {"page", tag.page}});
    return anchors;
}

Json FaceName(KsDvi::ItrnFont::TTFInfo const& info) {
    return info.faceName.IsNull() ? Json(nullptr) : Json(info.faceName.c_str());
}

Json DescribePaintingJson(FontReport const& r) {
    Json p = {{"kind", ksdvi::FontPaintingKindName(r.kind)}};
    if (!r.file.empty()) p["file"] = r.file;
    if (!r.face.empty()) p["face"] = r.face;
    if (!r.encoding.empty()) p["encoding"] = r.encoding;
    if (r.dpi) p["dpi"] = r.dpi;
    if (!r.problem.empty()) p["problem"] = r.problem;
    return p;
}

// Every loaded font record, by internal number, and how it is painted.
Json DescribeFonts(KsDvi& dvi, std::vector<FontReport> const& reports) {
    std::vector<KsDvi::ItrnFont const*> fonts(static_cast<size_t>(dvi.GetNItrnFont()));
    for (KsDvi::ItrnFontItr it(dvi); !it.IsFinished(); ++it) fonts[static_cast<size_t>(it()->GetID())] = it();
    Json list = Json::array();
    for (KsDvi::ItrnFont const* f : fonts) {
        list.push_back({{"id", f->GetID()},
                        {"name", f->GetName().c_str()},
                        {"scale", f->GetScaleSize()},
                        {"design", f->GetDesignSize()},
                        {"checksum", f->GetChecksum()},
                        {"virtual", f->IsVirtual() != 0},
                        {"face", FaceName(f->GetSBCTTFInfo())},
                        // XeTeX's native fonts set glyphs by index.
                        {"encoding", f->GetNative() ? "native" : KsDviTTFMap::EncodingKeyword(f->GetEncoding())},
                        {"dbc_face", FaceName(f->GetDBCTTFInfo())},
                        {"xseries", f->GetxSeriesFontIndex()},
                        {"painted", DescribePaintingJson(reports[static_cast<size_t>(f->GetID())])}});
    }
    return list;
}

// The pictures a page queues for drawing: file, format, and where it was found.
Json DescribePictures(KsDvi& dvi, int page) {
    static constexpr char const* kTypes[] = {"wmf", "eps", "jpeg", "gif", "png", "bmp"};
    Json pictures = Json::array();
    for (KsDvi::PagePicture const& p : dvi.GetPagePictures(page)) {
        std::string why;
        std::string path = dvi.GetFiles().Find(p.file, dvi.GetKPathSea(), KPathSea::Format::Picture, &why);
        Json picture = {{"file", p.file},
                        {"type", p.type >= 0 && p.type <= 5 ? kTypes[p.type] : "unknown"},
                        {"found", !path.empty()}};
        if (!path.empty())
            picture["path"] = path;
        else
            picture["problem"] = why;
        pictures.push_back(picture);
    }
    return pictures;
}

Json Describe(DocumentSession& session, std::vector<FontReport> const& reports) {
    KsDvi& dvi = session.Document();
    Json j;
    j["file"] = session.Path();
    j["version"] = dvi.GetDviVersion();
    j["num"] = dvi.GetDviNum();
    j["den"] = dvi.GetDviDen();
    j["mag"] = dvi.GetAbsMag().GetRaw() / 10;
    j["mode"] = session.StateName();
    // The postamble's largest page extent, which is not the paper.
    j["page_width_mm"] = dvi.GetPageWidth();
    j["page_height_mm"] = dvi.GetPageHeight();
    if (auto paper = PaperFor(session, SystemPaperName())) {
        constexpr double kMmPerSp = 25.4 / 72.27 / 65536;
        j["paper"] = {{"width_mm", paper->paper.width * kMmPerSp},
                      {"height_mm", paper->paper.height * kMmPerSp},
                      {"from", paper->from}};
    }
    Json pages = Json::array();
    for (int i = 0; i < dvi.GetNPage(); ++i) {
        pages.push_back({{"index", i},
                         {"tex_page", dvi.GetTeXPageNo(i)},
                         {"start", dvi.GetPageStartOffset(i)},
                         {"end", dvi.GetPageEndOffset(i)},
                         {"background", ColorName(dvi.GetPageBackgroundColor(i))},
                         {"color_stack", DescribeColorStack(dvi, i)},
                         {"pictures", DescribePictures(dvi, i)}});
    }
    j["pages"] = pages;
    j["fonts"] = DescribeFonts(dvi, reports);
    j["missing_fonts"] = dvi.GetMissingFonts();
    j["anchors"] = DescribeAnchors(dvi);
    j["pictures"] = session.Pictures();
    if (!session.Message().empty()) j["problem"] = session.Message();
    return j;
}

void PrintText(Json const& j, std::vector<FontReport> const& reports) {
    std::printf("file:      %s\n", j["file"].get<std::string>().c_str());
    std::printf("version:   %d\n", j["version"].get<int>());
    std::printf("num/den:   %u/%u\n", j["num"].get<unsigned>(), j["den"].get<unsigned>());
    std::printf("mag:       %d\n", j["mag"].get<int>());
    std::printf("mode:      %s\n", j["mode"].get<std::string>().c_str());
    std::printf("pages:     %zu\n", j["pages"].size());
    std::printf("largest page (postamble): %.2f x %.2f mm\n", j["page_width_mm"].get<double>(),
                j["page_height_mm"].get<double>());
    if (j.contains("paper"))
        std::printf("paper:     %.2f x %.2f mm (%s)\n", j["paper"]["width_mm"].get<double>(),
                    j["paper"]["height_mm"].get<double>(), j["paper"]["from"].get<std::string>().c_str());
    for (Json const& p : j["pages"]) {
        std::printf("page %d: tex page %d, bytes %d to %d\n", p["index"].get<int>() + 1, p["tex_page"].get<int>(),
                    p["start"].get<int>(), p["end"].get<int>());
        std::printf("        background %s, colour stack (bottom first)", p["background"].get<std::string>().c_str());
        for (Json const& color : p["color_stack"]) std::printf(" %s", color.get<std::string>().c_str());
        std::printf("\n");
    }
    for (Json const& f : j["fonts"]) {
        std::printf("font %d: %s at %.2fpt (design %.2fpt)%s, face %s, encoding %s\n        painted: %s\n",
                    f["id"].get<int>(), f["name"].get<std::string>().c_str(), f["scale"].get<int>() / 65536.0,
                    f["design"].get<unsigned>() / 65536.0, f["virtual"].get<bool>() ? ", virtual" : "",
                    f["face"].is_null() ? "(none)" : f["face"].get<std::string>().c_str(),
                    f["encoding"].get<std::string>().c_str(), DescribePainting(reports[f["id"].get<size_t>()]).c_str());
    }
    for (Json const& a : j["anchors"])
        std::printf("anchor \"%s\": page %d\n", a["name"].get<std::string>().c_str(), a["page"].get<int>() + 1);
    for (Json const& name : j["pictures"]) std::printf("picture: %s\n", name.get<std::string>().c_str());
}

}  // namespace

int RunInfo(InfoOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    std::vector<FontReport> reports = ReportFonts(session.Document(), options.dpi);
    Json j = Describe(session, reports);
    if (!options.json) session.ReportMissingFonts();
    if (options.json)
        // Names from specials need not be UTF-8.
        std::cout << j.dump(2, ' ', false, Json::error_handler_t::replace) << std::endl;
    else
        PrintText(j, reports);

    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.Message());
        return 1;
    }
    if (!session.Message().empty()) ReportWarning(options.file, session.Message());
    return 0;
}
