#pragma once
// The messages between the library and the Ghostscript host process, over a
// Unix stream socket: a type byte, a 32-bit payload length, the payload.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ksdvi::gs {

enum class Msg : char {
    // library -> host
    Job = 'J',   // four int32: x and y resolution, width, height; then the job's prologue
    Text = 'P',  // PostScript
    End = 'E',   // the job's last text has been sent
    // host -> library
    Ready = 'H',   // the interpreter is up (empty) or could not start (text)
    Page = 'G',    // int32 width, int32 height, then the rows bottom-up, BGR
    Pdf = 'F',     // the page a PDF host's job showed, as a PDF file
    Ok = 'K',      // the request is done
    Failed = 'X',  // the job failed (text); the interpreter is fine
    Broken = 'Z',  // the job failed (text) and the host is ending
};

// A PDF host's page is never larger than this.
inline constexpr std::uint32_t kMaxPdf = std::uint32_t(64) << 20;

// Payloads are never larger than a page of kMaxPixels; no side of a page is
// longer than kMaxSide.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;
inline constexpr int kMaxSide = 1 << 17;
inline constexpr std::uint32_t kMaxPayload = std::uint32_t(8 + 3 * kMaxPixels);

// Why a PDF host's job failed that showed no page.
inline constexpr char kNoPageShown[] = "the job showed no page";

// A line a job prints that begins with this goes back to the library.
inline constexpr char kDataMarker[] = "%%[ksdvi-data: ";

using Clock = std::chrono::steady_clock;

struct Header {
    Msg type;
    std::uint32_t length;
};

// Blocking transfers; false when the peer is gone, or the deadline passes
// (`timedOut` then set). Writes never raise SIGPIPE.
bool WriteAll(int fd, const void* data, std::size_t size, Clock::time_point deadline, bool* timedOut = nullptr);
bool ReadAll(int fd, void* data, std::size_t size, Clock::time_point deadline, bool* timedOut = nullptr);

bool SendMessage(int fd, Msg type, const void* payload, std::size_t size, Clock::time_point deadline,
                 bool* timedOut = nullptr);
inline bool SendMessage(int fd, Msg type, const std::string& text, Clock::time_point deadline,
                        bool* timedOut = nullptr) {
    return SendMessage(fd, type, text.data(), text.size(), deadline, timedOut);
}
bool ReadHeader(int fd, Header* header, Clock::time_point deadline, bool* timedOut = nullptr);

}  // namespace ksdvi::gs
