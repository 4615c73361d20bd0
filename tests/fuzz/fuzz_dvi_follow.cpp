// Fuzz target: a DVI file as a viewer follows it while TeX rewrites it, and
// as `ksdvi select` copies its pages. The input is the file. A viewer that
// showed an earlier run sees the file rewritten with the input: what it
// scans then must be what a fresh scan records, and nothing of the earlier
// run. The first pages the scan accepted, copied backwards, make a whole
// document of as many pages. Fonts are not read: these scans compare pages
// and specials, and fuzz_dvi_scan reads fonts.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "DviChecks.h"
#include "FuzzEnvironment.h"
#include "PageCopier.h"
#include "support/DviBuilder.h"

using namespace ksdvi::fuzz;

namespace {

constexpr int kPagesCopied = 4;

// The documents of an input: one scanned fresh, one followed, one copied.
// Each is opened anew for every input, as a viewer opens one file after
// another (a new document's table of 65,536 font numbers costs more than the
// scan of a small file), and closed after it.
enum Role { kFresh, kFollowed, kCopied };

KsDvi& Document(Role role) {
    static KsDvi documents[3];
    return documents[role];
}

KsDvi& Open(Role role, std::string const& path) {
    KsDvi& dvi = Document(role);
    dvi.SetKPathSea(nullptr);
    dvi.SetDviTTFMap(nullptr);
    dvi.Open(String8(path.c_str()), {}, {});
    return dvi;
}

// Everything a scan records, by kind, to compare two scans of one file.
enum Kind { kPreamble, kPage, kTag, kPostScript, kOutline, kFace, kMissing, kKinds };
using Records = std::vector<std::string>[kKinds];

void Record(KsDvi& dvi, Records& r) {
    // Once the scan has read into the preamble; a viewer leaves even that
    // until the first page is complete.
    if (dvi.GetDviVersion() != 0)
        r[kPreamble].push_back(std::to_string(dvi.GetDviVersion()) + " " + std::to_string(dvi.GetDviNum()) + "/" +
                               std::to_string(dvi.GetDviDen()) + "/" + std::to_string(dvi.GetAbsMag().GetRaw()));
    for (int page = 0; page < dvi.GetNPage(); ++page) {
        std::string s = std::to_string(dvi.GetPageStartOffset(page)) + "-" + std::to_string(dvi.GetPageEndOffset(page)) +
                        " #" + std::to_string(dvi.GetTeXPageNo(page)) + " bg " +
                        std::to_string(dvi.GetPageBackgroundColor(page)) + " ps " +
                        std::to_string(dvi.PageHasPostScript(page)) + " colours";
        unsigned const* stack = dvi.GetPageColorStack(page);
        for (int i = 0; i < dvi.GetPageColorStackSize(page); ++i) s += " " + std::to_string(stack[i]);
        for (KsDvi::PagePicture const& picture : dvi.GetPagePictures(page))
            s += " picture " + std::to_string(picture.type) + " " + picture.file;
        r[kPage].push_back(s);
    }
    for (KsDvi::TagInfo const& tag : dvi.GetTagList())
        r[kTag].push_back(std::to_string(tag.page) + " " + std::string(tag.name.view()));
    for (KsDvi::PostScriptHeader const& header : dvi.GetPostScriptHeaders())
        r[kPostScript].push_back(std::to_string(header.literal) + " " + header.text);
    for (KsDvi::OutlineEntry const& entry : dvi.GetOutline())
        r[kOutline].push_back(std::to_string(entry.level) + " " + std::to_string(entry.count) + " " +
                              std::string(entry.title.view()) + " -> " + std::string(entry.target.view()));
    for (String8 const& face : dvi.GetFontList()) r[kFace].push_back(std::string(face.view()));
    for (std::string const& font : dvi.GetMissingFonts()) r[kMissing].push_back(font);
}

std::string Joined(std::vector<std::string> const& lines, size_t count) {
    std::string s;
    for (size_t i = 0; i < count && i < lines.size(); ++i) s += lines[i] + "\n";
    return s;
}

// A document TeX wrote before it was rerun, with an anchor and a
// PostScript header that the rerun's file need not have.
std::vector<uint8_t> const& EarlierRun() {
    static std::vector<uint8_t> const bytes = DviBuilder()
                                                  .Pre()
                                                  .Bop(1)
                                                  .Special("html:<a name=\"earlier\">")
                                                  .Special("header=earlier.pro")
                                                  .Eop()
                                                  .Post()
                                                  .bytes;
    return bytes;
}

// A file cut inside a page or the postamble is one TeX is still writing:
// the viewer records its complete pages only, where a fresh scan reads on
// into the cut page and calls the file malformed. What the viewer records
// then begins what the fresh scan recorded.
void CheckRewritten(KsDvi& fresh, uint8_t const* data, size_t size) {
    static std::string const path = ScratchFile("followed.dvi");
    WriteFile(path, EarlierRun().data(), EarlierRun().size());
    KsDvi& dvi = Open(kFollowed, path);
    dvi.ScanWritten();
    FUZZ_CHECK(dvi.GetMode() == KsDvi::Complete && dvi.GetNPage() == 1);
    WriteFile(path, data, size);
    dvi.ScanWritten();
    bool const complete = fresh.GetMode() == KsDvi::Complete;
    if (complete) FUZZ_CHECK(dvi.GetMode() == KsDvi::Complete);
    Records followed, scanned;
    Record(dvi, followed);
    Record(fresh, scanned);
    FUZZ_CHECK_EQUAL(Joined(followed[kPage], SIZE_MAX), Joined(scanned[kPage], SIZE_MAX));
    for (int kind = 0; kind < kKinds; ++kind) {
        if (complete) FUZZ_CHECK(followed[kind].size() == scanned[kind].size());
        FUZZ_CHECK(followed[kind].size() <= scanned[kind].size());
        FUZZ_CHECK_EQUAL(Joined(followed[kind], SIZE_MAX), Joined(scanned[kind], followed[kind].size()));
    }
}

// The first pages the scan accepted, copied backwards as `ksdvi select`
// copies them, make a whole document of as many pages.
void CheckCopy(KsDvi& dvi) {
    int const pages = std::min(dvi.GetNPage(), kPagesCopied);
    if (pages == 0) return;
    std::vector<int> order;
    for (int page = pages - 1; page >= 0; --page) order.push_back(page);
    static std::string const path = ScratchFile("copy.dvi");
    if (!CopyPages(dvi, order, path).empty()) return;
    KsDvi& copy = Open(kCopied, path);
    copy.NewPageWritten(0);
    FUZZ_CHECK(copy.GetMode() == KsDvi::Complete);
    FUZZ_CHECK(copy.GetNPage() == pages);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    static std::string const path = ScratchFile("input.dvi");
    WriteFile(path, data, size);
    struct Closer {
        ~Closer() {
            for (Role role : {kFresh, kFollowed, kCopied}) Document(role).Close();
        }
    } closer;
    KsDvi& dvi = Open(kFresh, path);
    dvi.NewPageWritten(0);
    CheckPageTable(dvi, size);
    CheckRewritten(dvi, data, size);
    CheckCopy(dvi);
    return 0;
}
