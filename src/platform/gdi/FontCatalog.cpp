#include "platform/gdi/FontCatalog.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <fontconfig/fontconfig.h>
// after fontconfig.h, which it needs
#include <fontconfig/fcfreetype.h>

#include "platform/gdi/KoreanFaces.h"

namespace ksdvi::gdi {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> Strings(FcPattern* p, const char* object) {
    std::vector<std::string> out;
    FcChar8* s = nullptr;
    for (int i = 0; FcPatternGetString(p, object, i, &s) == FcResultMatch; ++i)
        out.emplace_back(reinterpret_cast<const char*>(s));
    return out;
}

std::optional<FaceDescriptor> Describe(FcPattern* p) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
    FcBool outline = FcFalse, scalable = FcFalse;
    FcPatternGetBool(p, FC_OUTLINE, 0, &outline);
    FcPatternGetBool(p, FC_SCALABLE, 0, &scalable);
    if (!outline || !scalable) return std::nullopt;
    FaceDescriptor d;
    d.file = reinterpret_cast<const char*>(file);
    int index = 0;
    FcPatternGetInteger(p, FC_INDEX, 0, &index);
    d.index = index & 0xFFFF;  // named instances of variable fonts draw as their default
    d.families = Strings(p, FC_FAMILY);
    d.fullNames = Strings(p, FC_FULLNAME);
    if (auto ps = Strings(p, FC_POSTSCRIPT_NAME); !ps.empty()) d.postScriptName = ps.front();
    if (auto st = Strings(p, FC_STYLE); !st.empty()) d.style = st.front();
    double weight = FC_WEIGHT_REGULAR;
    FcPatternGetDouble(p, FC_WEIGHT, 0, &weight);
    d.weight = int(FcWeightToOpenTypeDouble(weight));
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(p, FC_SLANT, 0, &slant);
    d.italic = slant != FC_SLANT_ROMAN;
    FcPatternGetInteger(p, FC_WIDTH, 0, &d.width);
    return d;
}

int StyleDistance(const FaceDescriptor& f, int weight, bool italic) {
    // Slant first, then weight; condensed or expanded faces only as a last resort.
    return std::abs(f.weight - weight) + (f.italic != italic ? 1000 : 0) + std::abs(f.width - 100) * 4;
}

}  // namespace

const std::string& FaceDescriptor::Family() const {
    static const std::string empty;
    return families.empty() ? empty : families.front();
}

FontCatalog& FontCatalog::Instance() {
    static FontCatalog catalog;
    return catalog;
}

FontCatalog::FontCatalog() = default;

namespace {

bool ByFile(const FaceDescriptor& a, const FaceDescriptor& b) {
    return std::tie(a.file, a.index) < std::tie(b.file, b.index);
}

}  // namespace

// fontconfig's configuration and its list of the system's faces are read when
// a name is first not among the process's own faces: documents whose fonts
// all come with their own programs never need them, and they cost more than
// the first page.
::_FcConfig* FontCatalog::ConfigLocked() {
    if (!configLoaded_) {
        configLoaded_ = true;
        config_ = FcInitLoadConfigAndFonts();
    }
    return config_;
}

FontCatalog::~FontCatalog() {
    if (config_) FcConfigDestroy(config_);
}

int FontCatalog::AddPrivateFontFile(const std::string& path) {
    std::lock_guard guard(lock_);
    // Each face is parsed once, by us, and described by fontconfig from the
    // parsed face: a Type 1 font costs more to parse than to draw a page with.
    // The faces stay the process's own; fontconfig's sets are left alone.
    int count = 0;
    for (int index = 0, faces = 1; index < faces; ++index) {
        auto file = FontFile::Load(path, index);
        if (!file) break;
        faces = int(file->SharedFace()->num_faces);
        FcPattern* pattern = FcFreeTypeQueryFace(file->SharedFace(), reinterpret_cast<const FcChar8*>(path.c_str()),
                                                 unsigned(index), nullptr);
        if (!pattern) continue;
        std::optional<FaceDescriptor> d = Describe(pattern);
        FcPatternDestroy(pattern);
        if (!d) continue;
        d->added = true;
        files_[{d->file, d->index}] = file;
        privateFaces_.insert(std::upper_bound(privateFaces_.begin(), privateFaces_.end(), *d, ByFile), *d);
        ++count;
    }
    resolved_.clear();
    return count;
}

const std::vector<FaceDescriptor>& FontCatalog::SystemFacesLocked() {
    if (systemListed_ || !ConfigLocked()) return systemFaces_;
    systemListed_ = true;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_FULLNAME, FC_POSTSCRIPT_NAME, FC_STYLE,
                                            FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_OUTLINE, FC_SCALABLE, nullptr);
    if (pattern && objects) {
        if (FcFontSet* set = FcFontList(config_, pattern, objects)) {
            for (int i = 0; i < set->nfont; ++i) {
                if (auto d = Describe(set->fonts[i])) systemFaces_.push_back(std::move(*d));
            }
            FcFontSetDestroy(set);
        }
    }
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    // A stable order keeps choices between equal faces the same from run to run.
    std::sort(systemFaces_.begin(), systemFaces_.end(), ByFile);
    return systemFaces_;
}

std::optional<FaceDescriptor> FontCatalog::FindLocked(std::string_view name, int weight, bool italic) {
    if (name.empty()) return std::nullopt;
    // A family name picks the member nearest the style; otherwise a full or
    // PostScript name picks its face. "DejaVu Sans" is both a family and the
    // full name of its regular face, and bold must still find the bold one.
    for (bool added : {true, false}) {
        const FaceDescriptor* best = nullptr;
        const FaceDescriptor* exact = nullptr;
        int bestDistance = 0;
        for (const FaceDescriptor& f : added ? privateFaces_ : SystemFacesLocked()) {
            if (!exact && (SameName(f.postScriptName, name) || std::any_of(f.fullNames.begin(), f.fullNames.end(),
                                                                           [&](auto& n) { return SameName(n, name); })))
                exact = &f;
            if (!std::any_of(f.families.begin(), f.families.end(), [&](auto& n) { return SameName(n, name); }))
                continue;
            const int d = StyleDistance(f, weight, italic);
            if (!best || d < bestDistance) best = &f, bestDistance = d;
        }
        if (best) return *best;
        if (exact) return *exact;
    }
    for (char const* standIn : KoreanStandIns(name))
        if (auto found = FindLocked(standIn, weight, italic)) return found;
    return std::nullopt;
}

bool FontCatalog::IsInstalledFile(const std::string& path) {
    std::lock_guard guard(lock_);
    const auto& faces = SystemFacesLocked();
    return std::any_of(faces.begin(), faces.end(), [&](const FaceDescriptor& f) { return f.file == path; });
}

std::optional<FaceDescriptor> FontCatalog::FindFace(std::string_view name, int weight, bool italic) {
    std::lock_guard guard(lock_);
    return FindLocked(name, weight, italic);
}

std::optional<FaceDescriptor> FontCatalog::ResolveFace(std::string_view name, int weight, bool italic) {
    std::lock_guard guard(lock_);
    auto key = std::make_tuple(Lower(name), weight, italic);
    if (auto it = resolved_.find(key); it != resolved_.end()) return it->second;
    std::optional<FaceDescriptor> found = FindLocked(name, weight, italic);
    if (!found && ConfigLocked()) {
        // The system's mapper: fontconfig's best match for the name and style.
        FcPattern* p = FcPatternCreate();
        if (p) {
            if (!name.empty())
                FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(std::string(name).c_str()));
            FcPatternAddDouble(p, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
            FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
            FcPatternAddBool(p, FC_SCALABLE, FcTrue);
            FcPatternAddBool(p, FC_OUTLINE, FcTrue);
            FcConfigSubstitute(config_, p, FcMatchPattern);
            FcDefaultSubstitute(p);
            FcResult result = FcResultNoMatch;
            if (FcPattern* match = FcFontMatch(config_, p, &result)) {
                found = Describe(match);
                FcPatternDestroy(match);
            }
            FcPatternDestroy(p);
        }
        // Anything at all beats no text.
        const auto& system = SystemFacesLocked();
        if (!found && !privateFaces_.empty()) found = privateFaces_.front();
        if (!system.empty() && (!found || ByFile(system.front(), *found))) found = system.front();
    }
    resolved_[key] = found;
    return found;
}

std::shared_ptr<const FontFile> FontCatalog::Open(const FaceDescriptor& face) {
    std::lock_guard guard(lock_);
    auto key = std::make_pair(face.file, face.index);
    if (auto it = files_.find(key); it != files_.end()) return it->second;
    auto file = FontFile::Load(face.file, face.index);
    if (file) files_[key] = file;
    return file;
}

}  // namespace ksdvi::gdi
