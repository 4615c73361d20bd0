// CPrintDIB: sends a bitmap file to a printer context line by line. Blank
// lines are dropped; the non-blank lines that follow each other gather into a
// band of at most 1 MiB, whose blank margins are trimmed and which travels as
// a 1-bit bitmap when it holds only black and white.
//
// Use: ReadHeader at the start of a BMP file, AddPrintLine for every line in
// file order (bottom-up, numbered from 1 at the bottom), FlushPrintBitmap.
#pragma once

#include <array>

#include "print/CDIB.h"
#include "print/CGSFile.h"

class CPrintDIB : public CDIB {
public:
    static constexpr unsigned int kBandBytes = 0x100000;

    CPrintDIB();
    ~CPrintDIB() override;

    // Reads the file and info headers and prepares a band: 1, or 0 for a file
    // that is not a BMP file, a header that cannot be printed (top-down, a
    // line longer than a band), a colour table cut short, or pixel data
    // shorter than the header says.
    int ReadHeader(CGSFile* file);
    // `line` holds the stride bytes of line `y`.
    void AddPrintLine(HDC dc, unsigned int y, unsigned char* line);
    // Draws the band, if any, and starts a new one.
    void FlushPrintBitmap(HDC dc);

    // The steps, public so that callers may drive them: 1 when the palette has
    // a pure white entry; 1 when the line is blank; then the band's
    // reshaping into its trimmed and 1-bit forms.
    int GetBlackWhiteIndex();
    int ScanForWhite(unsigned char* line);
    int ScanForGrey(unsigned char* line);
    int ScanForColour(unsigned char* line);
    void ResetPrintLine();
    void TrimBitmap();
    void ConvertGreyToMono();
    void ConvertColourToMono();
    void MakePaletteMono();

    unsigned int GetUsed() const { return used_; }
    unsigned int GetFirstLine() const { return firstLine_; }
    int GetXOffset() const { return xOffset_; }

private:
    // Rewrites the band at one bit per pixel; `white` says which pixels are white.
    template <typename IsWhite>
    void ConvertToMono(unsigned bytesPerPixel, IsWhite white);
    // Widens the band's non-white span to byte `offset` of a line.
    void Widen(unsigned int offset);

    struct Saved {
        BITMAPINFOHEADER header;
        std::array<RGBQUAD, 256> palette{};
        int colours = 0;
    } saved_;
    unsigned int used_ = 0;
    int xOffset_ = 0;
    unsigned int firstLine_ = 0;
    unsigned int left_ = 0, right_ = 0;
    bool open_ = false;
    bool hasColour_ = false;
    bool hasGrey_ = false;
    int blackIndex_ = -1;
    int whiteIndex1_ = -1, whiteIndex2_ = -1;
    unsigned char whiteByte1_ = 0, whiteByte2_ = 0;
};
