#pragma once
// Cairo's PDF gradients with only the stops they need. Cairo writes a
// gradient of n stops as a stitching function (type 3) of n - 1 linear
// functions (type 2), each an object of its own that gradients with the same
// colours share; the shadings poppler draws come with a stop every few 256ths
// of colour (ColourStops.h). Stops that lie on the line between their
// neighbours go: the stitching function is rewritten with the linear
// functions that remain inside it, each spanning its stretch, and the linear
// functions nothing refers to any more are no longer written.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace ksdvi {

// `bodies` holds each object's text between "obj" and "endobj" by number,
// empty for streams and objects not written. The bodies of the stitching
// functions thinned are replaced (their text held in `storage`); those of
// linear functions no longer referred to become empty. Functions written
// otherwise than as Cairo writes them stay as they are.
void ThinGradientStops(std::vector<std::string_view>& bodies, std::deque<std::string>& storage);

}  // namespace ksdvi
