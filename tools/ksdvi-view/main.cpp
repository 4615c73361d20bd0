// ksdvi-view FILE.dvi: a window on a DVI file that follows TeX as it
// writes. One process shows every file: a second `ksdvi-view` hands its
// file to the first (through the session bus), which opens a window for it
// or brings that file's window forward.

#include <gtk/gtk.h>

#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ViewerWindow.h"

namespace {

using ksdvi::view::ViewerOptions;
using ksdvi::view::ViewerWindow;

std::list<std::unique_ptr<ViewerWindow>> windows;

template <typename Function>
GCallback Callback(Function* function) {
    return reinterpret_cast<GCallback>(function);
}

constexpr char kUsage[] =
    "Usage: ksdvi-view [--dark] [--zoom PERCENT] [--forward LINE[:COLUMN]:SOURCE.tex] [--editor 'COMMAND %f %l']\n"
    "                  FILE[.dvi]\n"
    "Keys: Ctrl +/-/0 zoom, s fit width, a fit page, arrows j k h l, Space, PgUp/PgDn, Home/End,\n"
    "N g go to page N, / or Ctrl+F search, n/N next/previous hit, Ctrl+C copy the selection,\n"
    "F9 outline, Alt+Left back, Ctrl+R dark mode, Ctrl+click: the editor on that line.\n";

// LINE[:COLUMN]:SOURCE
std::optional<ksdvi::view::SourceLine> ParseSourceLine(std::string const& text) {
    ksdvi::view::SourceLine source;
    size_t at = 0;
    auto number = [&](int& out) {
        size_t digits = 0;
        while (at + digits < text.size() && std::isdigit(static_cast<unsigned char>(text[at + digits]))) ++digits;
        if (digits == 0 || digits > 9) return false;
        out = std::stoi(text.substr(at, digits));
        at += digits;
        return true;
    };
    if (!number(source.line) || at >= text.size() || text[at++] != ':') return std::nullopt;
    size_t const mark = at;
    if (!number(source.column) || at >= text.size() || text[at] != ':') {
        at = mark;
        source.column = 0;
    } else {
        ++at;
    }
    source.file = text.substr(at);
    if (source.file.empty() || source.line <= 0) return std::nullopt;
    return source;
}

void Open(GtkApplication* application, std::string const& path, ViewerOptions const& options,
          std::optional<ksdvi::view::SourceLine> const& source, std::unique_ptr<ksdvi::Document> opened,
          bool arriving) {
    for (auto const& window : windows)
        if (window->Path() == path) {
            if (!options.editor.empty()) window->SetEditor(options.editor);
            if (source) window->ShowSource(*source);
            window->Present();
            return;
        }
    auto window = std::make_unique<ViewerWindow>(application, path, options, std::move(opened), arriving);
    if (source) window->ShowSource(*source);
    g_signal_connect(window->Window(), "destroy", Callback(+[](GtkWidget* widget, gpointer) {
                         windows.remove_if([widget](auto const& w) { return GTK_WIDGET(w->Window()) == widget; });
                     }),
                     nullptr);
    window->Present();
    windows.push_back(std::move(window));
}

// What a command line asks for.
struct Arguments {
    ViewerOptions options;
    std::optional<ksdvi::view::SourceLine> source;
    std::string file;
    bool help = false, bad = false;
};

Arguments ParseArguments(int argc, char** argv) {
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        std::string const arg = argv[i];
        if (arg == "--dark") {
            a.options.dark = true;
        } else if (arg == "--zoom" && i + 1 < argc) {
            a.options.zoom = std::atof(argv[++i]) / 100.0;
            a.bad = a.bad || a.options.zoom <= 0;
        } else if (arg == "--forward" && i + 1 < argc) {
            a.source = ParseSourceLine(argv[++i]);
            a.bad = a.bad || !a.source;
        } else if (arg == "--editor" && i + 1 < argc) {
            a.options.editor = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            a.help = true;
            return a;
        } else if (!arg.empty() && arg[0] != '-' && a.file.empty()) {
            a.file = arg;
        } else {
            a.bad = true;
        }
    }
    a.bad = a.bad || a.file.empty();
    return a;
}

// The DVI file `resolved` names; like every DVI tool, `paper` means
// paper.dvi when that exists.
std::string DviPath(GFile* resolved, std::string const& file) {
    char* path = g_file_get_path(resolved);
    std::string chosen = path ? path : file;
    g_free(path);
    if (!g_file_test(chosen.c_str(), G_FILE_TEST_EXISTS) && g_file_test((chosen + ".dvi").c_str(), G_FILE_TEST_EXISTS))
        chosen += ".dvi";
    return chosen;
}

// The file of this process's own command line, opened on a thread while GTK
// starts up and the window is shown; EarlyDocumentOpened hands it over.
std::string earlyPath;
std::future<std::unique_ptr<ksdvi::Document>> earlyDocument;
std::thread earlyOpener;

gboolean EarlyDocumentOpened(gpointer) {
    for (auto const& window : windows)
        if (window->Path() == earlyPath && window->AwaitsDocument() && earlyDocument.valid())
            window->TakeDocument(earlyDocument.get());
    return G_SOURCE_REMOVE;
}

// Reads the command line of this process or of a later one.
int CommandLine(GApplication* application, GApplicationCommandLine* commandLine, gpointer) {
    int argc = 0;
    char** argv = g_application_command_line_get_arguments(commandLine, &argc);
    Arguments a = ParseArguments(argc, argv);  // checked by the process that was started with it
    g_strfreev(argv);
    GFile* resolved = g_application_command_line_create_file_for_arg(commandLine, a.file.c_str());
    std::string const chosen = DviPath(resolved, a.file);
    g_object_unref(resolved);
    // A relative source is the editor's: relative to where it ran us.
    if (a.source && !g_path_is_absolute(a.source->file.c_str())) {
        GFile* sourceFile = g_application_command_line_create_file_for_arg(commandLine, a.source->file.c_str());
        if (char* absolute = g_file_get_path(sourceFile)) {
            a.source->file = absolute;
            g_free(absolute);
        }
        g_object_unref(sourceFile);
    }
    std::unique_ptr<ksdvi::Document> opened;
    bool const early = earlyDocument.valid() && chosen == earlyPath;
    bool const arrived = early && earlyDocument.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    if (arrived) opened = earlyDocument.get();
    Open(GTK_APPLICATION(application), chosen, a.options, a.source, std::move(opened), early && !arrived);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Pages are painted by Cairo on the processor. Unless the user picks an
    // OpenGL renderer, GTK is kept from loading and probing the OpenGL driver,
    // which costs a quarter of a second before the first frame.
    char const* renderer = g_getenv("GSK_RENDERER");
    if ((!renderer || g_str_equal(renderer, "cairo")) && !g_getenv("GDK_DEBUG"))
        g_setenv("GDK_DEBUG", "gl-disable", FALSE);
    // Without a session bus there is no one to hand a file to.
    auto flags = GApplicationFlags(G_APPLICATION_HANDLES_COMMAND_LINE);
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) flags = GApplicationFlags(flags | G_APPLICATION_NON_UNIQUE);
    // The user's language, but numbers in C's notation, as --zoom and the
    // timing lines the benchmark reads are written. Set before the document's
    // thread starts, not by GTK while that thread reads.
    gtk_disable_setlocale();
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // Help and mistakes need no display.
    Arguments const a = ParseArguments(argc, argv);
    if (a.help || a.bad) {
        std::fputs(kUsage, a.help ? stdout : stderr);
        return a.help ? 0 : 2;
    }
    // The document is read (fonts, kpathsea's databases, every page's
    // place) on a thread of its own while GTK starts; the window takes it.
    {
        GFile* resolved = g_file_new_for_commandline_arg(a.file.c_str());
        earlyPath = DviPath(resolved, a.file);
        g_object_unref(resolved);
        std::promise<std::unique_ptr<ksdvi::Document>> promise;
        earlyDocument = promise.get_future();
        earlyOpener = std::thread([promise = std::move(promise)]() mutable {
            promise.set_value(ksdvi::Document::Open(earlyPath, ksdvi::view::ViewerDocumentOptions()));
            g_idle_add_full(G_PRIORITY_HIGH, EarlyDocumentOpened, nullptr, nullptr);
        });
    }
    GtkApplication* application = gtk_application_new("org.ksdvi.View", flags);
    g_signal_connect(application, "command-line", Callback(&CommandLine), nullptr);
    int const status = g_application_run(G_APPLICATION(application), argc, argv);
    windows.clear();
    if (earlyOpener.joinable()) earlyOpener.join();
    g_object_unref(application);
    return status;
}
