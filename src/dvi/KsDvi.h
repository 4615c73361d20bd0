#pragma once
// One opened DVI file: its preamble, the page table built by an incremental scan,
// the fonts its definitions name, and the state that its specials leave per page.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "dvi/DocumentFiles.h"
#include "dvi/FaceSubstitutions.h"
#include "font/FontLimits.h"
#include "font/ItrnFont.h"
#include "font/JapaneseFontMap.h"
#include "font/MetricFileStream.h"
#include "page/Paper.h"
#include "specials/DocumentInfo.h"
#include "specials/LinkBorder.h"
#include "stream/BinFileStream.h"
#include "stream/DList.h"
#include "stream/String8.h"
#include "stream/fpreal4.h"

namespace ksdvi::gdi {
class CDC;  // a drawer's output device; the document only keeps the pointer
}
namespace ksdvi {
class DviScanReader;
class DocumentSpecials;
class FontRegistry;
class SpecialRegistry;
class SpotColours;
class TeXFonts;
struct FontSources;
}  // namespace ksdvi
class KPathSea;     // finds TeX metric files
class KsDviTTFMap;  // TeX font name -> outline face

class KsDvi {
public:
    using CDC = ksdvi::gdi::CDC;
    enum KsDviMode { Growing = 0, Complete = 1, Malformed = 2 };

    // Pages read by default (SetPageLimit lifts it), and at most.
    static constexpr int MaxPages = 3000;
    static constexpr int MostPageLimit = 1000000;
    static constexpr int32_t MaxPageBytes = 1 << 30;
    static constexpr int FontIndexSize = 65536;
    static constexpr int FontHashSize = ksdvi::kFontHashSize;
    // How deep a page's colour stack goes; deeper pushes are dropped.
    static constexpr int ColorStackSize = 200;
    // Font map lines a document may give (pdf:mapline); those past it are dropped.
    static constexpr size_t MostFontMapLines = 10000;

    using ItrnFont = ksdvi::ItrnFont;
    class ItrnFontItr;  // dvi/ItrnFontItr.h

    // Metric files: opened for reading only, big-endian.
    using Tfmifstream = ksdvi::MetricFileStream;

    // The DVI file. Opens do not lock on Linux, so TeX can keep writing while we read.
    class Dviifstream : public BinInFileStream {
    public:
        explicit Dviifstream(String8 const& path) : std::ifstream(path.c_str(), std::ios::in | std::ios::binary) {}
    };

    // A link area of xdvipdfmx's pdf: specials not yet ended: where it leads
    // and its frame.
    struct OpenLinkArea {
        std::string target;
        ksdvi::LinkBorder border;
    };

    // A picture file a page's specials queue (graphics:, psfile=, ps: plotfile).
    struct PagePicture {
        std::string file;
        int type = 0;  // ksdvi::PictureType
    };

    class PageInfo {
    public:
        int32_t GetTeXPageNo() const { return texPageNo; }
        int64_t GetPageStartOffset() const { return startOffset; }
        int64_t GetPageEndOffset() const { return endOffset; }
        int32_t GetLength() const { return length; }
        uint32_t GetBackgroundColor() const { return backgroundColor; }
        int32_t GetColorStackSize() const { return colorStackDepth; }
        unsigned int* GetColorStack() { return colorStack.data(); }

        int32_t texPageNo = 0;
        // Files past 2 GiB are read whole; a page is at most MaxPageBytes.
        int64_t startOffset = 0;
        int64_t endOffset = 0;
        int32_t length = 0;
        int32_t bopAt = 0;  // where the bop lies in the page's bytes (font definitions may come first)
        uint32_t backgroundColor = 0xFFFFFF;
        int32_t colorStackDepth = 0;
        std::vector<unsigned int> colorStack;  // depth + 1 entries, the stack at the page's bop
        bool postScript = false;               // the page carries PostScript to run
        bool pdfDrawing = false;               // the page carries pdf: specials that draw
        std::optional<ksdvi::Paper> paper;     // GetPagePaper's
        int rotation = 0;                      // GetPageRotation's
        std::vector<PagePicture> pictures;     // queued by its specials, in order
        int32_t virtualWork = -1;              // packet instructions its first whole drawing ran
        // The pdf:bann area it begins inside, shared by the pages it runs over.
        std::shared_ptr<OpenLinkArea const> linkArea;
    };

    // What dvips puts before the pages: prologue files named by header=
    // specials and the PostScript of ! specials, in the order met. dvips
    // runs the pages in one job, so what a page's PostScript defines in
    // global VM (pgf's patterns: `true setglobal globaldict begin ... def`)
    // holds on the pages after it; that PostScript comes here too, with its page.
    struct PostScriptHeader {
        bool literal = false;  // true: `text` is PostScript; false: a file name
        std::string text;
        int page = -1;  // >= 0: PostScript of that page (0-based) that defines in global VM
        // No text: page `page` makes forms of pdfmark (pgf's fadings, which
        // beamer's shadows use on every later page); PDF jobs of the pages
        // after it make them again.
        bool pdfForms = false;
    };
    // At most this many bytes of them are kept; those past it are left out.
    static constexpr size_t MostPostScriptHeaderBytes = size_t(8) << 20;

    // A bookmark of the document (hyperref's outline), in the order met.
    struct OutlineEntry {
        String8 title;   // UTF-8
        String8 target;  // the name of the anchor it leads to
        int level = 0;   // 0 for the entries at the top
        int count = 0;   // entries right under it; negative when shown closed
    };

    struct TagInfo {
        String8 name;
        int page = 0;  // 0-based index of the page the anchor was met on
    };

    // Why a scan ended in Malformed, for messages; the mode is what the library acts on.
    enum class ScanProblem {
        None,
        CannotOpen,
        BadPreamble,
        BadIdentification,
        BadMagnification,
        BadUnits,       // num or den not positive
        UnexpectedEnd,  // the file ends inside a page (a page TeX has not finished)
        BadOpcode,      // an opcode the scan does not accept
        EopWithoutBop,
        PageTooLarge,         // a page of more than MaxPageBytes
        UnfinishedPostamble,  // the file ends inside the postamble (TeX is finishing it)
    };

    KsDvi();
    KsDvi(String8 const& fileName, DList<String8> const& tfmPaths, DList<String8> const& vfPaths);
    KsDvi(KsDvi const&) = delete;
    KsDvi& operator=(KsDvi const&) = delete;
    virtual ~KsDvi();

    // --- file and scan
    void Open(String8 const& fileName, DList<String8> const& tfmPaths, DList<String8> const& vfPaths);
    void Close();
    int IsOpened() const { return !fileName_.IsNull(); }
    void RenewDvi();
    void NewPageWritten(int pageCount);
    int GetPageContents(int page, unsigned char* buffer);

    KsDviMode GetMode() const { return mode_; }
    ScanProblem GetScanProblem() const { return problem_; }
    int64_t GetScanProblemOffset() const { return problemOffset_; }
    int GetScanProblemOpcode() const { return problemOpcode_; }

    int GetNPage() const { return pageCount_; }
    int GetTeXPageNo(int page) const;
    int64_t GetPageStartOffset(int page) const;
    int64_t GetPageEndOffset(int page) const;
    // Whether the scan stopped at the page limit with more pages in the file.
    bool IsPageLimitReached() const { return pageLimitReached_; }
    // How many pages are read at most: MaxPages unless set (before Open) up
    // to MostPageLimit. Each page read keeps about 150 bytes.
    void SetPageLimit(int pages);
    int GetPageLimit() const { return pageLimit_; }

    // Following a file TeX is writing. TeX appends whole pages and the
    // postamble last; a rerun writes the file anew from its start.
    struct WrittenExtent {
        int pages = 0;           // complete pages the file holds, recorded or not
        bool ended = false;      // after them, the whole postamble or bytes no scan accepts
        bool rewritten = false;  // the recorded pages are no longer the file's
    };
    // Reads how far the file is written without recording anything.
    WrittenExtent ProbeWritten();
    // Scans what has been written since the last call: complete pages only,
    // the postamble once it is whole, everything anew after a rewrite.
    enum ScanChange { Unchanged = 0, Extended = 1, Renewed = 2 };
    ScanChange ScanWritten();

    unsigned char GetDviVersion() const { return version_; }
    unsigned int GetDviNum() const { return num_; }
    unsigned int GetDviDen() const { return den_; }
    fpreal4 const& GetAbsMag() const { return mag_; }

    String8 const& GetFileName() const { return fileName_; }
    DList<String8> const& GetTfmPathList() const { return tfmPaths_; }
    DList<String8> const& GetVfPathList() const { return vfPaths_; }
    DList<String8> const& GetFontList() const { return fontNames_; }

    // Until the application sets them (null included), a document finds its
    // fonts with the process's default set-up of the TeX installation.
    void SetKPathSea(KPathSea* finder) {
        kpathsea_ = finder;
        finderGiven_ = true;
    }
    void SetDviTTFMap(KsDviTTFMap* map) {
        ttfMap_ = map;
        mapGiven_ = true;
    }
    // Both from `fonts`, which must outlive the document's use of them.
    void UseFonts(ksdvi::TeXFonts& fonts);
    KPathSea* GetKPathSea() const;
    KsDviTTFMap* GetDviTTFMap() const;

    // --- the files the document may make us read (pictures, PostScript
    // headers, fonts): by default its own directory tree and the TeX
    // installation; SetAllowedPaths adds directories it may name absolutely.
    void SetAllowedPaths(std::vector<std::string> directories) { files_.SetAllowedPaths(std::move(directories)); }
    ksdvi::DocumentFiles const& GetFiles() const { return files_; }

    void SetWinFont(int flag) { winFont_ = flag; }
    int GetWinFont() const { return winFont_; }

    // --- device slots: the first drawer to open registers its device as the
    // reference on which installed faces are looked up; a full pair is kept.
    void RegisterDevice(CDC* dc, fpreal4 const& zoom);
    // A device that goes away leaves its slot, so the document never keeps a dangling reference.
    void UnregisterDevice(CDC* dc);
    CDC* GetDevice(int slot) const { return slot >= 0 && slot < 2 ? devices_[slot] : nullptr; }
    fpreal4 const& GetDeviceZoom(int slot) const { return deviceZooms_[slot == 1 ? 1 : 0]; }

    // --- state written by binary records, read by drawers
    unsigned short GetRecordResolution() const { return recordResolution_; }
    void SetRecordResolution(unsigned short r) { recordResolution_ = r; }

    struct WinFontTextState {
        uint8_t textScale = 100;  // percent
        int32_t faceIndex = 0;
        int32_t charWidth = 0;
        int32_t charHeight = 0;
        int32_t escapement = 0;
        int32_t bold = 0;
        int32_t italic = 0;
    };
    WinFontTextState& GetWinFontTextState() { return textState_; }
    WinFontTextState const& GetWinFontTextState() const { return textState_; }

    // --- per-page state left by the document's specials
    unsigned int* GetPageColorStack(int page) const;
    int GetPageColorStackSize(int page) const;
    unsigned int GetPageBackgroundColor(int page) const;
    DList<TagInfo> const& GetTagList() const { return tags_; }
    std::vector<PostScriptHeader> const& GetPostScriptHeaders() const { return postScriptHeaders_; }
    // Whether headers were left out past MostPostScriptHeaderBytes.
    bool IsPostScriptHeadersCut() const { return postScriptHeadersCut_; }
    // The paper of the document's first valid papersize special (dvips'), or
    // pdf:pagesize (xdvipdfmx's), if any.
    std::optional<ksdvi::Paper> const& GetPaperSpecial() const { return paper_; }
    // Whether the document turns its paper with dvips' landscape special.
    bool IsLandscape() const { return landscape_; }
    // The paper a page names for itself: its first papersize or pdf:pagesize
    // special, as dvipdfmx sizes pages (that page alone); else the page size
    // PostScript asked the page device for on it or a page before it
    // (`/PageSize [W H] setpagedevice`, KOMA's for dvips); nullopt when
    // neither. dvips itself keeps the document's first papersize for every
    // page: a later one is meant for the PDF drivers, which honour it.
    std::optional<ksdvi::Paper> GetPagePaper(int page) const {
        if (page < 0 || page >= pageCount_) return std::nullopt;
        return pages_[static_cast<size_t>(page)]->paper;
    }
    // Degrees clockwise a reader turns a page to read it (0, 90, 180, 270):
    // the /Rotate that `pdf:put @thispage` gives the page in dvipdfmx's PDF,
    // as pdflscape turns its landscape pages. The last on the page holds.
    int GetPageRotation(int page) const {
        return page >= 0 && page < pageCount_ ? pages_[static_cast<size_t>(page)]->rotation : 0;
    }
    // Restarts with the page table: a rescan reads the bookmarks again.
    std::vector<OutlineEntry> const& GetOutline() const { return outline_; }
    // What the document says of itself (hyperref's pdftitle, pdfauthor ...).
    ksdvi::DocumentInfo const& GetDocumentInfo() const { return documentInfo_; }
    // Whether a page carries PostScript specials (ps:, ps::, "), or the
    // document's ! specials define dvips' bop-hook or eop-hook (draftcopy's
    // DRAFT across every page): only such pages need a PostScript interpreter.
    int PageHasPostScript(int page) const {
        return page >= 0 && page < pageCount_ && (pages_[static_cast<size_t>(page)]->postScript || pageHooks_);
    }
    bool HasPageHooks() const { return pageHooks_; }
    // Whether the document was made for (x)dvipdfmx: an XDV file, or one
    // carrying pdf: specials. graphicx's drivers for it give EPS figures'
    // boxes counting from the corner of the file's own box.
    bool MadeForDvipdfmx() const;
    // Whether a page carries pdf: specials that draw (pgf's xetex and
    // dvipdfmx drivers: pdf:code, bcontent, uxobj, ...).
    bool PageHasPdfDrawing(int page) const {
        return page >= 0 && page < pageCount_ && pages_[static_cast<size_t>(page)]->pdfDrawing;
    }
    // Whether a page's PostScript or pdf: drawing is painted beneath its
    // text: the whole page at once, anywhere on the paper.
    bool PageDrawsBeneathText(int page) const { return PageHasPostScript(page) || PageHasPdfDrawing(page); }
    // The pdf: specials that make named objects and forms (pdf:obj, put,
    // stream, bxobj ... exobj with what the form holds), with the page
    // (0-based) each stands on, in order; at most MostPdfDefinitionBytes.
    struct PdfDefinition {
        int page = 0;
        std::string special;  // after "pdf:"
    };
    std::vector<PdfDefinition> const& GetPdfDefinitions() const { return pdfDefinitions_; }
    static constexpr size_t MostPdfDefinitionBytes = size_t(8) << 20;
    // The spot colours the document has defined so far in the scan.
    ksdvi::SpotColours const& GetSpotColours() const { return *spotColours_; }
    // The pictures a page's specials queue, as the scan met them (at most
    // MostPagePictures): read without drawing the page.
    std::vector<PagePicture> const& GetPagePictures(int page) const;
    static constexpr size_t MostPagePictures = 10000;
    int FindTagPage(String8 const& name) const;
    // The link area of xdvipdfmx's (pdf:bann) that a page begins inside,
    // left open at the end of the page before; null when none.
    OpenLinkArea const* GetLinkAreaAtStart(int page) const;
    // The kinds of pdf: specials the document carries (pdf:docinfo,
    // pdf:obj, ...) that only a PDF engine acts on; at most MostEngineSpecials kinds.
    std::vector<std::string> const& GetEngineSpecials() const { return engineSpecials_; }
    static constexpr size_t MostEngineSpecials = 16;

    // Called once, when the scan first meets PostScript that a page draws or
    // an EPS picture: a caller about to draw pages starts Ghostscript then,
    // so that it gets ready while fonts load.
    void SetPostScriptMet(std::function<void()> met) { postScriptMet_ = std::move(met); }

    // --- faces named by binary face-name records. Whether a face is installed
    // is the platform's answer for the reference device (slot 0); without a
    // device or a query every face counts as not installed and is substituted.
    using FaceQuery = std::function<bool(CDC* device, char const* face)>;
    void SetFaceQuery(FaceQuery query) { faceQuery_ = std::move(query); }
    void SetFaceSubstitutions(ksdvi::FaceSubstitutions substitutions) { faceSubstitutions_ = std::move(substitutions); }
    ksdvi::FaceSubstitutions const& GetFaceSubstitutions() const { return faceSubstitutions_; }

    // --- units: dots per DVI unit at a resolution chosen by the application
    void SethDpi(fpreal4 const& dpi);
    void SetvDpi(fpreal4 const& dpi);
    int hDot(int x) const;
    int vDot(int y) const;
    int dhDot(int x) const;
    int dvDot(int y) const;
    double GetPageWidth() const;
    double GetPageHeight() const;
    int32_t GetPostambleWidth() const { return pageWidth_; }
    int32_t GetPostambleHeight() const { return pageHeight_; }

    // --- font registry
    int GetNItrnFont() const;
    ItrnFont const* const* GetExtFontIndex() const { return fontIndex_.data(); }
    int GetExtFontIndexSize() const { return FontIndexSize; }
    // Fonts named by definitions that could not be loaded, in scan order (for messages).
    std::vector<std::string> const& GetMissingFonts() const { return missingFonts_; }
    // Why a missing font was not loaded: "not found", "FILE is damaged", ...
    std::string GetFontProblem(std::string const& name) const;
    // A document gets this many font records (a name at a size), virtual
    // fonts' own included: past them, definitions load nothing.
    static constexpr int MostFontRecords = ksdvi::kMostFontRecords;

    // --- the work virtual fonts may make: packet instructions, counted once
    // per page however often it is drawn. Virtual fonts whose characters set
    // characters of virtual fonts multiply it; past the budget their
    // characters show nothing.
    static constexpr int64_t MostVirtualInstructions = int64_t(1) << 25;
    // What a drawing of `page` may run, at most `pageLimit`; a page drawn
    // whole before gets what it ran then, so that it looks the same.
    int32_t TakeVirtualBudget(int page, int32_t pageLimit);
    // After a drawing: what it ran of what it took, and whether it reached the page's end.
    void SettleVirtualBudget(int page, int32_t taken, int32_t ran, bool whole);
    bool IsVirtualBudgetSpent() const { return virtualLeft_ <= 0; }

    // What drawers keep with the document from page to page (the drawing
    // values of binary records): theirs to fill, opaque to the document.
    std::shared_ptr<void>& DrawerState() { return drawerState_; }
    // The handlers of the document's specials while it scans.
    ksdvi::SpecialRegistry& SpecialHandlers() { return *specialHandlers_; }

protected:
    virtual void DoSpecial(unsigned char* text, int length);
    virtual void AppendPictFile(String8 const& name);
    virtual ItrnFont* LoadItrnFont(String8 const& area, String8 const& name, int scale, unsigned int design);
    int GetHashCode(String8 const& name) const;

    // Document-level special handlers; each returns when its keyword decided.
    void AppendFaceName(String8 const& face);

private:
    friend class ItrnFontItr;
    friend class ksdvi::DocumentSpecials;

    void Reset(bool release);
    void ReadPreamble(ksdvi::DviScanReader& in);
    // Where the registry looks for font files now.
    ksdvi::FontSources FontSourcesNow() const;
    bool IsRewritten(ksdvi::DviScanReader& in);
    bool IsCutUnderScan() const;
    void ScanPage(ksdvi::DviScanReader& in);
    void ScanPostamble(ksdvi::DviScanReader& in, int64_t at);
    void SetMalformed(ScanProblem problem, int64_t offset, int opcode = -1);
    void ScanFontDef(ksdvi::DviScanReader& in, int opcode);
    void ScanSpecial(ksdvi::DviScanReader& in, int opcode);
    void ScanNativeFontDef(ksdvi::DviScanReader& in);
    void ScanGlyphRun(ksdvi::DviScanReader& in, unsigned opcode);
    void RecordPage(int32_t texPage, std::vector<unsigned int> stack, std::shared_ptr<OpenLinkArea const> linkArea,
                    int64_t start, int64_t end);

    // scan state
    unsigned char version_ = 0;
    String8 fileName_;
    KsDviMode mode_ = Growing;
    ScanProblem problem_ = ScanProblem::None;
    int64_t problemOffset_ = 0;
    bool pageLimitReached_ = false;
    int problemOpcode_ = -1;
    std::vector<unsigned char> preamble_;  // as read, to notice a rewritten file
    int64_t scannedWrite_ = -1;            // when the file last scanned was written (ns)
    fpreal4 mag_ = fpreal4::FromRaw(10000);
    uint32_t num_ = 25400000;
    uint32_t den_ = 473628672;
    DList<String8> tfmPaths_;
    DList<String8> vfPaths_;
    ksdvi::DocumentFiles files_;
    KPathSea* kpathsea_ = nullptr;
    KsDviTTFMap* ttfMap_ = nullptr;
    bool finderGiven_ = false;
    bool mapGiven_ = false;
    CDC* devices_[2] = {nullptr, nullptr};
    fpreal4 deviceZooms_[2];
    unsigned short recordResolution_ = 0;
    double hDotsPerDvi_ = 0.0;
    double vDotsPerDvi_ = 0.0;

    std::unique_ptr<ksdvi::SpecialRegistry> specialHandlers_;
    // fonts: the registry owns the records; the document's font numbers point into it
    std::unique_ptr<ksdvi::FontRegistry> fonts_;
    std::vector<ItrnFont*> fontIndex_;
    int fontNumbersUsed_ = 0;  // fontIndex_ holds fonts below this number only
    std::vector<std::string> missingFonts_;
    std::unordered_map<std::string, std::string> fontProblems_;  // by name, for the missing ones

    // colour state during the scan
    std::array<unsigned int, ColorStackSize> colorStack_{};
    int colorStackDepth_ = 1;
    unsigned int backgroundColor_ = 0xFFFFFF;

    int pageCount_ = 0;
    int pageLimit_ = MaxPages;
    std::vector<std::unique_ptr<PageInfo>> pages_;
    DList<TagInfo> tags_;
    std::vector<PostScriptHeader> postScriptHeaders_;
    size_t postScriptHeaderBytes_ = 0;
    bool postScriptHeadersCut_ = false;
    bool pageHooks_ = false;    // the ! specials of the recorded pages define bop-hook or eop-hook
    bool pdfSpecials_ = false;  // a pdf: special was met
    bool landscape_ = false;  // a landscape special
    std::optional<ksdvi::Paper> paper_;
    std::optional<ksdvi::Paper> pagePaper_;        // of the page being scanned
    int pageRotation_ = 0;                         // of the page being scanned
    std::optional<ksdvi::Paper> postScriptPaper_;  // the page device's, from the last request
    std::vector<OutlineEntry> outline_;
    ksdvi::DocumentInfo documentInfo_;
    std::vector<ksdvi::JapaneseMapLine> fontMapLines_;  // pdf:mapline's, in order
    std::vector<int> outlineChildrenDue_;  // per open level, the entries still to come under it
    // xdvipdfmx's bookmarks: the lowest level met, and the last entry at each depth
    std::optional<int> bookmarkLowestLevel_;
    struct BookmarkParent {
        size_t entry = 0;
        bool open = false;
    };
    std::vector<BookmarkParent> bookmarkPath_;
    std::string bookmarkCMap_;                          // pdf:tounicode's, for the bookmarks after it
    std::shared_ptr<OpenLinkArea const> openLinkArea_;  // the pdf:bann not yet ended
    bool pagePostScript_ = false;
    bool pagePdfDrawing_ = false;
    bool pageDefinesHooks_ = false;  // of the page being scanned, which may yet turn out cut
    std::vector<PdfDefinition> pdfDefinitions_;
    size_t pdfDefinitionBytes_ = 0;
    int pdfFormDepth_ = 0;
    std::unique_ptr<ksdvi::SpotColours> spotColours_;
    std::vector<PagePicture> pagePictures_;
    std::vector<std::string> engineSpecials_;
    int64_t virtualLeft_ = MostVirtualInstructions;
    std::shared_ptr<void> drawerState_;

    int winFont_ = 0;
    WinFontTextState textState_;
    DList<String8> fontNames_;
    FaceQuery faceQuery_;
    std::function<void()> postScriptMet_;
    ksdvi::FaceSubstitutions faceSubstitutions_ = ksdvi::FaceSubstitutions::Defaults();
    int32_t pageHeight_ = 0;
    int32_t pageWidth_ = 0;
};
