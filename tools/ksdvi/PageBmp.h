#pragma once
// A rendered page as a BMP file, the form in which pages go to the printer.

#include "platform/gdi/RasterDevice.h"
#include "print/CGSFile.h"

// Writes the page at `file`'s position, bottom-up, at 1 bit (black where
// darker than mid-grey), 4 or 8 bits (grey levels) or 24 bits (colour) per
// pixel. False for another depth or when writing fails.
bool WritePageBmp(ksdvi::gdi::RasterDevice const& page, int bitCount, CGSFile& file);

// 24 bits for a page with colour, else 8.
int PageBmpDepth(ksdvi::gdi::RasterDevice const& page);
