// Fuzz target: the names of files a document gives (pictures, PostScript
// headers, fonts) as ksdvi::DocumentFiles looks them up. The input is a
// byte of flags and then lines: the name, then directories the user allows
// (DocumentFiles.h). A name or directory that starts with "@" starts at the
// root of a scratch tree made once per process:
//
//   doc/        the document's directory: doc.dvi, fig.eps, sub/a.eps,
//               sub/deep/b.pro, a directory dir.eps, a FIFO fifo.eps, and
//               symbolic links: out -> ../outside, secret.eps ->
//               ../outside/secret.eps, pipe.eps -> ../outside/fifo.eps,
//               inside.eps -> sub/a.eps, loop.eps -> loop.eps
//   outside/    secret.eps and a FIFO fifo.eps, beside the document
//   allowed/    x.eps
//
// Flags: bit 0 allows outside/, bit 1 allows allowed/, bit 2 lets kpathsea
// be asked, the high nibble picks the kind of file. A name found must be a
// regular file that lies, once symbolic links are resolved, in the
// document's directory, the current directory, a directory allowed, or the
// TeX installation where kpathsea found it; never the FIFOs, and outside/'s
// secret only where outside/ is allowed. What is found inside the tree is
// read, and is the file's own bytes; nothing outside the tree is read but
// what kpathsea found.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzEnvironment.h"
#include "dvi/DocumentFiles.h"
#include "platform/kpathsea/KPathSea.h"

extern "C" {
#include <kpathsea/kpathsea.h>
}

using namespace ksdvi::fuzz;
namespace fs = std::filesystem;

namespace {

constexpr size_t kLargestRead = 1 << 16;

struct Tree {
    std::string root, doc, outside, allowed, cwd;
    std::map<std::string, std::string> files;  // canonical path -> bytes
    std::vector<std::string> installation;     // kpathsea's trees, canonical
};

std::string Canonical(std::string const& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? std::string() : resolved.string();
}

bool Within(std::string const& path, std::string const& directory) {
    if (directory.empty() || path.compare(0, directory.size(), directory) != 0) return false;
    return path.size() == directory.size() || directory.back() == '/' || path[directory.size()] == '/';
}

Tree& Scratch() {
    static Tree tree;
    return tree;
}

void MakeTree() {
    Tree& t = Scratch();
    t.root = Canonical(ScratchFile("tree"));
    t.doc = t.root + "/doc";
    t.outside = t.root + "/outside";
    t.allowed = t.root + "/allowed";
    t.cwd = Canonical(".");
    fs::create_directories(t.doc + "/sub/deep");
    fs::create_directories(t.doc + "/dir.eps");
    fs::create_directories(t.outside);
    fs::create_directories(t.allowed);
    for (std::string name : {"doc/doc.dvi", "doc/fig.eps", "doc/sub/a.eps", "doc/sub/deep/b.pro", "outside/secret.eps",
                             "allowed/x.eps"}) {
        std::string const path = t.root + "/" + name;
        WriteFile(path, reinterpret_cast<uint8_t const*>(name.data()), name.size());
        t.files[path] = name;
    }
    for (std::string fifo : {t.doc + "/fifo.eps", t.outside + "/fifo.eps"})
        if (mkfifo(fifo.c_str(), 0600) != 0) Failed("cannot make a FIFO", __FILE__, __LINE__);
    fs::create_directory_symlink("../outside", t.doc + "/out");
    fs::create_symlink("../outside/secret.eps", t.doc + "/secret.eps");
    fs::create_symlink("../outside/fifo.eps", t.doc + "/pipe.eps");
    fs::create_symlink("sub/a.eps", t.doc + "/inside.eps");
    fs::create_symlink("loop.eps", t.doc + "/loop.eps");
    // The trees of the installation, as kpathsea searches them.
    Fonts();
    if (char* trees = kpse_path_expand("$TEXMF")) {
        std::string_view rest(trees);
        while (!rest.empty()) {
            size_t end = rest.find(':');
            std::string tree = Canonical(std::string(rest.substr(0, end)));
            if (!tree.empty()) t.installation.push_back(tree);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
        free(trees);
    }
    if (t.installation.empty()) Failed("kpathsea names no trees of the installation", __FILE__, __LINE__);
}

// "@" stands for the root of the tree.
std::string Expand(std::string_view text) {
    if (!text.empty() && text[0] == '@') return Scratch().root + std::string(text.substr(1));
    return std::string(text);
}

constexpr KPathSea::Format kFormats[] = {KPathSea::Format::Picture, KPathSea::Format::PostScriptHeader,
                                         KPathSea::Format::Tex,     KPathSea::Format::Type1,
                                         KPathSea::Format::Enc,     KPathSea::Format::Tfm,
                                         KPathSea::Format::Vf,      KPathSea::Format::FontMap};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    MakeTree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    if (size < 1) return 0;
    Tree const& t = Scratch();
    bool const allowOutside = data[0] & 1, allowAllowed = data[0] & 2, kpathsea = data[0] & 4;
    KPathSea::Format const format = kFormats[(data[0] >> 4) % std::size(kFormats)];
    std::string_view rest(reinterpret_cast<char const*>(data + 1), size - 1);
    size_t end = rest.find('\n');
    std::string const name = Expand(rest.substr(0, end));
    std::vector<std::string> allowed;
    if (allowOutside) allowed.push_back(t.outside);
    if (allowAllowed) allowed.push_back(t.allowed);
    while (end != std::string_view::npos && allowed.size() < 8) {
        rest.remove_prefix(end + 1);
        end = rest.find('\n');
        allowed.push_back(Expand(rest.substr(0, end)));
    }

    ksdvi::DocumentFiles files;
    files.SetDocument(t.doc + "/doc.dvi");
    files.SetAllowedPaths(allowed);
    KPathSea* finder = kpathsea ? &Fonts().GetKPathSea() : nullptr;
    std::string why;
    bool const mayName = files.MayName(name, &why);
    FUZZ_CHECK(mayName || !why.empty());
    std::string const found = files.Find(name, finder, format, &why);
    if (found.empty()) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    FUZZ_CHECK(mayName);
    FUZZ_CHECK(ksdvi::IsRegularFile(found));
    std::string const canonical = Canonical(found);
    FUZZ_CHECK(!canonical.empty());
    bool inAllowed = false;
    for (std::string const& directory : files.GetAllowedPaths()) inAllowed = inAllowed || Within(canonical, directory);
    bool const inDocument = Within(canonical, t.doc), inCwd = Within(canonical, t.cwd);
    bool inInstallation = false;
    if (finder && found == finder->Find(name, format))
        for (std::string const& tree : t.installation) inInstallation = inInstallation || Within(canonical, tree);
    if (!(inDocument || inCwd || inAllowed || inInstallation)) {
        std::fprintf(stderr, "found %s for the name given\n", canonical.c_str());
        Failed("a name led outside the document's directory, the current directory, the installation and the "
               "directories allowed",
               __FILE__, __LINE__);
    }
    FUZZ_CHECK(canonical != t.doc + "/fifo.eps" && canonical != t.outside + "/fifo.eps");
    // The secret beside the document, unless the current directory holds it.
    if (Within(canonical, t.outside) && !Within(t.outside, t.cwd)) FUZZ_CHECK(inAllowed);

    // Read what lies in the tree, or what kpathsea found: a bounded read
    // that gives the file's own bytes.
    if (Within(canonical, t.root) || inInstallation) {
        std::optional<std::string> bytes = ksdvi::ReadRegularFile(found, kLargestRead, &why);
        if (bytes) FUZZ_CHECK(bytes->size() <= kLargestRead);
        if (auto it = t.files.find(canonical); it != t.files.end()) FUZZ_CHECK(bytes && *bytes == it->second);
    }
    return 0;
}
