// The whole road of a conversion on arbitrary bytes, through the library:
// convert a file image through the public interface and, when it is
// accepted, read the version-500 image again.  Anything but a clean refusal or a complete round trip is a
// finding.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>

#include "FuzzSupport.h"
#include "transvane/transvane.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "format/core/Support_Stream.h"

using namespace transvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBlock converted;
    if (!transvane::ConvertBytes({data, size}, converted, FuzzOptions()).Ok())
        return 0;
    // What the converter wrote it must be able to read again, to the last
    // byte.
    ExpectLoadsAgainWhole(std::move(converted), "saved");
    return 0;
}
