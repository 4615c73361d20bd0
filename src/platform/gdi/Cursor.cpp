#include "platform/gdi/Cursor.h"

#include <mutex>

namespace ksdvi::gdi {

namespace {

constexpr CursorShape kArrow{32512};
constexpr CursorShape kWait{32514};

std::mutex hookLock;
std::function<void(HCURSOR)>& Hook() {
    static std::function<void(HCURSOR)> hook;
    return hook;
}

thread_local HCURSOR current = &kArrow;

}  // namespace

HCURSOR LoadCursorA(void*, const char* name) {
    if (name == IDC_WAIT) return &kWait;
    if (name == IDC_ARROW) return &kArrow;
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    const HCURSOR previous = current;
    current = cursor;
    std::function<void(HCURSOR)> hook;
    {
        std::lock_guard guard(hookLock);
        hook = Hook();
    }
    if (hook) hook(cursor);
    return previous;
}

void SetCursorHook(std::function<void(HCURSOR)> hook) {
    std::lock_guard guard(hookLock);
    Hook() = std::move(hook);
}

}  // namespace ksdvi::gdi
