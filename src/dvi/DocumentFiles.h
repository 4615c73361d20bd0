#pragma once
// Which files a document may make ksdvi read. Documents are untrusted: they
// name pictures, PostScript headers and fonts, and a name such as
// /home/user/.ssh/id_rsa or ../../etc/passwd would otherwise be read and
// painted on the page. A name is looked up as dvips looks it up (beside the
// DVI file, in the current directory, then through kpathsea), but a name that
// is absolute or climbs out of the document's directory is refused unless it
// lies under the document's directory, a tree of the TeX installation, or a
// directory the user allows.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kpathsea/KPathSea.h"

namespace ksdvi {

class DocumentFiles {
public:
    // The DVI file whose directory is the document's own.
    void SetDocument(std::string const& dviPath);
    // Directories whose files any document may name, absolute or by `..`,
    // besides its own and the TeX installation's trees (KPathSea::Trees).
    void SetAllowedPaths(std::vector<std::string> directories);
    std::vector<std::string> const& GetAllowedPaths() const { return allowed_; }

    // Whether the document may name this file at all; `why` says why not.
    bool MayName(std::string_view name, std::string* why = nullptr) const;

    // The regular file the document names, or "" with `why` saying what is
    // wrong ("not found", "outside the document's directory", "not a regular
    // file"). `finder` may be null: then kpathsea is not asked.
    std::string Find(std::string_view name, KPathSea* finder, KPathSea::Format format,
                     std::string* why = nullptr) const;

private:
    bool IsAllowed(std::string const& canonical) const;

    std::string directory_;             // the document's, canonical; "" before SetDocument
    std::vector<std::string> allowed_;  // canonical
};

// A regular file read whole, when it holds at most `maxBytes`. FIFOs,
// devices and directories are refused without waiting on them.
std::optional<std::string> ReadRegularFile(std::string const& path, std::size_t maxBytes, std::string* why = nullptr);

// Whether `path` is a regular file (symbolic links followed).
bool IsRegularFile(std::string const& path);

}  // namespace ksdvi
