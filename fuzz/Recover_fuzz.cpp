// Recovery on arbitrary bytes, through the library: whatever a file's
// damage, recovering it either refuses the file cleanly or writes a
// version-500 image that loads again, to the last byte, by the ordinary
// all-or-nothing load.  Anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "FuzzSupport.h"
#include "format/core/Support_Stream.h"
#include "project/Conversion.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"

using namespace transvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBlock recovered;
    CConversionLimits limits;
    limits.InflateLimit = FuzzInflateLimit;
    limits.LoadBudgetFloor = FuzzBudgetFloor;
    const CConversionResult result = RecoverBytes({data, size}, recovered, limits);
    if (!result.Converted)
        return 0;
    if (!result.Recovery || result.Recovery->Recovered() > result.Recovery->Total())
        throw std::logic_error("a recovery reported more resources kept than the file held");
    CProject project;
    PrepareFuzzing(project.Core);
    CStream output(project.Core, std::move(recovered));
    if (!LoadGame(project, output))
        throw std::logic_error("a recovered project could not be loaded again");
    if (output.Remaining() != 0)
        throw std::logic_error("a recovered project holds bytes its reader does not consume");
    return 0;
}
