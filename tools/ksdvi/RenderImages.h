#pragma once
// ksdvi render with -T, --bg, --fg, --depth, --height or --width: images for
// the web, as dvipng makes them (render/PageImage.h), one page after another.

#include <functional>
#include <optional>
#include <string>

#include "Commands.h"
#include "page/ImageColours.h"
#include "page/ImageFrame.h"

bool AsksForImages(RenderOptions const& options);

// -T's value: tight, bbox, or a size as --paper takes it (WxH) or dvipng
// does (W,H), the DVI origin an inch in.
std::optional<ksdvi::ImageSize> ParseImageSize(std::string const& text);

// Renders the pages asked for, `outputName` giving each page's file (page
// 0-based); `namesPageNumber` says whether it differs from page to page.
int RunRenderImages(RenderOptions const& options, ksdvi::TeXFonts& fonts,
                    std::function<std::string(int)> const& outputName, bool namesPageNumber);
