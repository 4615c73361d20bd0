#include "platform/gdi/Win32Api.h"

#include <memory>

namespace ksdvi::gdi {

HDC CreateCompatibleDC(HDC reference) {
    auto dc = std::make_unique<CDC>();
    if (!dc->CreateCompatibleDC(reference)) return nullptr;
    return dc.release();
}

BOOL DeleteDC(HDC dc) {
    delete dc;
    return dc ? TRUE : FALSE;
}

}  // namespace ksdvi::gdi
