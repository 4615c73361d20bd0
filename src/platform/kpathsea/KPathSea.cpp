#include "platform/kpathsea/KPathSea.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include <unistd.h>

#include "platform/kpathsea/FoundFiles.h"

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

std::atomic<bool> started{false};

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        started = true;
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

std::unique_ptr<ksdvi::FoundFiles>& Kept() {
    static std::unique_ptr<ksdvi::FoundFiles> kept;
    return kept;
}

// What kpathsea's answers depend on besides files: the environment (the
// variables of texmf.cnf may all be set there), and the program with the
// library, which locate the configuration.
std::string Fingerprint() {
    std::vector<std::string> settings;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view const text(*entry);
        std::string_view const name = text.substr(0, text.find('='));
        // What a shell changes from one command to the next.
        if (name != "_" && name != "PWD" && name != "OLDPWD" && name != "SHLVL") settings.emplace_back(text);
    }
    std::sort(settings.begin(), settings.end());
    std::error_code error;
    std::string fingerprint =
        std::filesystem::read_symlink("/proc/self/exe", error).string() + "\n" + kpathsea_version_string + "\n";
    for (std::string const& setting : settings) fingerprint += setting + '\0';
    return fingerprint;
}

// Every file and directory whose change could change kpathsea's answers for
// files of `formats`: the configuration files and their directories, the
// file databases (ls-R) and alias files, and each directory
// of the formats' search paths that is searched on disk (those not behind
// `!!`), all of their subdirectories for `//`. Empty when they are too
// many, or a path searches a relative directory other than the current one.
std::vector<std::string> Witnesses(std::set<int> const& formats) {
    std::vector<std::string> witnesses;
    auto elements = [](std::string const& path, auto const& each) {
        for (size_t at = 0; at <= path.size();) {
            size_t const end = std::min(path.find(ENV_SEP, at), path.size());
            if (end > at && !each(path.substr(at, end - at))) return false;
            at = end + 1;
        }
        return true;
    };
    auto const directory = [&](std::string element) {
        bool const below = element.size() > 2 && element.ends_with("//");
        while (element.size() > 1 && element.back() == '/') element.pop_back();
        witnesses.push_back(element);
        if (!below) return true;
        std::error_code error;
        std::filesystem::recursive_directory_iterator it(
            element, std::filesystem::directory_options::follow_directory_symlink, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (!it->is_directory(error)) continue;
            witnesses.push_back(it->path().string());
            if (witnesses.size() > ksdvi::FoundFiles::kMostLines / 2) return false;
        }
        return true;
    };
    bool whole = elements(kpse_init_format(kpse_cnf_format), [&](std::string const& dir) {
        witnesses.push_back(dir + "/texmf.cnf");
        return directory(dir);
    });
    whole = whole && elements(kpse_init_format(kpse_db_format), [&](std::string dir) {
                if (dir.starts_with("!!")) dir.erase(0, 2);
                for (char const* name : {"/ls-R", "/ls-r", "/aliases"}) witnesses.push_back(dir + name);
                return true;
            });
    for (int format : formats) {
        if (!whole) break;
        whole = elements(kpse_init_format(kpse_file_format_type(format)), [&](std::string const& element) {
            if (element.starts_with("!!") || element == ".") return true;
            return element[0] == '/' && directory(element);
        });
    }
    if (!whole) witnesses.clear();
    return witnesses;
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

KPathSea::KPathSea() = default;

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

void KPathSea::KeepFoundFiles(std::string const& file) {
    std::lock_guard<std::mutex> libraryLock(LibraryMutex());
    Kept() = std::make_unique<ksdvi::FoundFiles>(file, Fingerprint());
}

bool KPathSea::LibraryStarted() { return started; }

void KPathSea::SaveFoundFiles() {
    std::lock_guard<std::mutex> libraryLock(LibraryMutex());
    ksdvi::FoundFiles* kept = Kept().get();
    if (!kept || !kept->HasNew()) return;
    std::set<int> formats = kept->Kinds();
    // Tfm and Vf searches read the font name aliases of texfonts.map.
    formats.insert(kpse_fontmap_format);
    std::vector<std::string> const witnesses = Witnesses(formats);
    if (!witnesses.empty()) kept->Save(witnesses);
}

std::string KPathSea::Find(std::string const& name, Format format) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto key = std::make_pair(static_cast<int>(format), name);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;

    std::string result;
    {
        std::lock_guard<std::mutex> libraryLock(LibraryMutex());
        ksdvi::FoundFiles* kept = Kept().get();
        std::optional<std::string> known = kept ? kept->Find(ToKpse(format), name) : std::nullopt;
        if (known) {
            result = *known;
        } else {
            InitialiseOnce();
            char* found = kpse_find_file(name.c_str(), ToKpse(format), 1);
            if (found) {
                result = found;
                free(found);
            }
            if (kept) kept->Add(ToKpse(format), name, result);
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
        // mktexpk takes seconds to fail for a font without METAFONT source:
        // once it has failed for a font, its other sizes are not looked for.
        // Without mktexpk a search is quick, and other sizes may be there.
        if (failed_.count(name) == 0) {
            std::lock_guard<std::mutex> libraryLock(LibraryMutex());
            InitialiseOnce();
            kpse_glyph_file_type file{};
            char* path = kpse_find_glyph(name.c_str(), dpi, kpse_pk_format, &file);
            if (path) {
                if (file.source != kpse_glyph_source_fallback) found = {path, file.dpi};
                free(path);
            }
            if (found.first.empty() && kpse_format_info[kpse_pk_format].program_enabled_p) failed_.insert(name);
        }
        it = glyphCache_.emplace(key, found).first;
    }
    if (foundDpi) *foundDpi = it->second.second;
    return it->second.first;
}

char const* KPathSea::KPSEFindTfm(char const* name) { return FindStable(name, Format::Tfm); }
char const* KPathSea::KPSEFindVf(char const* name) { return FindStable(name, Format::Vf); }
