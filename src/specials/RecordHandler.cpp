#include "specials/RecordHandler.h"

#include "specials/SpecialPage.h"
#include "specials/SpecialScan.h"

namespace ksdvi {

namespace {

constexpr unsigned kRecordResolutionCode = 0;
constexpr unsigned kFaceNameCode = 2;
constexpr int kFaceNameOffset = 6;  // from the first byte after '#'
constexpr int kLongestFaceName = 259;

}  // namespace

bool RecordHandler::Scan(SpecialScan& scan, SpecialFamily, unsigned char* args, unsigned char* end) {
    if (end - args < 2) return true;
    unsigned code = static_cast<unsigned>(args[0]) << 8 | args[1];
    if (code == kRecordResolutionCode && end - args >= 4) {
        scan.SetRecordResolution(static_cast<unsigned short>(args[2] << 8 | args[3]));
    } else if (code == kFaceNameCode && end - args >= kFaceNameOffset) {
        unsigned char* name = args + kFaceNameOffset;
        unsigned char* stop = name;
        while (stop < end && *stop != 0 && stop - name < kLongestFaceName) ++stop;
        scan.RegisterFace(String8(reinterpret_cast<char const*>(name), static_cast<int>(stop - name)));
    }
    return true;
}

bool RecordHandler::Paint(SpecialPage& page, SpecialFamily, unsigned char* args, unsigned char* end) {
    page.RecordPicture(args, end);
    return true;
}

}  // namespace ksdvi
