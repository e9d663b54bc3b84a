// The default game icon: the icon a new project starts with.
//
// An icon file of 2238 bytes holding one 32 x 32 image at 8 bits per pixel:
//
//   6      header: reserved 0, type 1 (icon), one image
//   16     directory entry: 32, 32, 0 colours (= 256), 0, 1 plane, 8 bits,
//          2216 bytes of image at offset 22
//   40     bitmap information header: 32 wide, 64 high (the colour image
//          and the transparency mask stacked), 1 plane, 8 bits, uncompressed
//   1024   palette, 256 entries of blue, green, red, 0
//   1024   colour image, one byte a pixel, bottom row first
//   128    transparency mask, one bit a pixel (1 = transparent), rows of
//          4 bytes, bottom row first
//
// The picture, a copper weather vane on a round patch of sky, is drawn here
// in code rather than kept as a binary resource.
#pragma once

#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::size_t DefaultGameIconSize = 2238;

// The icon file's bytes; built once, never changed.
const CBlock& DefaultGameIcon();

}  // namespace transvane
