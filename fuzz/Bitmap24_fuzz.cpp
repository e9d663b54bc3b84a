// One image block on arbitrary bytes: read it as a load does and, when it
// yields an image, write it back and read the written block again.  The
// written block must read back and be consumed exactly, and writing what
// was read back must give the same bytes: the standard form is a fixed point.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "format/core/Support_Stream.h"
#include "format/media/Support_Bitmap24.h"
#include "FuzzSupport.h"

using namespace transvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCoreState core;
    PrepareFuzzing(core);
    CStream input(core, CBlock(data, data + size));
    std::optional<CBlock> image;
    try {
        // Read as a load reads it: what the block describes beyond its own
        // bytes is charged to a budget.
        const CLoadBudget budget(core, size);
        image = Bitmap24_LoadFromStream(input);
    } catch (const EReadError&) {
        return 0;
    } catch (const EZCompressionError&) {
        return 0;
    }
    if (!image)
        return 0;

    CStream output(core);
    Bitmap24_SaveToStream(&*image, output);
    output.SetPosition(0);
    const std::optional<CBlock> again = Bitmap24_LoadFromStream(output);
    if (!again)
        throw std::logic_error("a written image block could not be read again");
    if (output.Remaining() != 0)
        throw std::logic_error("reading a written image block left bytes behind");
    // Writing what was read back is a fixed point: the standard form.
    CStream twice;
    Bitmap24_SaveToStream(&*again, twice);
    if (twice.Bytes() != output.Bytes())
        throw std::logic_error("a written image block changed when written again");
    return 0;
}
