// first_paint FRACTION SECONDS COMMAND [ARGS...]: starts the command and
// prints the milliseconds until the X screen first has more than FRACTION of
// its pixels dark (a page of text shown), then ends the command. Screenshots
// are taken in a loop; the time printed is the start of the first one that
// shows the page, and the time one screenshot takes is printed after it.
// After SECONDS without, it prints the most of the screen that was dark. The
// benchmark compares viewers this way, which report nothing of their own.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace {

double DarkFraction(Display* display, Window root, int width, int height) {
    XImage* image = XGetImage(display, root, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return 0;
    long dark = 0, seen = 0;
    for (int y = 0; y < height; y += 2)
        for (int x = 0; x < width; x += 2, ++seen) {
            unsigned long const p = XGetPixel(image, x, y);
            // black or dark grey, as text is: not a red page frame, not a window's grey
            dark += (p >> 16 & 0xFF) < 96 && (p >> 8 & 0xFF) < 96 && (p & 0xFF) < 96;
        }
    XDestroyImage(image);
    return seen ? double(dark) / double(seen) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: first_paint FRACTION SECONDS COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    double const fraction = std::atof(argv[1]);
    double const seconds = std::atof(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("first_paint: no X display\n", stderr);
        return 1;
    }
    Window const root = DefaultRootWindow(display);
    int const width = DisplayWidth(display, DefaultScreen(display));
    int const height = DisplayHeight(display, DefaultScreen(display));
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    auto const start = Clock::now();
    // A group of its own, so that a wrapper script (xdvi's) ends with its viewer.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = 0;
    int const started = posix_spawnp(&child, argv[3], nullptr, &attributes, argv + 3, environ);
    posix_spawnattr_destroy(&attributes);
    if (started != 0) {
        std::fprintf(stderr, "first_paint: %s does not start\n", argv[3]);
        return 1;
    }
    int status = 1;
    double most = 0;
    while (ms(Clock::now() - start) < seconds * 1000) {
        auto const shot = Clock::now();
        double const dark = DarkFraction(display, root, width, height);
        most = dark > most ? dark : most;
        if (dark > fraction) {
            std::printf("%.0f %.0f\n", ms(shot - start), ms(Clock::now() - shot));
            status = 0;
            break;
        }
    }
    if (status != 0) std::printf("%.6f\n", most);
    kill(-child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return status;
}
