// The whole road of a conversion on arbitrary bytes: parse a file image and,
// when it is accepted, build the version-500 image and parse that again.
// Anything but a clean false result, an exception from the stream, or a
// successful round trip is a finding.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>

#include "FuzzSupport.h"
#include "project/Resource_Main.h"
#include "format/core/Support_Stream.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PrepareFuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CStream input{CBlock(data, data + size)};
    bool loaded = false;
    try {
        ClearGame();
        loaded = LoadGame(input);
    } catch (const EReadError&) {
        loaded = false;
    } catch (const EZCompressionError&) {
        loaded = false;
    }
    if (!loaded) {
        ClearGame();
        return 0;
    }
    // What the converter accepted it must be able to write, and what it
    // writes it must be able to read again, to the last byte.
    CStream output;
    if (!SaveGame(output, false))
        throw std::logic_error("an accepted project could not be saved");
    output.SetPosition(0);
    ClearGame();
    if (!LoadGame(output))
        throw std::logic_error("a saved project could not be loaded again");
    if (output.Remaining() != 0)
        throw std::logic_error("a saved project holds bytes its reader does not consume");
    ClearGame();
    return 0;
}
