// JPEG files through libjpeg-turbo. Errors come back through longjmp to the
// one function that calls the library; that function holds no C++ objects.
// A picture shown smaller than its own size is decoded by the library's DCT
// scaling, at the smallest eighth of its size that still covers what is shown.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

// Before libjpeg, whose headers define TRUE and FALSE as macros.
#include "platform/colour/CmykColour.h"
#include "platform/jpg/DibLayout.h"

#include <jerror.h>
#include <jpeglib.h>

namespace ksdvi::jpg {

namespace {

// Progressive files may hold many scans, each a pass over the whole image:
// a small file could otherwise keep the decoder busy for minutes.
constexpr int kMaxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    const gdi::DecodeBounds* bounds;
    bool decoding;  // the pixel data is being read
    int scans;
    gdi::DecodeResult failure;  // why the decoder jumped back
};

ErrorManager* Manager(j_common_ptr c) { return reinterpret_cast<ErrorManager*>(c->err); }

[[noreturn]] void Fail(ErrorManager* e, gdi::DecodeResult why) {
    e->failure = why;
    std::longjmp(e->jump, 1);
}

// The library's memory beyond what it was allowed (whole-image buffers of
// progressive files) is a picture too large; anything else a damaged file.
[[noreturn]] void OnError(j_common_ptr c) {
    const int code = c->err->msg_code;
    Fail(Manager(c), code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY ? gdi::DecodeResult::TooLarge
                                                                                 : gdi::DecodeResult::Damaged);
}

// Nothing is printed. Data that ends before the last row would be filled with
// grey by the library: such a file is refused instead. (A progressive file is
// read whole when decompression starts, so it is refused when it ends early
// anywhere before its end marker.)
void OnMessage(j_common_ptr c, int level) {
    ErrorManager* e = Manager(c);
    if (level < 0) {
        ++c->err->num_warnings;
        if (c->err->msg_code == JWRN_JPEG_EOF && e->decoding) Fail(e, gdi::DecodeResult::Damaged);
    } else if (level == 1 && c->err->msg_code == JTRC_SOS && ++e->scans > kMaxScans) {
        Fail(e, gdi::DecodeResult::Damaged);
    }
}

// Called by the library between rows and between rows of scans.
void OnProgress(j_common_ptr c) {
    ErrorManager* e = Manager(c);
    if (e->bounds->Expired()) Fail(e, gdi::DecodeResult::TooSlow);
}

// Exif's resolution (IFD0's XResolution, YResolution and ResolutionUnit) in
// pixels per metre, read by hand: three tags of a TIFF header in a marker
// libjpeg has kept whole, where a library for Exif would read them all.
// 0 when the marker does not give it.
std::pair<gdi::LONG, gdi::LONG> ExifDensity(jpeg_saved_marker_ptr marker) {
    for (; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1 || marker->data_length < 14 ||
            std::memcmp(marker->data, "Exif\0\0", 6) != 0)
            continue;
        unsigned char const* tiff = marker->data + 6;
        std::size_t const size = marker->data_length - 6;
        bool const little = tiff[0] == 'I' && tiff[1] == 'I';
        if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) continue;
        auto number = [&](std::size_t at, int bytes) -> std::uint32_t {
            if (at > size || size - at < std::size_t(bytes)) return 0;
            std::uint32_t v = 0;
            for (int i = 0; i < bytes; ++i)
                v |= std::uint32_t(tiff[at + std::size_t(little ? i : bytes - 1 - i)]) << (8 * i);
            return v;
        };
        std::size_t const ifd = number(4, 4);
        unsigned const entries = number(ifd, 2);
        double resolution[2] = {0, 0};
        unsigned unit = 2;  // inches unless it says otherwise
        for (unsigned i = 0; i < entries && i < 1000; ++i) {
            std::size_t const entry = ifd + 2 + std::size_t(i) * 12;
            unsigned const tag = number(entry, 2);
            if (tag == 0x011A || tag == 0x011B) {
                std::size_t const at = number(entry + 8, 4);
                std::uint32_t const denominator = number(at + 4, 4);
                if (denominator != 0) resolution[tag - 0x011A] = double(number(at, 4)) / denominator;
            } else if (tag == 0x0128) {
                unit = number(entry + 8, 2);
            }
        }
        double const perMetre = unit == 2 ? 1 / 0.0254 : unit == 3 ? 100 : 0;
        auto pels = [&](double r) { return r > 0 && r < 1e6 ? gdi::LONG(r * perMetre + 0.5) : gdi::LONG(0); };
        return {pels(resolution[0]), pels(resolution[1])};
    }
    return {0, 0};
}

// The file's resolution, as dvipdfmx reads it: the JFIF header's when the
// file has one (a density without unit is none), else Exif's.
std::pair<gdi::LONG, gdi::LONG> Density(jpeg_decompress_struct const& cinfo) {
    if (cinfo.saw_JFIF_marker) {
        double const perMetre = cinfo.density_unit == 1 ? 1 / 0.0254 : cinfo.density_unit == 2 ? 100 : 0;
        return {gdi::LONG(cinfo.X_density * perMetre + 0.5), gdi::LONG(cinfo.Y_density * perMetre + 0.5)};
    }
    return ExifDensity(cinfo.marker_list);
}

// Reads the header, chooses the output size and fills `out` with the layout
// of the DIB; with `target`, decodes into it. The canonical libjpeg pattern:
// everything the library touches after setjmp lives in `cinfo` and `err`,
// which it reaches through pointers.
gdi::DecodeResult Decode(const unsigned char* file, std::size_t size, const gdi::DecodeBounds& bounds,
                         DibTarget* target, DibLayout* out) {
    if (!file || size == 0) return gdi::DecodeResult::Damaged;
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    err.bounds = &bounds;
    err.failure = gdi::DecodeResult::Damaged;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.progress.progress_monitor = OnProgress;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return err.failure;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &err.progress;
    cinfo.mem->max_memory_to_use = long(std::min<std::uint64_t>(bounds.bytes, kMaxDibBytes));
    jpeg_mem_src(&cinfo, file, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) Fail(&err, gdi::DecodeResult::Damaged);
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    DibLayout layout;
    // The file's own size is held to the caps as well: every block of it is
    // read whatever the scale.
    if (!layout.Set(cinfo.image_width, cinfo.image_height, grey ? 8 : 24, grey ? 256 : 0))
        Fail(&err, gdi::DecodeResult::TooManyPixels);
    auto const [xDensity, yDensity] = Density(cinfo);
    const gdi::SIZE shown = bounds.ShownAt({int(cinfo.image_width), int(cinfo.image_height), xDensity, yDensity});
    // Eighths of the size, smallest first; eight eighths is the library's
    // unscaled decoding, pixel for pixel the same as without scaling.
    for (unsigned eighths = 1; eighths <= 8; ++eighths) {
        cinfo.scale_num = eighths < 8 ? eighths : 1;
        cinfo.scale_denom = eighths < 8 ? 8 : 1;
        jpeg_calc_output_dimensions(&cinfo);
        if (cinfo.output_width >= unsigned(shown.cx) && cinfo.output_height >= unsigned(shown.cy)) break;
    }
    if (!layout.Set(cinfo.output_width, cinfo.output_height, grey ? 8 : 24, grey ? 256 : 0) ||
        layout.total > bounds.bytes)
        Fail(&err, layout.total > bounds.bytes ? gdi::DecodeResult::TooLarge : gdi::DecodeResult::Damaged);
    *out = layout;
    if (!target) {
        jpeg_destroy_decompress(&cinfo);
        return gdi::DecodeResult::Decoded;
    }
    unsigned char* dib = nullptr;
    if (const gdi::DecodeResult got = target->Get(layout, dib); got != gdi::DecodeResult::Decoded) Fail(&err, got);
    // What the library may take beside the DIB: whole-image buffers of
    // progressive files beyond it make the picture too large.
    cinfo.mem->max_memory_to_use = long(std::max<std::uint64_t>(
        std::min<std::uint64_t>(bounds.bytes, kMaxDibBytes) - std::min<std::uint64_t>(bounds.bytes, layout.total), 1));
    err.decoding = true;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != unsigned(layout.width) || cinfo.output_height != unsigned(layout.height) ||
        cinfo.output_components != (grey   ? 1
                                    : cmyk ? 4
                                           : 3))
        Fail(&err, gdi::DecodeResult::Damaged);
    // CMYK rows are wider than the DIB's: they pass through a row of the
    // library's own pool, freed with the decoder.
    JSAMPARRAY cmykRow = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                           cinfo.output_width * 4, 1)
                              : nullptr;
    // Adobe's files (Photoshop, ImageMagick) store CMYK inverted.
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        unsigned char* row = layout.Row(dib, int(cinfo.output_scanline));
        JSAMPROW target = cmyk ? cmykRow[0] : row;
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) Fail(&err, gdi::DecodeResult::Damaged);
        if (cmyk) CmykToBgr(cmykRow[0], row, static_cast<size_t>(layout.width), inverted);
    }
    err.decoding = false;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    layout.WriteHeader(dib);
    for (unsigned i = 0; i < layout.colors; ++i) layout.SetColor(dib, i, i, i, i);
    return gdi::DecodeResult::Decoded;
}

}  // namespace

std::size_t check_dib_size(const unsigned char* file, std::size_t fileSize) {
    DibLayout layout;
    return Decode(file, fileSize, {}, nullptr, &layout) == gdi::DecodeResult::Decoded ? layout.total : 0;
}

int Jpg2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize) {
    DibLayout layout;
    DibTarget target{dib, dibSize, nullptr};
    return dib && Decode(file, fileSize, {}, &target, &layout) == gdi::DecodeResult::Decoded ? 1 : 0;
}

gdi::DecodeResult DecodeJpg(const unsigned char* file, std::size_t fileSize, const gdi::DecodeBounds& bounds,
                            std::vector<unsigned char>& dib) {
    DibLayout layout;
    DibTarget target{nullptr, 0, &dib};
    const gdi::DecodeResult result = Decode(file, fileSize, bounds, &target, &layout);
    if (result != gdi::DecodeResult::Decoded) dib.clear();
    return result;
}

}  // namespace ksdvi::jpg
