#include "sync/SourceName.h"

#include <algorithm>

namespace ksdvi {

namespace fs = std::filesystem;

std::string ComparableSourcePath(std::string_view name, fs::path const& directory) {
    fs::path path(name);
    if (path.is_relative()) path = directory / path;
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error) resolved = path.lexically_normal();
    return resolved.string();
}

SourceName::SourceName(std::string_view name, fs::path const& dviDirectory) {
    forms_.push_back(ComparableSourcePath(name, dviDirectory));
    std::error_code error;
    fs::path const current = fs::current_path(error);
    if (!error && fs::path(name).is_relative()) {
        std::string form = ComparableSourcePath(name, current);
        if (form != forms_.front()) forms_.push_back(std::move(form));
    }
}

bool SourceName::Matches(std::string const& comparable) const {
    for (std::string const& form : forms_) {
        if (form == comparable) return true;
        if (form.size() == comparable.size() + 4 && form.ends_with(".tex") && form.starts_with(comparable)) return true;
    }
    return false;
}

}  // namespace ksdvi
