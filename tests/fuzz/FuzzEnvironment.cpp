#include "FuzzEnvironment.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/gs/GS.h"

namespace ksdvi::fuzz {

namespace {

class NoPage : public GS::PageOutputter {
    void OutputPage(int, int) override {}
};

// The library is pointed at a Ghostscript helper that is not there
// (platform/gs/GsHostPath.h): it then holds Ghostscript unavailable and never
// looks again, so that EPS pictures and PostScript pages fail at once instead
// of taking seconds.
void StopGhostscript() {
    setenv("KSDVI_GS_HOST", "/nonexistent/ksdvi-gs-host", 1);
    NoPage out;
    GS* gs = GetGS();
    if (gs->StartGSJob(72, 72, 1, 1, 24, &out, -1, -1)) gs->EndGSJob();
    if (gs->IsGSDLLLoaded()) Failed("Ghostscript is still available", __FILE__, __LINE__);
}

std::filesystem::path& Scratch() {
    static std::filesystem::path dir;
    return dir;
}

// Inputs are files written anew for every run. On a disk, ext4 writes back a
// file truncated and written again as it is closed, which took longer than
// the runs; /dev/shm keeps them in memory. TMPDIR, when set, wins.
std::filesystem::path ScratchParent() {
    std::error_code error;
    if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(Scratch(), ignored);
}

}  // namespace

void SetUpProcess() {
    // Bitmap fonts come from the installation as it is: METAFONT is not run
    // for the sizes and resolutions inputs ask for.
    setenv("MKTEXPK", "0", 1);
    setenv("MKTEXTFM", "0", 1);
    // A name of its own even when an earlier process had the same pid.
    std::string dir = (ScratchParent() / "ksdvi-fuzz-XXXXXX").string();
    if (!mkdtemp(dir.data())) Failed("no scratch directory can be made", __FILE__, __LINE__);
    Scratch() = dir;
    std::atexit(RemoveScratch);
    StopGhostscript();
    Fonts();
}

TeXFonts& Fonts() {
    // The Korean test fonts' faces too, so that their codes are fuzzed.
    static TeXFonts fonts;
    static bool const korean = fonts.AppendMapFile(DataFile("korean.map").c_str());
    (void)korean;
    return fonts;
}

std::string DataFile(std::string const& name) { return std::string(KSDVI_FUZZ_DATA) + "/" + name; }

std::string ScratchDir() { return Scratch().string(); }

std::string ScratchFile(std::string const& name) { return (Scratch() / name).string(); }

void WriteFile(std::string const& path, uint8_t const* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(data), static_cast<std::streamsize>(size));
    if (!out) Failed("the scratch file cannot be written", __FILE__, __LINE__);
}

std::vector<uint8_t> ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Failed(("missing test data " + path).c_str(), __FILE__, __LINE__);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void CheckEqual(std::string const& a, std::string const& b, char const* what, char const* file, int line) {
    if (a == b) return;
    auto escaped = [](std::string const& s) {
        std::string out;
        for (unsigned char c : s) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, static_cast<char>(c)) : hex;
        }
        return out;
    };
    std::fprintf(stderr, "%s\n  [%s]\n  [%s]\n", what, escaped(a).c_str(), escaped(b).c_str());
    Failed(what, file, line);
}

void Failed(char const* what, char const* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace ksdvi::fuzz
