// Pictures of the model as PNG files, for tools that hand a project's art
// back to its owner.
//
// The PNG holds exactly the pixels the converter writes for the picture:
// 8-bit RGB (24 bits a pixel, no alpha), the top row first.  Any BMP the
// model keeps (every depth, run-length or not) is decoded first, so the
// picture comes out as the converted file stores it.
#pragma once

#include "format/core/Support_Stream.h"

namespace transvane {

// The bytes of the PNG file.  Throws std::invalid_argument for bytes that are
// no BMP the model can hold, std::runtime_error when encoding fails.
CBlock Bitmap24_ToPng(const CBlock& image);

}  // namespace transvane
