#include "platform/kpathsea/KPathSea.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

extern "C" {
#include <kpathsea/kpathsea.h>
}

namespace {

// libkpathsea keeps one global instance: it is set up once per process, and every
// search goes through one lock since the library is not thread-safe.
std::mutex& LibraryMutex() {
    static std::mutex m;
    return m;
}

KPathSea::BitmapMaking& Making() {
    static KPathSea::BitmapMaking making;
    return making;
}

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The library locates itself from the running program's real path.
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        self[n > 0 ? n : 0] = '\0';
        kpse_set_program_name(n > 0 ? self : "ksdvi", "ksdvi");
        // Bitmap fonts as dvipng makes them: METAFONT's mode cx at 300 dpi
        // magnified, no fallback font, and mktexpk allowed (MKTEXPK=0 and
        // texmf.cnf can forbid it; BitmapMaking's refusal wins). Its
        // transcript is not ours to print.
        KPathSea::BitmapMaking const& making = Making();
        kpse_init_prog("KSDVI", making.baseDpi, making.mode.c_str(), nullptr);
        kpse_set_program_enabled(kpse_pk_format, making.allowed ? 1 : 0,
                                 making.allowed ? kpse_src_compile : kpse_src_cmdline);
        kpse_make_tex_discard_errors = 1;
    });
}

kpse_file_format_type ToKpse(KPathSea::Format f) {
    switch (f) {
    case KPathSea::Format::Tfm: return kpse_tfm_format;
    case KPathSea::Format::Ofm: return kpse_ofm_format;
    case KPathSea::Format::Vf: return kpse_vf_format;
    case KPathSea::Format::Type1: return kpse_type1_format;
    case KPathSea::Format::TrueType: return kpse_truetype_format;
    case KPathSea::Format::OpenType: return kpse_opentype_format;
    case KPathSea::Format::FontMap: return kpse_fontmap_format;
    case KPathSea::Format::Enc: return kpse_enc_format;
    case KPathSea::Format::Tex: return kpse_tex_format;
    case KPathSea::Format::Picture: return kpse_pict_format;
    case KPathSea::Format::PostScriptHeader: return kpse_tex_ps_header_format;
    case KPathSea::Format::CMap: return kpse_cmap_format;
    }
    return kpse_tex_format;
}

}  // namespace

KPathSea::KPathSea() { InitialiseOnce(); }

std::vector<std::string> const& KPathSea::Trees() {
    static std::vector<std::string> const trees = [] {
        InitialiseOnce();
        std::vector<std::string> found;
        std::lock_guard<std::mutex> libraryLock(LibraryMutex());
        char* expanded = kpse_path_expand("$TEXMF");
        std::string const list = expanded ? expanded : "";
        free(expanded);
        for (size_t at = 0; at <= list.size();) {
            size_t const end = std::min(list.find(ENV_SEP, at), list.size());
            std::error_code error;
            std::filesystem::path const tree = std::filesystem::canonical(list.substr(at, end - at), error);
            if (!error && !tree.empty()) found.push_back(tree.string());
            at = end + 1;
        }
        return found;
    }();
    return trees;
}

void KPathSea::SetBitmapMaking(BitmapMaking const& making) { Making() = making; }

std::string KPathSea::Find(std::string const& name, Format format) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto key = std::make_pair(static_cast<int>(format), name);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;

    std::string result;
    {
        std::lock_guard<std::mutex> libraryLock(LibraryMutex());
        char* found = kpse_find_file(name.c_str(), ToKpse(format), 1);
        if (found) {
            result = found;
            free(found);
        }
    }
    cache_.emplace(key, result);
    return result;
}

// Cached answers are never dropped, so their characters stay where they are.
char const* KPathSea::FindStable(char const* name, Format format) {
    if (!name || !*name) return nullptr;
    Find(name, format);
    std::lock_guard<std::mutex> lock(mutex_);
    std::string const& path = cache_.find(std::make_pair(static_cast<int>(format), std::string(name)))->second;
    return path.empty() ? nullptr : path.c_str();
}

std::string KPathSea::FindGlyphFont(std::string const& name, unsigned dpi, unsigned* foundDpi) {
    if (name.empty() || dpi == 0 || dpi > 60000) return "";
    std::string key = name + "@" + std::to_string(dpi);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = glyphCache_.find(key);
    if (it == glyphCache_.end()) {
        std::pair<std::string, unsigned> found{"", 0};
        // mktexpk takes seconds to fail for a font without METAFONT source,
        // and each search walks the font trees: once a font has none, its
        // other sizes are not looked for.
        if (failed_.count(name) == 0) {
            std::lock_guard<std::mutex> libraryLock(LibraryMutex());
            kpse_glyph_file_type file{};
            char* path = kpse_find_glyph(name.c_str(), dpi, kpse_pk_format, &file);
            if (path) {
                if (file.source != kpse_glyph_source_fallback) found = {path, file.dpi};
                free(path);
            }
        }
        if (found.first.empty()) failed_.insert(name);
        it = glyphCache_.emplace(key, found).first;
    }
    if (foundDpi) *foundDpi = it->second.second;
    return it->second.first;
}

char const* KPathSea::KPSEFindTfm(char const* name) { return FindStable(name, Format::Tfm); }
char const* KPathSea::KPSEFindVf(char const* name) { return FindStable(name, Format::Vf); }
