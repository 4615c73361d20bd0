#include "specials/PictureHandler.h"

#include "specials/PictureSpecials.h"
#include "specials/SpecialPage.h"
#include "specials/SpecialScan.h"

namespace ksdvi {

bool PictureHandler::Scan(SpecialScan& scan, SpecialFamily, unsigned char* args, unsigned char*) {
    if (auto graphics = ParseGraphicsSpecial(args); graphics && graphics->type >= 0)
        scan.NotePicture(graphics->file.view(), graphics->type);
    if (auto file = ParseGraphicsSpecialFile(args)) scan.AddPictureFile(*file);
    return true;
}

bool PictureHandler::Paint(SpecialPage& page, SpecialFamily, unsigned char* args, unsigned char*) {
    if (auto graphics = ParseGraphicsSpecial(args); graphics && graphics->type >= 0) page.GraphicsPicture(*graphics);
    return true;
}

void PictureHandler::ScanPsfile(SpecialScan& scan, unsigned char* text) {
    if (auto file = ParsePsfileSpecial(text).file) {
        scan.NotePicture(file->view(), kPictureEps);
        scan.AddPictureFile(*file);
    }
}

void PictureHandler::PaintPsfile(SpecialPage& page, unsigned char* text) {
    PsfileSpecial psfile = ParsePsfileSpecial(text);
    if (psfile.file) page.PsfilePicture(psfile);
}

}  // namespace ksdvi
