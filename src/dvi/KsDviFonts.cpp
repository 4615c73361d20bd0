// The document's side of its fonts: where the registry looks for their
// files, and the walk over every loaded font.

#include "dvi/ItrnFontItr.h"
#include "font/FontNameHash.h"
#include "font/FontRegistry.h"
#include "font/ItrnFont.h"
#include "font/TeXFonts.h"

using namespace ksdvi;

int KsDvi::GetHashCode(String8 const& name) const { return FontNameHash(name.view()); }

void KsDvi::UseFonts(ksdvi::TeXFonts& fonts) {
    SetKPathSea(&fonts.GetKPathSea());
    SetDviTTFMap(&fonts.GetMap());
}

KPathSea* KsDvi::GetKPathSea() const { return finderGiven_ ? kpathsea_ : &ksdvi::TeXFonts::Default().GetKPathSea(); }

KsDviTTFMap* KsDvi::GetDviTTFMap() const { return mapGiven_ ? ttfMap_ : &ksdvi::TeXFonts::Default().GetMap(); }

ksdvi::FontSources KsDvi::FontSourcesNow() const {
    return {&tfmPaths_, &vfPaths_, &files_, GetKPathSea(), GetDviTTFMap(), &fontMapLines_};
}

int KsDvi::GetNItrnFont() const { return fonts_->Count(); }

KsDvi::ItrnFont* KsDvi::LoadItrnFont(String8 const& area, String8 const& name, int scale, unsigned int design) {
    ksdvi::FontSources const sources = FontSourcesNow();
    return fonts_->Load(sources, area, name, scale, design);
}

KsDvi::ItrnFontItr::ItrnFontItr(KsDvi& dvi) : dvi_(&dvi) { SeekFrom(0); }

void KsDvi::ItrnFontItr::SeekFrom(int bucket) {
    for (bucket_ = bucket; bucket_ < FontHashSize; ++bucket_) {
        if ((current_ = dvi_->fonts_->Chain(bucket_))) return;
    }
    current_ = nullptr;
}

KsDvi::ItrnFontItr const& KsDvi::ItrnFontItr::operator++() {
    if (!current_) return *this;
    current_ = ksdvi::FontRegistry::NextInChain(*current_);
    if (!current_) SeekFrom(bucket_ + 1);
    return *this;
}
