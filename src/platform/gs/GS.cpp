#include "platform/gs/GS.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/gs/GsHostPath.h"
#include "platform/gs/GsWire.h"

extern char** environ;

namespace gdi = ksdvi::gdi;
using ksdvi::gs::Clock;
using ksdvi::gs::Header;
using ksdvi::gs::Msg;

namespace {

constexpr std::chrono::seconds kStartLimit{30};  // for the interpreter's own start
constexpr std::size_t kBatch = 64 * 1024;        // PostScript sent to the host at once
constexpr std::size_t kShowWordLength = 8;       // "showpage"
constexpr int kHostFd = 3;
constexpr std::chrono::milliseconds kStopPoll{100};

thread_local std::string lastError;
thread_local std::string lastOutput;
thread_local bool lastTimedOut = false;
thread_local std::string lastPdf;
thread_local int deviceLocks = 0;

constexpr gdi::RGBQUAD Quad(int r, int g, int b) { return {gdi::BYTE(b), gdi::BYTE(g), gdi::BYTE(r), 0}; }

// The sixteen colours of a 4-bit Windows device, in its order.
constexpr gdi::RGBQUAD kVga[16] = {
    Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
    Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
    Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
    Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255),
};

int SupportedBits(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 32 ? bits : 24; }

// 1 bit: black and white; 4: the VGA colours; 8: a cube of six levels of
// red, green and blue (index 36 r + 6 g + b).
std::vector<gdi::RGBQUAD> PaletteFor(int bits) {
    switch (bits) {
    case 1: return {Quad(0, 0, 0), Quad(255, 255, 255)};
    case 4: return {std::begin(kVga), std::end(kVga)};
    case 8: {
        std::vector<gdi::RGBQUAD> cube;
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 6; ++g) {
                for (int b = 0; b < 6; ++b) cube.push_back(Quad(51 * r, 51 * g, 51 * b));
            }
        }
        return cube;
    }
    default: return {};
    }
}

int NearestVga(int r, int g, int b) {
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 16; ++i) {
        const int dr = r - kVga[i].rgbRed, dg = g - kVga[i].rgbGreen, db = b - kVga[i].rgbBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

// One row of BGR pixels into a DIB row of `bits` bits.
void ConvertRow(const unsigned char* bgr, int width, int bits, unsigned char* out) {
    for (int x = 0; x < width; ++x, bgr += 3) {
        const int b = bgr[0], g = bgr[1], r = bgr[2];
        switch (bits) {
        case 32: std::memcpy(out + 4 * x, bgr, 3), out[4 * x + 3] = 0; break;
        case 8: out[x] = static_cast<unsigned char>(36 * ((r + 25) / 51) + 6 * ((g + 25) / 51) + (b + 25) / 51); break;
        case 4: out[x / 2] |= static_cast<unsigned char>(NearestVga(r, g, b) << (x % 2 ? 0 : 4)); break;
        case 1:
            if (r * 299 + g * 587 + b * 114 >= 128000) out[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
            break;
        default: std::memcpy(out + 3 * x, bgr, 3); break;
        }
    }
}

std::string Seconds(std::chrono::milliseconds ms) {
    const long long n = ms.count();
    if (n % 1000 == 0) return std::to_string(n / 1000);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", double(n) / 1000);
    return text;
}

}  // namespace

struct GS::Impl {
    // A job belongs to the thread that holds jobMutex.
    std::mutex jobMutex;
    std::atomic<std::thread::id> owner{};
    std::atomic<long long> limitMs{kDefaultTimeLimit.count()};
    std::atomic<bool> startFailed{false};
    bool pdfHost = false;

    // The host process; touched only by the job's owner.
    pid_t pid = -1;
    std::string pdfDirectory;  // a PDF host's, made when it starts, removed when it stops
    int fd = -1;
    std::string hostProgram;
    bool awaitingReady = false;  // started, its first words not read yet
    std::string startError;  // why it could not be started, said again to every job

    // The job.
    PageOutputter* out = nullptr;
    int bits = 24;
    int xRes = 0;
    int yRes = 0;
    bool failed = false;
    bool timedOut = false;
    bool hostJobOpen = false;
    std::string error;
    std::string pending;
    std::string lastBytes;  // the end of the piece before, for a word split between pieces
    std::string reply;  // what the last request that went well answered
    std::string pdf;    // the page a PDF host sent
    Clock::time_point deadline;

    // The last page's bitmap.
    mutable std::recursive_mutex deviceMutex;
    std::vector<unsigned char> bitmap;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::size_t stride = 0;
    std::vector<gdi::RGBQUAD> colors;
    int pelsX = 0;
    int pelsY = 0;

    ~Impl() { StopHost(); }

    bool OwnsJob() const { return owner.load() == std::this_thread::get_id(); }
    std::chrono::milliseconds Limit() const { return std::chrono::milliseconds(limitMs.load()); }

    void Fail(std::string text) {
        if (failed) return;
        failed = true;
        error = std::move(text);
    }

    void TimeOut() {
        StopHost();
        Fail("stopped after " + Seconds(Limit()) + " s");
        timedOut = true;
    }

    void StopHost() {
        if (fd >= 0) close(fd);
        fd = -1;
        if (pid > 0) {
            kill(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
        }
        pid = -1;
        awaitingReady = false;
        hostJobOpen = false;
        if (!pdfDirectory.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(pdfDirectory, ignored);
            pdfDirectory.clear();
        }
    }

    bool Spawn(std::string* why);
    bool AwaitReady(std::string* why);
    bool EnsureHost();
    bool WaitReadable();
    bool ReceivePage(std::uint32_t length);
    bool AwaitReply();
    bool Exchange(Msg type, const void* data, std::size_t size);
    bool Flush();
    int Finish();
};

// The host is the program ksdvi-gs-host, with the socket at kHostFd, no
// standard streams, no other descriptor of ours and every signal at its default.
bool GS::Impl::Spawn(std::string* why) {
    std::string& program = hostProgram;
    if (!ksdvi::gs::FindHost(&program, why)) return false;
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        *why = std::string("Ghostscript host: no socket: ") + std::strerror(errno);
        return false;
    }
    // Moved away from kHostFd first, so that the move to it clears close-on-exec.
    const int child = fcntl(sockets[1], F_DUPFD_CLOEXEC, 10);
    close(sockets[1]);
    std::string fdArgument = std::to_string(kHostFd);
    if (pdfHost) {
        // The host's pages, and pdfwrite's own temporary files.
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ksdvi-gs-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            *why = std::string("Ghostscript host: no temporary directory: ") + std::strerror(errno);
            close(sockets[0]);
            if (child >= 0) close(child);
            return false;
        }
        pdfDirectory = pattern;
    }
    char* argv[] = {program.data(), fdArgument.data(), pdfHost ? pdfDirectory.data() : nullptr, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, child, kHostFd);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
    // Descriptors the process that loaded the library left open on exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, kHostFd + 1);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int rc = child >= 0 ? posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ) : errno;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (child >= 0) close(child);
    if (rc != 0) {
        close(sockets[0]);
        pid = -1;
        StopHost();
        *why = "Ghostscript's helper " + program + " did not start: " + std::strerror(rc);
        return false;
    }
    fd = sockets[0];
    awaitingReady = true;
    return true;
}

// The host says it is ready once Ghostscript has started: an empty text, or
// why it could not.
bool GS::Impl::AwaitReady(std::string* why) {
    awaitingReady = false;
    const Clock::time_point until = Clock::now() + kStartLimit;
    Header head;
    std::string text;
    if (!ksdvi::gs::ReadHeader(fd, &head, until) || head.type != Msg::Ready || head.length > 4096 ||
        (text.resize(head.length), !ksdvi::gs::ReadAll(fd, text.data(), text.size(), until))) {
        text = "Ghostscript's helper " + hostProgram + " did not start";
    }
    if (!text.empty()) {
        StopHost();
        *why = text;
        return false;
    }
    return true;
}

// A host that has spoken or hung up between jobs has died (or been killed
// by the system): it is replaced.
bool GS::Impl::EnsureHost() {
    if (pid > 0 && !awaitingReady) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 0) != 0) StopHost();
    }
    if (startFailed) {
        Fail(startError);
        return false;
    }
    if ((pid > 0 || Spawn(&startError)) && (!awaitingReady || AwaitReady(&startError))) return true;
    startFailed = true;
    Fail(startError);
    return false;
}

// Until the host answers, the deadline passes or the outputter asks to stop.
bool GS::Impl::WaitReadable() {
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) {
            TimeOut();
            return false;
        }
        const auto slice = std::min<Clock::duration>(deadline - now, kStopPoll);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(std::chrono::ceil<std::chrono::milliseconds>(slice).count())) > 0) return true;
        if (out && out->StopRequested()) {
            StopHost();
            Fail("stopped on request");
            return false;
        }
    }
}

bool GS::Impl::ReceivePage(std::uint32_t length) {
    std::int32_t size[2];
    if (length < sizeof size || !ksdvi::gs::ReadAll(fd, size, sizeof size, deadline)) return false;
    const int w = size[0], h = size[1];
    if (w < 1 || h < 1 || w > ksdvi::gs::kMaxSide || h > ksdvi::gs::kMaxSide ||
        std::uint64_t(w) * std::uint64_t(h) > ksdvi::gs::kMaxPixels ||
        length != sizeof size + 3 * std::uint64_t(w) * std::uint64_t(h)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(deviceMutex);
    width = height = 0;
    stride = (std::size_t(w) * std::size_t(bits) + 31) / 32 * 4;
    bitmap.assign(stride * std::size_t(h), 0);
    colors = PaletteFor(bits);
    std::vector<unsigned char> row(3 * std::size_t(w));
    // Rows arrive bottom-up, as they lie in a DIB.
    for (int y = 0; y < h; ++y) {
        if (!ksdvi::gs::ReadAll(fd, row.data(), row.size(), deadline)) return false;
        ConvertRow(row.data(), w, bits, bitmap.data() + std::size_t(y) * stride);
    }
    width = w, height = h, bitCount = bits;
    pelsX = int(xRes / 0.0254 + 0.5), pelsY = int(yRes / 0.0254 + 0.5);
    return true;
}

// The answer to a request, with the pages shown on the way.
bool GS::Impl::AwaitReply() {
    for (;;) {
        Header head;
        if (!WaitReadable()) return false;
        if (!ksdvi::gs::ReadHeader(fd, &head, deadline)) break;
        if (head.type == Msg::Page) {
            if (!ReceivePage(head.length)) break;
            try {
                if (out) out->OutputPage(width, height);
            } catch (...) {
                // Let through, it would leave the job and its lock open.
                StopHost();
                Fail("the page outputter threw an exception");
                return false;
            }
            continue;
        }
        if (head.type == Msg::Pdf && head.length > ksdvi::gs::kMaxPdf) break;
        std::string text(head.length, '\0');
        if (!ksdvi::gs::ReadAll(fd, text.data(), text.size(), deadline)) break;
        switch (head.type) {
        case Msg::Pdf: pdf = std::move(text); continue;
        case Msg::Ok: reply = std::move(text); return true;
        case Msg::Failed: Fail(text); return false;
        case Msg::Broken:
            Fail(text);
            StopHost();
            return false;
        default: break;
        }
        break;
    }
    if (Clock::now() >= deadline) {
        TimeOut();
        return false;
    }
    StopHost();
    Fail("Ghostscript ended unexpectedly");
    return false;
}

bool GS::Impl::Exchange(Msg type, const void* data, std::size_t size) {
    if (fd < 0) return false;
    bool late = false;
    if (!ksdvi::gs::SendMessage(fd, type, data, size, deadline, &late)) {
        if (late) {
            TimeOut();
        } else {
            StopHost();
            Fail("Ghostscript ended unexpectedly");
        }
        return false;
    }
    return AwaitReply();
}

bool GS::Impl::Flush() {
    if (pending.empty()) return !failed;
    std::string text;
    text.swap(pending);
    return Exchange(Msg::Text, text.data(), text.size());
}

// Closes the job in the host (after a PostScript error too: the host then
// skips what is left of it), records the outcome and lets the next job in.
int GS::Impl::Finish() {
    if (hostJobOpen && pid > 0) {
        if (failed) deadline = Clock::now() + Limit();
        if (Flush() || failed) Exchange(Msg::End, nullptr, 0);
    }
    hostJobOpen = false;
    lastError = failed ? error : std::string();
    lastTimedOut = timedOut;
    lastPdf = failed ? std::string() : std::move(pdf);
    pdf.clear();
    lastOutput = failed ? std::string() : std::move(reply);
    const int result = failed ? 0 : 1;
    out = nullptr;
    pending.clear();
    owner = std::thread::id();
    jobMutex.unlock();
    return result;
}

GS::GS(bool pdf) : impl_(std::make_unique<Impl>()) { impl_->pdfHost = pdf; }
GS::~GS() = default;

GS* GetGS() {
    static GS gs;
    return &gs;
}

GS* GetPdfGS() {
    static GS gs(true);
    return &gs;
}

void GS::StartEarly() {
    Impl& m = *impl_;
    if (m.OwnsJob() || m.startFailed || !m.jobMutex.try_lock()) return;
    if (m.pid <= 0 && !m.Spawn(&m.startError)) m.startFailed = true;
    m.jobMutex.unlock();
}

int GS::StartGSJob(int xRes, int yRes, int width, int height, int bitsPerPixel, PageOutputter* out, int, int) {
    return StartGSJob(xRes, yRes, width, height, bitsPerPixel, out, std::string_view());
}

int GS::StartGSJob(int xRes, int yRes, int width, int height, int bitsPerPixel, PageOutputter* out,
                   std::string_view prologue) {
    Impl& m = *impl_;
    if (m.OwnsJob()) {
        lastError = "a job of this thread is still open";
        return 0;
    }
    m.jobMutex.lock();
    m.owner = std::this_thread::get_id();
    m.out = out;
    m.bits = SupportedBits(bitsPerPixel);
    m.xRes = xRes, m.yRes = yRes;
    m.failed = false;
    m.timedOut = false;
    m.error.clear();
    m.pending.clear();
    m.lastBytes.clear();
    m.hostJobOpen = false;
    if (width < 1 || height < 1 || width > ksdvi::gs::kMaxSide || height > ksdvi::gs::kMaxSide ||
        std::uint64_t(width) * std::uint64_t(height) > ksdvi::gs::kMaxPixels || xRes < 1 || yRes < 1 || xRes > 100000 ||
        yRes > 100000) {
        m.Fail("a page of " + std::to_string(width) + " x " + std::to_string(height) + " pixels at " +
               std::to_string(xRes) + " x " + std::to_string(yRes) + " dpi is not rendered");
        return m.Finish();
    }
    if (!m.EnsureHost()) return m.Finish();
    m.deadline = Clock::now() + m.Limit();
    const std::int32_t size[4] = {xRes, yRes, width, height};
    if (prologue.size() > ksdvi::gs::kMaxPayload - sizeof size) {
        m.Fail("a prologue of " + std::to_string(prologue.size()) + " bytes is not run");
        return m.Finish();
    }
    std::string job(reinterpret_cast<const char*>(size), sizeof size);
    job += prologue;
    m.hostJobOpen = true;
    if (!m.Exchange(Msg::Job, job.data(), job.size())) return m.Finish();
    return 1;
}

int GS::ProcessPSCommand(std::string_view command) {
    Impl& m = *impl_;
    if (!m.OwnsJob() || m.failed) return 0;
    m.pending += command;
    // A page shown reaches the outputter before this returns, so that the
    // caller knows whether the PostScript showed its own page: once the word
    // that shows it has ended (Ghostscript runs it at the character after
    // it), also where the word began in a piece before.
    auto shows = [](std::string_view text) {
        for (std::string_view const word : {"showpage", "copypage"})
            for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1))
                if (at + word.size() < text.size()) return true;
        return false;
    };
    bool const shown = shows(command) || shows(m.lastBytes + std::string(command.substr(0, kShowWordLength)));
    m.lastBytes += command.substr(command.size() - std::min(command.size(), kShowWordLength));
    if (m.lastBytes.size() > kShowWordLength) m.lastBytes.erase(0, m.lastBytes.size() - kShowWordLength);
    if (m.pending.size() >= kBatch || shown) m.Flush();
    return m.failed ? 0 : 1;
}

int GS::EndGSJob() { return impl_->OwnsJob() ? impl_->Finish() : 0; }

std::string GS::GetLastOutput() { return lastOutput; }

int GS::LockGSDevice() {
    impl_->deviceMutex.lock();
    ++deviceLocks;
    return 1;
}

int GS::UnlockGSDevice() {
    if (deviceLocks == 0) return 0;
    --deviceLocks;
    impl_->deviceMutex.unlock();
    return 1;
}

int GS::GetBitmapRow(gdi::BITMAPINFOHEADER* header, gdi::RGBQUAD* colors, unsigned char** rows, unsigned row) {
    const Impl& m = *impl_;
    std::lock_guard<std::recursive_mutex> lock(m.deviceMutex);
    if (m.width == 0) return 0;
    if (header) {
        *header = gdi::BITMAPINFOHEADER{};
        header->biWidth = m.width;
        header->biHeight = m.height;
        header->biBitCount = gdi::WORD(m.bitCount);
        header->biSizeImage = gdi::DWORD(m.bitmap.size());
        header->biXPelsPerMeter = m.pelsX;
        header->biYPelsPerMeter = m.pelsY;
        header->biClrUsed = gdi::DWORD(m.colors.size());
    }
    if (colors) std::copy(m.colors.begin(), m.colors.end(), colors);
    if (rows) {
        if (row >= unsigned(m.height)) {
            *rows = nullptr;
            return 0;
        }
        *rows = const_cast<unsigned char*>(m.bitmap.data()) + std::size_t(row) * m.stride;
    }
    return 1;
}

gdi::HPALETTE GS::GetPalette() {
    std::lock_guard<std::recursive_mutex> lock(impl_->deviceMutex);
    const std::vector<gdi::RGBQUAD>& colors = impl_->colors;
    if (impl_->width == 0 || colors.empty()) return nullptr;
    // A LOGPALETTE with its entries after it, as CreatePalette reads it.
    constexpr std::size_t kEntries = offsetof(gdi::LOGPALETTE, palPalEntry);
    std::vector<unsigned char> block(kEntries + colors.size() * sizeof(gdi::PALETTEENTRY));
    gdi::LOGPALETTE head;
    head.palNumEntries = gdi::WORD(colors.size());
    std::memcpy(block.data(), &head, kEntries);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const gdi::PALETTEENTRY e{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
        std::memcpy(block.data() + kEntries + i * sizeof e, &e, sizeof e);
    }
    return gdi::CreatePalette(reinterpret_cast<const gdi::LOGPALETTE*>(block.data()));
}

int GS::GetBitmapWidth() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->deviceMutex);
    return impl_->width;
}

int GS::GetBitmapHeight() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->deviceMutex);
    return impl_->height;
}

bool GS::IsGSDLLLoaded() const { return !impl_->startFailed; }

std::string GS::GetLastError() { return lastError; }

bool GS::LastJobTimedOut() { return lastTimedOut; }

bool GS::LastJobShowedNoPage() { return GetLastError() == ksdvi::gs::kNoPageShown; }

std::string GS::GetLastPdf() { return lastPdf; }

void GS::SetTimeLimit(std::chrono::milliseconds limit) { impl_->limitMs = std::max<long long>(limit.count(), 1); }

std::chrono::milliseconds GS::GetTimeLimit() const { return impl_->Limit(); }
