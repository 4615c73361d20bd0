// ksdvi: renders, inspects and traces DVI files.

#include <CLI/CLI.hpp>

#include "Commands.h"

namespace {

void AddFontPathOptions(CLI::App* cmd, SessionOptions& session) {
    cmd->add_option("--tfm-path", session.tfmPaths, "Directory searched for TFM/OFM files before kpathsea")
        ->type_name("DIR");
    cmd->add_option("--vf-path", session.vfPaths, "Directory searched for VF files")->type_name("DIR");
    cmd->add_option("--map", session.mapFiles, "TrueType map file, read after the generated entries")
        ->type_name("FILE");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"ksdvi: display the output of TeX"};
    app.require_subcommand(1);

    InfoOptions info;
    CLI::App* infoCmd = app.add_subcommand("info", "Preamble, mode, pages and fonts of a DVI file");
    infoCmd->add_option("FILE", info.file, "DVI file")->required();
    infoCmd->add_flag("--json", info.json, "Print JSON");
    AddFontPathOptions(infoCmd, info.session);

    TraceOptions trace;
    CLI::App* traceCmd = app.add_subcommand("trace", "One line per character, rule and special of each page");
    traceCmd->add_option("FILE", trace.file, "DVI file")->required();
    traceCmd->add_option("-p,--pages", trace.pages, "Pages, e.g. 1,3-5 (1-based)");
    AddFontPathOptions(traceCmd, trace.session);

    FontmapOptions fontmap;
    CLI::App* fontmapCmd = app.add_subcommand("fontmap", "The map entries used for the fonts of FILE, or for all");
    fontmapCmd->add_option("FILE", fontmap.file, "DVI file");
    AddFontPathOptions(fontmapCmd, fontmap.session);

    CLI11_PARSE(app, argc, argv);

    if (infoCmd->parsed()) return RunInfo(info);
    if (traceCmd->parsed()) return RunTrace(trace);
    if (fontmapCmd->parsed()) return RunFontmap(fontmap);
    return 2;
}
