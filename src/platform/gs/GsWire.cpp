#include "platform/gs/GsWire.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ksdvi::gs {

namespace {

// Waits until `fd` is ready for `events`; false on timeout.
bool Wait(int fd, short events, Clock::time_point deadline, bool* timedOut) {
    for (;;) {
        const auto left = deadline - Clock::now();
        int ms = -1;
        if (deadline != Clock::time_point::max()) {
            if (left <= Clock::duration::zero()) {
                if (timedOut) *timedOut = true;
                return false;
            }
            ms = int(std::min<long long>(std::chrono::ceil<std::chrono::milliseconds>(left).count(), 1 << 30));
        }
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, ms);
        if (n > 0) return true;  // errors and hang-ups show in the transfer
        if (n < 0 && errno != EINTR) return false;
    }
}

}  // namespace

bool WriteAll(int fd, const void* data, std::size_t size, Clock::time_point deadline, bool* timedOut) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        if (!Wait(fd, POLLOUT, deadline, timedOut)) return false;
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return false;
        }
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size, Clock::time_point deadline, bool* timedOut) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        if (!Wait(fd, POLLIN, deadline, timedOut)) return false;
        const ssize_t n = recv(fd, p, size, MSG_DONTWAIT);
        if (n == 0) return false;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return false;
        }
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

bool SendMessage(int fd, Msg type, const void* payload, std::size_t size, Clock::time_point deadline, bool* timedOut) {
    if (size > kMaxPayload) return false;
    char head[5];
    head[0] = char(type);
    const std::uint32_t length = std::uint32_t(size);
    std::memcpy(head + 1, &length, 4);
    return WriteAll(fd, head, sizeof head, deadline, timedOut) &&
           (size == 0 || WriteAll(fd, payload, size, deadline, timedOut));
}

bool ReadHeader(int fd, Header* header, Clock::time_point deadline, bool* timedOut) {
    char head[5];
    if (!ReadAll(fd, head, sizeof head, deadline, timedOut)) return false;
    header->type = Msg(head[0]);
    std::memcpy(&header->length, head + 1, 4);
    return header->length <= kMaxPayload;
}

}  // namespace ksdvi::gs
