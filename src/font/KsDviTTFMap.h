#pragma once
// The map from TeX font names to outline faces: which face paints a TeX font,
// at what size relative to the font, with which style and character encoding.

#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "stream/String8.h"

namespace ksdvi {
class EncodingVector;
}

class KsDviTTFMap {
public:
    enum EncodingName : int {
        ENC_OT1 = 0,
        ENC_8R_UNICODE = 1,
        ENC_RAW = 2,
        ENC_XHAN_UNICODE = 3,
        ENC_XHANJA_UNICODE = 4,
        ENC_XSYMB_UNICODE = 5,
        ENC_MSWINSYMBOL_UNICODE = 6,
        ENC_HLATEX = 7,
        // Codes name glyphs through an encoding vector (an .enc file), as
        // pdfTeX and dvips re-encode Type 1 fonts.
        ENC_GLYPH_NAMES = 8,
    };
    static constexpr int EncodingCount = 9;
    static constexpr int HashSize = 73;

    struct Entry {
        Entry* next = nullptr;
        EncodingName encoding = ENC_OT1;
        String8 name;
        int DBC = 0;
        String8 fontname = "cmr10";
        String8 subsname;
        double height = 0.0;
        double averagewidth = 0.0;
        double vadjustment = 0.0;
        int italic = 0;
        int slant = 0;
        int weight = 400;
        String8 dbcfontname = "\xB9\xD9\xC5\xC1\xC3\xBC";  // BatangChe in EUC-KR
        String8 dbcsubsname;
        double dbcheight = 0.0;
        double dbcaveragewidth = 0.0;
        double dbcvadjustment = 0.0;
        int dbcitalic = 0;
        int dbcslant = 0;
        int dbcweight = 0;
        // TeX's own font programs (keys of this library's map files; file
        // names keep their case): the encoding vector, the font file to make
        // available, and the transformation of SlantFont and ExtendFont.
        String8 encfile;
        String8 fontfile;
        double slantfont = 0.0;
        double extendfont = 1.0;
        // When the entry was read: of two for one name, the later counts.
        size_t order = 0;
    };

    // Answers whether an outline face of that family name is installed; the host
    // supplies it from its platform layer. Without one, no face counts as installed.
    using FaceQuery = std::function<bool(char const* face)>;

    explicit KsDviTTFMap(char const* path = nullptr, FaceQuery faceQuery = {});
    KsDviTTFMap(KsDviTTFMap const&) = delete;
    KsDviTTFMap& operator=(KsDviTTFMap const&) = delete;
    ~KsDviTTFMap();

    int OpenTTFMapFile(char const* path);
    int AppendTTFMapFile(char const* path);
    // Map text held in memory (generated entries), read exactly like a file.
    int AppendTTFMapText(std::string_view text);
    // Adds an entry for every font of a pdfTeX or dvips map file (pdftex.map):
    // the font program by its PostScript name, with its encoding vector and
    // transformation. Within the file the first line for a font counts, as in
    // pdfTeX; files appended later win, as map files do. 0 when it cannot be read.
    // A line is read whole when its font is first asked for: the installation's
    // map has thousands, and a formula uses a few.
    int AppendPdftexMapFile(char const* path);
    Entry const* GetEntry(String8 const& name) const;
    // Every entry, in the order read.
    std::vector<Entry const*> GetEntries() const;
    // An entry in map-file syntax, one line.
    static std::string EntryText(Entry const& entry);

    // The encoding vector an entry names (a path, or a name found through
    // kpathsea), read once per map; null when there is none.
    std::shared_ptr<ksdvi::EncodingVector const> GetGlyphNames(String8 const& encfile) const;

    // The map-file keyword of an encoding ("ot1", "raw", ...), "" for other values.
    static char const* EncodingKeyword(EncodingName encoding);

    void SetFaceQuery(FaceQuery query) { faceQuery_ = std::move(query); }
    // Line of the syntax error that stopped the last read, 0 when there was none.
    int GetLastErrorLine() const { return lastErrorLine_; }

protected:
    int GetHashCode(String8 const& name) const;
    void InitHash();
    void DeleteHash();

private:
    bool IsInstalled(String8 const& face) const;
    int Append(std::FILE* file);
    void Insert(std::unique_ptr<Entry> entry);
    Entry const* Find(String8 const& key) const;
    // The entry of a pdftex.map line not read yet, or null.
    Entry const* ReadPending(String8 const& key, Entry const* found) const;

    // The lines of a pdftex.map, by lower-case TeX font name, not yet entries:
    // where each starts in the text and its length.
    struct PendingMap {
        std::string text;
        std::map<std::string, std::pair<size_t, size_t>> lines;
        size_t order = 0;
    };

    // Entries are made from pending lines by const lookups, from any thread.
    mutable std::recursive_mutex entriesLock_;
    mutable std::array<Entry*, HashSize> hash_{};          // chains through Entry::next
    mutable std::vector<std::unique_ptr<Entry>> entries_;  // owns every entry of the chains
    mutable std::vector<PendingMap> pending_;
    size_t nextOrder_ = 0;
    FaceQuery faceQuery_;
    int lastErrorLine_ = 0;
    mutable std::mutex encodingsLock_;
    mutable std::map<std::string, std::shared_ptr<ksdvi::EncodingVector const>> encodings_;
};
