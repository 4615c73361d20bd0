#include "render/PostScriptPage.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <locale>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

#include "device/PdfPagePainter.h"
#include "dvi/DocumentFiles.h"
#include "dvi/DviOpcodes.h"
#include "font/ItrnFont.h"
#include "interp/KsDviDrawerBase.h"
#include "page/PixelMapping.h"
#include "platform/gs/GS.h"
#include "platform/gs/GsWire.h"
#include "platform/kpathsea/KPathSea.h"
#include "render/CoveragePainter.h"
#include "render/CoveredText.h"
#include "render/EpsFile.h"
#include "render/FontPainting.h"
#include "render/PageColourCollector.h"
#include "render/PostScriptFonts.h"
#include "render/PostScriptTransforms.h"
#include "specials/DvipsColour.h"
#include "specials/PdfSpecials.h"
#include "specials/PictureSpecials.h"
#include "specials/PostScriptSpecials.h"
#include "specials/SpecialKeywords.h"
#include "stream/DeviceRounding.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// dvips' own prologues, in the order dvips puts them.
constexpr char const* kPrologues[] = {"tex.pro", "special.pro", "color.pro"};
// A prologue file larger than this is not one.
constexpr std::streamoff kLargestPrologue = std::streamoff(1) << 24;
// What the font programs a page's job shows TeX's characters in may hold together.
constexpr size_t kLargestShownFonts = size_t(16) << 20;

// What the EPS pictures of one page may hold together to go into its job.
constexpr size_t kLargestPagePictures = size_t(64) << 20;

// Prints the graphics state for the library, after the special it is numbered
// by: the current transformation, and "invisible" while another device than
// the page's (pgf's nulldevice) is current or the clip holds nothing (psfrag
// hides its list of replacements so), "shown" while show is not
// Ghostscript's own (pst-text and \pscharpath make it draw TeX's characters),
// "clip" with the bounding box of the clip in device space, and "alpha" with
// the fill opacity below 1 (pgf's opacity, which TeX's characters take).
// Numbered -1, it notes the page's device. ksdvi@char shows a character of
// TeX's at a point, when show is not Ghostscript's own.
constexpr char kReportState[] =
    "userdict begin /ksdvi@hidden { currentdevice ksdvi@device ne { true } { gsave mark { clippath pathbbox } "
    "stopped { true } { 3 index 2 index eq 3 index 2 index eq or } ifelse counttomark 1 add 1 roll cleartomark "
    "grestore } "
    "ifelse } "
    "bind def /ksdvi@ctm { dup -1 eq { userdict /ksdvi@device currentdevice put } if "
    "(%%[ksdvi-data: ) print =only matrix currentmatrix { ( ) print =only } forall "
    "ksdvi@hidden { ( invisible) print } if ksdvi@shown { ( shown) print } if "
    "gsave matrix setmatrix mark { clippath pathbbox } stopped { cleartomark } "
    "{ ( clip) print 4 array astore { ( ) print =only } forall pop } ifelse grestore "
    "/.currentfillconstantalpha where { pop .currentfillconstantalpha dup 1 lt { ( alpha ) print =only } { pop } "
    "ifelse } if (\\n) print } bind def "
    "/ksdvi@shown { /show where { /show get systemdict /show get ne } { false } ifelse } bind def "
    "/ksdvi@char { ksdvi@shown { setfont 3 1 roll moveto show } { pop pop pop pop } ifelse } def end\n";

// pstricks' code for xdvipdfmx (PST:, pst:) reckons in big points with y
// up, where its code for dvips reckons in dvips' pixels with y down: there
// STV, which turns the one into the other, does nothing, and Rot, which
// turns what TeX sets, turns the other way. ksdvi@bp and ksdvi@unbp go into
// big points about the page's origin and back, as dvips' normalscale does.
constexpr char kPstricksForXdvipdfmx[] =
    "TeXDict begin /ksdvi@xdvipdfmx { userdict /tx@Dict known { tx@Dict begin /STV { } def "
    "/Rot { CP CP translate 3 -1 roll rotate NET } def end } if } def "
    "/ksdvi@bp { Resolution 72 div VResolution 72 div neg scale DVImag dup scale } def "
    "/ksdvi@unbp { 1 DVImag div dup scale 72 Resolution div 72 VResolution div neg scale } def end\n";

std::string Number(double v) { return FixedNumber(v, 4); }

// The PostScript specials of a page and the colour changes between them, in order.
class SpecialCollector : public PageColourCollector {
public:
    struct Event {
        // Probe: a character's box, for CoveredText. Save, Transform and
        // Restore: xdvipdfmx's transformations (pdf:btrans, x:scale,
        // pdf:etrans: graphicx's \rotatebox under XeTeX; x:gsave and
        // x:grestore, which end pstricks' clips for xdvipdfmx), so that the
        // page's PostScript and pictures turn with what TeX sets.
        enum class Type { Colour, Rule, PostScript, Picture, Character, Probe, Save, Transform, Restore };
        Type type = Type::PostScript;
        unsigned int rgb = 0;  // a colour: 0x00BBGGRR
        PostScriptSpecial::Kind kind = PostScriptSpecial::Kind::None;
        std::string code;
        int32_t h = 0, v = 0;           // the special's position, or the rule's lower left corner
        int32_t height = 0, width = 0;  // a rule's, a character's
        PsfileSpecial picture = {};     // an EPS picture's keys
        KsDvi::ItrnFont const* font = nullptr;  // a character's, and its code
        unsigned code8 = 0;
        int32_t depth = 0;      // a character's
        bool vertical = false;  // a character's box lies across the line
    };
    std::vector<Event> events;

protected:
    void DoSpecial(unsigned int length, InstPtr text) override {
        KsDviDrawerBase::DoSpecial(length, text);
        PostScriptSpecial ps = ParsePostScriptSpecial(text.Get(), length);
        if (IsPagePostScript(ps)) {
            events.push_back({Event::Type::PostScript, 0, ps.kind, std::string(ps.code), GetH(), GetV(), 0, 0, {}});
            mentionsShow_ = mentionsShow_ || ps.code.find("/show") != std::string_view::npos;
            return;
        }
        std::string words(reinterpret_cast<char const*>(text.Get()), length);
        SpecialKeyword const* keyword = FindSpecialKeyword(text.Get(), length);
        if (keyword && (keyword->family == SpecialFamily::Pdf || keyword->family == SpecialFamily::PdfExtension)) {
            NoteTransformation(ParsePdfSpecial(std::string_view(words).substr(keyword->word.size()),
                                               keyword->family == SpecialFamily::PdfExtension));
            return;
        }
        if (!keyword) {
            PsfileSpecial picture = ParsePsfileSpecial(reinterpret_cast<unsigned char*>(words.data()));
            if (picture.file)
                events.push_back({Event::Type::Picture,
                                  0,
                                  PostScriptSpecial::Kind::None,
                                  {},
                                  GetH(),
                                  GetV(),
                                  0,
                                  0,
                                  std::move(picture)});
            return;
        }
        if (std::optional<unsigned int> rgb = ColourAfter(words))
            events.push_back({Event::Type::Colour, *rgb, PostScriptSpecial::Kind::None, {}, 0, 0, 0, 0, {}});
    }
    // Each character's box, for the run that finds what covers it; and the
    // characters of TeX's single-byte fonts once PostScript has named show:
    // the job shows them while show is another than Ghostscript's.
    void PutChar(int h, int v, unsigned short, int width, int height, int depth) override {
        if (probes_ < kMostProbes) {
            ++probes_;
            Event probe{Event::Type::Probe, 0, PostScriptSpecial::Kind::None, {}, h, v, height, width, {}};
            probe.depth = depth;
            probe.vertical = GetDirection() != dvi::kHorizontal;
            events.push_back(std::move(probe));
        }
        if (!mentionsShow_ || GetMultiByteState() == 1) return;
        KsDvi::ItrnFont const* font = GetItrnFont(GetCurFont());
        if (font && !font->GetNative() && !font->GetJapanese() && GetDviCode() < 256)
            events.push_back(
                {Event::Type::Character, 0, PostScriptSpecial::Kind::None, {}, h, v, 0, 0, {}, font, GetDviCode()});
    }
    // Rules lie among the PostScript as dvips stacks them: a rule drawn after a
    // filled shape covers it, one drawn before lies beneath.
    void PutRule(int h, int v, int height, int width) override {
        if (height > 0 && width > 0)
            events.push_back({Event::Type::Rule, 0, PostScriptSpecial::Kind::None, {}, h, v, height, width, {}});
    }

private:
    void NoteTransformation(PdfSpecial const& special) {
        using Kind = PdfSpecial::Kind;
        Event event;
        switch (special.kind) {
        case Kind::TransformStart: event.type = Event::Type::Save; break;
        case Kind::Transform: event.type = Event::Type::Transform; break;
        // A grestore past the saves would undo the page's own state.
        case Kind::TransformEnd:
            if (saves_ == 0) return;
            event.type = Event::Type::Restore;
            break;
        default: return;
        }
        saves_ += event.type == Event::Type::Save ? 1 : event.type == Event::Type::Restore ? -1 : 0;
        event.h = GetH();
        event.v = GetV();
        // The PDF matrix, y up in big points, as a PostScript one about
        // the current point, y down in the page's pixels.
        double const(&m)[6] = special.matrix;
        if (event.type != Event::Type::Restore &&
            (m[0] != 1 || m[1] != 0 || m[2] != 0 || m[3] != 1 || m[4] != 0 || m[5] != 0)) {
            event.code = "[";
            for (double v : {m[0], -m[1], -m[2], m[3]}) event.code.append(Number(v)).append(" ");
            event.code.append(Number(m[4])).append(" Resolution 72 div mul ");
            event.code.append(Number(-m[5])).append(" VResolution 72 div mul]");
        }
        events.push_back(std::move(event));
    }

    // A page of more characters has no covered text found.
    static constexpr int kMostProbes = 1 << 16;
    int probes_ = 0;
    bool mentionsShow_ = false;
    int saves_ = 0;
};

// The graphics states after each PostScript special of a page whose
// PostScript only transforms or hides, found without an interpreter; nullopt
// when it does more.
std::optional<std::vector<PageGraphicsState>> EvaluateStates(std::vector<SpecialCollector::Event> const& events,
                                                             PostScriptPage::Geometry const& g) {
    PostScriptTransforms transforms(g.dpiX, g.dpiY);
    std::vector<PageGraphicsState> after;
    for (SpecialCollector::Event const& event : events) {
        if (event.type != SpecialCollector::Event::Type::PostScript) continue;
        if (!IsFollowedWithoutGhostscript({event.kind, event.code})) return std::nullopt;
        if (event.kind == PostScriptSpecial::Kind::Positioned)
            transforms.MoveTo(event.h * g.hPixPerDvi, event.v * g.vPixPerDvi);
        if (!transforms.Run(event.code)) return std::nullopt;
        after.push_back(transforms.Graphics());
    }
    return after;
}

// The text of a PostScript file, read once for the process.
std::string const* FileText(std::string const& path) {
    static std::mutex lock;
    static std::map<std::string, std::string> files;
    std::lock_guard<std::mutex> guard(lock);
    auto it = files.find(path);
    if (it == files.end()) it = files.emplace(path, ReadRegularFile(path, kLargestPrologue).value_or("")).first;
    return it->second.empty() ? nullptr : &it->second;
}

std::string HexByte(unsigned byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[byte >> 4 & 15], kDigits[byte & 15]};
}

// `text` as a PostScript string in hex: <...>, lines of 64 digits.
std::string HexString(std::string const& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex = "<";
    hex.reserve(text.size() * 2 + text.size() / 32 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
        if (i % 32 == 31) hex += '\n';
    }
    return hex + ">";
}

std::string Colour(unsigned int rgb) {
    return Number((rgb & 0xFF) / 255.0) + " " + Number(((rgb >> 8) & 0xFF) / 255.0) + " " +
           Number(((rgb >> 16) & 0xFF) / 255.0) + " TeXcolorrgb\n";
}

// The EPS pictures of a page, read for its job: all of them, or none when
// one cannot be (the drawer then draws each on its own and says why).
std::optional<std::vector<std::string>> ReadPictures(KsDvi& dvi, KPathSea& finder,
                                                     std::vector<SpecialCollector::Event> const& events) {
    std::vector<std::string> pictures;
    size_t total = 0;
    for (SpecialCollector::Event const& event : events) {
        if (event.type != SpecialCollector::Event::Type::Picture) continue;
        std::string path = dvi.GetFiles().Find(event.picture.file->view(), &finder, KPathSea::Format::Picture);
        std::optional<std::string> text;
        if (!path.empty()) text = ReadRegularFile(path, kLargestPagePictures - total);
        if (!text) return std::nullopt;
        if (text->size() >= kDosEpsHeaderSize) {
            if (auto part = DosEpsPostScript(reinterpret_cast<unsigned char const*>(text->data())))
                *text = text->substr(std::min<size_t>(part->first, text->size()), part->second);
        }
        total += text->size();
        pictures.push_back(std::move(*text));
    }
    return pictures;
}

// dvips' inclusion of an EPS file: its keys for special.pro, then the file.
std::string IncludedPicture(PsfileSpecial const& p, std::string const& text) {
    std::string keys = "@beginspecial";
    auto key = [&](double value, char const* name) {
        keys.append(" ").append(Number(value)).append(" @").append(name);
    };
    if (p.hoffset != 0) key(p.hoffset, "hoffset");
    if (p.voffset != 0) key(p.voffset, "voffset");
    if (p.hscale) key(*p.hscale, "hscale");
    if (p.vscale) key(*p.vscale, "vscale");
    if (p.angle != 0) key(p.angle, "angle");
    static constexpr char const* kBox[] = {"llx", "lly", "urx", "ury"};
    for (int i = 0; i < 4; ++i)
        if (p.boxGiven & (1u << i)) key(p.box[i], kBox[i]);
    if (p.rwi) key(*p.rwi, "rwi");
    if (p.rhi) key(*p.rhi, "rhi");
    if (p.cutToSize) key(p.hsize, "hsize"), key(p.vsize, "vsize");
    if (p.clip) keys += " @clip";
    return keys.append(" @setspecial\n%%BeginDocument: ksdvi\n").append(text).append("\n%%EndDocument\n@endspecial\n");
}

// The forms of pdfmark that the pages before `page` make (pgf's fadings:
// beamer makes its shadows' on the first slide that shows one), as their
// PostScript made them there: each from the definitions just before its
// /BP to its /EP, run apart so that one that fails takes nothing with it.
// `append` writes an event as the page's job has it.
constexpr int kMostPdfFormPages = 16;
constexpr size_t kMostPdfFormBytes = size_t(4) << 20;

template <class Append>
std::string EarlierPdfForms(KsDvi& dvi, int page, Append const& append) {
    using Event = SpecialCollector::Event;
    auto postScript = [](Event const& e) { return e.type == Event::Type::PostScript; };
    auto defines = [&](Event const& e) {
        return postScript(e) && e.code.find(" def") != std::string::npos && e.code.find("fill") == std::string::npos &&
               e.code.find("stroke") == std::string::npos && e.code.find("show") == std::string::npos;
    };
    std::string forms;
    int pages = 0;
    for (KsDvi::PostScriptHeader const& header : dvi.GetPostScriptHeaders()) {
        if (!header.pdfForms || header.page >= page) continue;
        // Each is a page read again for every later page: a document that
        // makes forms on many pages has those of its first pages remade.
        if (++pages > kMostPdfFormPages || forms.size() > kMostPdfFormBytes) break;
        SpecialCollector earlier;
        if (!earlier.Collect(dvi, header.page)) continue;
        std::vector<Event> const& events = earlier.events;
        for (size_t i = 0; i < events.size(); ++i) {
            if (!postScript(events[i]) || !MakesPdfForm(events[i].code)) continue;
            size_t first = i;
            while (first > 0 && (events[first - 1].type == Event::Type::Probe || defines(events[first - 1]))) --first;
            std::string form;
            size_t picture = 0;
            for (; first < i; ++first) append(form, events[first], nullptr, picture);
            for (int depth = 0; i < events.size(); ++i) {
                append(form, events[i], nullptr, picture);
                if (!postScript(events[i])) continue;
                depth += MakesPdfForm(events[i].code);
                if (EndsPdfForm(events[i].code) && --depth <= 0) break;
            }
            forms += "TeXDict begin mark " + HexString(form) + " cvx stopped cleartomark end\n";
        }
    }
    return forms;
}

// The fonts of the characters among `events` that the job can show (Type 1
// programs), defined for it; `keys` gets each one's name in the job.
std::string ShownFonts(KsDvi& dvi, std::vector<SpecialCollector::Event> const& events,
                       PostScriptPage::Geometry const& g, std::map<int, std::string>& keys) {
    std::string fonts;
    std::set<int> tried;
    for (SpecialCollector::Event const& event : events) {
        if (event.type != SpecialCollector::Event::Type::Character || !tried.insert(event.font->GetID()).second)
            continue;
        KsDvi::ItrnFont const& font = *event.font;
        FontPainting const painting = ChooseFontPainting(dvi, font, g.dpiY);
        if (painting.kind != FontPainting::Kind::Outline || !painting.face) continue;
        std::optional<Type1Program> program =
            ReadType1Program(painting.fontFile.empty() ? painting.face->Path() : painting.fontFile);
        if (!program || fonts.size() + program->text.size() > kLargestShownFonts) continue;
        KsDvi::ItrnFont::TTFInfo const& info = font.GetSBCTTFInfo();
        std::string key = "ksdvi@font" + std::to_string(font.GetID());
        fonts += program->text + "\nuserdict begin " +
                 DefineShownFont(key, program->fontName, font.GetGlyphNames(), font.GetScaleSize() * g.vPixPerDvi,
                                 info.slantFont, info.extendFont * g.hPixPerDvi / g.vPixPerDvi) +
                 "end\n";
        keys.emplace(font.GetID(), std::move(key));
    }
    return fonts;
}

// A clip reported in device space on the page, about the DVI origin; none
// when it is the page's own (as at the start of the page) or unknown.
std::optional<std::array<double, 4>> ClipOnPage(std::optional<std::array<double, 4>> const& clip,
                                                std::optional<std::array<double, 4>> const& pageClip,
                                                Affine const& toPage) {
    if (!clip || !pageClip) return std::nullopt;
    bool same = true;
    for (size_t i = 0; i < 4; ++i) same = same && std::fabs((*clip)[i] - (*pageClip)[i]) < 0.5;
    if (same) return std::nullopt;
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
    for (auto [x, y] : {std::pair{(*clip)[0], (*clip)[1]},
                        {(*clip)[2], (*clip)[1]},
                        {(*clip)[0], (*clip)[3]},
                        {(*clip)[2], (*clip)[3]}}) {
        double px = 0, py = 0;
        toPage.Apply(x, y, px, py);
        left = std::min(left, px), right = std::max(right, px);
        top = std::min(top, py), bottom = std::max(bottom, py);
    }
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom))
        return std::nullopt;
    return std::array<double, 4>{left, top, right, bottom};
}

// The page of a job, in device dots: for a PDF job three times the paper's
// width and twice its height, as far as Ghostscript's limits allow.
std::pair<int, int> JobSize(PostScriptPage::Geometry const& g, bool asPdf) {
    int64_t const width = int64_t(g.width) * 3, height = int64_t(g.height) * 2;
    if (!asPdf || width > gs::kMaxSide || height > gs::kMaxSide || uint64_t(width * height) > gs::kMaxPixels)
        return {g.width, g.height};
    return {int(width), int(height)};
}

// Whether an event may draw over characters before it: hyperref's links
// and destinations (pdfmarks) draw nothing.
bool MayDraw(SpecialCollector::Event const& event) {
    using Type = SpecialCollector::Event::Type;
    if (event.type == Type::Picture) return true;
    return event.type == Type::PostScript && event.code.find("pdfmark") == std::string::npos &&
           event.code.find(" H.") == std::string::npos;
}

// Leaves out the boxes of the characters that nothing may draw over; true
// when some are left.
bool KeepCoverableCharacters(std::vector<SpecialCollector::Event>& events) {
    auto const isProbe = [](auto const& event) { return event.type == SpecialCollector::Event::Type::Probe; };
    auto const lastDrawing = std::find_if(events.rbegin(), events.rend(), MayDraw).base();
    events.erase(std::remove_if(lastDrawing, events.end(), isProbe), events.end());
    return std::any_of(events.begin(), events.end(), isProbe);
}

// A character's box, from the pen, in the job's space (device dots about the
// DVI origin, down the page), one dot wider each way for its edges.
std::array<double, 4> ProbeRectangle(SpecialCollector::Event const& e, PostScriptPage::Geometry const& g) {
    double const h = e.h, v = e.v, width = e.width, height = e.height, depth = e.depth;
    std::array<double, 4> box = e.vertical ? std::array{(h - depth) * g.hPixPerDvi, v * g.vPixPerDvi,
                                                        (height + depth) * g.hPixPerDvi, width * g.vPixPerDvi}
                                           : std::array{h * g.hPixPerDvi, (v - height) * g.vPixPerDvi,
                                                        width * g.hPixPerDvi, (height + depth) * g.vPixPerDvi};
    return {box[0] - 1, box[1] - 1, box[2] + 2, box[3] + 2};
}

// The boxes of the visible characters in device pixels, each in the graphics
// state of the PostScript special before it.
std::vector<CoveredText::Box> CharacterBoxes(std::vector<SpecialCollector::Event> const& events,
                                             std::vector<PageGraphicsState> const& states,
                                             PostScriptPage::Geometry const& g) {
    std::vector<CoveredText::Box> boxes;
    PageGraphicsState state;
    size_t specials = 0;
    for (SpecialCollector::Event const& event : events) {
        if (event.type == SpecialCollector::Event::Type::PostScript && specials < states.size())
            state = states[specials++];
        if (event.type != SpecialCollector::Event::Type::Probe || state.invisible) continue;
        auto const [x, y, width, height] = ProbeRectangle(event, g);
        CoveredText::Box box;
        bool finite = true;
        for (size_t i = 0; i < 4; ++i) {
            state.transform.Apply(i == 1 || i == 2 ? x + width : x, i >= 2 ? y + height : y, box.x[i], box.y[i]);
            box.x[i] = std::clamp(box.x[i] + g.hOrigin, -double(gs::kMaxSide), double(gs::kMaxSide));
            box.y[i] = std::clamp(box.y[i] + g.vOrigin, -double(gs::kMaxSide), double(gs::kMaxSide));
            finite = finite && std::isfinite(box.x[i]) && std::isfinite(box.y[i]);
        }
        if (finite) boxes.push_back(box);
    }
    return boxes;
}

// The graphics states a job's output reports after each of the page's
// `count` PostScript specials, transformations about the page's own.
std::vector<PageGraphicsState> ReportedStates(std::string const& output, int count) {
    std::map<int, PageGraphicsState> reported;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());  // Ghostscript writes "1.5", whatever locale a host set for C++
        int at;
        PageGraphicsState state;
        Affine& m = state.transform;
        if (!(fields >> at >> m.a >> m.b >> m.c >> m.d >> m.e >> m.f)) continue;
        for (std::string word; fields >> word;) {
            state.invisible = state.invisible || word == "invisible";
            state.shown = state.shown || word == "shown";
            if (std::array<double, 4> box; word == "clip" && fields >> box[0] >> box[1] >> box[2] >> box[3])
                state.clip = box;
            if (double alpha; word == "alpha" && fields >> alpha) state.opacity = std::clamp(alpha, 0.0, 1.0);
        }
        reported[at] = state;
    }
    auto base = reported.find(-1);
    if (base == reported.end()) return {};
    Affine toPage = base->second.transform.Inverse();
    std::vector<PageGraphicsState> states(static_cast<size_t>(count));
    PageGraphicsState last;
    for (int i = 0; i < count; ++i) {
        if (auto it = reported.find(i); it != reported.end())
            last = {it->second.transform.Then(toPage), it->second.invisible, it->second.shown,
                    ClipOnPage(it->second.clip, base->second.clip, toPage), it->second.opacity};
        states[static_cast<size_t>(i)] = last;
    }
    return states;
}

}  // namespace

PostScriptPage::PostScriptPage() : covered_(std::make_unique<CoveredText>()) {}
PostScriptPage::~PostScriptPage() = default;

bool PostScriptPage::Run(KsDvi& dvi, int page, Geometry const& g, gdi::CDC* dc, gdi::CDC* reference, bool asPdf,
                         bool pdfWhereNeeded) {
    states_.clear();
    error_.clear();
    pdf_.clear();
    timedOut_ = false;
    asPdf_ = false;
    drawsRules_ = drawsPictures_ = false;
    pdfPaperTop_ = 0;
    shownFonts_.clear();
    *covered_ = CoveredText();
    SpecialCollector collector;
    if (!collector.Collect(dvi, page)) return false;
    // A page whose PostScript only turns or hides what follows needs no
    // interpreter: there is nothing to paint, and the rules stay the drawer's.
    // The document's page hooks paint on every page.
    if (auto states = dvi.HasPageHooks() ? std::nullopt : EvaluateStates(collector.events, g)) {
        states_ = std::move(*states);
        return true;
    }
    drawsRules_ = true;
    // Drawing is painted again over the characters it covers only on a raster page.
    bool const findsCoveredText = !asPdf;
    if (pdfWhereNeeded && !asPdf && CanPaintPdfPages())
        // Pages with transparency go through a PDF writer; the rest are
        // rasterised by Ghostscript, as dvips users see them (poppler's Cairo
        // renderer lets the page through between pst-grad's hair-thin stripes).
        asPdf = std::any_of(collector.events.begin(), collector.events.end(), [](auto const& event) {
            return event.type == SpecialCollector::Event::Type::PostScript && CallsForTransparency(event.code);
        });
    asPdf_ = asPdf;

    // What every page of the document begins with, which the interpreter
    // runs once for pages in a row.
    std::string prologue;
    KPathSea& finder = FinderOf(dvi);
    for (char const* name : kPrologues) {
        std::string const* text = FileText(finder.Find(name, KPathSea::Format::PostScriptHeader));
        if (!text) {
            error_ = std::string("dvips' ") + name + " is not installed";
            return false;
        }
        prologue += *text + "\n";
    }
    // The document's ! specials, all in one block after the header files, as
    // dvips puts them: one may begin a dictionary that the next ends (xy-pic's).
    // Then what the pages before defined.
    std::string literals, earlier;
    for (KsDvi::PostScriptHeader const& header : dvi.GetPostScriptHeaders()) {
        if (header.page >= 0) {
            // Global definitions of the pages before, as dvips' job has made
            // them by this page; one that fails takes no other with it (what
            // it left on the stacks goes). It runs from a string, so that its
            // procedures are made in the VM it chooses.
            if (header.page < page)
                earlier += "TeXDict begin userdict /ksdvi@dicts countdictstack put mark " + HexString(header.text) +
                           " cvx stopped cleartomark false setglobal countdictstack ksdvi@dicts sub { end } repeat "
                           "end\n";
            continue;
        }
        if (header.literal) {
            literals += header.text + "\n";
            continue;
        }
        std::string why;
        std::string path = dvi.GetFiles().Find(header.text, &finder, KPathSea::Format::PostScriptHeader, &why);
        std::string const* text = path.empty() ? nullptr : FileText(path);
        if (!text) {
            error_ = "header " + header.text + ": " + (path.empty() ? why : "cannot be read");
            return false;
        }
        prologue += *text + "\n";
    }
    if (!literals.empty()) prologue += "TeXDict begin @defspecial\n" + literals + "@fedspecial end\n";
    std::string head = earlier;
    head += kReportState;
    head += kPstricksForXdvipdfmx;
    head += ShownFonts(dvi, collector.events, g, shownFonts_);
    // A PDF job's page reaches past the paper, to the right and above: pgf's
    // fadings are drawn from its top-left corner into forms as large as it
    // (beamer's shadows are twice the paper's width), and would be cut at
    // the paper's edge. The paper stays at the bottom-left, where PostScript
    // has its origin (patterns keep their phase).
    std::pair<int, int> const jobSize = JobSize(g, asPdf);
    pdfPaperTop_ = jobSize.second - g.height;
    // @start: the paper in sp, the magnification, the resolution; then the
    // page, its origin where this device has the DVI origin.
    double const sp = kSpPerInch;
    head += "TeXDict begin " + Number(g.width / g.dpiX * sp) + " " + Number(g.height / g.dpiY * sp) + " " +
            std::to_string(dvi.GetAbsMag().GetRaw() / 10) + " " + Number(g.dpiX) + " " + Number(g.dpiY) +
            " (ksdvi) @start end\n";
    // Rules are filled as boxes of whole pixels (tex.pro's QV, which bop
    // chooses only at low resolutions), not drawn as tex.pro's imagemask
    // nudged a tenth of a pixel, whose touched edge pixels painting by
    // coverage would darken: one pixel wider and taller than dvips's.
    head += "TeXDict begin 1 0 bop " + Number(g.hOrigin - g.dpiX) + " " + Number(g.vOrigin - g.dpiY) +
            " translate /V /QV load def -1 ksdvi@ctm\n";

    // EPS pictures go into the page's job, as dvips puts them, so that they
    // stack with its drawing (TikZ arrows over a figure, a figure in a box).
    std::optional<std::vector<std::string>> pictures = ReadPictures(dvi, finder, collector.events);
    // An event as dvips' job has it; pictures from `pictures` in turn, when
    // given; characters' boxes while probing (CoveredText).
    bool probing = false;
    auto append = [&](std::string& program, SpecialCollector::Event const& event,
                      std::vector<std::string> const* pictures, size_t& picture) {
        std::string point = Number(event.h * g.hPixPerDvi) + " " + Number(event.v * g.vPixPerDvi);
        std::string at = point + " a ";
        switch (event.type) {
        case SpecialCollector::Event::Type::Colour: program += Colour(event.rgb); return;
        case SpecialCollector::Event::Type::Rule:
            // tex.pro's v: a box of whole pixels, up and right from the point
            program += point + " " + std::to_string(Ceiling(event.width * g.hPixPerDvi)) + " " +
                       std::to_string(Ceiling(event.height * g.vPixPerDvi)) + " v\n";
            return;
        case SpecialCollector::Event::Type::Picture:
            if (pictures) program += at + IncludedPicture(event.picture, (*pictures)[picture++]);
            return;
        case SpecialCollector::Event::Type::Character:
            if (auto shown = shownFonts_.find(event.font->GetID()); shown != shownFonts_.end())
                program += point + " <" + HexByte(event.code8) + "> " + shown->second + " ksdvi@char\n";
            return;
        case SpecialCollector::Event::Type::Probe:
            if (probing) {
                auto const [x, y, width, height] = ProbeRectangle(event, g);
                program += Number(x) + " " + Number(y) + " " + Number(width) + " " + Number(height) + " ksdvi@probe\n";
            }
            return;
        case SpecialCollector::Event::Type::Save: program += "gsave\n"; [[fallthrough]];
        case SpecialCollector::Event::Type::Transform:
            if (!event.code.empty())
                program += point + " translate " + event.code + " concat " + point + " neg exch neg exch translate\n";
            return;
        case SpecialCollector::Event::Type::Restore: program += "grestore\n"; return;
        case SpecialCollector::Event::Type::PostScript: break;
        }
        switch (event.kind) {
        case PostScriptSpecial::Kind::Positioned: program += at + "\n" + event.code + "\n"; break;
        case PostScriptSpecial::Kind::Quoted:
            program += at + "@beginspecial @setspecial\n" + event.code + "\n@endspecial\n";
            break;
        case PostScriptSpecial::Kind::PositionedInBigPoints:
            program += at + "ksdvi@xdvipdfmx ksdvi@bp\n" + event.code + "\nksdvi@unbp\n";
            break;
        case PostScriptSpecial::Kind::QuotedForXdvipdfmx:
            program += at + "ksdvi@xdvipdfmx @beginspecial @setspecial\n" + event.code + "\n@endspecial\n";
            break;
        default: program += event.code + "\n"; break;
        }
    };
    std::string const forms = asPdf ? EarlierPdfForms(dvi, page, append) : std::string();
    auto pageProgram = [&](bool withPictures) {
        std::string program = forms + Colour(collector.StartColour());
        size_t picture = 0;
        int index = 0;
        for (SpecialCollector::Event const& event : collector.events) {
            append(program, event, withPictures ? &*pictures : nullptr, picture);
            if (event.type == SpecialCollector::Event::Type::PostScript)
                program += std::to_string(index++) + " ksdvi@ctm\n";
        }
        return std::pair{program + "eop end\n", index};
    };

    // Painted as dvips paints it, white fills (a TikZ node's, pgfplots'
    // legend) hiding what lies beneath: the page runs on white, then on black;
    // or once, drawn as a PDF page. Should its pictures break the job, it runs
    // again without them; a job stopped at the time limit is not tried again.
    enum class Job { Ran, Failed, Unavailable };
    auto runJob = [&](GS::PageOutputter* out, bool onBlack, std::string const& program) {
        bool const pdfJob = out == nullptr;
        GS* gs = pdfJob ? GetPdfGS() : GetGS();
        if (!gs->StartGSJob(static_cast<int>(std::lround(g.dpiX)), static_cast<int>(std::lround(g.dpiY)),
                            pdfJob ? jobSize.first : g.width, pdfJob ? jobSize.second : g.height, 24, out, prologue)) {
            error_ = GS::GetLastError().empty() ? "Ghostscript is not available" : GS::GetLastError();
            return Job::Unavailable;
        }
        if (!pdfJob && !probing) gs->ProcessPSCommand(CoveragePainter::kAntiAliased);
        gs->ProcessPSCommand(head);
        if (onBlack) gs->ProcessPSCommand(CoveragePainter::kBlackPage);
        gs->ProcessPSCommand(program);
        if (gs->EndGSJob()) return Job::Ran;
        error_ = GS::GetLastError();
        timedOut_ = GS::LastJobTimedOut();
        return Job::Failed;
    };
    // Where characters lie beneath later drawing: a run of their boxes, in
    // the states the first run reported. Should it fail, nothing is covered.
    auto findCoveredText = [&](bool withPictures, unsigned char const* white) {
        std::vector<CoveredText::Box> const boxes = CharacterBoxes(collector.events, states_, g);
        if (boxes.empty() || (!asPdf && !white)) return false;
        probing = true;
        std::string const program = CoveredText::ProbeProcedure() + pageProgram(withPictures).first;
        bool found = false;
        if (asPdf) {
            // As the page is drawn: through a PDF writer (fadings, opacity).
            found = runJob(nullptr, false, program) == Job::Ran;
            std::string const probed = found ? GS::GetLastPdf() : std::string();
            auto draw = [](std::string const& pdf) {
                return [&pdf](cairo_t* cr) {
                    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
                    return PaintPdfPage(pdf, cr);
                };
            };
            if (!probed.empty())
                covered_->ReadProbeDrawing(PdfToDevice(g), draw(probed), draw(pdf_), g.width, g.height, boxes);
        } else {
            CoveredText::ProbeOutputter probe(*covered_, boxes, white);
            found = runJob(&probe, false, program) == Job::Ran;
        }
        found = found && !covered_->Empty();
        probing = false;
        error_.clear();
        timedOut_ = false;
        return found;
    };
    bool const mayCoverText = findsCoveredText && KeepCoverableCharacters(collector.events);
    bool ran = false;
    for (bool withPictures : {pictures && !pictures->empty(), false}) {
        auto [program, specials] = pageProgram(withPictures);
        CoveragePainter painter(dc, reference, 0, g.height);
        *covered_ = CoveredText();
        ran = true;
        for (bool onBlack : {false, true}) {
            if (onBlack && asPdf) break;
            // The run on black keeps what covers characters.
            bool const covers =
                onBlack && mayCoverText && findCoveredText(withPictures, painter.WhiteRun(g.width, g.height));
            if (covers) painter.KeepCover(covered_.get());
            // Over a white page, what shows is the run on white.
            if (onBlack && !covers && painter.PaintOnWhite()) break;
            if (onBlack) painter.StartOnBlack();
            Job const job = runJob(asPdf ? nullptr : &painter, onBlack, program);
            if (job == Job::Unavailable) return false;
            if (job == Job::Failed) {
                ran = false;
                break;
            }
            if (!onBlack) states_ = ReportedStates(GS::GetLastOutput(), specials);
            if (asPdf) pdf_ = GS::GetLastPdf();
        }
        if (ran) {
            drawsPictures_ = withPictures;
            // The PDF page is drawn again over what it covers.
            if (asPdf && !pdf_.empty() && mayCoverText && findCoveredText(withPictures, nullptr))
                covered_->KeepCoverDrawn(PdfToDevice(g), [&](cairo_t* cr) { return PaintPdfPage(pdf_, cr); });
            break;
        }
        if (!withPictures || timedOut_) return false;
        error_.clear();
    }
    if (!ran) return false;

    return true;
}

void PostScriptPage::PaintCoveredText(gdi::CDC* dc) { covered_->PaintCover(dc); }

PageGraphicsState PostScriptPage::StateAfter(int index) const {
    return index >= 0 && static_cast<size_t>(index) < states_.size() ? states_[static_cast<size_t>(index)]
                                                                     : PageGraphicsState{};
}

}  // namespace ksdvi
