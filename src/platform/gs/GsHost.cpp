// The Ghostscript host: the process that holds the library's one interpreter.
//
// The library cannot stop an interpreter that loops from inside its own
// process: Ghostscript calls its poll hook only on Windows builds, and a
// thread cannot be cut out of it. So the interpreter runs in a child process
// that the library can kill at a time limit and start again: the program
// ksdvi-gs-host (GsHostMain.cpp), which the library finds as GsHostPath.h
// says. Only that program loads libgs.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// After <cstddef>: the display header uses size_t without including it.
#include <ghostscript/gdevdsp.h>
#include <ghostscript/iapi.h>
#include <ghostscript/ierrors.h>

#include "platform/gs/GsHost.h"
#include "platform/gs/GsWire.h"

namespace ksdvi::gs {

namespace {

// Bottom-up BGR rows: a DIB's order, so that pages go out row by row as they lie.
constexpr unsigned kFormat = unsigned(DISPLAY_COLORS_RGB) | unsigned(DISPLAY_ALPHA_NONE) | unsigned(DISPLAY_DEPTH_8) |
                             unsigned(DISPLAY_LITTLEENDIAN) | unsigned(DISPLAY_BOTTOMFIRST);
constexpr auto kForever = Clock::time_point::max();

// What runs around each job's PostScript: the job reads itself from the input
// (`currentfile cvx exec`) inside `stopped`, so that an error ends the job but
// not the interpreter; its input is then skipped to the end. Everything the
// job did is undone by `restore`. The markers reach the host through the
// captured standard output, each on a line of its own whatever the job
// printed before. An error names the operator that failed, never the
// offending object: that may be bytes of a file the job read.
constexpr char kRunInput[] =
    "  { currentfile cvx exec } stopped {\n"
    "    $error /newerror get {\n"
    "      (\\n%%[ksdvi-error: ) print $error /errorname .knownget { =only } { (stop) print } ifelse\n"
    "      $error /command .knownget { dup type /operatortype eq { ( ) print =only } { pop } ifelse } if\n"
    "      (]%%\\n) print $error /newerror false put\n"
    "    } { (\\n%%[ksdvi-error: stop]%%\\n) print } ifelse\n"
    "    flush currentfile flushfile\n"
    "  } if\n";
constexpr char kEndLine[] = "  (\\n%%[ksdvi-end]%%\\n) print flush\n";
// A job begins with the dictionaries its prologue left open.
std::string const kJobFrame = std::string("{ userdict /KsDviJob save put\n") +
                              "  userdict /KsDviPrologueDicts .knownget { { begin } forall } if\n" + kRunInput +
                              "  clear cleardictstack userdict /KsDviJob get restore\n" + kEndLine + "} bind exec\n";
// A job's prologue runs the same way, once for the jobs that begin with it:
// what it defines stays, beneath each job's own save, until a job comes with
// another prologue. So do the dictionaries it leaves open, as they stay in a
// dvips file for its pages (pst-solides3d's header never ends its own).
std::string const kPrologueFrame =
    std::string("{ userdict /KsDviPrologue save put\n") + kRunInput +
    "  countdictstack array dictstack cleardictstack countdictstack 1 index length 1 index sub getinterval\n"
    "  userdict /KsDviPrologueDicts 3 -1 roll put clear\n" +
    kEndLine + "} bind exec\n";
constexpr char kPrologueUndone[] = "clear cleardictstack userdict /KsDviPrologue get restore\n";
constexpr char kErrorMarker[] = "%%[ksdvi-error: ";
constexpr std::size_t kMaxData = std::size_t(1) << 22;
constexpr char kEndMarker[] = "%%[ksdvi-end]%%";

// libgs is loaded by the host, not linked into the program: it brings some
// sixty libraries that would cost every run of the program about 25 ms to
// load, and most runs never start Ghostscript. These are the functions of its
// API that the host calls; one list makes both the pointers and the lookups.
#define KSDVI_GS_FUNCTIONS(F) \
    F(new_instance)           \
    F(delete_instance)        \
    F(set_stdio_with_handle)  \
    F(register_callout)       \
    F(set_arg_encoding)       \
    F(init_with_args)         \
    F(purge_control_paths)    \
    F(remove_control_path)    \
    F(add_control_path)       \
    F(run_string)             \
    F(run_string_begin)       \
    F(run_string_continue)    \
    F(run_string_end)         \
    F(exit)

struct GsApi {
#define KSDVI_GS_POINTER(name) decltype(&gsapi_##name) name = nullptr;
    KSDVI_GS_FUNCTIONS(KSDVI_GS_POINTER)
#undef KSDVI_GS_POINTER
};

GsApi api;

template <class F>
bool Resolve(void* library, F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

bool LoadGhostscript(std::string* why) {
    void* library = dlopen(KSDVI_GS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = dlerror();
        *why = std::string("Ghostscript's library cannot be loaded: ") + (error ? error : KSDVI_GS_LIBRARY);
        return false;
    }
#define KSDVI_GS_RESOLVE(name) &&Resolve(library, api.name, "gsapi_" #name)
    if (true KSDVI_GS_FUNCTIONS(KSDVI_GS_RESOLVE)) return true;
#undef KSDVI_GS_RESOLVE
    *why = std::string("Ghostscript's library ") + KSDVI_GS_LIBRARY + " lacks a function of its API";
    return false;
}

// The interpreter, its display device and what it printed. The host is one
// thread, and Ghostscript calls back on it.
struct Host {
    int fd = -1;
    void* gs = nullptr;
    unsigned char* image = nullptr;
    int width = 0;
    int height = 0;
    int raster = 0;
    bool wrongFormat = false;
    bool libraryGone = false;
    std::size_t allowed = std::size_t(16) << 20;  // the largest raster the device may allocate
    std::string line;
    std::string error;  // the current job's PostScript error
    std::string data;   // the lines the job printed for the library
    bool jobEnded = false;
    std::string lastLine;  // for failures that are not PostScript errors
    bool jobsRun = false;  // whether a job has run since the interpreter started
    // A PDF host's directory, where its pages are written (the library's,
    // which removes it); empty for the display device.
    std::string pdfDirectory;
    std::string prologue;  // the prologue in force (kPrologueFrame), empty for none
};

Host* H(void* handle) { return static_cast<Host*>(handle); }

// ---- display device ----

int DisplayOpen(void*, void*) { return 0; }
int DisplayPreclose(void*, void*) { return 0; }
int DisplayClose(void* handle, void*) {
    H(handle)->image = nullptr;
    return 0;
}
int DisplayPresize(void* handle, void*, int width, int height, int raster, unsigned) {
    if (width < 1 || height < 1 || raster < 1 || std::size_t(raster) * std::size_t(height) > H(handle)->allowed) {
        return gs_error_VMerror;
    }
    return 0;
}
int DisplaySize(void* handle, void*, int width, int height, int raster, unsigned format, unsigned char* image) {
    Host* h = H(handle);
    h->image = image, h->width = width, h->height = height, h->raster = raster;
    h->wrongFormat = format != kFormat;
    return 0;
}
int DisplaySync(void*, void*) { return 0; }

// Each page goes to the library as it is shown.
int DisplayPage(void* handle, void*, int, int) {
    Host* h = H(handle);
    if (!h->image || h->wrongFormat || h->width < 1 || h->height < 1) return gs_error_ioerror;
    const std::size_t rowBytes = 3 * std::size_t(h->width);
    const std::int32_t size[2] = {h->width, h->height};
    char head[5];
    head[0] = char(Msg::Page);
    const std::uint32_t length = std::uint32_t(sizeof size + rowBytes * std::size_t(h->height));
    std::memcpy(head + 1, &length, 4);
    bool ok = WriteAll(h->fd, head, sizeof head, kForever) && WriteAll(h->fd, size, sizeof size, kForever);
    for (int y = 0; ok && y < h->height; ++y) {
        ok = WriteAll(h->fd, h->image + std::size_t(y) * std::size_t(h->raster), rowBytes, kForever);
    }
    if (!ok) h->libraryGone = true;
    return ok ? 0 : gs_error_ioerror;
}
void* DisplayMemalloc(void* handle, void*, std::size_t size) {
    return size <= H(handle)->allowed ? std::malloc(size) : nullptr;
}
int DisplayMemfree(void*, void*, void* memory) {
    std::free(memory);
    return 0;
}

display_callback displayCallbacks = {
    sizeof(display_callback),
    DISPLAY_VERSION_MAJOR,
    DISPLAY_VERSION_MINOR,
    DisplayOpen,
    DisplayPreclose,
    DisplayClose,
    DisplayPresize,
    DisplaySize,
    DisplaySync,
    DisplayPage,
    nullptr,
    DisplayMemalloc,
    DisplayMemfree,
    nullptr,
    nullptr,
    nullptr,
};

int Callout(void*, void* handle, const char* device, int id, int, void* data) {
    if (!device || std::strcmp(device, "display") != 0 || id != DISPLAY_CALLOUT_GET_CALLBACK) return -1;
    auto* get = static_cast<gs_display_get_callback_t*>(data);
    get->callback = &displayCallbacks;
    get->caller_handle = handle;
    return 0;
}

// ---- standard streams ----

// PostScript's own error names; a job can print a marker line of its own,
// so anything else is reported in our words, not the job's.
constexpr const char* kErrorNames[] = {
    "configurationerror", "dictfull",          "dictstackoverflow", "dictstackunderflow", "execstackoverflow",
    "handleerror",        "interrupt",         "invalidaccess",     "invalidexit",        "invalidfileaccess",
    "invalidfont",        "invalidrestore",    "ioerror",           "limitcheck",         "nocurrentpoint",
    "rangecheck",         "stackoverflow",     "stackunderflow",    "syntaxerror",        "timeout",
    "typecheck",          "undefined",         "undefinedfilename", "undefinedresource",  "undefinedresult",
    "unmatchedmark",      "unregistered",      "VMerror",           "unknownerror",       "stop"};

// "typecheck add" as "typecheck in add": the error's name, and the
// operator's when an operator failed; operators' names are Ghostscript's.
std::string ErrorText(const std::string& marked) {
    std::string::size_type space = marked.find(' ');
    std::string name = marked.substr(0, space);
    bool known = false;
    for (const char* n : kErrorNames) known = known || name == n;
    if (!known) return "an error the PostScript raised itself";
    if (space == std::string::npos) return name;
    std::string op = marked.substr(space + 1);
    for (std::size_t at; (at = op.find("--")) != std::string::npos;) op.erase(at, 2);
    if (op.empty() || op.size() > 40) return name;
    for (char c : op)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '@')) return name;
    return name + " in " + op;
}

void TakeLine(Host* h) {
    const std::string& l = h->line;
    if (l.compare(0, sizeof kErrorMarker - 1, kErrorMarker) == 0) {
        std::string text = l.substr(sizeof kErrorMarker - 1);
        if (text.size() >= 3 && text.compare(text.size() - 3, 3, "]%%") == 0) text.resize(text.size() - 3);
        h->error = "PostScript error: " + ErrorText(text);
    } else if (l.compare(0, sizeof kDataMarker - 1, kDataMarker) == 0) {
        if (h->data.size() < kMaxData) h->data.append(l, sizeof kDataMarker - 1).push_back('\n');
    } else if (l == kEndMarker) {
        h->jobEnded = true;
    } else if (!l.empty()) {
        h->lastLine = l;
    }
    h->line.clear();
}

int StdIn(void*, char*, int) { return 0; }
int StdOut(void* handle, const char* text, int length) {
    Host* h = H(handle);
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\n') {
            TakeLine(h);
        } else if (h->line.size() < 500) {
            h->line += text[i];
        }
    }
    return length;
}

// ---- jobs ----

enum class Outcome { Ok, Failed, Broken };

struct Result {
    Outcome outcome;
    std::string text;
};

Result Broken(const Host& h, const std::string& what, int code) {
    std::string text = what;
    if (code == gs_error_Quit) {
        text += ": the PostScript quit the interpreter";
    } else if (code < 0) {
        text += " (Ghostscript error " + std::to_string(code) + ")";
    }
    // What Ghostscript printed last explains a failed start; once jobs run,
    // printed lines may be theirs, and bytes of their files.
    if (!h.jobsRun && !h.lastLine.empty()) text += ": " + h.lastLine;
    return {Outcome::Broken, text};
}

// Ghostscript lets SAFER jobs read, list and write the temporary directory.
// It is pointed at a directory that is not there, and all writing is
// withdrawn once the interpreter is up.
constexpr char kNoTemporaryDirectory[] = "/nonexistent/ksdvi-gs";

// What a PDF host defines before its first job.
// pdfwrite keeps opacity in the PDF itself: pgf's page hooks do not push the
// transparency device, which pdfwrite here refuses with an ioerror.
// Tiling patterns whose cell is not exactly their step (TikZ's hatchings draw
// lines past the cell so that tiles join) are drawn tile by tile by poppler,
// each tile under a clip of its own: thousands of paths in a PDF or SVG. Such
// a pattern is remade with a cell of exactly the step, from the origin, that
// paints the copies of the original cell which fall into it, each clipped as
// before: the same tiling, which poppler hands to Cairo as one repeating
// pattern. The cell starts at 0 so that the step and the cell's width,
// written and read back as decimals, stay equal. Cells at most eight steps
// wide, within a million steps of the origin.
constexpr char kPdfHostSetup[] =
    "userdict /.pushpdf14devicefilter {pop} put\n"
    "userdict /.poppdf14devicefilter {} put\n"
    "userdict /ksdvi.cellpaint {\n"
    "  dup /KsDviCopies get {\n"
    "    gsave aload pop translate\n"
    "    dup /KsDviClip get aload pop rectclip\n"
    "    dup dup /KsDviPaint get exec\n"
    "    grestore\n"
    "  } forall pop\n"
    "} bind put\n"
    "userdict /ksdvi.cellpattern {\n"
    "  12 dict begin\n"
    "  /p exch def /b p /BBox get def /sx p /XStep get def /sy p /YStep get def\n"
    "  b 2 get b 0 get sub sx div 8 le b 3 get b 1 get sub sy div 8 le and\n"
    "  b 0 get sx div abs 1e6 le and b 1 get sy div abs 1e6 le and {\n"
    "    /i0 b 2 get neg sx div floor cvi 1 add def /i1 1 b 0 get sx div sub ceiling cvi 1 sub def\n"
    "    /j0 b 3 get neg sy div floor cvi 1 add def /j1 1 b 1 get sy div sub ceiling cvi 1 sub def\n"
    "  } {/i0 1 def /i1 0 def /j0 1 def /j1 0 def} ifelse\n"
    "  i1 i0 ge j1 j0 ge and {\n"
    "    p dup length 4 add dict copy\n"
    "    dup /BBox [0 0 sx sy] put\n"
    "    dup /KsDviPaint p /PaintProc get put\n"
    "    dup /KsDviClip [b 0 get b 1 get b 2 get b 0 get sub b 3 get b 1 get sub] put\n"
    "    dup /KsDviCopies [i0 1 i1 {/i exch def j0 1 j1 {sy mul i sx mul exch 2 array astore} for} for] put\n"
    "    dup /PaintProc /ksdvi.cellpaint load put\n"
    "  } {p} ifelse\n"
    "  end\n"
    "} bind put\n"
    "userdict /ksdvi.positive {dup type dup /integertype eq exch /realtype eq or {0 gt} {pop false} ifelse} bind put\n"
    "userdict /makepattern {\n"
    "  1 index type /dicttype eq {\n"
    "    1 index /PatternType .knownget {1 eq} {false} ifelse\n"
    "    2 index /XStep .knownget {ksdvi.positive} {false} ifelse and\n"
    "    2 index /YStep .knownget {ksdvi.positive} {false} ifelse and\n"
    "    2 index /BBox .knownget {dup type /arraytype eq {length 4 eq} {pop false} ifelse} {false} ifelse and\n"
    "    {currentglobal false setglobal 3 -1 roll ksdvi.cellpattern 3 1 roll setglobal} if\n"
    "  } if\n"
    "  systemdict /makepattern get exec\n"
    "} bind put\n";

bool StartInterpreter(Host* h, std::string* why) {
    if (!LoadGhostscript(why)) return false;
    // pdfwrite keeps its work in temporary files: the PDF host's own directory.
    const std::string temporary = h->pdfDirectory.empty() ? kNoTemporaryDirectory : h->pdfDirectory;
    setenv("TMPDIR", temporary.c_str(), 1);
    unsetenv("TEMP");
    unsetenv("GS_OPTIONS");  // the user's options must not undo ours
    if (api.new_instance(&h->gs, h) < 0) {
        h->gs = nullptr;
        *why = "Ghostscript could not make an interpreter";
        return false;
    }
    api.set_stdio_with_handle(h->gs, StdIn, StdOut, StdOut, h);
    api.register_callout(h->gs, Callout, h);
    api.set_arg_encoding(h->gs, GS_ARG_ENCODING_UTF8);
    char format[40];
    std::snprintf(format, sizeof format, "-dDisplayFormat=%u", kFormat);
    // SAFER: no file but Ghostscript's own resources and fonts is read, none
    // written, nothing run. Pages keep the size the library gives them
    // (FIXEDMEDIA), PDF pages that jobs carry are fitted to it by their crop
    // box (PDFFitPage, UseCropBox), and the system's font list is not scanned
    // (NONATIVEFONTMAP).
    // A PDF host writes each page to a file of its own, complete once shown,
    // and gives jobs the opacity operators of pgf's and pstricks' drivers
    // (ALLOWPSTRANSPARENCY: nothing else SAFER withholds), which pdfwrite
    // keeps in the PDF. The raster host has none: its transparency device
    // draws pgf's patterns mirrored, and pages that need opacity are drawn
    // as PDF pages. pdfwrite must not turn a page whose text mostly runs
    // sideways (a figure at angle=90) by a /Rotate of its own
    // (AutoRotatePages).
    const std::string output = "-sOutputFile=" + h->pdfDirectory + "/page%d.pdf";
    const bool pdf = !h->pdfDirectory.empty();
    const char* args[] = {"ksdvi",
                          "-dSAFER",
                          pdf ? "-dALLOWPSTRANSPARENCY" : "-dSAFER",
                          "-dNOPAUSE",
                          "-dBATCH",
                          "-dQUIET",
                          "-dFIXEDMEDIA",
                          "-dPDFFitPage",
                          "-dUseCropBox",
                          "-dNONATIVEFONTMAP",
                          pdf ? "-dAutoRotatePages=/None" : "-dSAFER",
                          pdf ? "-sDEVICE=pdfwrite" : "-sDEVICE=display",
                          pdf ? output.c_str() : format,
                          "-r72",
                          "-g16x16"};
    auto failed = [&](int code) {
        *why = Broken(*h, "Ghostscript did not start", code).text;
        api.exit(h->gs);
        api.delete_instance(h->gs);
        h->gs = nullptr;
        return false;
    };
    if (const int code = api.init_with_args(h->gs, int(sizeof args / sizeof *args), const_cast<char**>(args)); code < 0)
        return failed(code);
    api.purge_control_paths(h->gs, GS_PERMIT_FILE_WRITING);
    api.purge_control_paths(h->gs, GS_PERMIT_FILE_CONTROL);
    api.remove_control_path(h->gs, GS_PERMIT_FILE_READING, (temporary + "/*").c_str());
    // pdfwrite opens each page's file as the page begins: writing (never
    // reading) files named so in the host's own directory stays allowed.
    if (pdf) api.add_control_path(h->gs, GS_PERMIT_FILE_WRITING, (h->pdfDirectory + "/page*").c_str());
    int exitCode = 0;
    if (const int code = pdf ? api.run_string(h->gs, kPdfHostSetup, 0, &exitCode) : 0; code < 0) return failed(code);
    return true;
}

bool Running(int code) { return code >= 0 || code == gs_error_NeedInput; }

// A job may use this much processor time beyond what the host has used: the
// library stops a job long before, unless it has gone away.
constexpr rlim_t kJobSeconds = 120;

void LimitJobTime() {
    rusage used{};
    if (getrusage(RUSAGE_SELF, &used) != 0) return;
    rlimit r{};
    if (getrlimit(RLIMIT_CPU, &r) != 0) return;
    const rlim_t limit = rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec) + kJobSeconds;
    if (r.rlim_max != RLIM_INFINITY && limit > r.rlim_max) return;
    r.rlim_cur = limit;
    setrlimit(RLIMIT_CPU, &r);
}

// Starts `frame` (kJobFrame's way of reading its input), which then reads
// what follows; Ghostscript's code.
int BeginFramed(Host* h, const std::string& frame) {
    int exitCode = 0;
    h->jobEnded = false;
    int code = api.run_string_begin(h->gs, 0, &exitCode);
    if (Running(code)) code = api.run_string_continue(h->gs, frame.data(), unsigned(frame.size()), 0, &exitCode);
    return code;
}

// Runs `text` through `frame`; false when the interpreter failed or the
// frame did not end.
bool RunFramed(Host* h, const std::string& frame, std::string_view text, int* code) {
    int exitCode = 0;
    *code = BeginFramed(h, frame);
    if (Running(*code) && !text.empty())
        *code = api.run_string_continue(h->gs, text.data(), unsigned(text.size()), 0, &exitCode);
    if (Running(*code)) *code = api.run_string_end(h->gs, 0, &exitCode);
    return Running(*code) && h->jobEnded && !h->wrongFormat && !h->libraryGone;
}

// Puts `text` in force as the prologue: the one before is undone and the new
// one runs, unless it is the one in force. One that fails is undone again; its
// error stays in h->error, the job's.
Result SetPrologue(Host* h, std::string_view text) {
    if (text == h->prologue) return {Outcome::Ok, {}};
    int code = 0;
    auto undo = [&] {
        int exitCode = 0;
        code = api.run_string(h->gs, kPrologueUndone, 0, &exitCode);
        return code >= 0;
    };
    if (!h->prologue.empty()) {
        h->prologue.clear();
        if (!undo()) return Broken(*h, "Ghostscript could not undo a prologue", code);
    }
    if (text.empty()) return {Outcome::Ok, {}};
    if (!RunFramed(h, kPrologueFrame, text, &code)) return Broken(*h, "Ghostscript failed", code);
    if (h->error.empty())
        h->prologue = text;
    else if (!undo())
        return Broken(*h, "Ghostscript could not undo a prologue", code);
    return {Outcome::Ok, {}};
}

Result StartJob(Host* h, const std::int32_t* v, std::string_view prologue) {
    const int xRes = v[0], yRes = v[1], width = v[2], height = v[3];
    if (xRes < 1 || yRes < 1 || width < 1 || height < 1) return Broken(*h, "a page without pixels", 0);
    LimitJobTime();
    h->error.clear();
    h->data.clear();
    h->jobsRun = true;
    if (Result r = SetPrologue(h, prologue); r.outcome != Outcome::Ok) return r;
    // The raster of this page, its row padding and a little more.
    h->allowed = (3 * std::size_t(width) + 64) * std::size_t(height) + (std::size_t(1) << 20);
    char setup[300];
    std::snprintf(setup, sizeof setup,
                  "mark /HWResolution [%d %d] /HWSize [%d %d] %s currentdevice putdeviceprops setdevice\n", xRes, yRes,
                  width, height, h->pdfDirectory.empty() ? "/GraphicsAlphaBits 1 /TextAlphaBits 1" : "");
    int exitCode = 0;
    int code = api.run_string(h->gs, setup, 0, &exitCode);
    if (code < 0 || h->wrongFormat) return Broken(*h, "Ghostscript could not set up the page", code);
    if (!Running(code = BeginFramed(h, kJobFrame))) return Broken(*h, "Ghostscript could not start the job", code);
    return {Outcome::Ok, {}};
}

Result JobState(const Host& h, int code, const char* what) {
    if (!Running(code) || h.wrongFormat || h.libraryGone) return Broken(h, what, code);
    if (!h.error.empty()) return {Outcome::Failed, h.error};
    return {Outcome::Ok, {}};
}

Result RunText(Host* h, const std::vector<char>& text) {
    if (!h->error.empty()) return {Outcome::Failed, h->error};  // the rest of a failed job is skipped
    int exitCode = 0;
    const int code = api.run_string_continue(h->gs, text.data(), unsigned(text.size()), 0, &exitCode);
    return JobState(*h, code, "Ghostscript failed");
}

// The first page the PDF host's job showed (a figure may show its own page
// before the one the library asks for, which is then empty). pdfwrite opens
// the next page's file as a page ends, so only files it has finished (ending
// with %%EOF) are read, and removed. Empty when there is none or it is too
// large.
std::string TakePdfPage(const Host& h) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(h.pdfDirectory.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::strncmp(entry->d_name, "page", 4) == 0) names.emplace_back(entry->d_name);
        closedir(dir);
    }
    // page9.pdf before page10.pdf
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::pair(a.size(), a) < std::pair(b.size(), b);
    });
    std::string pdf;
    for (const std::string& name : names) {
        const std::string path = h.pdfDirectory + "/" + name;
        std::ifstream in(path, std::ios::binary);
        std::string text;
        in.seekg(0, std::ios::end);
        const auto size = in.tellg();
        if (size <= 0 || std::uint64_t(size) > kMaxPdf) continue;
        in.seekg(0);
        text.assign(std::istreambuf_iterator<char>(in), {});
        const auto end = text.find_last_not_of(" \r\n");
        if (end == std::string::npos || end < 4 || text.compare(end - 4, 5, "%%EOF") != 0) continue;
        unlink(path.c_str());
        if (pdf.empty()) pdf = std::move(text);
    }
    return pdf;
}

Result EndJob(Host* h) {
    int exitCode = 0;
    const int code = api.run_string_end(h->gs, 0, &exitCode);
    Result r = JobState(*h, code, "Ghostscript failed");
    if (r.outcome != Outcome::Broken && !h->jobEnded) return Broken(*h, "the job did not end", code);
    if (h->pdfDirectory.empty()) {
        if (r.outcome == Outcome::Ok) r.text = std::move(h->data);
        return r;
    }
    // pdfwrite keeps what a failed job drew for the next page: the host ends.
    if (r.outcome == Outcome::Failed) return {Outcome::Broken, r.text};
    if (r.outcome == Outcome::Broken) return r;
    const std::string pdf = TakePdfPage(*h);
    if (pdf.empty()) return Broken(*h, kNoPageShown, 0);
    if (!SendMessage(h->fd, Msg::Pdf, pdf, kForever)) return Broken(*h, "the library has gone", 0);
    return {Outcome::Ok, std::move(h->data)};
}

// Beyond this the interpreter gets no memory: PostScript that asks for
// gigabytes fails with VMerror instead of taking the machine's memory.
// AddressSanitizer reserves its shadow memory in the same limit, so the
// sanitizer build goes without.
void LimitMemory() {
#if !defined(__SANITIZE_ADDRESS__)
    const rlim_t limit = rlim_t(4) << 30;
    rlimit r{};
    if (getrlimit(RLIMIT_DATA, &r) == 0 && (r.rlim_max == RLIM_INFINITY || r.rlim_max > limit)) {
        r.rlim_cur = limit;
        setrlimit(RLIMIT_DATA, &r);
    }
#endif
}

}  // namespace

// The PDF host's directory goes when the host ends: also when the library's
// process was killed and could not remove it.
struct RemovedAtEnd {
    std::string directory;
    ~RemovedAtEnd() {
        std::error_code ignored;
        if (!directory.empty()) std::filesystem::remove_all(directory, ignored);
    }
};

int RunHost(int fd, const char* pdfDirectory) {
    std::signal(SIGPIPE, SIG_IGN);
    // No PR_SET_PDEATHSIG: it fires when the thread that started the host
    // ends, and pages are drawn by threads that come and go. A library that
    // is gone closes the socket, which ends the host at its next read; a job
    // that loops with nobody waiting is ended by its processor time (below).
    LimitMemory();
    Host h;
    h.fd = fd;
    if (pdfDirectory) h.pdfDirectory = pdfDirectory;
    const RemovedAtEnd removed{h.pdfDirectory};
    std::string why;
    const bool up = StartInterpreter(&h, &why);
    if (!SendMessage(fd, Msg::Ready, why, kForever) || !up) return 1;
    std::vector<char> payload;
    for (;;) {
        Header head;
        if (!ReadHeader(fd, &head, kForever)) break;  // the library has gone
        payload.resize(head.length);
        if (head.length && !ReadAll(fd, payload.data(), head.length, kForever)) break;
        Result r{Outcome::Broken, "unknown request"};
        if (head.type == Msg::Job && head.length >= 4 * sizeof(std::int32_t)) {
            std::int32_t v[4];
            std::memcpy(v, payload.data(), sizeof v);
            r = StartJob(&h, v, {payload.data() + sizeof v, payload.size() - sizeof v});
        } else if (head.type == Msg::Text) {
            r = RunText(&h, payload);
        } else if (head.type == Msg::End) {
            r = EndJob(&h);
        }
        const Msg reply = r.outcome == Outcome::Ok ? Msg::Ok : r.outcome == Outcome::Failed ? Msg::Failed : Msg::Broken;
        if (!SendMessage(fd, reply, r.text, kForever) || r.outcome == Outcome::Broken) return 2;
    }
    api.exit(h.gs);
    api.delete_instance(h.gs);
    return 0;
}

}  // namespace ksdvi::gs
