#include "render/NativeFontFace.h"

#include <map>
#include <mutex>
#include <tuple>

#include "platform/gdi/FontCatalog.h"
#include "platform/kpathsea/KPathSea.h"
#include "render/FontPainting.h"

namespace ksdvi {

namespace {

std::string BaseName(std::string const& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasFontExtension(std::string const& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == "otf" || ext == "ttf" || ext == "ttc" || ext == "otc" || ext == "pfb" || ext == "pfa";
}

KPathSea::Format FormatOf(std::string const& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.ends_with(".otf")) return KPathSea::Format::OpenType;
    if (lower.ends_with(".pfb") || lower.ends_with(".pfa")) return KPathSea::Format::Type1;
    return KPathSea::Format::TrueType;
}

// The file a definition names, where ksdvi may read it.
std::string FindFile(KsDvi const& dvi, std::string const& name, std::string& problem) {
    KPathSea& finder = FinderOf(dvi);
    // The document's own tree and the directories the user allows, then the
    // installation by name.
    std::string why;
    std::string found = dvi.GetFiles().Find(name, &finder, FormatOf(name), &why);
    if (!found.empty()) return found;
    if (name.find('/') != std::string::npos) {
        found = finder.Find(BaseName(name), FormatOf(name));
        if (!found.empty()) return found;
        // XeTeX names the fonts fontconfig found for it by their paths.
        if (gdi::FontCatalog::Instance().IsInstalledFile(name)) return name;
    }
    problem = why.empty() ? "not found" : why;
    return "";
}

NativeFace Find(KsDvi const& dvi, NativeFont const& font) {
    NativeFace out;
    gdi::FontCatalog& catalog = gdi::FontCatalog::Instance();
    if (!font.file.empty() && (font.file.find('/') != std::string::npos || HasFontExtension(font.file))) {
        out.file = FindFile(dvi, font.file, out.problem);
        if (out.file.empty()) return out;
        gdi::FaceDescriptor face;
        face.file = out.file;
        face.index = static_cast<int>(font.index & 0xFFFF);
        out.face = catalog.Open(face);
        if (!out.face) out.problem = out.file + " holds no face " + std::to_string(font.index);
        return out;
    }
    // A face by name: the PostScript name, then family and style.
    for (std::string const& name : {font.file, font.postScriptName, font.family + " " + font.style, font.family}) {
        if (name.empty() || name == " ") continue;
        if (auto face = catalog.FindFace(name)) {
            out.face = catalog.Open(*face);
            out.file = face->file;
            if (out.face) return out;
        }
    }
    out.problem = "no installed face of that name";
    return out;
}

}  // namespace

NativeFace FindNativeFace(KsDvi const& dvi, NativeFont const& font) {
    using Key = std::tuple<std::string, std::string, std::string, std::string, unsigned, std::string>;
    static FaceMemory<Key> memory;
    return memory.Get(
        Key(font.file, font.postScriptName, font.family, font.style, font.index, std::string(dvi.GetFileName().view())),
        [&] { return Find(dvi, font); });
}

}  // namespace ksdvi
