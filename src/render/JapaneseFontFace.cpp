#include "render/JapaneseFontFace.h"

#include <map>
#include <mutex>

#include "platform/gdi/FontCatalog.h"
#include "render/FontPainting.h"

namespace ksdvi {

namespace {

bool IsFontFile(std::string const& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == "otf" || ext == "ttf" || ext == "ttc" || ext == "otc";
}

NativeFace Find(KsDvi const& dvi, JapaneseFont const& font) {
    NativeFace out;
    gdi::FontCatalog& catalog = gdi::FontCatalog::Instance();
    for (JapaneseFont::Face const& entry : font.faces) {
        if (IsFontFile(entry.font)) {
            // Map entries name installation files, never the document's.
            std::string path = entry.font.find('/') == std::string::npos ? FindFontProgram(FinderOf(dvi), entry.font)
                               : catalog.IsInstalledFile(entry.font)     ? entry.font
                                                                         : std::string();
            if (path.empty()) continue;
            gdi::FaceDescriptor face;
            face.file = path;
            face.index = static_cast<int>(entry.index);
            if ((out.face = catalog.Open(face))) {
                out.file = path;
                return out;
            }
        } else if (auto face = catalog.FindFace(entry.font)) {
            if ((out.face = catalog.Open(*face))) {
                out.file = face->file;
                return out;
            }
        }
    }
    out.problem = font.faces.empty() ? "no Japanese map (kanjix.map, ptex-*.map, uptex-*.map) names it"
                                     : "the faces its map entries name are not installed";
    return out;
}

}  // namespace

// Looked for once per process and font (FaceMemory).
NativeFace FindJapaneseFace(KsDvi const& dvi, JapaneseFont const& font) {
    static FaceMemory<std::vector<std::string>> memory;
    std::vector<std::string> key;
    for (JapaneseFont::Face const& face : font.faces) {
        key.push_back(face.font);
        key.push_back(std::to_string(face.index));
    }
    return memory.Get(key, [&] { return Find(dvi, font); });
}

}  // namespace ksdvi
