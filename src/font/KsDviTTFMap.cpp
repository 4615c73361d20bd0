#include "font/KsDviTTFMap.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "font/EncodingVector.h"
#include "font/FontNameHash.h"
#include "font/MapFileTokenizer.h"
#include "font/PdftexMap.h"
#include "platform/kpathsea/KPathSea.h"
#include "stream/NumberText.h"

using namespace ksdvi;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

constexpr char const* kEncodingKeywords[KsDviTTFMap::EncodingCount] = {
    "ot1",           "8r-unicode",          "raw",    "xhan-unicode", "xhanja-unicode",
    "xsymb-unicode", "mswinsymbol-unicode", "hlatex", "glyph-names"};

bool ParseEncoding(std::string const& value, KsDviTTFMap::EncodingName& out) {
    for (int i = 0; i < KsDviTTFMap::EncodingCount; ++i) {
        if (value == kEncodingKeywords[i]) {
            out = static_cast<KsDviTTFMap::EncodingName>(i);
            return true;
        }
    }
    return false;
}

// "true"/"false" set the flag; anything else leaves it alone.
void ParseBool(std::string const& value, int& flag, int whenTrue = 1, int whenFalse = 0) {
    if (value == "true")
        flag = whenTrue;
    else if (value == "false")
        flag = whenFalse;
}

int ParseInt(std::string const& value) {
    long v = std::strtol(value.c_str(), nullptr, 10);
    return v > 0x7FFFFFFF ? 0x7FFFFFFF : v < -0x7FFFFFFF ? -0x7FFFFFFF : static_cast<int>(v);
}

// A factor of SlantFont or ExtendFont: finite and within what fonts use.
double Factor(std::string_view value, double low, double high, double otherwise) {
    double const v = TakeNumber(value).value_or(0);
    return v >= low && v <= high ? v : otherwise;
}

// The keys of TeX's font programs take file names, whose case matters.
bool ApplyFileKey(KsDviTTFMap::Entry& e, std::string const& key, std::string const& value) {
    if (key == "encfile") {
        e.encfile = String8(value);
        e.encoding = KsDviTTFMap::ENC_GLYPH_NAMES;
    } else if (key == "fontfile") {
        e.fontfile = String8(value);
    } else if (key == "slantfont") {
        e.slantfont = Factor(value, -2, 2, 0);
    } else if (key == "extendfont") {
        e.extendfont = Factor(value, 0.01, 100, 1);
    } else {
        return false;
    }
    return true;
}

void ApplyKey(KsDviTTFMap::Entry& e, std::string const& key, std::string const& rawValue) {
    if (ApplyFileKey(e, key, rawValue)) return;
    std::string value = Lower(rawValue);
    std::string_view text = value;
    double const number = TakeNumber(text).value_or(0);
    if (key == "encoding")
        ParseEncoding(value, e.encoding);
    else if (key == "fontname")
        e.fontname = String8(value);
    else if (key == "subsname")
        e.subsname = String8(value);
    else if (key == "height")
        e.height = number;
    else if (key == "averagewidth")
        e.averagewidth = number;
    else if (key == "vadjustment")
        e.vadjustment = number;
    else if (key == "italic")
        ParseBool(value, e.italic);
    else if (key == "slant")
        ParseBool(value, e.slant);
    else if (key == "bold")
        ParseBool(value, e.weight, 700, 400);
    else if (key == "weight")
        e.weight = ParseInt(value);
    else if (key == "dbcfontname") {
        e.dbcfontname = String8(value);
        e.DBC = 1;
    } else if (key == "dbcheight")
        e.dbcheight = number;
    else if (key == "dbcaveragewidth")
        e.dbcaveragewidth = number;
    else if (key == "dbcvadjustment")
        e.dbcvadjustment = number;
    else if (key == "dbcitalic")
        ParseBool(value, e.dbcitalic);
    else if (key == "dbcslant")
        ParseBool(value, e.dbcslant);
    else if (key == "dbcbold")
        ParseBool(value, e.dbcweight, 700, 400);
    else if (key == "dbcweight")
        e.dbcweight = ParseInt(value);
}

// A value in map-file quotes: apostrophes unless the value holds one.
std::string Quoted(std::string_view s) {
    char q = s.find('\'') == std::string_view::npos ? '\'' : '"';
    return q + std::string(s) + q;
}

std::string Number(double v) { return GeneralNumber(v, 6); }

}  // namespace

char const* KsDviTTFMap::EncodingKeyword(EncodingName encoding) {
    return encoding >= 0 && encoding < EncodingCount ? kEncodingKeywords[encoding] : "";
}

KsDviTTFMap::KsDviTTFMap(char const* path, FaceQuery faceQuery) : faceQuery_(std::move(faceQuery)) {
    InitHash();
    if (path) OpenTTFMapFile(path);
}

KsDviTTFMap::~KsDviTTFMap() { DeleteHash(); }

void KsDviTTFMap::InitHash() { hash_.fill(nullptr); }

void KsDviTTFMap::DeleteHash() {
    std::lock_guard<std::recursive_mutex> lock(entriesLock_);
    hash_.fill(nullptr);
    entries_.clear();
    pending_.clear();
}

int KsDviTTFMap::GetHashCode(String8 const& name) const { return FontNameHash(name.view()); }

bool KsDviTTFMap::IsInstalled(String8 const& face) const { return faceQuery_ && faceQuery_(face.c_str()); }

int KsDviTTFMap::OpenTTFMapFile(char const* path) {
    DeleteHash();
    InitHash();
    return AppendTTFMapFile(path);
}

int KsDviTTFMap::AppendTTFMapFile(char const* path) {
    std::unique_ptr<std::FILE, FileCloser> file(path ? std::fopen(path, "r") : nullptr);
    if (!file) return 0;
    return Append(file.get());
}

int KsDviTTFMap::AppendTTFMapText(std::string_view text) {
    if (text.empty()) return 1;
    std::unique_ptr<std::FILE, FileCloser> file(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
    if (!file) return 0;
    return Append(file.get());
}

// entry := name "{" key "=" 'value' { "," key "=" 'value' } "}"
int KsDviTTFMap::Append(std::FILE* file) {
    MapFileTokenizer tokens(file);
    lastErrorLine_ = 0;
    auto fail = [&] {
        lastErrorLine_ = tokens.GetLine();
        return 0;
    };

    MapFileTokenizer::Token name, t, key, value;
    while (tokens.Next(name)) {
        auto entry = std::make_unique<Entry>();
        entry->name = String8(Lower(name.text));
        if (!tokens.Next(t) || !t.Is("{")) return fail();
        for (;;) {
            if (!tokens.Next(key) || key.quoted) return fail();
            if (!tokens.Next(t) || !t.Is("=")) return fail();
            if (!tokens.Next(value) || !value.quoted) return fail();
            ApplyKey(*entry, Lower(key.text), value.text);
            if (!tokens.Next(t)) return fail();
            if (t.Is(",")) continue;
            if (t.Is("}")) break;
            return fail();
        }
        if (!entry->subsname.IsNull() && !IsInstalled(entry->fontname) && IsInstalled(entry->subsname))
            entry->fontname = entry->subsname;

        Insert(std::move(entry));
    }
    return 1;
}

void KsDviTTFMap::Insert(std::unique_ptr<Entry> entry) {
    std::lock_guard<std::recursive_mutex> lock(entriesLock_);
    if (entry->order == 0) entry->order = ++nextOrder_;
    int bucket = GetHashCode(entry->name);
    entry->next = hash_[bucket];
    hash_[bucket] = entry.get();
    entries_.push_back(std::move(entry));
}

int KsDviTTFMap::AppendPdftexMapFile(char const* path) {
    std::ifstream in(path ? path : "", std::ios::binary);
    if (!in) return 0;
    PendingMap map;
    map.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::string_view const text(map.text);
    for (size_t at = 0; at < text.size();) {
        size_t const end = std::min(text.find('\n', at), text.size());
        std::string_view const line = text.substr(at, end - at);
        at = end + 1;
        // Only the first word is read now, by ParsePdftexMapLine's rules.
        if (line.empty() || std::string_view("%#*;").find(line[0]) != std::string_view::npos) continue;
        size_t const first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '<' || line[first] == '"') continue;
        std::string_view const name = line.substr(first, line.find_first_of(" \t\r", first) - first);
        // the first line for a font counts
        map.lines.emplace(Lower(std::string(name)), std::make_pair(size_t(line.data() - text.data()), line.size()));
    }
    std::lock_guard<std::recursive_mutex> lock(entriesLock_);
    map.order = ++nextOrder_;
    pending_.push_back(std::move(map));
    return 1;
}

KsDviTTFMap::Entry const* KsDviTTFMap::ReadPending(String8 const& key, Entry const* found) const {
    for (auto map = pending_.rbegin(); map != pending_.rend(); ++map) {
        if (found && found->order > map->order) break;
        auto const it = map->lines.find(std::string(key.view()));
        if (it == map->lines.end()) continue;
        std::optional<ksdvi::PdftexMapLine> const line =
            ksdvi::ParsePdftexMapLine(map->text.substr(it->second.first, it->second.second));
        map->lines.erase(it);
        if (!line) continue;
        auto entry = std::make_unique<Entry>();
        entry->name = key;
        entry->fontname = String8(Lower(line->psName));
        entry->encoding = line->encodingFile.empty() ? ENC_RAW : ENC_GLYPH_NAMES;
        if (!line->encodingFile.empty()) entry->encfile = String8(line->encodingFile);
        if (!line->fontFile.empty()) entry->fontfile = String8(line->fontFile);
        entry->slantfont = line->slant;
        entry->extendfont = line->extend;
        entry->order = map->order;
        Entry const* made = entry.get();
        const_cast<KsDviTTFMap*>(this)->Insert(std::move(entry));
        return made;
    }
    return found;
}

std::vector<KsDviTTFMap::Entry const*> KsDviTTFMap::GetEntries() const {
    std::lock_guard<std::recursive_mutex> lock(entriesLock_);
    for (PendingMap const& map : pending_)
        while (!map.lines.empty()) ReadPending(String8(map.lines.begin()->first), nullptr);
    std::vector<Entry const*> out;
    out.reserve(entries_.size());
    for (auto const& e : entries_) out.push_back(e.get());
    std::stable_sort(out.begin(), out.end(), [](Entry const* a, Entry const* b) { return a->order < b->order; });
    return out;
}

std::string KsDviTTFMap::EntryText(Entry const& e) {
    std::string text = Quoted(e.name.view()) + " { fontname = " + Quoted(e.fontname.view());
    // encfile first: it sets the encoding, which a later key may change.
    if (!e.encfile.IsNull()) text += ", encfile = " + Quoted(e.encfile.view());
    if (e.encoding != ENC_GLYPH_NAMES) text += ", encoding = '" + std::string(EncodingKeyword(e.encoding)) + "'";
    if (!e.fontfile.IsNull()) text += ", fontfile = " + Quoted(e.fontfile.view());
    if (e.slantfont != 0) text += ", slantfont = '" + Number(e.slantfont) + "'";
    if (e.extendfont != 1) text += ", extendfont = '" + Number(e.extendfont) + "'";
    if (e.height != 0) text += ", height = '" + Number(e.height) + "'";
    if (e.averagewidth != 0) text += ", averagewidth = '" + Number(e.averagewidth) + "'";
    if (e.vadjustment != 0) text += ", vadjustment = '" + Number(e.vadjustment) + "'";
    if (e.italic) text += ", italic = 'true'";
    if (e.slant) text += ", slant = 'true'";
    if (e.weight != 400) text += ", weight = '" + std::to_string(e.weight) + "'";
    if (e.DBC) text += ", dbcfontname = " + Quoted(e.dbcfontname.view());
    return text + " }";
}

std::shared_ptr<ksdvi::EncodingVector const> KsDviTTFMap::GetGlyphNames(String8 const& encfile) const {
    if (encfile.IsNull() || encfile.GetLength() == 0) return nullptr;
    std::string name(encfile.view());
    std::lock_guard<std::mutex> lock(encodingsLock_);
    auto it = encodings_.find(name);
    if (it != encodings_.end()) return it->second;
    std::shared_ptr<ksdvi::EncodingVector const> vector;
    if (name.find('/') == std::string::npos) {
        static KPathSea finder;
        std::string path = finder.Find(name, KPathSea::Format::Enc);
        if (!path.empty()) vector = ksdvi::EncodingVector::Read(path);
    }
    if (!vector) vector = ksdvi::EncodingVector::Read(name);
    encodings_.emplace(name, vector);
    return vector;
}

KsDviTTFMap::Entry const* KsDviTTFMap::Find(String8 const& key) const {
    Entry const* found = nullptr;
    for (Entry const* e = hash_[GetHashCode(key)]; e; e = e->next)
        if (e->name == key && (!found || e->order > found->order)) found = e;
    return found;
}

KsDviTTFMap::Entry const* KsDviTTFMap::GetEntry(String8 const& name) const {
    String8 key = name.DownCase();
    std::lock_guard<std::recursive_mutex> lock(entriesLock_);
    return ReadPending(key, Find(key));
}
