// Sphinx's imgmath extension with ksdvi-dvipng in place of dvipng: a page of
// formulas builds, and each formula's image has dvipng's size and depth
// (the vertical-align Sphinx writes into the page) within a pixel. The
// LaTeX template is the test's own, so that no optional LaTeX package is
// needed: each formula shipped with its baseline on the DVI origin, as
// preview.sty ships it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

std::string const kConf = R"(extensions = ['sphinx.ext.imgmath']
imgmath_image_format = 'png'
imgmath_use_preview = True
imgmath_dvipng = DVIPNG
templates_path = ['templates']
)";

std::string const kTemplate = R"(\documentclass[12pt]{article}
\usepackage{amsmath}
\pagestyle{empty}
<%= preamble %>
\begin{document}
\setbox0\vbox{\hsize=6in\noindent\fontsize{<%= fontsize %>}{<%= baselineskip %>}\selectfont <%= math %>}
\shipout\vbox to0pt{\vss\box0}
\end{document}
)";

std::string const kIndex = R"(Formulas
========

Inline :math:`x^2 + y_1`, :math:`\frac{a}{b}` and :math:`g_{ij}`.

.. math::

   \int_0^1 f(x)\,dx = \sum_{n=1}^\infty \frac{1}{n^2}
)";

struct Formula {
    int depth = 0, width = 0, height = 0;
};

// Each math image of the built page: its depth from the page's
// vertical-align (0 when Sphinx wrote none), its size from the file.
std::map<std::string, Formula> Formulas(std::string const& html) {
    std::map<std::string, Formula> formulas;
    std::string const page = ReadFileText(html + "/index.html");
    std::regex const img("<img [^>]*>"), src("src=\"(_images/math/[0-9a-f]+\\.png)\""),
        align("vertical-align: (-?\\d+)px");
    for (std::sregex_iterator m(page.begin(), page.end(), img), end; m != end; ++m) {
        std::string const tag = m->str();
        std::smatch file, depth;
        if (!std::regex_search(tag, file, src)) continue;
        Formula f;
        if (std::regex_search(tag, depth, align)) f.depth = -std::stoi(depth[1]);
        PngPixels image;
        if (ReadPng(html + "/" + file[1].str(), PNG_FORMAT_GRAY, image)) f.width = image.width, f.height = image.height;
        formulas[file[1]] = f;
    }
    return formulas;
}

// The site built with `dvipng` as imgmath's dvipng; its html directory.
std::string Build(TempDir const& dir, std::string const& name, std::string const& dvipng) {
    std::string const source = dir / name;
    std::filesystem::create_directories(source + "/templates");
    WriteFileText(source + "/conf.py", std::regex_replace(kConf, std::regex("DVIPNG"), "'" + dvipng + "'"));
    WriteFileText(source + "/templates/preview.tex_t", kTemplate);
    WriteFileText(source + "/index.rst", kIndex);
    EXPECT_EQ(RunOk("sphinx-build -q -b html " + source + " " + source + "/html 2>&1"), "");
    return source + "/html";
}

TEST(SphinxImgmath, FormulasSizedAndAlignedAsWithDvipng) {
    if (!HaveCommand("sphinx-build")) GTEST_SKIP() << "Sphinx is not installed";
    if (RunCommand("kpsewhich article.cls amsmath.sty").empty()) GTEST_SKIP() << "LaTeX is not installed";
    TempDir dir;
    auto const theirs = Formulas(Build(dir, "dvipng", "dvipng"));
    auto const ours = Formulas(Build(dir, "ksdvi", KSDVI_DVIPNG_CLI));
    ASSERT_EQ(theirs.size(), 4u);
    ASSERT_EQ(ours.size(), theirs.size());
    for (auto const& [image, t] : theirs) {
        SCOPED_TRACE(image);
        ASSERT_TRUE(ours.count(image));
        Formula const& o = ours.at(image);
        EXPECT_GT(t.width, 0);
        EXPECT_NEAR(o.width, t.width, 1);
        EXPECT_NEAR(o.height, t.height, 1);
        EXPECT_NEAR(o.depth, t.depth, 1);
    }
}

}  // namespace
