#pragma once
// The frames of PDF links. Cairo writes every link annotation without one
// (/BS << /W 0 >>) and takes no attribute for it; the frames the document
// asks for (LinkBorder.h: hyperref's red, green and cyan boxes) are put into
// Cairo's annotations when its file is packed (PdfObjectPacker.h).

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "specials/LinkBorder.h"

namespace ksdvi {

struct LinkFrame {
    double left = 0, bottom = 0, right = 0, top = 0;  // the link's bounding box, PDF points on its page
    LinkBorder border;
};

// `bodies` holds each object's text between "obj" and "endobj" by number
// (PdfGradientStops.h). `frames` are the links in the order they were given
// to Cairo, which numbers its annotations in that order; each link
// annotation takes the frame of the next link with its bounding box (Cairo
// leaves out links it cannot make). Replaced bodies are held in `storage`.
void FrameLinks(std::vector<std::string_view>& bodies, std::deque<std::string>& storage,
                std::vector<LinkFrame> const& frames);

}  // namespace ksdvi
