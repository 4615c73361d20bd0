// The faces the layer can draw with: the system's scalable outline fonts and
// the private font files a host adds, all through fontconfig. Faces are named
// by family, full name or PostScript name, compared without regard to case.
// One catalog serves the process; every call takes its lock.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/gdi/FontFile.h"

struct _FcConfig;

namespace ksdvi::gdi {

struct FaceDescriptor {
    std::string file;
    int index = 0;
    std::vector<std::string> families;
    std::vector<std::string> fullNames;
    std::string postScriptName;
    std::string style;
    int weight = 400;  // 100 to 900
    bool italic = false;
    int width = 100;     // fontconfig's width: 100 is normal, 75 condensed
    bool added = false;  // a private font file of this process

    const std::string& Family() const;
};

class FontCatalog {
public:
    static FontCatalog& Instance();

    // Makes the faces of a font file available to this process, as
    // AddFontResourceEx with FR_PRIVATE does. Returns the number of faces.
    int AddPrivateFontFile(const std::string& path);

    // The face best matching a name (family: the face of that family nearest
    // the weight and slant; full or PostScript name: that face). Faces the
    // process added come first: a document's own font program beats an
    // installed font of the same name.
    std::optional<FaceDescriptor> FindFace(std::string_view name, int weight = 400, bool italic = false);
    // As FindFace, but a missing name is substituted by fontconfig's best match.
    std::optional<FaceDescriptor> ResolveFace(std::string_view name, int weight, bool italic);
    // Whether fontconfig lists a face in the file at `path`: a font of the system.
    bool IsInstalledFile(const std::string& path);
    // The loaded face, shared by every font made from it.
    std::shared_ptr<const FontFile> Open(const FaceDescriptor& face);

    ~FontCatalog();
    FontCatalog(const FontCatalog&) = delete;
    FontCatalog& operator=(const FontCatalog&) = delete;

private:
    FontCatalog();
    ::_FcConfig* ConfigLocked();
    // The installed faces, listed on first use.
    const std::vector<FaceDescriptor>& SystemFacesLocked();
    std::optional<FaceDescriptor> FindLocked(std::string_view name, int weight, bool italic);

    std::mutex lock_;
    ::_FcConfig* config_ = nullptr;
    bool configLoaded_ = false;
    bool systemListed_ = false;
    std::vector<FaceDescriptor> systemFaces_;
    std::vector<FaceDescriptor> privateFaces_;  // the faces of files the process added, by file
    std::map<std::tuple<std::string, int, bool>, std::optional<FaceDescriptor>> resolved_;
    std::map<std::pair<std::string, int>, std::shared_ptr<const FontFile>> files_;
};

}  // namespace ksdvi::gdi
