#include "specials/PostScriptHandler.h"

#include <string_view>

#include "specials/PdfmarkSpecials.h"
#include "specials/SpecialParsing.h"

namespace ksdvi {

namespace {

int IntegerValue(unsigned char* value) {
    int i = 0;
    return ReadInteger(value, &i) ? i : 0;
}

}  // namespace

void PostScriptHandler::BeginPage(KsDvi const&, int) { frame_ = PlotFrame{}; }

bool PostScriptHandler::Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) {
    if (family == SpecialFamily::PsBegin) {
        // Six integers as atoi reads them (no digits read as 0); fewer ignore it.
        int values[6];
        for (int& value : values) {
            args = SkipBlanks(args);
            if (*args == 0) return true;
            value = IntegerValue(args);
            args += Token(args).size();
        }
        frame_ = PlotFrame{values[0], values[1], values[2], values[3], values[4], values[5]};
        return true;
    }
    PdfmarkSpecial mark =
        ParsePdfmarkSpecial(std::string_view(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)));
    if (mark.kind != PdfmarkSpecial::Kind::None) {
        page.Pdfmark(mark);
        return true;
    }
    args = SkipBlanks(args);
    if (!StartsWith(args, "plotfile")) return true;
    args = SkipBlanks(args + 8);
    std::string_view file = Token(args);
    if (!file.empty()) page.PlotfilePicture(file, frame_);
    return true;
}

}  // namespace ksdvi
