// ksdvi-gs-host: runs Ghostscript for the ksdvi library, which starts it with
// the socket of its jobs as descriptor 3, or the descriptor given as the first
// argument; a second names the directory where pages are written as PDF.
// Not meant to be run by hand.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/gs/GsHost.h"

namespace {

constexpr int kDefaultFd = 3;

// The descriptor the library gave, or -1 when the arguments name none or it
// is no socket (a person at a terminal).
int SocketFrom(int argc, char** argv) {
    int fd = kDefaultFd;
    if (argc > 3) return -1;
    if (argc >= 2) {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(argv[1], &end, 10);
        if (errno != 0 || end == argv[1] || *end != '\0' || value < 0 || value > 1 << 20) return -1;
        fd = int(value);
    }
    struct stat s;
    return fstat(fd, &s) == 0 && S_ISSOCK(s.st_mode) ? fd : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int fd = SocketFrom(argc, argv);
    if (fd < 0) {
        std::fprintf(stderr,
                     "ksdvi-gs-host runs Ghostscript for the ksdvi library, which starts it with a socket\n"
                     "usage: ksdvi-gs-host [SOCKET-FD [PDF-DIRECTORY]]  (default: descriptor 3)\n");
        return 2;
    }
    return ksdvi::gs::RunHost(fd, argc == 3 ? argv[2] : nullptr);
}
