#include "format/world/Option_Icon.h"

#include <array>
#include <cstdint>
#include <cstdlib>

#include "format/core/Support_Bytes.h"

namespace transvane {

namespace {

constexpr int Side = 32;
constexpr std::uint32_t PaletteSize = 256;
constexpr std::uint32_t ImageBytes = Side * Side;       // 8 bits a pixel
constexpr std::uint32_t MaskBytes = Side * (Side / 8);  // 1 bit a pixel, 4-byte rows
constexpr std::uint32_t HeaderBytes = 6;
constexpr std::uint32_t EntryBytes = 16;
constexpr std::uint32_t InfoBytes = 40;
constexpr std::uint32_t ResourceBytes = InfoBytes + PaletteSize * 4 + ImageBytes + MaskBytes;

static_assert(HeaderBytes + EntryBytes + ResourceBytes == DefaultGameIconSize);

// The colours the picture uses; the rest of the palette is black.
enum Colour : std::uint8_t { Clear = 0, Iron, Copper, CopperDark, Sky, SkyRim, Gold };
struct CRgb {
    std::uint8_t R, G, B;
};
constexpr std::array<CRgb, 7> Colours = {{
    {0, 0, 0},        // transparent pixels: black under a set mask bit
    {64, 64, 72},     // the pole and its foot
    {205, 118, 52},   // the arrow
    {140, 70, 28},    // the tail feathers
    {150, 200, 240},  // the sky
    {70, 120, 190},   // the rim of the sky
    {240, 200, 60},   // the ball on top of the pole
}};

// The colour of the pixel in column x, row y (row 0 at the top), or Clear.
Colour PixelAt(int x, int y) {
    // Twice the distance from the centre (15.5, 15.5), squared, in whole
    // numbers: (2x - 31)^2 + (2y - 31)^2 against (2r)^2.
    const int dx = 2 * x - 31;
    const int dy = 2 * y - 31;
    const int d2 = dx * dx + dy * dy;
    if (d2 > 31 * 31)
        return Clear;

    // The arrow: a shaft two pixels high along rows 9 and 10, a head that
    // narrows to a point at column 28, and a feathered tail.
    if (x >= 22 && x <= 28 && std::abs(2 * y - 19) <= (28 - x) * 2 + 1)
        return Copper;
    if ((y == 9 || y == 10) && x >= 7 && x < 22)
        return Copper;
    for (int k = 0; k < 4; ++k) {
        const int fx = 3 + k;
        if ((x == fx || x == fx + 1) && (y == 5 + k || y == 14 - k))
            return CopperDark;
    }

    // The ball, the pole and its foot.
    if (x >= 14 && x <= 17 && y >= 5 && y <= 7 && !((x == 14 || x == 17) && (y == 5 || y == 7)))
        return Gold;
    if ((x == 15 || x == 16) && y >= 8 && y <= 27)
        return Iron;
    if (y >= 26 && y <= 27 && x >= 11 && x <= 20)
        return Iron;

    if (d2 > 29 * 29)
        return SkyRim;
    return Sky;
}

CBlock BuildIcon() {
    CBlock out;
    out.reserve(DefaultGameIconSize);

    // Icon file header.
    Append16(out, 0);  // reserved
    Append16(out, 1);  // type: icon
    Append16(out, 1);  // one image

    // Directory entry.
    out.push_back(Side);  // width
    out.push_back(Side);  // height
    out.push_back(0);     // colour count: 0 stands for 256
    out.push_back(0);     // reserved
    Append16(out, 1);     // planes
    Append16(out, 8);     // bits per pixel
    Append32(out, ResourceBytes);
    Append32(out, HeaderBytes + EntryBytes);

    // Bitmap information header; the height counts image and mask.
    Append32(out, InfoBytes);
    Append32(out, Side);
    Append32(out, 2 * Side);
    Append16(out, 1);
    Append16(out, 8);
    Append32(out, 0);  // uncompressed
    Append32(out, ImageBytes + MaskBytes);
    Append32(out, 0);
    Append32(out, 0);
    Append32(out, 0);  // all 256 colours
    Append32(out, 0);

    for (std::uint32_t i = 0; i < PaletteSize; ++i) {
        const CRgb c = i < Colours.size() ? Colours[i] : CRgb{0, 0, 0};
        out.push_back(c.B);
        out.push_back(c.G);
        out.push_back(c.R);
        out.push_back(0);
    }

    for (int y = Side - 1; y >= 0; --y)  // bottom row first
        for (int x = 0; x < Side; ++x)
            out.push_back(PixelAt(x, y));

    for (int y = Side - 1; y >= 0; --y) {
        for (int byte = 0; byte < Side / 8; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (PixelAt(byte * 8 + bit, y) == Clear)
                    bits = static_cast<std::uint8_t>(bits | (0x80 >> bit));
            out.push_back(bits);
        }
    }
    return out;
}

}  // namespace

const CBlock& DefaultGameIcon() {
    static const CBlock icon = BuildIcon();
    return icon;
}

}  // namespace transvane
