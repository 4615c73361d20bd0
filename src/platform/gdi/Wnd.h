// CWnd: the least of a window the drawing code needs. Invalidating and
// updating reach the host through callbacks; without a host they do nothing.
#pragma once

#include <functional>

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class CWnd {
public:
    struct Host {
        std::function<void(const RECT* area, bool erase)> invalidate;  // null area: the whole client area
        std::function<void()> update;
        RECT client;
    };

    CWnd() = default;
    explicit CWnd(Host host) : host_(std::move(host)) {}
    virtual ~CWnd() = default;

    void SetHost(Host host) { host_ = std::move(host); }
    void Invalidate(BOOL erase = TRUE) { InvalidateRect(nullptr, erase); }
    void InvalidateRect(const RECT* area, BOOL erase = TRUE) {
        if (host_.invalidate) host_.invalidate(area, erase != FALSE);
    }
    void UpdateWindow() {
        if (host_.update) host_.update();
    }
    void GetClientRect(RECT* r) const {
        if (r) *r = host_.client;
    }

private:
    Host host_;
};

}  // namespace ksdvi::gdi
