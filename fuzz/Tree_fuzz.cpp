// The resource tree section on arbitrary bytes: read it and, when it is
// accepted, write it.  Writing what was read is a fixed point: the written
// section reads back and writes the same bytes again, and its reader
// consumes it exactly.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "FuzzSupport.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_Stream.h"

using namespace transvane;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PrepareFuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BuildTree();
    CStream input{CBlock(data, data + size)};
    bool loaded = false;
    try {
        loaded = LoadTree(input);
    } catch (const EReadError&) {
        loaded = false;
    }
    if (!loaded)
        return 0;

    CStream once;
    SaveTree(once);
    once.SetPosition(0);
    BuildTree();
    if (!LoadTree(once))
        throw std::logic_error("a written tree section could not be read again");
    if (once.Remaining() != 0)
        throw std::logic_error("reading a written tree section left bytes behind");
    CStream twice;
    SaveTree(twice);
    if (twice.Bytes() != once.Bytes())
        throw std::logic_error("a written tree section changed when written again");
    BuildTree();
    return 0;
}
