// Recovery on arbitrary bytes, through the library: whatever a file's
// damage, recovering it either refuses the file cleanly or writes a
// version-500 image that loads again, to the last byte, by the ordinary
// all-or-nothing load.  Anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "FuzzSupport.h"
#include "format/core/Support_Stream.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "transvane/transvane.h"

using namespace transvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBlock recovered;
    const CResult result = RecoverBytes({data, size}, recovered, FuzzOptions());
    if (!result.Ok())
        return 0;
    if (!result.Recovery || result.Recovery->Recovered > result.Recovery->Total)
        throw std::logic_error("a recovery reported more resources kept than the file held");
    ExpectLoadsAgainWhole(std::move(recovered), "recovered");
    return 0;
}
