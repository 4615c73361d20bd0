// DVI lengths in device dots at a resolution the application chooses, and the
// page size the postamble declares.

#include "dvi/KsDvi.h"
#include "page/PixelMapping.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

namespace {

// The document's own conversion leaves magnification to the drawers: the
// resolution's raw value stands where the magnification would.
double DotsPerDvi(uint32_t num, uint32_t den, fpreal4 const& dpi) { return PixelsPerDviUnit(num, den, dpi.GetRaw(), 1.0); }

}  // namespace

void KsDvi::SethDpi(fpreal4 const& dpi) { hDotsPerDvi_ = DotsPerDvi(num_, den_, dpi); }
void KsDvi::SetvDpi(fpreal4 const& dpi) { vDotsPerDvi_ = DotsPerDvi(num_, den_, dpi); }
int KsDvi::hDot(int x) const { return RoundHalfAway(x * hDotsPerDvi_); }
int KsDvi::vDot(int y) const { return RoundHalfAway(y * vDotsPerDvi_); }
int KsDvi::dhDot(int x) const { return Ceiling(x * hDotsPerDvi_); }
int KsDvi::dvDot(int y) const { return Ceiling(y * vDotsPerDvi_); }

// millimetres, magnified: L x num / den x M x 10^-8 with M = mag x 10
double KsDvi::GetPageHeight() const { return static_cast<double>(pageHeight_) * num_ / den_ * mag_.GetRaw() * 1e-8; }

double KsDvi::GetPageWidth() const { return static_cast<double>(pageWidth_) * num_ / den_ * mag_.GetRaw() * 1e-8; }
