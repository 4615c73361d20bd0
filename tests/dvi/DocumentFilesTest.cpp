// Which files a document may make ksdvi read: its own tree, the TeX
// installation, and directories the user allows; never FIFOs, devices or
// directories, and never anything by an absolute or climbing name unless allowed.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dvi/DocumentFiles.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using ksdvi::DocumentFiles;

// root/doc/doc.dvi with its files, and root/outside/secret.eps beside it.
struct Tree {
    TempDir root;
    std::string doc = root / "doc";
    std::string outside = root / "outside";

    Tree() {
        fs::create_directories(doc + "/sub");
        fs::create_directories(outside);
        for (std::string file : {doc + "/doc.dvi", doc + "/fig.eps", doc + "/sub/a.eps", outside + "/secret.eps"})
            std::ofstream(file) << "%!PS\n";
        fs::create_directory(doc + "/dir.eps");
        mkfifo((doc + "/fifo.eps").c_str(), 0600);
        // Links as an unpacked archive may hold them.
        fs::create_directory_symlink("../outside", doc + "/out");
        fs::create_symlink("../outside/secret.eps", doc + "/secret.eps");
        fs::create_symlink("sub/a.eps", doc + "/inside.eps");
    }
};

TEST(DocumentFiles, NamesLeadOnlyIntoTheDocumentsTreeOrWhereTheUserAllows) {
    Tree tree;
    struct Case {
        std::string name;
        bool allowOutside;
        std::string found;  // "" when refused
        std::string why;
    };
    std::string const doc = tree.doc, outside = tree.outside;
    Case const cases[] = {
        {"fig.eps", false, doc + "/fig.eps", ""},
        {"sub/a.eps", false, doc + "/sub/a.eps", ""},
        {"sub/../fig.eps", false, doc + "/sub/../fig.eps", ""},
        {doc + "/fig.eps", false, doc + "/fig.eps", ""},
        {"../outside/secret.eps", false, "", "outside the document's directory"},
        {"../outside/secret.eps", true, doc + "/../outside/secret.eps", ""},
        {"sub/../../outside/secret.eps", false, "", "outside the document's directory"},
        {outside + "/secret.eps", false, "", "outside the document's directory"},
        {outside + "/secret.eps", true, outside + "/secret.eps", ""},
        {"/etc/passwd", false, "", "outside the document's directory"},
        {"/etc/passwd", true, "", "outside the document's directory"},
        {"secret.eps", false, "", "outside the document's directory"},
        {"out/secret.eps", false, "", "outside the document's directory"},
        {"out/secret.eps", true, doc + "/out/secret.eps", ""},
        {"inside.eps", false, doc + "/inside.eps", ""},
        {doc + "/secret.eps", false, "", "outside the document's directory"},
        {"fifo.eps", false, "", "not a regular file"},
        {"dir.eps", false, "", "not a regular file"},
        {"missing.eps", false, "", "not found"},
        {"", false, "", "empty file name"},
        {std::string("fig.eps\0x", 9), false, "", "NUL"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name + (c.allowOutside ? " (outside allowed)" : ""));
        DocumentFiles files;
        files.SetDocument(doc + "/doc.dvi");
        if (c.allowOutside) files.SetAllowedPaths({outside});
        std::string why;
        EXPECT_EQ(files.Find(c.name, nullptr, KPathSea::Format::Picture, &why), c.found);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
}

TEST(DocumentFiles, DevicesAreRefusedEvenWhereAllowed) {
    Tree tree;
    DocumentFiles files;
    files.SetDocument(tree.doc + "/doc.dvi");
    files.SetAllowedPaths({"/dev"});
    std::string why;
    EXPECT_EQ(files.Find("/dev/zero", nullptr, KPathSea::Format::Picture, &why), "");
    EXPECT_EQ(why, "not a regular file");
}

TEST(DocumentFiles, TheInstallationIsAskedOnlyForNamesThatStayInside) {
    Tree tree;
    KPathSea finder;
    DocumentFiles files;
    files.SetDocument(tree.doc + "/doc.dvi");
    std::string why;
    std::string installed = files.Find("tex.pro", &finder, KPathSea::Format::PostScriptHeader, &why);
    EXPECT_NE(installed.find("tex.pro"), std::string::npos) << why;
    // The full path TeX wrote for a file it found there (XeTeX's pictures).
    EXPECT_EQ(files.Find(installed, nullptr, KPathSea::Format::PostScriptHeader, &why), installed) << why;
    // kpathsea would take this relative to the current directory.
    EXPECT_EQ(files.Find("../../../../../../../../etc/passwd", &finder, KPathSea::Format::PostScriptHeader, &why), "");
    EXPECT_NE(why.find("outside"), std::string::npos);
}

TEST(DocumentFiles, NamesThatKpathseaWouldExpandAreRefused) {
    Tree tree;
    KPathSea finder;
    DocumentFiles files;
    files.SetDocument(tree.doc + "/doc.dvi");
    // A file of the home directory, which kpathsea would find by ~ and by
    // variables.
    TempDir home;
    std::ofstream(home / "profile.eps") << "%!PS\n";
    std::string const realHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.Path().c_str(), 1);
    for (char const* name : {"~/profile.eps", "$HOME/profile.eps", "sub/${HOME}/profile.eps"}) {
        SCOPED_TRACE(name);
        std::string why;
        EXPECT_FALSE(files.MayName(name, &why));
        EXPECT_EQ(files.Find(name, &finder, KPathSea::Format::Picture, &why), "");
        EXPECT_NE(why.find("~ or $"), std::string::npos) << why;
    }
    setenv("HOME", realHome.c_str(), 1);
}

TEST(DocumentFiles, ReadingRefusesWhatIsNotAPlainFileWithoutWaiting) {
    Tree tree;
    std::string why;
    // A FIFO with no writer: a plain open would wait for ever.
    EXPECT_FALSE(ksdvi::ReadRegularFile(tree.doc + "/fifo.eps", 1 << 20, &why));
    EXPECT_EQ(why, "not a regular file");
    EXPECT_FALSE(ksdvi::ReadRegularFile(tree.doc + "/dir.eps", 1 << 20, &why));
    EXPECT_FALSE(ksdvi::ReadRegularFile("/dev/zero", 1 << 20, &why));
    EXPECT_EQ(why, "not a regular file");
    EXPECT_FALSE(ksdvi::ReadRegularFile(tree.doc + "/fig.eps", 4, &why));
    EXPECT_EQ(why, "too large");
    EXPECT_EQ(ksdvi::ReadRegularFile(tree.doc + "/fig.eps", 5), "%!PS\n");
}

}  // namespace
