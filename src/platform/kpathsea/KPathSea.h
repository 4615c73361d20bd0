#pragma once
// Finds the files of the TeX installation (metric files, virtual fonts, font
// programs, map files) with TeX Live's own search library, as TeX itself does.

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class KPathSea {
public:
    enum class Format { Tfm, Ofm, Vf, Type1, TrueType, OpenType, FontMap, Enc, Tex, Picture, PostScriptHeader, CMap };

    KPathSea();

    // How mktexpk makes missing PK fonts: METAFONT's mode and its base
    // resolution (cx at 300 dpi, as dvipng), and whether it runs at all.
    // They take effect only before the first search of the process.
    struct BitmapMaking {
        std::string mode = "cx";
        unsigned baseDpi = 300;
        bool allowed = true;
    };
    static void SetBitmapMaking(BitmapMaking const& making);

    // Keeps what searches find in `file` (see FoundFiles), so that later
    // processes answer them without reading the installation's databases.
    // Takes effect before the first search of the process; SaveFoundFiles
    // writes what this process found.
    static void KeepFoundFiles(std::string const& file);
    static void SaveFoundFiles();
    // Whether this process has set up kpathsea: read the installation's
    // configuration and, with its first search, its file databases.
    static bool LibraryStarted();
    KPathSea(KPathSea const&) = delete;
    KPathSea& operator=(KPathSea const&) = delete;

    // Full path of a metric file given with its extension, or null. The string
    // stays valid as long as this object.
    char const* KPSEFindTfm(char const* name);
    // The same for a virtual font given with its extension.
    char const* KPSEFindVf(char const* name);

    // Full path of any installation file, or "" when there is none.
    std::string Find(std::string const& name, Format format);

    // A PK font at `dpi` dots per inch (within kpathsea's tolerance), made by
    // mktexpk from the METAFONT sources when the installation has none, as TeX
    // previewers do. "" when there is none; `foundDpi` gets its resolution.
    std::string FindGlyphFont(std::string const& name, unsigned dpi, unsigned* foundDpi = nullptr);

    // The installation's trees ($TEXMF: the distribution's, the local and
    // the user's), as they exist, resolved: files TeX found there may be
    // named by their full paths (XeTeX writes the pictures it found so).
    static std::vector<std::string> const& Trees();

private:
    char const* FindStable(char const* name, Format format);

    std::mutex mutex_;
    std::map<std::pair<int, std::string>, std::string> cache_;
    std::map<std::string, std::pair<std::string, unsigned>> glyphCache_;
    std::set<std::string> failed_;  // fonts no PK could be found or made for
};
