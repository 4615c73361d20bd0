#include "device/PdfObjectPacker.h"

#include "device/PdfGradientStops.h"
#include "stream/NumberText.h"

#include <libdeflate.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <vector>

namespace ksdvi {

namespace {

// Readers hold one object stream at a time: a few hundred objects each.
constexpr size_t kObjectsPerStream = 200;

bool IsSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// A number at `at` after blanks; `at` moves past it.
std::optional<std::uint64_t> NumberAt(std::string_view text, size_t& at) {
    while (at < text.size() && IsSpace(text[at])) ++at;
    std::uint64_t value = 0;
    auto const [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + at) return std::nullopt;
    at = static_cast<size_t>(end - text.data());
    return value;
}

// The reference `key` names in the trailer ("/Root 3 0 R"), empty for none.
std::string ReferenceIn(std::string_view trailer, std::string_view key) {
    size_t at = trailer.find(key);
    if (at == std::string_view::npos) return {};
    at += key.size();
    auto const number = NumberAt(trailer, at);
    auto const generation = NumberAt(trailer, at);
    while (at < trailer.size() && IsSpace(trailer[at])) ++at;
    if (!number || !generation || at >= trailer.size() || trailer[at] != 'R') return {};
    return std::string(key) + " " + std::to_string(*number) + " " + std::to_string(*generation) + " R";
}

// FlateDecode data (zlib's format).
std::optional<std::string> Deflated(std::string_view data) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(6);
    if (!compressor) return std::nullopt;
    std::string out(libdeflate_zlib_compress_bound(compressor, data.size()), '\0');
    size_t const size = libdeflate_zlib_compress(compressor, data.data(), data.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    if (size == 0) return std::nullopt;
    out.resize(size);
    return out;
}

void PutBigEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

// Each page's MediaBox made the paper it was drawn for, to a thousandth of a
// point: a paper 792.000001 points high would take a row of dots more. Pages
// are drawn on sheets of the paper's size in whole points, which tells which
// paper a page is.
void SetPageBoxes(std::vector<std::string_view>& bodies, std::deque<std::string>& storage,
                  std::vector<std::array<double, 2>> const& papers) {
    constexpr std::string_view kBox = "/MediaBox [ 0 0 ";
    for (std::string_view& body : bodies) {
        if (!body.starts_with("<< /Type /Page")) continue;
        size_t const at = body.find(kBox);
        size_t const end = at == std::string_view::npos ? at : body.find(']', at);
        if (end == std::string_view::npos) continue;
        std::string_view numbers = body.substr(at + kBox.size(), end - at - kBox.size());
        std::optional<double> const width = TakeNumber(numbers), height = TakeNumber(numbers);
        if (!width || !height) continue;
        auto const paper = std::find_if(papers.begin(), papers.end(), [&](std::array<double, 2> const& p) {
            return std::ceil(p[0] - 1e-3) == *width && std::ceil(p[1] - 1e-3) == *height;
        });
        if (paper == papers.end()) continue;
        std::string const box =
            "/MediaBox [ 0 0 " + FixedNumber((*paper)[0], 3) + ' ' + FixedNumber((*paper)[1], 3) + " ]";
        body = storage.emplace_back(std::string(body.substr(0, at)) + box + std::string(body.substr(end + 1)));
    }
}

// The pages of the page tree turned for reading: /Rotate in the dictionary
// of each page `turns` gives degrees for, in the order of the tree's /Kids
// (Cairo writes one /Pages node).
void SetPageRotations(std::vector<std::string_view>& bodies, std::deque<std::string>& storage,
                      std::vector<int> const& turns) {
    if (std::all_of(turns.begin(), turns.end(), [](int turn) { return turn == 0; })) return;
    for (std::string_view const& tree : bodies) {
        if (!tree.starts_with("<< /Type /Pages")) continue;
        size_t at = tree.find("/Kids [");
        if (at == std::string_view::npos) return;
        at += 7;
        for (int turn : turns) {
            auto const number = NumberAt(tree, at);
            auto const generation = NumberAt(tree, at);
            while (at < tree.size() && IsSpace(tree[at])) ++at;
            if (!number || !generation || at >= tree.size() || tree[at++] != 'R' || *number >= bodies.size()) return;
            std::string_view& page = bodies[*number];
            constexpr std::string_view kPage = "<< /Type /Page";
            if (turn == 0 || !page.starts_with(kPage) || page.starts_with("<< /Type /Pages")) continue;
            page = storage.emplace_back(std::string(kPage) + " /Rotate " + std::to_string(turn) +
                                        std::string(page.substr(kPage.size())));
        }
        return;
    }
}

struct Object {
    std::uint64_t number = 0;
    size_t offset = 0;
    std::string_view text;  // "N 0 obj ... endobj"
    std::string_view body;  // between "obj" and "endobj", trimmed
    bool stream = false;
};

}  // namespace

std::string PackPdfObjects(std::string_view pdf, std::vector<LinkFrame> const& frames, PdfPageBoxes const& pages) {
    // The cross-reference table: "xref", "0 N", N entries, the trailer.
    size_t const startxref = pdf.rfind("startxref");
    if (startxref == std::string_view::npos) return {};
    size_t at = startxref + 9;
    auto const xref = NumberAt(pdf, at);
    if (!xref || *xref >= startxref || pdf.substr(*xref, 4) != "xref") return {};
    at = *xref + 4;
    auto const first = NumberAt(pdf, at);
    auto const count = NumberAt(pdf, at);
    if (!first || *first != 0 || !count || *count < 2 || *count > (pdf.size() - at) / 18 + 1) return {};
    std::vector<Object> objects;
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto const offset = NumberAt(pdf, at);
        auto const generation = NumberAt(pdf, at);
        while (at < pdf.size() && IsSpace(pdf[at])) ++at;
        if (!offset || !generation || at >= pdf.size()) return {};
        char const kind = pdf[at++];
        if (i == 0) {
            if (kind != 'f') return {};
            continue;
        }
        if (kind != 'n' || *generation != 0 || *offset >= *xref) return {};
        // Cairo points objects it numbered but never wrote (those of link
        // annotations it did not make) at another one: they are left out.
        if (!pdf.substr(*offset).starts_with(std::to_string(i) + " 0 obj")) continue;
        objects.push_back({i, static_cast<size_t>(*offset), {}, {}, false});
    }
    size_t const trailerAt = pdf.find("trailer", at);
    if (trailerAt == std::string_view::npos || trailerAt > startxref) return {};
    std::string_view const trailer = pdf.substr(trailerAt, startxref - trailerAt);
    if (trailer.find("/Encrypt") != std::string_view::npos || trailer.find("/Prev") != std::string_view::npos)
        return {};
    std::string const root = ReferenceIn(trailer, "/Root"), info = ReferenceIn(trailer, "/Info");
    if (root.empty()) return {};

    // Each object runs to the next one, the last to the table.
    std::vector<Object*> byOffset;
    for (Object& object : objects) byOffset.push_back(&object);
    std::sort(byOffset.begin(), byOffset.end(), [](Object* a, Object* b) { return a->offset < b->offset; });
    for (size_t i = 0; i < byOffset.size(); ++i) {
        Object& object = *byOffset[i];
        size_t const end = i + 1 < byOffset.size() ? byOffset[i + 1]->offset : static_cast<size_t>(*xref);
        if (i + 1 < byOffset.size() && end == object.offset) return {};
        std::string_view const text = Trimmed(pdf.substr(object.offset, end - object.offset));
        std::string const head = std::to_string(object.number) + " 0 obj";
        if (!text.starts_with(head) || !text.ends_with("endobj")) return {};
        object.text = text;
        object.body = Trimmed(text.substr(head.size(), text.size() - head.size() - 6));
        object.stream = object.body.ends_with("endstream");
    }

    // Gradients keep only the stops they need; the functions left out go.
    std::vector<std::string_view> bodies(*count);
    for (Object const* object : byOffset)
        if (!object->stream) bodies[object->number] = object->body;
    std::deque<std::string> rewritten;
    ThinGradientStops(bodies, rewritten);
    FrameLinks(bodies, rewritten, frames);
    SetPageBoxes(bodies, rewritten, pages.papers);
    SetPageRotations(bodies, rewritten, pages.turns);
    std::erase_if(byOffset, [&](Object* object) { return !object->stream && bodies[object->number].empty(); });
    for (Object* object : byOffset)
        if (!object->stream) object->body = bodies[object->number];

    std::string out = "%PDF-1.5\n%\xb5\xed\xae\xfb\n";
    std::uint64_t const size = *count;
    // Where each object lies: (1, offset) in the file, (2, stream) packed,
    // (0) nowhere.
    std::vector<std::pair<int, std::uint64_t>> places(size, {0, 0});
    std::vector<std::uint64_t> indexInStream(size, 0);
    for (Object const* object : byOffset) {
        if (!object->stream) continue;
        places[object->number] = {1, out.size()};
        out += object->text;
        out += '\n';
    }
    std::vector<Object const*> small;
    for (Object const* object : byOffset)
        if (!object->stream) small.push_back(object);
    std::uint64_t next = size;  // numbers of the object streams, then of the table
    std::vector<std::uint64_t> streamPlaces;
    for (size_t begin = 0; begin < small.size(); begin += kObjectsPerStream) {
        size_t const end = std::min(small.size(), begin + kObjectsPerStream);
        std::string header, bodies;
        for (size_t i = begin; i < end; ++i) {
            header += std::to_string(small[i]->number) + " " + std::to_string(bodies.size()) + " ";
            bodies += small[i]->body;
            bodies += '\n';
            places[small[i]->number] = {2, next};
            indexInStream[small[i]->number] = i - begin;
        }
        header.back() = '\n';
        std::optional<std::string> const packed = Deflated(header + bodies);
        if (!packed) return {};
        streamPlaces.push_back(out.size());
        out += std::to_string(next) + " 0 obj\n<< /Type /ObjStm /N " + std::to_string(end - begin) + " /First " +
               std::to_string(header.size()) + " /Filter /FlateDecode /Length " + std::to_string(packed->size()) +
               " >>\nstream\n" + *packed + "\nendstream\nendobj\n";
        ++next;
    }

    // The cross-reference stream: type, offset or object stream, index.
    std::uint64_t const table = next, total = next + 1;
    std::uint64_t const tableAt = out.size();
    int offsetBytes = 1;
    while (offsetBytes < 8 && (tableAt >> (8 * offsetBytes)) != 0) ++offsetBytes;
    std::string entries;
    for (std::uint64_t n = 0; n < total; ++n) {
        if (n == 0) {
            entries += '\0';
            PutBigEndian(entries, 0, offsetBytes);
            PutBigEndian(entries, 0xFFFF, 2);
        } else if (n < size && places[n].first == 2) {
            entries += '\2';
            PutBigEndian(entries, places[n].second, offsetBytes);
            PutBigEndian(entries, indexInStream[n], 2);
        } else if (n < size && places[n].first == 0) {
            entries += '\0';
            PutBigEndian(entries, 0, offsetBytes);
            PutBigEndian(entries, 0, 2);
        } else {
            std::uint64_t const offset = n < size ? places[n].second : n == table ? tableAt : streamPlaces[n - size];
            entries += '\1';
            PutBigEndian(entries, offset, offsetBytes);
            PutBigEndian(entries, 0, 2);
        }
    }
    std::optional<std::string> const packedEntries = Deflated(entries);
    if (!packedEntries) return {};
    out += std::to_string(table) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(total) + " /W [1 " +
           std::to_string(offsetBytes) + " 2] " + root + (info.empty() ? "" : " " + info) +
           " /Filter /FlateDecode /Length " + std::to_string(packedEntries->size()) + " >>\nstream\n" + *packedEntries +
           "\nendstream\nendobj\nstartxref\n" + std::to_string(tableAt) + "\n%%EOF\n";
    return out;
}

}  // namespace ksdvi
