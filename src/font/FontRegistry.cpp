#include "font/FontRegistry.h"

#include <algorithm>

#include "dvi/DocumentFiles.h"
#include "font/FontNameHash.h"
#include "font/ItrnFont.h"
#include "font/JapaneseFontMap.h"
#include "font/NativeFont.h"
#include "font/TeXFonts.h"
#include "platform/kpathsea/KPathSea.h"

namespace ksdvi {

namespace {

constexpr unsigned int kLargestFontSize = 1u << 27;

// A candidate is a regular file: opening a FIFO would wait for a writer.
bool Exists(String8 const& path) { return IsRegularFile(path.c_str()); }

std::string FontKey(String8 const& name, int scale) {
    std::string key(name.view());
    key.push_back('\0');
    key.append(std::to_string(scale));
    return key;
}

}  // namespace

FontRegistry::FontRegistry() = default;

FontRegistry::~FontRegistry() = default;

void FontRegistry::Clear(bool release) {
    count_ = 0;
    chains_.fill(nullptr);
    byNameAndSize_.clear();
    files_.clear();
    if (release) store_.clear();
}

FontRegistry::Font* FontRegistry::Load(FontSources const& sources, String8 const& area, String8 const& name, int scale,
                                       unsigned design) {
    sources_ = &sources;
    Font* font = LoadLocal(area, name, scale, design);
    sources_ = nullptr;
    return font;
}

FontRegistry::Font* FontRegistry::LoadLocal(String8 const& area, String8 const& name, int scale, unsigned design) {
    if (!sources_) return nullptr;
    // Sizes are below 2048pt (2^27 sp), as TeX makes them: larger ones have no
    // metrics (FixWordScaler) and would ask for glyphs thousands of dots tall.
    unsigned int size = scale > 0 ? static_cast<unsigned>(scale) : design;
    if (size == 0 || size >= kLargestFontSize) {
        problem_ = "its size is out of range";
        return nullptr;
    }
    // The chains hold every size of a name; documents may ask for thousands.
    std::string key = FontKey(name, scale);
    if (auto it = byNameAndSize_.find(key); it != byNameAndSize_.end()) return it->second;

    // Virtual fonts that ask for sizes of others, which ask again, multiply
    // records: a document gets a budget of them.
    if (count_ >= kMostFontRecords) {
        problem_ = "the document asks for more than " + std::to_string(kMostFontRecords) + " fonts";
        return nullptr;
    }
    auto font = std::make_unique<Font>(this, area, name, size);
    font->rotate_ = scale > 0 ? 0 : 900;

    Files const& files = FindFiles(name);
    String8 const& path = files.metrics;
    if (path.IsNull()) {
        problem_ = files.problem.empty() ? "not found" : files.problem;
        return nullptr;
    }
    if (!font->LoadTfm(path)) {
        problem_ = std::string(path.view()) + " is damaged";
        return nullptr;
    }

    // Numbered and linked before its VF file is read, so that the virtual font's
    // own local fonts come after it and a self-reference finds this record.
    Font* record = Keep(std::move(font), std::move(key));

    // A virtual font that names itself, directly or through others, would be
    // read again at every size it asks for, without end: a font whose VF file
    // is being read already gets its metrics only.
    bool beingRead = std::find(vfBeingRead_.begin(), vfBeingRead_.end(), name) != vfBeingRead_.end();
    if (files.vf && !beingRead) {
        vfBeingRead_.push_back(name);
        record->LoadVf(*files.vf);
        vfBeingRead_.pop_back();
    }
    record->LoadTTFInfo(sources_->map);
    // A JFM that is no virtual font is painted as dvipdfmx's maps say; a
    // document told to use no finder still finds the installation's maps.
    if (record->IsJfm() && !record->IsVirtual()) {
        KPathSea* finder = sources_->finder ? sources_->finder : &TeXFonts::Default().GetKPathSea();
        record->japanese_ = std::make_unique<JapaneseFont const>(
            FindJapaneseFont(finder, std::string(name.view()), record->IsTateJfm(), sources_->mapLines));
    }
    return record;
}

FontRegistry::Font* FontRegistry::Keep(std::unique_ptr<Font> font, std::string key) {
    Font* record = font.get();
    int const bucket = FontNameHash(record->GetName().view());
    record->next_ = chains_[bucket];
    chains_[bucket] = record;
    record->id_ = count_++;
    store_.push_back(std::move(font));
    byNameAndSize_.emplace(std::move(key), record);
    return record;
}

FontRegistry::Font* FontRegistry::LoadNative(NativeFont const& native, int size) {
    if (size <= 0 || static_cast<unsigned>(size) >= kLargestFontSize) {
        problem_ = "its size is out of range";
        return nullptr;
    }
    // Every look of a face is a font of its own: the same file at the same
    // size may be coloured, slanted or extended differently.
    std::string key = "\x01native";
    for (std::string const* part : {&native.file, &native.postScriptName, &native.family, &native.style})
        key += '\0' + *part;
    for (double value : {double(native.index), double(native.rgba), double(native.coloured), native.extend,
                         native.slant, native.embolden, double(native.vertical), double(size)})
        key += '\0' + std::to_string(value);
    if (auto it = byNameAndSize_.find(key); it != byNameAndSize_.end()) return it->second;
    if (count_ >= kMostFontRecords) {
        problem_ = "the document asks for more than " + std::to_string(kMostFontRecords) + " fonts";
        return nullptr;
    }
    String8 name(native.file.empty() ? native.postScriptName : native.file);
    auto font = std::make_unique<Font>(this, String8(), name, static_cast<unsigned>(size));
    font->designSize_ = static_cast<uint32_t>(size);
    font->native_ = std::make_unique<NativeFont const>(native);
    return Keep(std::move(font), std::move(key));
}

// Looked up once per name, as documents ask for many sizes of a font.
FontRegistry::Files const& FontRegistry::FindFiles(String8 const& name) {
    auto [it, added] = files_.try_emplace(std::string(name.view()));
    Files& files = it->second;
    if (!added) return files;
    // A font's name may not lead out of the document's tree either.
    if (sources_->files && !sources_->files->MayName(name.view(), &files.problem)) return files;
    // Each directory is tried with both extensions before the next one.
    if (sources_->tfmPaths)
        for (String8 const& dir : *sources_->tfmPaths) {
            if (Exists(dir + name + ".ofm")) {
                files.metrics = dir + name + ".ofm";
                break;
            }
            if (Exists(dir + name + ".tfm")) {
                files.metrics = dir + name + ".tfm";
                break;
            }
        }
    KPathSea* finder = sources_->finder;
    if (files.metrics.IsNull() && finder) {
        char const* found = finder->KPSEFindTfm((name + ".tfm").c_str());
        if (found && Exists(found)) files.metrics = String8(found);
    }
    if (files.metrics.IsNull()) return files;

    String8 vf;
    if (sources_->vfPaths)
        for (String8 const& dir : *sources_->vfPaths) {
            if (Exists(dir + name + ".vf")) {
                vf = dir + name + ".vf";
                break;
            }
        }
    // Like its metrics, a font's virtual font may come from the installation.
    if (vf.IsNull() && finder) {
        char const* found = finder->KPSEFindVf((name + ".vf").c_str());
        if (found && Exists(found)) vf = String8(found);
    }
    if (!vf.IsNull()) files.vf = std::make_shared<std::vector<unsigned char> const>(Font::ReadVfFile(vf));
    return files;
}

FontRegistry::Font* FontRegistry::NextInChain(Font const& font) { return font.next_; }

}  // namespace ksdvi
