// Mouse cursors: the wait cursor shown while long work runs. Setting a
// cursor tells the host's hook, if it installed one; otherwise nothing
// happens.
#pragma once

#include <functional>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

struct CursorShape {
    int id;
};
using HCURSOR = const CursorShape*;

// Cursor resource names, as MAKEINTRESOURCE values.
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(std::uintptr_t(32512));
inline const char* const IDC_WAIT = reinterpret_cast<const char*>(std::uintptr_t(32514));

HCURSOR LoadCursorA(void* instance, const char* name);
// Shows `cursor` on this thread and returns the one shown before.
HCURSOR SetCursor(HCURSOR cursor);
// The host's hook for cursor changes (null removes it).
void SetCursorHook(std::function<void(HCURSOR)> hook);

// Shows the wait cursor while it lives.
class CWaitCursor {
public:
    CWaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(previous_); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace ksdvi::gdi
