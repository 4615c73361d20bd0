#pragma once
// Source file names as TeX recorded them and as editors pass them: absolute,
// relative to the DVI file's directory (or, from a command line, to the
// current one), with `./` and `..` steps, through symbolic links.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ksdvi {

// `name` as an absolute path without `.` and `..` steps, `directory` before
// it when relative, symbolic links resolved as far as the path exists.
std::string ComparableSourcePath(std::string_view name, std::filesystem::path const& directory);

class SourceName {
public:
    // The file an editor names, relative names read from `dviDirectory` and
    // from the current directory.
    SourceName(std::string_view name, std::filesystem::path const& dviDirectory);

    // Whether a file TeX recorded, made comparable, is this one; TeX also
    // records `\input chapter` for chapter.tex.
    bool Matches(std::string const& comparable) const;

private:
    std::vector<std::string> forms_;
};

}  // namespace ksdvi
