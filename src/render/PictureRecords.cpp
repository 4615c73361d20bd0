// Binary picture records: '#', a 16-bit code, then the code's fields, all
// big-endian; a name is a length byte and that many bytes. Coordinates are
// record units, 1/R inch for the document's record resolution R.
//   16, 17  sx0 sy0 sx1 sy1 x y w h [8 x i16] mode[4] name
//           the source rectangle (sx0, sy0)-(sx1, sy1) of a picture, drawn at
//           once at (x, y) in w by h; 17 resets the clip region first
//   18      x y w h [4 x i16] name   the watermark, drawn at once
//   19      name                     the mask drawn under the next 16 or 17
// The picture's type comes from the name's ending. Records that end before
// their fields are ignored; other codes are the Windows-font records.

#include <string_view>

#include "platform/gdi/RasterOps.h"
#include "render/KsDviDrawer.h"
#include "render/RecordReader.h"
#include "specials/PictureSpecials.h"

using namespace ksdvi;

using namespace ksdvi::gdi;

namespace {

constexpr unsigned kPictureCode = 16;
constexpr unsigned kClippedPictureCode = 17;
constexpr unsigned kWatermarkCode = 18;
constexpr unsigned kMaskCode = 19;

}  // namespace

void KsDviDrawer::RecordPicture(unsigned char* args, unsigned char* end) {
    RecordReader record(args, end);
    unsigned code = record.UInt16();
    if (!record.Ok()) return;

    if (code == kPictureCode || code == kClippedPictureCode) {
        int f[8];
        for (int& field : f) field = record.Int16();
        auto& [sx0, sy0, sx1, sy1, x, y, w, h] = f;
        unsigned long mode = record.UInt32();
        std::string_view name = record.Name();
        int type = PictureTypeOfFileName(name);
        if (!record.Ok() || type < 0) return;
        if (code == kClippedPictureCode) pDC_->SelectClipRgn(nullptr);
        std::unique_ptr<PictInfo> picture = NewPicture(type, String8(name));
        picture->x = grw(x);
        picture->y = grw(y);
        // Negative scales are absolute sizes in pixels.
        picture->xScale = -grw(w);
        picture->yScale = -grw(h) - 1.0;
        picture->llx = sx0;
        picture->lly = sy0;
        picture->urx = sx1;
        picture->ury = sy1;
        recordDrawMode_ = mode;
        if (mask_) {
            // The mask goes where the picture goes: ANDed in, then the picture ORed over it.
            PictInfo placed = *picture;
            placed.type = mask_->type;
            placed.fileName = mask_->fileName;
            *mask_ = placed;
            DrawPictureRop(mask_.get(), SRCAND);
            DrawPictureRop(picture.get(), SRCPAINT);
            mask_.reset();
        } else {
            DrawPicture(picture.get());
        }
    } else if (code == kWatermarkCode) {
        int f[4];
        for (int& field : f) field = record.Int16();
        std::string_view name = record.Name();
        int type = PictureTypeOfFileName(name);
        if (!record.Ok() || type < 0) return;
        waterMark_ = std::make_unique<PictInfo>();
        waterMark_->type = type;
        waterMark_->fileName = String8(name);
        // Record units, converted when drawn; an all-zero box marks it.
        waterMark_->x = f[0];
        waterMark_->y = f[1];
        waterMark_->xScale = -f[2];
        waterMark_->yScale = -f[3];
        waterMark_->llx = waterMark_->lly = waterMark_->urx = waterMark_->ury = 0;
        pDC_->SelectClipRgn(nullptr);
        DrawPicture(waterMark_.get());
    } else if (code == kMaskCode) {
        std::string_view name = record.Name();
        if (!record.Ok()) return;
        mask_ = std::make_unique<PictInfo>();
        mask_->type = kPictureBmp;
        mask_->fileName = String8(name);
    } else {
        unsigned char* text = args - 1;  // the '#'
        KsDviDrawerBase::DoSpecial(static_cast<unsigned>(end - text), InstPtr(text));
    }
}
