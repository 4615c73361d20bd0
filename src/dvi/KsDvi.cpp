#include "dvi/KsDvi.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string_view>
#include <utility>

#include "dvi/DviOpcodes.h"
#include "dvi/DviScanReader.h"
#include "dvi/XdvRecords.h"
#include "font/FontRegistry.h"
#include "font/ItrnFont.h"
#include "font/NativeFont.h"
#include "specials/SpecialRegistry.h"
#include "specials/SpotColours.h"
#include "stream/BigEndian.h"

using namespace ksdvi;

using namespace ksdvi::dvi;

KsDvi::KsDvi()
    : specialHandlers_(std::make_unique<ksdvi::SpecialRegistry>()),
      fonts_(std::make_unique<ksdvi::FontRegistry>()),
      fontIndex_(FontIndexSize, nullptr),
      spotColours_(std::make_unique<ksdvi::SpotColours>()) {
    Reset(false);
}

KsDvi::KsDvi(String8 const& fileName, DList<String8> const& tfmPaths, DList<String8> const& vfPaths) : KsDvi() {
    fileName_ = fileName;
    tfmPaths_ = tfmPaths;
    vfPaths_ = vfPaths;
    files_.SetDocument(fileName.c_str());
}

KsDvi::~KsDvi() { Reset(true); }

void KsDvi::Reset(bool release) {
    version_ = 0;
    mag_ = fpreal4::FromRaw(10000);
    num_ = 25400000;
    den_ = 473628672;
    pageHeight_ = pageWidth_ = 0;
    problem_ = ScanProblem::None;
    problemOffset_ = 0;
    problemOpcode_ = -1;
    pageLimitReached_ = false;
    preamble_.clear();

    fonts_->Clear(release);
    // Only what the scan filled is cleared, not the whole tables: documents
    // are scanned anew on every rerun, and most use a few font numbers.
    std::fill(fontIndex_.begin(), fontIndex_.begin() + fontNumbersUsed_, nullptr);
    fontNumbersUsed_ = 0;
    missingFonts_.clear();
    fontProblems_.clear();

    colorStack_[0] = 0;
    colorStackDepth_ = 1;
    backgroundColor_ = 0xFFFFFF;

    // What the specials recorded: a rescan of a rewritten file records it anew.
    fontNames_.RemoveAll();
    tags_.RemoveAll();
    postScriptHeaders_.clear();
    postScriptHeaderBytes_ = 0;
    postScriptHeadersCut_ = false;
    pageHooks_ = false;
    pdfSpecials_ = false;
    landscape_ = false;
    outline_.clear();
    documentInfo_ = {};
    fontMapLines_.clear();
    paper_.reset();
    postScriptPaper_.reset();
    outlineChildrenDue_.clear();
    bookmarkLowestLevel_.reset();
    bookmarkPath_.clear();
    bookmarkCMap_.clear();
    openLinkArea_.reset();
    pagePostScript_ = pagePdfDrawing_ = pageDefinesHooks_ = false;
    pagePictures_.clear();
    engineSpecials_.clear();
    pdfDefinitions_.clear();
    pdfDefinitionBytes_ = 0;
    pdfFormDepth_ = 0;
    *spotColours_ = {};

    virtualLeft_ = MostVirtualInstructions;
    if (release) pages_.clear();
    pageCount_ = 0;

    if (textState_.textScale == 0) textState_.textScale = 100;
}

void KsDvi::Open(String8 const& fileName, DList<String8> const& tfmPaths, DList<String8> const& vfPaths) {
    if (IsOpened()) Close();
    fileName_ = fileName;
    tfmPaths_ = tfmPaths;
    vfPaths_ = vfPaths;
    files_.SetDocument(fileName.c_str());
    RenewDvi();
}

void KsDvi::Close() {
    mode_ = Growing;
    if (!IsOpened()) return;
    fileName_ = String8();
    scannedWrite_ = -1;
    tfmPaths_.RemoveAll();
    vfPaths_.RemoveAll();
    Reset(true);
}

void KsDvi::RenewDvi() {
    Reset(true);
    mode_ = Growing;
}

void KsDvi::SetMalformed(ScanProblem problem, int64_t offset, int opcode) {
    mode_ = Malformed;
    problem_ = problem;
    problemOffset_ = offset;
    problemOpcode_ = opcode;
}

void KsDvi::NewPageWritten(int target) {
    if (mode_ != Growing) return;
    if (target <= 0 || target > pageLimit_) target = pageLimit_;
    if (target < pageCount_) return;

    Dviifstream file(fileName_);
    if (!file.is_open()) {
        SetMalformed(ScanProblem::CannotOpen, 0);
        return;
    }
    DviScanReader in(file, FileSize(file));
    if (pageCount_ == 0) {
        ReadPreamble(in);
        if (mode_ != Growing) return;
    } else {
        in.Seek(pages_[pageCount_ - 1]->endOffset + 1);
    }
    while (pageCount_ < target && mode_ == Growing) ScanPage(in);
    // At the page limit, what follows is the postamble or pages left unread.
    if (pageCount_ == pageLimit_ && mode_ == Growing && !pageLimitReached_) {
        int64_t at = in.Position();
        unsigned op = in.Unsigned(1);
        if (in.Ended()) return;
        if (op == kPost)
            ScanPostamble(in, at);
        else
            pageLimitReached_ = true;
    }
}

// pre[1] i[1] num[4] den[4] mag[4] k[1] comment[k]
void KsDvi::ReadPreamble(DviScanReader& in) {
    if (in.Unsigned(1) != kPre) {
        SetMalformed(in.Ended() ? ScanProblem::UnexpectedEnd : ScanProblem::BadPreamble, 0);
        return;
    }
    version_ = static_cast<unsigned char>(in.Unsigned(1));
    spotColours_->ShowCmykAsPoppler(MadeForDvipdfmx());
    if (!IsKnownId(version_)) {
        SetMalformed(in.Ended() ? ScanProblem::UnexpectedEnd : ScanProblem::BadIdentification, 1);
        return;
    }
    num_ = in.Unsigned(4);
    den_ = in.Unsigned(4);
    uint32_t mag = in.Unsigned(4);
    uint32_t k = in.Unsigned(1);
    if (in.Ended()) {
        SetMalformed(ScanProblem::UnexpectedEnd, 2);
        return;
    }
    // num and den are positive four-byte quantities; 0, or a value TeX's
    // readers take as negative, makes every length nothing or endless.
    if (static_cast<int32_t>(num_) <= 0 || static_cast<int32_t>(den_) <= 0) {
        SetMalformed(ScanProblem::BadUnits, static_cast<int32_t>(num_) <= 0 ? 2 : 6);
        return;
    }
    // mag 100 to 10000 (0.1 to 10 times); held as mag x 10 so that 1000 is 1.0
    if (mag < 100 || mag > 10000) {
        SetMalformed(ScanProblem::BadMagnification, 10);
        return;
    }
    mag_ = fpreal4::FromRaw(static_cast<int32_t>(mag * 10));
    preamble_.resize(15 + k);
    in.Seek(0);
    in.Read(preamble_.data(), 15 + k);
}

void KsDvi::ScanPage(DviScanReader& in) {
    int64_t start = in.Position();
    bool bopSeen = false;
    int32_t texPage = 0, bopAt = 0;
    std::vector<unsigned int> stack;
    std::shared_ptr<OpenLinkArea const> linkArea;
    pagePostScript_ = pagePdfDrawing_ = pageDefinesHooks_ = false;
    pagePaper_.reset();
    pageRotation_ = 0;
    pagePictures_.clear();

    for (;;) {
        in.SkipCharacters(start + MaxPageBytes);
        int64_t at = in.Position();
        unsigned op = in.Unsigned(1);
        if (in.Ended()) {
            SetMalformed(ScanProblem::UnexpectedEnd, std::min(at, in.Size()));
            return;
        }
        if (op == kEop) break;
        if (at - start >= MaxPageBytes) {
            SetMalformed(ScanProblem::PageTooLarge, start);
            return;
        }

        int skip = ScanSkipLength(op);
        if (skip >= 0) {
            in.Skip(skip);
        } else if (op == kBop) {
            bopAt = static_cast<int32_t>(at - start);
            texPage = in.Signed32();
            in.Skip(40);
            stack.assign(colorStack_.begin(), colorStack_.begin() + colorStackDepth_);
            stack.push_back(0);  // one spare entry, as every page copy has
            linkArea = openLinkArea_;
            bopSeen = true;
        } else if (FamilyOf(op) == kXxx1) {
            ScanSpecial(in, static_cast<int>(op));
        } else if (FamilyOf(op) == kFntDef1) {
            ScanFontDef(in, static_cast<int>(op));
        } else if (op == kDefineNativeFont && IsXdvId(version_)) {
            ScanNativeFontDef(in);
        } else if (IsGlyphRun(op, version_)) {
            ScanGlyphRun(in, op);
        } else if (op == kPost) {
            ScanPostamble(in, at);
        } else {
            SetMalformed(ScanProblem::BadOpcode, at, static_cast<int>(op));
        }
        if (mode_ != Growing) return;
    }

    int64_t end = in.Position() - 1;
    if (!bopSeen) {
        SetMalformed(ScanProblem::EopWithoutBop, end, static_cast<int>(kEop));
        return;
    }
    RecordPage(texPage, std::move(stack), std::move(linkArea), start, end);
    pages_[pageCount_ - 1]->bopAt = bopAt;
}

void KsDvi::ScanPostamble(DviScanReader& in, int64_t at) {
    PostambleWalk walk = WalkPostamble(in, version_);
    if (walk.result == PostambleWalk::Unfinished) return SetMalformed(ScanProblem::UnfinishedPostamble, at);
    if (walk.result == PostambleWalk::BadOpcode)
        return SetMalformed(ScanProblem::BadOpcode, walk.badAt, static_cast<int>(walk.badOpcode));
    pageHeight_ = walk.height;
    pageWidth_ = walk.width;
    mode_ = Complete;
}

void KsDvi::RecordPage(int32_t texPage, std::vector<unsigned int> stack, std::shared_ptr<OpenLinkArea const> linkArea,
                       int64_t start, int64_t end) {
    auto page = std::make_unique<PageInfo>();
    page->texPageNo = texPage;
    page->startOffset = start;
    page->endOffset = end;
    page->length = static_cast<int32_t>(end - start + 1);
    page->backgroundColor = backgroundColor_;
    page->colorStackDepth = static_cast<int32_t>(stack.size()) - 1;
    page->colorStack = std::move(stack);
    page->postScript = pagePostScript_;
    page->pdfDrawing = pagePdfDrawing_;
    // Hooks are the document's once the page that defines them is whole: a
    // page cut short or broken gives the others none, as while TeX is still
    // writing it.
    pageHooks_ = pageHooks_ || pageDefinesHooks_;
    page->paper = pagePaper_ ? pagePaper_ : postScriptPaper_;
    page->rotation = pageRotation_;
    page->linkArea = std::move(linkArea);
    page->pictures = std::move(pagePictures_);
    pagePictures_.clear();
    if (static_cast<size_t>(pageCount_) < pages_.size())
        pages_[static_cast<size_t>(pageCount_)] = std::move(page);
    else
        pages_.push_back(std::move(page));
    ++pageCount_;
}

void KsDvi::SetPageLimit(int pages) { pageLimit_ = std::clamp(pages, 1, MostPageLimit); }

// xxx k[1-4] text[k]; the text is handed over NUL-terminated
void KsDvi::ScanSpecial(DviScanReader& in, int op) {
    int64_t at = in.Position() - 1;
    uint32_t k = in.Unsigned(FamilyWidth(static_cast<unsigned>(op)));
    if (in.Ended() || !in.Holds(k)) {
        SetMalformed(ScanProblem::UnexpectedEnd, at, op);
        return;
    }
    std::vector<unsigned char> text(static_cast<size_t>(k) + 1, 0);
    in.Read(text.data(), k);
    DoSpecial(text.data(), static_cast<int>(k));
}

// fnt_def k[1-4] c[4] s[4] d[4] a[1] l[1] n[a+l]
void KsDvi::ScanFontDef(DviScanReader& in, int op) {
    int64_t at = in.Position() - 1;
    int width = FamilyWidth(static_cast<unsigned>(op));
    uint32_t number = in.Unsigned(width);
    in.Skip(4);  // checksum: the metric file's own is used
    int32_t scale = in.Signed32();
    uint32_t design = in.Unsigned(4);
    uint32_t a = in.Unsigned(1);
    uint32_t l = in.Unsigned(1);
    if (in.Ended() || !in.Holds(a + l)) {
        SetMalformed(ScanProblem::UnexpectedEnd, at, op);
        return;
    }
    std::string area(a, '\0'), name(l, '\0');
    in.Read(area.data(), a);
    in.Read(name.data(), l);
    // Font numbers of three and four bytes cannot be selected by the interpreter.
    if (width > 2) return;

    fonts_->TakeProblem();
    ItrnFont* font = LoadItrnFont(String8(area), String8(name), scale, design);
    fontIndex_[number] = font;
    fontNumbersUsed_ = std::max(fontNumbersUsed_, static_cast<int>(number) + 1);
    // pTeX's documents are made for dvipdfmx as a rule: their colours show
    // as in the PDF it makes.
    if (font && font->IsJfm()) spotColours_->ShowCmykAsPoppler(true);
    if (font) return;
    std::string problem = fonts_->TakeProblem();
    if (fontProblems_.emplace(name, problem.empty() ? "not found" : problem).second) missingFonts_.push_back(name);
}

// define_native_font, read whole once its head says how long it is.
void KsDvi::ScanNativeFontDef(DviScanReader& in) {
    int64_t at = in.Position() - 1;
    std::vector<unsigned char> bytes(NativeFontHeadBytes(version_));
    in.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    long length = in.Ended() ? -1 : NativeFontLengthFromHead(bytes.data(), version_);
    if (length < 0 || !in.Holds(length - static_cast<long>(bytes.size()))) {
        SetMalformed(ScanProblem::UnexpectedEnd, at, kDefineNativeFont);
        return;
    }
    // Only 5's variation axes have a count of their own: after the names and
    // the colour, before the words of the other flags.
    uint16_t flags = static_cast<uint16_t>(BigEndianUnsigned(bytes.data() + 8, 2));
    size_t axesAt = size_t(length);
    if (version_ == kXdvIdNames && (flags & kNativeVariations))
        axesAt = size_t(length) - NativeFontFlagBytes(flags) + ((flags & kNativeColoured) ? 4 : 0);
    size_t head = bytes.size();
    bytes.resize(axesAt);
    in.Read(bytes.data() + head, static_cast<int64_t>(axesAt - head));
    if (version_ == kXdvIdNames && (flags & kNativeVariations)) {
        unsigned char count[2] = {0, 0};
        in.Read(count, 2);
        size_t axes = BigEndianUnsigned(count, 2);
        size_t rest = 8 * axes + (size_t(length) - axesAt);
        if (in.Ended() || !in.Holds(static_cast<int64_t>(rest))) {
            SetMalformed(ScanProblem::UnexpectedEnd, at, kDefineNativeFont);
            return;
        }
        bytes.insert(bytes.end(), count, count + 2);
        size_t before = bytes.size();
        bytes.resize(before + rest);
        in.Read(bytes.data() + before, static_cast<int64_t>(rest));
    }
    NativeFontDefinition definition;
    if (ReadNativeFontDefinition(bytes.data(), bytes.size(), version_, definition) < 0 || in.Ended()) {
        SetMalformed(ScanProblem::UnexpectedEnd, at, kDefineNativeFont);
        return;
    }
    // Font numbers past the table cannot be selected by the interpreter.
    if (definition.number >= static_cast<uint32_t>(FontIndexSize)) return;

    ksdvi::NativeFont native;
    (version_ == kXdvIdNames ? native.postScriptName : native.file) = definition.name;
    native.family = definition.family;
    native.style = definition.style;
    native.index = definition.index;
    native.coloured = (definition.flags & kNativeColoured) != 0;
    native.rgba = definition.rgba;
    native.extend = definition.extend / 65536.0;
    native.slant = definition.slant / 65536.0;
    native.embolden = definition.embolden / 65536.0;
    native.vertical = (definition.flags & kNativeVertical) != 0;
    fonts_->TakeProblem();
    ItrnFont* font = fonts_->LoadNative(native, definition.size);
    fontIndex_[definition.number] = font;
    fontNumbersUsed_ = std::max(fontNumbersUsed_, static_cast<int>(definition.number) + 1);
    if (font) return;
    std::string name = definition.name;
    if (fontProblems_.emplace(name, fonts_->TakeProblem()).second) missingFonts_.push_back(name);
}

// set_glyphs and its kin: passed over; only the interpreter reads them.
void KsDvi::ScanGlyphRun(DviScanReader& in, unsigned op) {
    int64_t at = in.Position() - 1;
    SkipXdvRecord(in, op, version_);
    if (in.Ended()) SetMalformed(ScanProblem::UnexpectedEnd, std::min(at, in.Size()), static_cast<int>(op));
}

std::string KsDvi::GetFontProblem(std::string const& name) const {
    auto it = fontProblems_.find(name);
    return it == fontProblems_.end() ? std::string() : it->second;
}

// A page whose bytes are no longer there, or no longer a page (the file was
// cut short or TeX wrote it anew since the scan), gives 0: never a page of
// zeros drawn as if it were the document's.
int KsDvi::GetPageContents(int page, unsigned char* buffer) {
    if (page < 0 || page >= pageCount_) return 0;
    PageInfo const& info = *pages_[page];
    if (!buffer) return info.length;
    std::fill(buffer, buffer + info.length, 0);
    Dviifstream in(fileName_);
    in.seekg(info.startOffset);
    in.read(reinterpret_cast<char*>(buffer), info.length);
    // The bop where the scan met it, with the same first count, and the eop last.
    int32_t bop = info.bopAt;
    bool same = in.gcount() == info.length && bop >= 0 && bop + 1 + 4 < info.length && buffer[bop] == kBop &&
                BigEndianSigned(buffer + bop + 1, 4) == info.texPageNo && buffer[info.length - 1] == kEop;
    return same ? info.length : 0;
}

int KsDvi::GetTeXPageNo(int page) const { return page >= 0 && page < pageCount_ ? pages_[page]->texPageNo : 0; }

int64_t KsDvi::GetPageStartOffset(int page) const {
    return page >= 0 && page < pageCount_ ? pages_[page]->startOffset : 0;
}

int64_t KsDvi::GetPageEndOffset(int page) const { return page >= 0 && page < pageCount_ ? pages_[page]->endOffset : 0; }

unsigned int* KsDvi::GetPageColorStack(int page) const {
    return page >= 0 && page < pageCount_ ? pages_[page]->colorStack.data() : nullptr;
}

int KsDvi::GetPageColorStackSize(int page) const {
    return page >= 0 && page < pageCount_ ? pages_[page]->colorStackDepth : 0;
}

KsDvi::OpenLinkArea const* KsDvi::GetLinkAreaAtStart(int page) const {
    return page >= 0 && page < pageCount_ ? pages_[static_cast<size_t>(page)]->linkArea.get() : nullptr;
}

unsigned int KsDvi::GetPageBackgroundColor(int page) const {
    return page >= 0 && page < pageCount_ ? pages_[page]->backgroundColor : 0xFFFFFF;
}

void KsDvi::RegisterDevice(CDC* dc, fpreal4 const& zoom) {
    for (int slot = 0; slot < 2; ++slot) {
        if (!devices_[slot]) {
            devices_[slot] = dc;
            deviceZooms_[slot] = zoom;
            return;
        }
    }
}

void KsDvi::UnregisterDevice(CDC* dc) {
    for (int slot = 0; slot < 2; ++slot) {
        if (devices_[slot] == dc) {
            devices_[slot] = nullptr;
            deviceZooms_[slot] = fpreal4();
        }
    }
}

std::vector<KsDvi::PagePicture> const& KsDvi::GetPagePictures(int page) const {
    static std::vector<PagePicture> const none;
    return page >= 0 && page < pageCount_ ? pages_[static_cast<size_t>(page)]->pictures : none;
}

int32_t KsDvi::TakeVirtualBudget(int page, int32_t pageLimit) {
    if (page < 0 || page >= pageCount_) return 0;
    int32_t known = pages_[static_cast<size_t>(page)]->virtualWork;
    if (known >= 0) return std::min(known, pageLimit);
    int32_t taken = static_cast<int32_t>(std::clamp<int64_t>(virtualLeft_, 0, pageLimit));
    virtualLeft_ -= taken;
    return taken;
}

void KsDvi::SettleVirtualBudget(int page, int32_t taken, int32_t ran, bool whole) {
    if (page < 0 || page >= pageCount_) return;
    int32_t& known = pages_[static_cast<size_t>(page)]->virtualWork;
    if (known >= 0) return;  // counted when the page was first drawn whole
    if (!whole) {
        virtualLeft_ += taken;  // a drawing cut short counts nothing
        return;
    }
    virtualLeft_ += taken - ran;
    known = ran;
}
