// ksdvi: renders, inspects and traces DVI files.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "Commands.h"
#include "HugePageHeap.h"
#include "InputSpool.h"
#include "interp/XHanTable.h"

namespace {

// CLI11's ranges let NaN through: every comparison with it is false.
CLI::Validator const kFinite(
    [](std::string& text) {
        char* end = nullptr;
        double value = std::strtod(text.c_str(), &end);
        return std::isfinite(value) ? std::string() : "not a finite number: " + text;
    },
    "", "finite");

// An empty value would silently mean the default (all pages, the default
// name): say so instead.
CLI::Validator const kNotEmpty([](std::string& text) { return text.empty() ? "must not be empty" : std::string(); }, "",
                               "not empty");

// Runs a command on its document, copied first when it can be read only once.
template <class Options>
int RunOnDocument(int (*run)(Options const&), Options options) {
    InputSpool spool;
    std::string error;
    options.session.source = spool.Prepare(options.file, error);
    if (!error.empty()) {
        ReportError(options.file, error);
        return 1;
    }
    std::string const& table = options.session.xhanTable;
    if (!table.empty() && !ksdvi::XHanTable::LoadFile(table, error)) {
        ReportError(table, error);
        return 1;
    }
    return run(options);
}

// Repeatable options take one value each time they are given, so that
// `--vf-path DIR FILE.dvi` leaves the document's name alone.
void AddFontPathOptions(CLI::App* cmd, SessionOptions& session) {
    cmd->add_option("--tfm-path", session.tfmPaths, "Directory searched for TFM/OFM files before kpathsea")
        ->type_name("DIR")
        ->allow_extra_args(false)
        ->check(CLI::ExistingDirectory);
    cmd->add_option("--vf-path", session.vfPaths, "Directory searched for VF files")
        ->type_name("DIR")
        ->allow_extra_args(false)
        ->check(CLI::ExistingDirectory);
    cmd->add_option("--map", session.mapFiles, "TrueType map file, read after the generated entries")
        ->type_name("FILE")
        ->allow_extra_args(false)
        ->check(CLI::ExistingFile);
    cmd->add_option("--allow-paths", session.allowedPaths,
                    "Directories whose files the document may name by absolute or ../ paths "
                    "(pictures, PostScript headers, fonts)")
        ->type_name("DIR")
        ->allow_extra_args(false)
        ->check(CLI::ExistingDirectory);
    cmd->add_option("--xhan-table", session.xhanTable, "Hangul composition table of the xhan fonts")
        ->type_name("FILE")
        ->envname("KSDVI_XHAN_TABLE")
        ->check(CLI::ExistingFile);
}

CLI::Option* AddFileOption(CLI::App* cmd, std::string& file) {
    return cmd->add_option("FILE", file, "DVI file, - for standard input")->check(kNotEmpty);
}

CLI::Option* AddPagesOption(CLI::App* cmd, std::string& pages) {
    return cmd->add_option("-p,--pages", pages, "Pages, e.g. 1,3-5 (1-based)")->check(kNotEmpty);
}

void AddResolutionOption(CLI::App* cmd, int& dpi, char const* what) {
    cmd->add_option("-r,--resolution", dpi, what)->check(CLI::Range(1, 4800));
}

// The command the arguments name, when it is none of `app`'s: CLI11 would
// only say that a command is required.
std::string UnknownCommand(CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string const arg = argv[i];
        if (!arg.empty() && arg[0] == '-') continue;
        auto known = app.get_subcommands([&](CLI::App* cmd) { return cmd->check_name(arg); });
        return known.empty() ? arg : std::string();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    UseHugePageHeap();
    CLI::App app{"ksdvi: display the output of TeX"};
    app.require_subcommand(1);

    InfoOptions info;
    CLI::App* infoCmd = app.add_subcommand("info", "Preamble, mode, pages and fonts of a DVI file");
    AddFileOption(infoCmd, info.file)->required();
    infoCmd->add_flag("--json", info.json, "Print JSON");
    infoCmd->add_option("-r,--resolution", info.dpi, "Dots per inch at which fonts are described")
        ->check(CLI::Range(1, 4800));
    AddFontPathOptions(infoCmd, info.session);

    TraceOptions trace;
    CLI::App* traceCmd = app.add_subcommand("trace", "One line per character, rule and special of each page");
    AddFileOption(traceCmd, trace.file)->required();
    AddPagesOption(traceCmd, trace.pages);
    AddFontPathOptions(traceCmd, trace.session);

    RenderOptions render;
    CLI::App* renderCmd = app.add_subcommand("render", "Render pages to PNG files");
    AddFileOption(renderCmd, render.file)->required();
    AddPagesOption(renderCmd, render.pages);
    renderCmd->add_option("-r,--resolution", render.dpi, "Dots per inch")->check(CLI::Range(1, 4800));
    renderCmd->add_option("-z,--zoom", render.zoom, "Zoom factor")->check(CLI::Range(0.01, 100.0) & kFinite);
    renderCmd->add_option("-o,--output", render.output, "Output file pattern, %d the page number (NAME-%d.png)")
        ->check(kNotEmpty);
    renderCmd->add_option("--paper", render.paper,
                          "Paper when the document names none: a4, letter or WxH (e.g. 210mmx297mm)");
    renderCmd->add_option("-j,--jobs", render.jobs, "Pages rendered in parallel (default: one per core)")
        ->check(CLI::Range(1, 256));
    renderCmd->add_flag("--links", render.links, "Mark the areas of hyperlinks");
    renderCmd->add_flag("--link-colour", render.linkColour,
                        "Draw the text of html: links in blue instead of the document's colours");
    renderCmd->add_option("--highlight", render.highlight, "Paint where this text occurs (as search finds it)")
        ->check(kNotEmpty);
    renderCmd
        ->add_option("-T,--image-size", render.imageSize,
                     "Cut each image to the ink (tight), the ink and the DVI origin (bbox), or a size (WxH)")
        ->check(kNotEmpty);
    renderCmd->add_option("--bg", render.background, "Background: transparent, #rrggbb, 'rgb R G B' or a colour name")
        ->check(kNotEmpty);
    renderCmd->add_option("--fg", render.foreground, "Colour of what TeX set in black")->check(kNotEmpty);
    renderCmd->add_flag("--depth", render.depth, "Print each image's depth below the baseline");
    renderCmd->add_flag("--height", render.height, "Print each image's height above the baseline");
    renderCmd->add_flag("--width", render.width, "Print each image's width");
    renderCmd->add_flag("--follow", render.follow, "Render each page as TeX completes it, until the file is finished")
        ->excludes("--pages");
    AddFontPathOptions(renderCmd, render.session);

    LinksOptions links;
    CLI::App* linksCmd = app.add_subcommand("links", "The hyperlinks of each page with their areas in pixels");
    AddFileOption(linksCmd, links.file)->required();
    AddPagesOption(linksCmd, links.pages);
    linksCmd->add_option("-r,--resolution", links.dpi, "Dots per inch")->check(CLI::Range(1, 4800));
    linksCmd->add_flag("--json", links.json, "Print JSON");
    AddFontPathOptions(linksCmd, links.session);

    LocateOptions locate;
    CLI::App* locateCmd = app.add_subcommand("locate", "The page and position of a named anchor");
    AddFileOption(locateCmd, locate.file)->required();
    locateCmd->add_option("ANCHOR", locate.anchor, "Anchor name")->required();
    locateCmd->add_option("-r,--resolution", locate.dpi, "Dots per inch")->check(CLI::Range(1, 4800));
    AddFontPathOptions(locateCmd, locate.session);

    SyncOptions sync;
    CLI::App* syncCmd = app.add_subcommand("sync", "Forward and inverse search between the document and its sources");
    AddFileOption(syncCmd, sync.file)->required();
    CLI::Option* forwardOption =
        syncCmd->add_option("--forward", sync.forward, "Where a source line was set: LINE[:COLUMN]:SOURCE")
            ->check(kNotEmpty);
    syncCmd->add_option("--inverse", sync.inverse, "Which source line set a point: PAGE:X,Y (pixels)")
        ->check(kNotEmpty)
        ->excludes(forwardOption);
    AddResolutionOption(syncCmd, sync.dpi, "Dots per inch");
    syncCmd->add_flag("--json", sync.json, "Print JSON");
    AddFontPathOptions(syncCmd, sync.session);

    OutlineOptions outline;
    CLI::App* outlineCmd = app.add_subcommand("outline", "The bookmarks of the document, where each leads");
    AddFileOption(outlineCmd, outline.file)->required();
    outlineCmd->add_option("-r,--resolution", outline.dpi, "Dots per inch")->check(CLI::Range(1, 4800));
    outlineCmd->add_flag("--json", outline.json, "Print JSON");
    AddFontPathOptions(outlineCmd, outline.session);

    SelectOptions select;
    CLI::App* selectCmd = app.add_subcommand("select", "Chosen pages into a DVI file of their own");
    AddFileOption(selectCmd, select.file)->required();
    AddPagesOption(selectCmd, select.pages)->required();
    selectCmd->add_option("-o,--output", select.output, "The DVI file to write")->required()->check(kNotEmpty);

    SearchOptions search;
    CLI::App* searchCmd = app.add_subcommand("search", "Where a text occurs, with its rectangles in pixels");
    AddFileOption(searchCmd, search.file)->required();
    searchCmd->add_option("PATTERN", search.pattern, "Text to find (UTF-8; white space is ignored)")->required();
    AddPagesOption(searchCmd, search.pages);
    AddResolutionOption(searchCmd, search.dpi, "Dots per inch");
    searchCmd->add_flag("--match-case", search.matchCase, "Letter case must match");
    searchCmd->add_flag("--json", search.json, "Print JSON");
    AddFontPathOptions(searchCmd, search.session);

    TextOptions text;
    CLI::App* textCmd = app.add_subcommand("text", "The text of each page in UTF-8");
    AddFileOption(textCmd, text.file)->required();
    AddPagesOption(textCmd, text.pages);
    AddResolutionOption(textCmd, text.dpi, "Dots per inch of the boxes of --json");
    textCmd->add_flag("--json", text.json, "Print each line's words with their boxes as JSON");
    AddFontPathOptions(textCmd, text.session);

    FontmapOptions fontmap;
    CLI::App* fontmapCmd = app.add_subcommand("fontmap", "The map entries used for the fonts of FILE, or for all");
    AddFileOption(fontmapCmd, fontmap.file);
    AddFontPathOptions(fontmapCmd, fontmap.session);

    PrintOptions print;
    CLI::App* printCmd = app.add_subcommand("print", "Print pages in bands to a PDF or PostScript file");
    AddFileOption(printCmd, print.file)->required();
    AddPagesOption(printCmd, print.pages);
    printCmd->add_option("-r,--resolution", print.dpi, "Printer dots per inch")->check(CLI::Range(1, 4800));
    printCmd->add_option("--paper", print.paper, "Paper when the document names none: a4, letter or WxH");
    printCmd->add_option("-o,--output", print.output, "OUT.pdf, OUT.ps, or - for PostScript on standard output")
        ->required()
        ->check(kNotEmpty);
    AddFontPathOptions(printCmd, print.session);

    VectorCommandOptions pdf, svg;
    svg.svg = true;
    CLI::App* pdfCmd = app.add_subcommand("pdf", "Pages as a PDF file: fonts embedded, text, links and bookmarks");
    CLI::App* svgCmd = app.add_subcommand("svg", "Pages as SVG files, one per page");
    for (auto [cmd, options] : {std::pair{pdfCmd, &pdf}, std::pair{svgCmd, &svg}}) {
        AddFileOption(cmd, options->file)->required();
        AddPagesOption(cmd, options->pages);
        cmd->add_option("-o,--output", options->output,
                        options->svg ? "Output pattern, %d the page number (default NAME-%d.svg); - for standard output"
                                     : "Output file (default NAME.pdf); - for standard output")
            ->check(kNotEmpty);
        cmd->add_option("--paper", options->paper, "Paper when the document names none: a4, letter or WxH")
            ->capture_default_str();
        cmd->add_option("-r,--resolution", options->dpi,
                        "Dots per inch of what only a raster holds: PostScript, EPS pictures")
            ->capture_default_str()
            ->check(CLI::Range(72, 2400));
        AddFontPathOptions(cmd, options->session);
    }

    if (std::string const unknown = UnknownCommand(app, argc, argv); !unknown.empty()) {
        std::cerr << "ksdvi: unknown command '" << unknown << "' (ksdvi --help lists the commands)" << std::endl;
        return 1;
    }
    try {
        app.parse(argc, argv);
    } catch (CLI::ParseError const& e) {
        // Help is a success; every mistake on the command line exits 1.
        return app.exit(e) == 0 ? 0 : 1;
    }

    if (infoCmd->parsed()) return RunOnDocument(RunInfo, info);
    if (traceCmd->parsed()) return RunOnDocument(RunTrace, trace);
    if (fontmapCmd->parsed()) return RunOnDocument(RunFontmap, fontmap);
    if (renderCmd->parsed()) return RunOnDocument(RunRender, render);
    if (linksCmd->parsed()) return RunOnDocument(RunLinks, links);
    if (locateCmd->parsed()) return RunOnDocument(RunLocate, locate);
    if (syncCmd->parsed()) return RunOnDocument(RunSync, sync);
    if (outlineCmd->parsed()) return RunOnDocument(RunOutline, outline);
    if (selectCmd->parsed()) return RunOnDocument(RunSelect, select);
    if (printCmd->parsed()) return RunOnDocument(RunPrint, print);
    if (pdfCmd->parsed()) return RunOnDocument(RunVector, pdf);
    if (svgCmd->parsed()) return RunOnDocument(RunVector, svg);
    if (searchCmd->parsed()) return RunOnDocument(RunSearch, search);
    if (textCmd->parsed()) return RunOnDocument(RunText, text);
    return 1;
}
