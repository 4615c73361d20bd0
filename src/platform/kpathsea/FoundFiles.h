#pragma once
// What a file search found, kept on disk between processes. Programs started
// once per small document (ksdvi-dvipng, once per formula) spent 40% of their
// run reading kpathsea's file databases for a dozen files.
//
// An answer counts only while nothing it depends on has changed. The store is
// written under a fingerprint of the settings (the environment, the program),
// with the state (device, inode, size, times) of every file and directory the
// search reads: its databases, its configuration, the directories it walks
// on disk. A name that a file of the current directory, searched first, begins
// with is always searched anew.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ksdvi {

class FoundFiles {
public:
    // Answers kept in `file` (read when first asked), valid under `fingerprint`.
    FoundFiles(std::string file, std::string fingerprint);

    // The kept answer for `name` of `kind`: a path, or "" when there is no
    // such file; nullopt when the store cannot answer.
    std::optional<std::string> Find(int kind, std::string const& name);
    // A new answer, kept when the store is saved. Only plain names and
    // absolute paths are kept.
    void Add(int kind, std::string const& name, std::string const& path);
    // Whether answers were added since the store was read.
    bool HasNew() const { return added_; }
    // The kinds the store holds answers for.
    std::set<int> Kinds() const;
    // Writes every answer with the state of `witnesses` now, replacing the
    // file in one step; false when it could not be written.
    bool Save(std::vector<std::string> const& witnesses);

    // The most answers and witnesses one file holds.
    static constexpr size_t kMostLines = 20000;

private:
    void Load();
    bool ShadowedHere(std::string const& name);

    std::string file_, fingerprint_;
    bool loaded_ = false, added_ = false, hereListed_ = false, hereWhole_ = false;
    std::map<std::pair<int, std::string>, std::string> answers_;
    std::vector<std::string> here_;  // the names in the current directory, sorted
};

}  // namespace ksdvi
