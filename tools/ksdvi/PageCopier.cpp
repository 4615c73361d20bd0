#include "PageCopier.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string_view>

#include "dvi/DviOpcodes.h"
#include "page/OutputFile.h"
#include "stream/BigEndian.h"
#include "writer/KsDviWriter.h"

using namespace ksdvi::dvi;

namespace {

using Bytes = std::vector<unsigned char>;

// The bytes of one command at `at`, its parameters included; 0 when it does
// not fit in the page or is not a command of pages.
size_t CommandLength(Bytes const& page, size_t at) {
    unsigned op = page[at];
    int fixed = ParameterBytes(op);
    if (fixed < 0 || op == kPre || op == kPost || op == kPostPost) return 0;
    size_t length = 1 + static_cast<size_t>(fixed);
    if (at + length > page.size()) return 0;
    if (FamilyOf(op) == kXxx1) {
        length += ksdvi::BigEndianUnsigned(&page[at + 1], FamilyWidth(op));
    } else if (FamilyOf(op) == kFntDef1) {
        length += page[at + length - 2] + page[at + length - 1];  // a and l
    }
    return at + length <= page.size() ? length : 0;
}

// The font number a fnt_num, fnt or fnt_def command names; -1 for others.
long FontNumber(Bytes const& page, size_t at) {
    unsigned op = page[at];
    if (op >= kFntNum0 && op < kFnt1) return op - kFntNum0;
    if (FamilyOf(op) == kFnt1 || FamilyOf(op) == kFntDef1)
        return static_cast<long>(ksdvi::BigEndianUnsigned(&page[at + 1], FamilyWidth(op)));
    return -1;
}

// Specials dvips reads for the whole document wherever they lie: the paper
// size and the PostScript headers. The copy keeps those of pages it leaves
// out, so that it prints and renders on the same paper.
bool IsDocumentSpecial(Bytes const& page, size_t at, size_t length) {
    if (FamilyOf(page[at]) != kXxx1) return false;
    size_t text = 1 + static_cast<size_t>(FamilyWidth(page[at]));
    std::string_view special(reinterpret_cast<char const*>(&page[at + text]), length - text);
    return special.starts_with("papersize=") || special.starts_with("header=") || special.starts_with("!");
}

struct Page {
    Bytes bytes;
    size_t bop = 0;  // where its bop lies in the bytes
};

bool ReadPage(KsDvi& dvi, int index, Page& page) {
    page.bytes.resize(static_cast<size_t>(dvi.GetPageContents(index, nullptr)));
    if (page.bytes.empty() || dvi.GetPageContents(index, page.bytes.data()) != static_cast<int>(page.bytes.size()))
        return false;
    for (size_t at = 0; at < page.bytes.size();) {
        if (page.bytes[at] == kBop) {
            page.bop = at;
            return at + 45 < page.bytes.size();
        }
        size_t length = CommandLength(page.bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return false;
}

}  // namespace

std::string CopyPages(KsDvi& dvi, std::vector<int> const& pages, std::string const& output) {
    // Every font definition of the document, by number: a page may use a font
    // that a page left out defined.
    std::map<long, Bytes> definitions;
    Bytes documentSpecials;
    std::vector<Page> chosen(pages.size());
    for (int index = 0; index < dvi.GetNPage(); ++index) {
        Page page;
        if (!ReadPage(dvi, index, page)) return "page " + std::to_string(index + 1) + " cannot be read";
        for (size_t at = 0; at + 1 < page.bytes.size();) {
            size_t length = CommandLength(page.bytes, at);
            if (length == 0) return "page " + std::to_string(index + 1) + " holds a command that pages may not hold";
            if (FamilyOf(page.bytes[at]) == kFntDef1)
                definitions.try_emplace(FontNumber(page.bytes, at), page.bytes.begin() + at,
                                        page.bytes.begin() + at + length);
            if (std::find(pages.begin(), pages.end(), index) == pages.end() &&
                IsDocumentSpecial(page.bytes, at, length))
                documentSpecials.insert(documentSpecials.end(), page.bytes.begin() + at,
                                        page.bytes.begin() + at + length);
            at += length;
        }
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i] == index) chosen[i] = page;
    }

    Bytes preamble(15);
    std::ifstream in(std::string(dvi.GetFileName().view()), std::ios::binary);
    in.read(reinterpret_cast<char*>(preamble.data()), 15);
    std::string comment(preamble[14], '\0');
    in.read(comment.data(), static_cast<std::streamsize>(comment.size()));
    if (!in) return "its preamble cannot be read";

    OutputFile file(output);
    if (!file.Create()) return output + ": " + std::strerror(errno);
    KsDviWriter out;
    out.open(file.WritePath(), std::ios::binary | std::ios::trunc);
    if (!out) return output + ": " + std::strerror(errno);
    out.WritePreamble(ksdvi::BigEndianUnsigned(&preamble[6], 4), ksdvi::BigEndianUnsigned(&preamble[2], 4),
                      ksdvi::BigEndianUnsigned(&preamble[10], 4),
                      reinterpret_cast<unsigned char const*>(comment.c_str()));
    std::set<long> defined;
    auto define = [&](long number) {
        auto it = definitions.find(number);
        if (it == definitions.end() || !defined.insert(number).second) return;
        out.write(reinterpret_cast<char const*>(it->second.data()), static_cast<std::streamsize>(it->second.size()));
    };
    int maxStack = 0;
    for (Page const& page : chosen) {
        Bytes const& b = page.bytes;
        int counters[10];
        for (int i = 0; i < 10; ++i) counters[i] = ksdvi::BigEndianSigned(&b[page.bop + 1 + 4 * i], 4);
        out.WriteBop(counters);
        if (out.GetPageCount() == 0) {
            out.write(reinterpret_cast<char const*>(documentSpecials.data()),
                      static_cast<std::streamsize>(documentSpecials.size()));
        }
        int depth = 0;
        for (size_t at = page.bop + 45; at + 1 < b.size();) {
            size_t length = CommandLength(b, at);
            unsigned op = b[at];
            long font = FontNumber(b, at);
            if (font >= 0) define(font);
            if (op == kPush) maxStack = std::max(maxStack, ++depth);
            if (op == kPop) --depth;
            if (op == kDir) out.NoteDirections();
            if (FamilyOf(op) != kFntDef1)
                out.write(reinterpret_cast<char const*>(&b[at]), static_cast<std::streamsize>(length));
            at += length;
        }
        out.WriteEop();
    }
    out.WritePostamble(maxStack, dvi.GetPostambleHeight(), dvi.GetPostambleWidth());
    for (long number : defined) {
        Bytes const& def = definitions[number];
        out.write(reinterpret_cast<char const*>(def.data()), static_cast<std::streamsize>(def.size()));
    }
    out.WritePostPostamble();
    out.close();
    if (!out || !file.Commit()) return output + ": " + std::strerror(errno ? errno : EIO);
    return {};
}
