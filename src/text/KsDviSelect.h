#pragma once
// Mouse selection of text on one page. Opening a page runs it once and keeps
// every character with its box and the position of the instruction that drew
// it, grouped into lines (runs of characters on one baseline); a selection
// runs between two character positions found from points. Points, boxes and
// rectangles are in DVI units, or in device pixels on Windows-font pages,
// whose characters are numbered 100 times their baseline plus their place on
// it. Characters that graphicx's transformations draw elsewhere are selected
// where they are drawn; their lines keep TeX's order.

#include <cstdint>
#include <memory>
#include <vector>

#include "dvi/KsDvi.h"
#include "stream/DList.h"
#include "stream/String8.h"

class KsDviSelect {
public:
    struct Rectangle {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    struct CharInfo {
        int left = 0, baseline = 0, width = 0, height = 0, depth = 0;
        unsigned short code = 0;
        int position = -1;
        bool transformed = false;
        Rectangle drawn;  // the bounding box of the box above as drawn, when transformed
        int run = 0;      // characters drawn under one transformation share it
    };
    // Characters of one baseline drawn under one transformation.
    struct LineInfo {
        int left = 0, right = 0, baseline = 0, height = 0, depth = 0;
        int firstPos = -1, lastPos = -1;
        bool transformed = false;  // some character drawn elsewhere
        Rectangle drawn;           // the union of the characters' drawn boxes
    };
    // Where a character or a line is drawn.
    static Rectangle DrawnBox(CharInfo const& c);
    static Rectangle DrawnBox(LineInfo const& line);

    KsDviSelect();
    KsDviSelect(KsDviSelect const& other);
    KsDviSelect& operator=(KsDviSelect const& other);
    virtual ~KsDviSelect();

    // Runs the page whole; 1 when it was interpreted to its end.
    int Open(KsDvi& dvi, int page);
    void BeginSelect(int x, int y);
    int UpdateSelect(int x, int y);
    void SetRange(int start, int end) {
        start_ = start;
        end_ = end;
    }
    void Empty();
    int IsEmpty() const { return start_ == end_ || start_ < 0 || end_ < 0; }
    int GetStartPos() const { return start_; }
    int GetEndPos() const { return end_; }
    int GetCurPageNo() const { return curPage_; }
    int IsWinFont() const { return winFont_; }

    int GetCharUnderPos(int x, int y);
    unsigned short GetCharInCommand(int pos);
    int GetNextCharPos(int pos, int n) const;
    DList<Rectangle>* GetSelRect();
    String8 GetSelectedString();

    // The page's characters in drawing order and its lines.
    DList<CharInfo> const& GetCharList() const;
    DList<LineInfo> const& GetLineList() const;

private:
    class Drawer;
    friend class Drawer;
    enum class Side { Inside, Right, Left, Above, Below };
    struct Hit {
        LineInfo const* line = nullptr;
        Side side = Side::Inside;
    };

    // The line's direction on the page: from its first character's drawn
    // middle to its last's.
    struct Direction {
        double dx = 1, dy = 0;
        double Along(double x, double y) const { return x * dx + y * dy; }
        double End(Rectangle const& box) const;  // the furthest along of the box's corners
        double Start(Rectangle const& box) const;
    };

    void BuildLines();
    Hit FindLine(int x, int y);
    Direction DirectionOf(LineInfo const& line) const;
    int PosAt(int x, int y, bool forward);
    bool EnsureDrawn();
    CharInfo const* FindChar(int pos) const;

    std::unique_ptr<Drawer> drawer_;
    int curPage_ = -1;
    int start_ = -1, end_ = -1;
    int anchorX_ = -1, anchorY_ = -1;
    int curX_ = -1, curY_ = -1;
    DList<Rectangle> rects_;
    int winFont_ = 0;
    int noText_ = 0;
};
