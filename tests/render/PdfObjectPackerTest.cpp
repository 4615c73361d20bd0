// Cairo's PDF files packed into object streams read and look as before;
// files not laid out as Cairo's are left alone.
#include <gtest/gtest.h>

#include <cairo-pdf.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "device/PdfObjectPacker.h"
#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"

namespace ksdvi {
namespace {

cairo_status_t Append(void* closure, unsigned char const* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<char const*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// Three pages of text, shapes and a link, with an outline: what Cairo
// writes for ksdvi's pages.
std::string CairoPdf() {
    std::string pdf;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(Append, &pdf, 300, 200);
    cairo_t* cr = cairo_create(surface);
    for (int page = 1; page <= 3; ++page) {
        cairo_set_source_rgb(cr, 0.2 * page, 0, 0.5);
        cairo_rectangle(cr, 20 * page, 30, 80, 40);
        cairo_fill(cr);
        cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 18);
        cairo_move_to(cr, 30, 120);
        std::string const text = "Page " + std::to_string(page) + " of packed objects";
        cairo_show_text(cr, text.c_str());
        if (page == 2) {
            // Stops as poppler hands Cairo a shading: every 256th, on a
            // line from red to green and from green to blue.
            cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 300, 0);
            for (int i = 0; i <= 256; ++i) {
                double const t = i / 256.0, u = std::min(t, 0.5) * 2, v = std::max(t - 0.5, 0.0) * 2;
                cairo_pattern_add_color_stop_rgb(gradient, t, 1 - u, u - v, v);
            }
            cairo_set_source(cr, gradient);
            cairo_rectangle(cr, 0, 0, 300, 100);
            cairo_fill(cr);
            cairo_pattern_destroy(gradient);
        }
        cairo_tag_begin(cr, CAIRO_TAG_LINK, "uri='https://ctan.org'");
        cairo_rectangle(cr, 30, 150, 60, 20);
        cairo_stroke(cr);
        cairo_tag_end(cr, CAIRO_TAG_LINK);
        std::string const name = "Section " + std::to_string(page);
        cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, name.c_str(),
                                      ("page=" + std::to_string(page)).c_str(), CAIRO_PDF_OUTLINE_FLAG_OPEN);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return pdf;
}

TEST(PdfObjectPacker, PackedFileReadsAndLooksAsCairos) {
    for (char const* tool : {"pdftoppm", "pdfinfo", "pdftotext"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    std::string const cairo = CairoPdf();
    std::string const packed = PackPdfObjects(cairo);
    ASSERT_FALSE(packed.empty());
    EXPECT_LT(packed.size(), cairo.size());
    std::ofstream(dir / "cairo.pdf", std::ios::binary) << cairo;
    std::ofstream(dir / "packed.pdf", std::ios::binary) << packed;
    // poppler reads the packed file without repairing it.
    std::string const info = RunCommand("pdfinfo " + (dir / "packed.pdf") + " 2>&1");
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    EXPECT_EQ(info.find("Error"), std::string::npos) << info;
    EXPECT_EQ(RunCommand("pdftotext " + (dir / "packed.pdf") + " - 2>&1"),
              RunCommand("pdftotext " + (dir / "cairo.pdf") + " - 2>&1"));
    EXPECT_EQ(RunCommand("pdfinfo -dests " + (dir / "packed.pdf") + " 2>&1 | wc -l"),
              RunCommand("pdfinfo -dests " + (dir / "cairo.pdf") + " 2>&1 | wc -l"));
    for (char const* page : {"1", "3"}) {
        std::string const raster = std::string("pdftoppm -r 50 -png -f ") + page + " -l " + page + " ";
        RunOk(raster + (dir / "cairo.pdf") + " " + (dir / "c"));
        RunOk(raster + (dir / "packed.pdf") + " " + (dir / "p"));
        EXPECT_EQ(RunCommand("cmp " + (dir / (std::string("c-") + page + ".png")) + " " +
                             (dir / (std::string("p-") + page + ".png")) + " && echo same"),
                  "same\n")
            << "page " << page;
    }
    // The gradient, two parts now (PdfGradientStopsTest), within a step.
    RunOk("pdftoppm -r 50 -png -f 2 -l 2 " + (dir / "cairo.pdf") + " " + (dir / "c"));
    RunOk("pdftoppm -r 50 -png -f 2 -l 2 " + (dir / "packed.pdf") + " " + (dir / "p"));
    RgbImage before, after;
    ASSERT_TRUE(ReadRgbPng(dir / "c-2.png", before));
    ASSERT_TRUE(ReadRgbPng(dir / "p-2.png", after));
    ASSERT_EQ(before.rgb.size(), after.rgb.size());
    for (size_t i = 0; i < before.rgb.size(); ++i) ASSERT_LE(std::abs(before.rgb[i] - after.rgb[i]), 1) << i;
    // Packing what is packed finds no table to read.
    EXPECT_EQ(PackPdfObjects(packed), "");
}

TEST(PdfObjectPacker, LeavesOtherFilesAlone) {
    std::string const cairo = CairoPdf();
    auto replaced = [&](std::string const& from, std::string const& to) {
        std::string pdf = cairo;
        size_t at = pdf.rfind(from);
        return at == std::string::npos ? std::string() : pdf.replace(at, from.size(), to);
    };
    struct Case {
        char const* what;
        std::string pdf;
    };
    Case const cases[] = {
        {"empty", ""},
        {"not a PDF", "hello"},
        {"no table", cairo.substr(0, cairo.rfind("xref"))},
        {"the table's place past the end", replaced("startxref\n", "startxref\n9")},
        {"an object of another generation", replaced("00000 n", "00001 n")},
        {"encrypted", replaced("trailer\n<<", "trailer\n<< /Encrypt 1 0 R")},
        {"an update of an earlier file", replaced("trailer\n<<", "trailer\n<< /Prev 10")},
        {"no catalog", replaced("/Root", "/Roof")},
        {"a table longer than the file", replaced("xref\n0 ", "xref\n0 99999")},
    };
    for (Case const& c : cases) {
        ASSERT_TRUE(!c.pdf.empty() || std::string(c.what) == "empty") << c.what;
        EXPECT_EQ(PackPdfObjects(c.pdf), "") << c.what;
    }
}

}  // namespace
}  // namespace ksdvi
