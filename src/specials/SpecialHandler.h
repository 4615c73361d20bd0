#pragma once
// A handler of one or more families of specials (SpecialKeywords.h), with a
// document pass, run while the document is scanned, and a page pass, run
// while a page is painted. Each gets the family, the bytes after the keyword
// in a NUL-terminated copy of the special, and the end of the special's
// bytes (where that NUL is). Either returns false to pass the special on to
// be read as a psfile special, true when it is decided (used or ignored).

#include "specials/SpecialKeywords.h"

class KsDvi;

namespace ksdvi {

class SpecialPage;
class SpecialScan;

class SpecialHandler {
public:
    virtual ~SpecialHandler() = default;
    virtual bool Scan(SpecialScan&, SpecialFamily, unsigned char* /*args*/, unsigned char* /*end*/) { return false; }
    // A page begins: what the family keeps from page to page starts as the
    // document says.
    virtual void BeginPage(KsDvi const& /*document*/, int /*page*/) {}
    virtual bool Paint(SpecialPage&, SpecialFamily, unsigned char* /*args*/, unsigned char* /*end*/) { return false; }
};

}  // namespace ksdvi
