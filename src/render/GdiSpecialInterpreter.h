#pragma once
// The interpreter of binary drawing records ("GDI" records and the drawing "#"
// records) that the painting drawer offers every special to before its own
// keywords. It takes no record yet: every special is declined.

class KsDviDrawer;

namespace ksdvi {

class GdiSpecialInterpreter {
public:
    explicit GdiSpecialInterpreter(KsDviDrawer& drawer) : drawer_(drawer) {}
    virtual ~GdiSpecialInterpreter() = default;

    virtual int BeginPage() { return 0; }
    virtual int EndPage() { return 0; }
    // Non-zero when the special was taken. `x`, `y`: the current position in device pixels.
    virtual int PlaySpecial(unsigned char const* /*bytes*/, unsigned int /*length*/, int /*x*/, int /*y*/) { return 0; }

protected:
    KsDviDrawer& drawer_;
};

}  // namespace ksdvi
