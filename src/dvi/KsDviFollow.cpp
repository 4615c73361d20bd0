// Following a DVI file while TeX writes it: how far it is written, read
// without recording anything, so that the scan is only ever asked for
// complete pages and a whole postamble.

#include <sys/stat.h>

#include <utility>

#include "dvi/DviScanReader.h"
#include "dvi/KsDvi.h"
#include "stream/BigEndian.h"

using namespace ksdvi;
using namespace ksdvi::dvi;

namespace {

enum class Region { Page, Unfinished, Ended };

// When the file was last written, in nanoseconds; -1 when it cannot be told.
int64_t LastWritten(char const* path) {
    struct stat st {};
    if (stat(path, &st) != 0) return -1;
    return int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

// The nops and font definitions before a page, and the page up to its eop;
// or the postamble. Ended for what the scan will refuse.
Region WalkPage(DviScanReader& in, unsigned id) {
    int64_t start = in.Position();
    for (;;) {
        int64_t at = in.Position();
        unsigned op = in.Unsigned(1);
        if (in.Ended()) return Region::Unfinished;
        if (op == kEop) return Region::Page;
        if (at - start >= KsDvi::MaxPageBytes) return Region::Ended;
        if (op == kPost)
            return WalkPostamble(in, id).result == PostambleWalk::Unfinished ? Region::Unfinished : Region::Ended;
        if (int skip = ScanSkipLength(op); skip >= 0) {
            in.Skip(skip);
        } else if (op == kBop) {
            in.Skip(44);
        } else if (FamilyOf(op) == kXxx1) {
            in.Skip(in.Unsigned(FamilyWidth(op)));
        } else if (FamilyOf(op) == kFntDef1) {
            in.Skip(FamilyWidth(op) + 12);  // k, checksum, size, design size
            uint32_t a = in.Unsigned(1);
            in.Skip(a + in.Unsigned(1));
        } else if (!SkipXdvRecord(in, op, id)) {
            return Region::Ended;
        }
    }
}

}  // namespace

// The preamble as it was read, and the last recorded page where it was.
bool KsDvi::IsRewritten(DviScanReader& in) {
    if (!preamble_.empty()) {
        std::vector<unsigned char> now(preamble_.size());
        in.Seek(0);
        in.Read(now.data(), static_cast<int64_t>(now.size()));
        if (in.Ended() || now != preamble_) return true;
    }
    if (pageCount_ == 0) return false;
    PageInfo const& last = *pages_[pageCount_ - 1];
    if (last.endOffset >= in.Size()) return true;
    unsigned char bop[5];
    in.Seek(last.startOffset + last.bopAt);
    in.Read(bop, 5);
    in.Seek(last.endOffset);
    unsigned eop = in.Unsigned(1);
    return in.Ended() || bop[0] != kBop || BigEndianSigned(bop + 1, 4) != last.texPageNo || eop != kEop;
}

KsDvi::WrittenExtent KsDvi::ProbeWritten() {
    WrittenExtent extent;
    extent.pages = pageCount_;
    if (!IsOpened()) return extent;
    Dviifstream file(fileName_);
    // Not there yet, or for a moment while a build tool replaces it.
    if (!file.is_open()) return extent;
    DviScanReader in(file, FileSize(file));
    extent.rewritten = IsRewritten(in);
    if (extent.rewritten || mode_ != Growing) return extent;

    unsigned id = version_;
    if (pageCount_ > 0) {
        in.Seek(pages_[pageCount_ - 1]->endOffset + 1);
    } else {
        // pre i num den mag k comment: the scan reads and judges it.
        unsigned char head[15];
        in.Seek(0);
        in.Read(head, 15);
        if (in.Ended()) return extent;
        id = head[1];
        if (head[0] != kPre || !IsKnownId(id)) {
            extent.ended = true;
            return extent;
        }
        in.Seek(15 + head[14]);
    }
    for (;;) {
        Region region = WalkPage(in, id);
        if (region == Region::Unfinished) return extent;
        // Past the page limit the scan looks at one opcode only.
        if (region == Region::Ended || extent.pages == pageLimit_) {
            extent.ended = true;
            return extent;
        }
        ++extent.pages;
    }
}

// Only complete pages are announced: a scan that met the end of the file met
// a file changed under it.
bool KsDvi::IsCutUnderScan() const {
    return mode_ == Malformed &&
           (problem_ == ScanProblem::UnexpectedEnd || problem_ == ScanProblem::UnfinishedPostamble);
}

KsDvi::ScanChange KsDvi::ScanWritten() {
    int before = pageCount_;
    KsDviMode modeBefore = mode_;
    bool renewed = false;
    // Taken before the file is read: a write during the scan shows next time.
    int64_t const written = LastWritten(fileName_.c_str());
    // TeX writes nothing after the postamble: a complete file written since
    // it was scanned is a rerun's, even one of the same pages and length (a
    // typo fixed).
    bool touched = mode_ != Growing && scannedWrite_ != -1 && written != scannedWrite_;
    // A rerun may empty the file while it is scanned; a few tries, then
    // nothing recorded rather than pages read half.
    constexpr int kTries = 3;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        WrittenExtent extent = ProbeWritten();
        if (std::exchange(touched, false) || extent.rewritten || IsCutUnderScan()) {
            RenewDvi();
            renewed = true;
            extent = ProbeWritten();
        }
        if (mode_ == Growing) {
            if (extent.ended)
                NewPageWritten(0);
            else if (extent.pages > pageCount_)
                NewPageWritten(extent.pages);
        }
        if (!IsCutUnderScan()) break;
    }
    if (IsCutUnderScan()) RenewDvi();
    scannedWrite_ = written;
    if (renewed) return Renewed;
    return pageCount_ != before || mode_ != modeBefore ? Extended : Unchanged;
}
