#pragma once
// Paper as --paper names it, and the system's paper: the names libpaper
// knows (Debian's /etc/papersize, PAPERSIZE, PAPERCONF), in any case.

#include <optional>
#include <string>

#include "page/Paper.h"

// "a4" and "letter" exactly (210mm x 297mm, 8.5in x 11in), any other name
// libpaper knows ("A5", "legal", "b5"), NAME-landscape turned, "landscape"
// alone the system's paper turned, or WxH in TeX units ("210mmx297mm").
std::optional<ksdvi::Paper> PaperFromOption(std::string const& text);

// The system's paper name: libpaper's systempapername (PAPERSIZE, the file
// PAPERCONF names, /etc/papersize), else its default.
std::string SystemPaperName();
