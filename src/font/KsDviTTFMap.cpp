#include "font/KsDviTTFMap.h"

#include <cstdio>
#include <cstdlib>

#include "font/FontNameHash.h"
#include "font/MapFileTokenizer.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

constexpr char const* kEncodingKeywords[] = {
    "ot1", "8r-unicode", "raw", "xhan-unicode", "xhanja-unicode", "xsymb-unicode", "mswinsymbol-unicode", "hlatex"};

bool ParseEncoding(std::string const& value, KsDviTTFMap::EncodingName& out) {
    for (int i = 0; i < 8; ++i) {
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

void ApplyKey(KsDviTTFMap::Entry& e, std::string const& key, std::string const& value) {
    double number = std::strtod(value.c_str(), nullptr);
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

}  // namespace

char const* KsDviTTFMap::EncodingKeyword(EncodingName encoding) {
    return encoding >= 0 && encoding < 8 ? kEncodingKeywords[encoding] : "";
}

KsDviTTFMap::KsDviTTFMap(char const* path, FaceQuery faceQuery) : faceQuery_(std::move(faceQuery)) {
    InitHash();
    if (path) OpenTTFMapFile(path);
}

KsDviTTFMap::~KsDviTTFMap() { DeleteHash(); }

void KsDviTTFMap::InitHash() { hash_.fill(nullptr); }

void KsDviTTFMap::DeleteHash() {
    hash_.fill(nullptr);
    entries_.clear();
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
            ApplyKey(*entry, Lower(key.text), Lower(value.text));
            if (!tokens.Next(t)) return fail();
            if (t.Is(",")) continue;
            if (t.Is("}")) break;
            return fail();
        }
        if (!entry->subsname.IsNull() && !IsInstalled(entry->fontname) && IsInstalled(entry->subsname))
            entry->fontname = entry->subsname;

        int bucket = GetHashCode(entry->name);
        entry->next = hash_[bucket];
        hash_[bucket] = entry.get();
        entries_.push_back(std::move(entry));
    }
    return 1;
}

KsDviTTFMap::Entry const* KsDviTTFMap::GetEntry(String8 const& name) const {
    String8 key = name.DownCase();
    for (Entry const* e = hash_[GetHashCode(key)]; e; e = e->next)
        if (e->name == key) return e;
    return nullptr;
}
