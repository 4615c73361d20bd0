// JPEG files through libjpeg-turbo. Errors come back through longjmp to the
// one function that calls the library; that function holds no C++ objects.
#include <csetjmp>
#include <cstdio>

// Before libjpeg, whose headers define TRUE and FALSE as macros.
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
    std::jmp_buf jump;
    bool decoding;  // the pixel data is being read
    int scans;
};

ErrorManager* Manager(j_common_ptr c) { return reinterpret_cast<ErrorManager*>(c->err); }

[[noreturn]] void OnError(j_common_ptr c) { std::longjmp(Manager(c)->jump, 1); }

// Nothing is printed. Data that ends before the last row would be filled with
// grey by the library: such a file is refused instead. (A progressive file is
// read whole when decompression starts, so it is refused when it ends early
// anywhere before its end marker.)
void OnMessage(j_common_ptr c, int level) {
    ErrorManager* e = Manager(c);
    if (level < 0) {
        ++c->err->num_warnings;
        if (c->err->msg_code == JWRN_JPEG_EOF && e->decoding) std::longjmp(e->jump, 1);
    } else if (level == 1 && c->err->msg_code == JTRC_SOS && ++e->scans > kMaxScans) {
        std::longjmp(e->jump, 1);
    }
}

unsigned char Scale(unsigned a, unsigned b) { return static_cast<unsigned char>((a * b + 127) / 255); }

// Fills `out` with the layout of the DIB and, when `dib` is given, decodes
// into it. The canonical libjpeg pattern: everything the library touches
// after setjmp lives in `cinfo`, which it reaches through a pointer.
bool Decode(const unsigned char* file, std::size_t size, unsigned char* dib, std::size_t dibSize, DibLayout* out) {
    if (!file || size == 0) return false;
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = long(kMaxDibBytes);
    jpeg_mem_src(&cinfo, file, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    DibLayout layout;
    if (!layout.Set(cinfo.image_width, cinfo.image_height, grey ? 8 : 24, grey ? 256 : 0) ||
        (dib && dibSize < layout.total)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    *out = layout;
    if (!dib) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    err.decoding = true;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != unsigned(layout.width) || cinfo.output_height != unsigned(layout.height) ||
        cinfo.output_components != (grey   ? 1
                                    : cmyk ? 4
                                           : 3)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
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
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        if (cmyk) {
            const unsigned char* p = cmykRow[0];
            for (int x = 0; x < layout.width; ++x, p += 4) {
                unsigned c = p[0], m = p[1], y = p[2], k = p[3];
                if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                row[3 * x] = Scale(y, k);
                row[3 * x + 1] = Scale(m, k);
                row[3 * x + 2] = Scale(c, k);
            }
        }
    }
    err.decoding = false;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    layout.WriteHeader(dib);
    for (unsigned i = 0; i < layout.colors; ++i) layout.SetColor(dib, i, i, i, i);
    return true;
}

}  // namespace

std::size_t check_dib_size(const unsigned char* file, std::size_t fileSize) {
    DibLayout layout;
    return Decode(file, fileSize, nullptr, 0, &layout) ? layout.total : 0;
}

int Jpg2Dib(const unsigned char* file, std::size_t fileSize, unsigned char* dib, std::size_t dibSize) {
    DibLayout layout;
    return dib && Decode(file, fileSize, dib, dibSize, &layout) ? 1 : 0;
}

}  // namespace ksdvi::jpg
