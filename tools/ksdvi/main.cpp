// ksdvi: renders, inspects and traces DVI files.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "Commands.h"
#include "InputSpool.h"
#include "KeptHeap.h"
#include "PageSelection.h"
#include "PaperNames.h"
#include "Versions.h"
#include "interp/XHanTable.h"
#include "platform/gs/GS.h"
#include "platform/kpathsea/KPathSea.h"

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

// The physical pages of the TeX numbers of -pp, as -p gives them; false,
// with the error said, when no page has one. A document that cannot be read
// is left to the command to report.
template <class Options>
bool TakeTeXPages(Options& options, std::string const& texPages) {
    if constexpr (requires { options.pages; }) {
        if (texPages.empty()) return true;
        auto fonts = LoadFonts({});
        DocumentSession session(options.file, options.session, *fonts);
        if (!session.Load()) return true;
        std::vector<int32_t> numbers;
        for (int page = 0; page < session.Document().GetNPage(); ++page)
            numbers.push_back(session.Document().GetTeXPageNo(page));
        std::string error;
        auto pages = PhysicalPagesOfTeX(texPages, numbers, error);
        if (!pages) ReportError(options.file, error);
        options.pages = pages.value_or("");
        return pages.has_value();
    }
    return true;
}

// Runs a command on its document, copied first when it can be read only once.
template <class Options>
int RunOnDocument(int (*run)(Options const&), Options options, std::string const& texPages = {}) {
    InputSpool spool;  // removed before the exit
    std::string error;
    options.file = DocumentPath(options.file);
    options.session.source = spool.Prepare(options.file, error);
    if (!error.empty()) {
        ReportError(options.file, error);
        return 1;
    }
    if (!TakeTeXPages(options, texPages)) return 1;
    std::string const& table = options.session.xhanTable;
    if (!table.empty() && !ksdvi::XHanTable::LoadFile(table, error)) {
        ReportError(table, error);
        return 1;
    }
    return StatusAfterWarnings(run(options));
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

// -pp (dvips's) is read as --pp: CLI11 takes one letter after a single dash.
CLI::Option* AddPagesOption(CLI::App* cmd, std::string& pages, std::string& texPages) {
    CLI::Option* physical = cmd->add_option("-p,--pages", pages, "Pages, e.g. 1,3-5 (1-based)")->check(kNotEmpty);
    cmd->add_option("--pp", texPages, "-pp LIST: pages by TeX's page number (\\count0), e.g. 3-5,-1 (as dvips)")
        ->check(kNotEmpty)
        ->excludes(physical);
    return physical;
}

// "-pp LIST" as "--pp=LIST", so that a list starting with a minus sign
// ("-pp -1") is not taken for an option.
std::vector<std::string> Arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string const arg = argv[i];
        if (arg == "-pp" && i + 1 < argc)
            args.push_back("--pp=" + std::string(argv[++i]));
        else if (arg.rfind("-pp=", 0) == 0)
            args.push_back("-" + arg);
        else
            args.push_back(arg);
    }
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    return args;
}

// -D is dvips's and dvipng's name for it.
void AddResolutionOption(CLI::App* cmd, int& dpi, char const* what) {
    cmd->add_option("-r,-D,--resolution", dpi, what)->check(CLI::Range(1, 4800));
}

// What every command takes beside its own options.
struct CommonOptions {
    bool quiet = false;
    bool verbose = false;
    bool strict = false;
};

// METAFONT's modes are words; the name reaches mktexpk's shell script.
CLI::Validator const kModeName(
    [](std::string& text) {
        bool const word = !text.empty() && std::all_of(text.begin(), text.end(),
                                                       [](unsigned char c) { return std::isalnum(c) || c == '_'; });
        return word ? std::string() : "not a METAFONT mode: " + text;
    },
    "MODE", "mode");

// How missing PK fonts are made, for every command that reads fonts.
void AddBitmapOptions(CLI::App* cmd, KPathSea::BitmapMaking& making) {
    cmd->add_option("--mode", making.mode, "METAFONT mode in which mktexpk makes missing PK fonts")->check(kModeName);
    cmd->add_option("--bdpi", making.baseDpi, "Base resolution of --mode")->check(CLI::Range(1, 60000));
    cmd->add_flag_callback(
        "--no-mktexpk", [&making] { making.allowed = false; }, "Never run METAFONT to make PK fonts");
}

void AddCommonOptions(CLI::App* cmd, CommonOptions& common) {
    auto* quiet = cmd->add_flag("-q,--quiet", common.quiet, "No warnings on stderr (errors still)");
    cmd->add_flag("-v,--verbose", common.verbose, "Say which files, fonts and paper are used")->excludes(quiet);
    cmd->add_flag("--strict", common.strict, "Exit with status 3 after warnings (missing fonts, pictures, PostScript)");
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
    KeepHeapMemory();
    CLI::App app{"ksdvi: display the output of TeX"};
    app.require_subcommand(1);
    app.set_version_flag("-V,--version", VersionReport, "ksdvi's version and those of the libraries it uses");

    std::string texPages;                             // -pp of whichever command has it
    app.option_defaults()->always_capture_default();  // --help shows them

    // The system's paper unless the document or --paper names one.
    std::string const systemPaper = SystemPaperName();

    InfoOptions info;
    CLI::App* infoCmd = app.add_subcommand("info", "Preamble, mode, pages and fonts of a DVI file");
    AddFileOption(infoCmd, info.file)->required();
    infoCmd->add_flag("--json", info.json, "Print JSON");
    AddResolutionOption(infoCmd, info.dpi, "Dots per inch at which fonts are described");
    AddFontPathOptions(infoCmd, info.session);

    TraceOptions trace;
    CLI::App* traceCmd = app.add_subcommand("trace", "One line per character, rule and special of each page");
    AddFileOption(traceCmd, trace.file)->required();
    AddPagesOption(traceCmd, trace.pages, texPages);
    AddFontPathOptions(traceCmd, trace.session);

    RenderOptions render;
    render.paper = systemPaper;
    CLI::App* renderCmd = app.add_subcommand("render", "Render pages to PNG files");
    AddFileOption(renderCmd, render.file)->required();
    AddPagesOption(renderCmd, render.pages, texPages);
    AddResolutionOption(renderCmd, render.dpi, "Dots per inch");
    renderCmd->add_option("-z,--zoom", render.zoom, "Zoom factor")->check(CLI::Range(0.01, 100.0) & kFinite);
    renderCmd->add_option("-o,--output", render.output, "Output file pattern, %d the page number (NAME-%d.png)")
        ->check(kNotEmpty);
    renderCmd->add_option("--paper", render.paper,
                          "Paper when the document names none: a name paperconf -a lists (any case), "
                          "NAME-landscape, landscape, or WxH (e.g. 210mmx297mm); default the system's");
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
        ->excludes("--pages")
        ->excludes("--pp");
    AddFontPathOptions(renderCmd, render.session);

    LinksOptions links;
    CLI::App* linksCmd = app.add_subcommand("links", "The hyperlinks of each page with their areas in pixels");
    AddFileOption(linksCmd, links.file)->required();
    AddPagesOption(linksCmd, links.pages, texPages);
    AddResolutionOption(linksCmd, links.dpi, "Dots per inch");
    linksCmd->add_flag("--json", links.json, "Print JSON");
    AddFontPathOptions(linksCmd, links.session);

    LocateOptions locate;
    CLI::App* locateCmd = app.add_subcommand("locate", "The page and position of a named anchor");
    AddFileOption(locateCmd, locate.file)->required();
    locateCmd->add_option("ANCHOR", locate.anchor, "Anchor name")->required();
    AddResolutionOption(locateCmd, locate.dpi, "Dots per inch");
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
    AddResolutionOption(outlineCmd, outline.dpi, "Dots per inch");
    outlineCmd->add_flag("--json", outline.json, "Print JSON");
    AddFontPathOptions(outlineCmd, outline.session);

    SelectOptions select;
    CLI::App* selectCmd = app.add_subcommand("select", "Chosen pages into a DVI file of their own");
    AddFileOption(selectCmd, select.file)->required();
    AddPagesOption(selectCmd, select.pages, texPages);
    selectCmd->add_option("-o,--output", select.output, "The DVI file to write")->required()->check(kNotEmpty);

    SearchOptions search;
    CLI::App* searchCmd = app.add_subcommand("search", "Where a text occurs, with its rectangles in pixels");
    AddFileOption(searchCmd, search.file)->required();
    searchCmd->add_option("PATTERN", search.pattern, "Text to find (UTF-8; white space is ignored)")->required();
    AddPagesOption(searchCmd, search.pages, texPages);
    AddResolutionOption(searchCmd, search.dpi, "Dots per inch");
    searchCmd->add_flag("--match-case", search.matchCase, "Letter case must match");
    searchCmd->add_flag("--json", search.json, "Print JSON");
    AddFontPathOptions(searchCmd, search.session);

    TextOptions text;
    CLI::App* textCmd = app.add_subcommand("text", "The text of each page in UTF-8");
    AddFileOption(textCmd, text.file)->required();
    AddPagesOption(textCmd, text.pages, texPages);
    AddResolutionOption(textCmd, text.dpi, "Dots per inch of the boxes of --json");
    textCmd->add_flag("--json", text.json, "Print each line's words with their boxes as JSON");
    AddFontPathOptions(textCmd, text.session);

    FontmapOptions fontmap;
    CLI::App* fontmapCmd = app.add_subcommand("fontmap", "The map entries used for the fonts of FILE, or for all");
    AddFileOption(fontmapCmd, fontmap.file);
    AddFontPathOptions(fontmapCmd, fontmap.session);

    PrintOptions print;
    print.paper = systemPaper;
    CLI::App* printCmd = app.add_subcommand("print", "Print pages in bands to a PDF or PostScript file");
    AddFileOption(printCmd, print.file)->required();
    AddPagesOption(printCmd, print.pages, texPages);
    AddResolutionOption(printCmd, print.dpi, "Printer dots per inch");
    printCmd->add_option("--paper", print.paper, "Paper when the document names none, as render takes it");
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
        AddPagesOption(cmd, options->pages, texPages);
        cmd->add_option("-o,--output", options->output,
                        options->svg ? "Output pattern, %d the page number (default NAME-%d.svg); - for standard output"
                                     : "Output file (default NAME.pdf); - for standard output")
            ->check(kNotEmpty);
        options->paper = systemPaper;
        cmd->add_option("--paper", options->paper, "Paper when the document names none, as render takes it")
            ->capture_default_str();
        cmd->add_option("-r,-D,--resolution", options->dpi,
                        "Dots per inch of what only a raster holds: PostScript, EPS pictures")
            ->capture_default_str()
            ->check(CLI::Range(72, 2400));
        AddFontPathOptions(cmd, options->session);
    }

    // A page's PostScript may run for this long, for every command that draws
    // it: pst-magneticfield's field lines take Ghostscript a minute.
    double postScriptSeconds = std::chrono::duration<double>(GS::kDefaultTimeLimit).count();
    for (CLI::App* cmd : {renderCmd, printCmd, pdfCmd, svgCmd})
        cmd->add_option("--ps-seconds", postScriptSeconds, "Longest a page's PostScript may run, in seconds")
            ->check(CLI::Range(1.0, 100.0) & kFinite);

    CommonOptions common;
    KPathSea::BitmapMaking making;
    for (CLI::App* cmd : app.get_subcommands([](CLI::App*) { return true; })) {
        if (cmd->get_option_no_throw("--tfm-path")) AddBitmapOptions(cmd, making);
        AddCommonOptions(cmd, common);
        // An empty list is no default to show.
        for (CLI::Option* option : cmd->get_options())
            if (option->get_default_str() == "[]") option->default_str("");
    }

    if (std::string const unknown = UnknownCommand(app, argc, argv); !unknown.empty()) {
        std::cerr << "ksdvi: unknown command '" << unknown << "' (ksdvi --help lists the commands)" << std::endl;
        return 1;
    }
    try {
        app.parse(Arguments(argc, argv));
    } catch (CLI::ParseError const& e) {
        // Help is a success; every mistake on the command line exits 1.
        return app.exit(e) == 0 ? 0 : 1;
    }
    SetVerbosity(common.quiet ? Verbosity::Quiet : common.verbose ? Verbosity::Verbose : Verbosity::Normal);
    SetStrict(common.strict);
    KPathSea::SetBitmapMaking(making);
    for (GS* gs : {GetGS(), GetPdfGS()})
        gs->SetTimeLimit(std::chrono::milliseconds(std::lround(postScriptSeconds * 1000)));

    if (infoCmd->parsed()) return RunOnDocument(RunInfo, info);
    if (traceCmd->parsed()) return RunOnDocument(RunTrace, trace, texPages);
    if (fontmapCmd->parsed()) return RunOnDocument(RunFontmap, fontmap);
    if (renderCmd->parsed()) return RunOnDocument(RunRender, render, texPages);
    if (linksCmd->parsed()) return RunOnDocument(RunLinks, links, texPages);
    if (locateCmd->parsed()) return RunOnDocument(RunLocate, locate);
    if (syncCmd->parsed()) return RunOnDocument(RunSync, sync);
    if (outlineCmd->parsed()) return RunOnDocument(RunOutline, outline);
    if (selectCmd->parsed() && select.pages.empty() && texPages.empty()) {
        std::cerr << "ksdvi select: which pages? (-p or -pp)" << std::endl;
        return 1;
    }
    if (selectCmd->parsed()) return RunOnDocument(RunSelect, select, texPages);
    if (printCmd->parsed()) return RunOnDocument(RunPrint, print, texPages);
    if (pdfCmd->parsed()) return RunOnDocument(RunVector, pdf, texPages);
    if (svgCmd->parsed()) return RunOnDocument(RunVector, svg, texPages);
    if (searchCmd->parsed()) return RunOnDocument(RunSearch, search, texPages);
    if (textCmd->parsed()) return RunOnDocument(RunText, text, texPages);
    return 1;
}
