#pragma once
// Which face paints a native font of XeTeX. The file its definition names is
// read where a document may make ksdvi read (its own tree, directories the
// user allows), or found by its name through kpathsea (the TeX installation,
// and the system's font directories kpathsea searches), or is a font file
// fontconfig lists; a name without a file is a face fontconfig finds.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "dvi/KsDvi.h"
#include "font/NativeFont.h"
#include "platform/gdi/FontFile.h"

namespace ksdvi {

struct NativeFace {
    std::shared_ptr<gdi::FontFile const> face;  // null: none could be had
    std::string file;                           // the file read
    std::string problem;                        // why there is none
};

NativeFace FindNativeFace(KsDvi const& dvi, NativeFont const& font);

// Faces looked for once per process and font: every page's drawing asks.
// They are forgotten past a bound, so that a process that reads document
// after document (a viewer, a service) does not keep them all.
template <class Key>
class FaceMemory {
public:
    template <class Find>
    NativeFace Get(Key const& key, Find find) {
        {
            std::lock_guard guard(lock_);
            if (auto it = found_.find(key); it != found_.end()) return it->second;
        }
        NativeFace face = find();
        std::lock_guard guard(lock_);
        if (found_.size() >= kMostRemembered) found_.clear();
        return found_.emplace(key, face).first->second;
    }

private:
    static constexpr size_t kMostRemembered = 256;
    std::mutex lock_;
    std::map<Key, NativeFace> found_;
};

}  // namespace ksdvi
