// The resource tree section on arbitrary bytes: read it and, when it is
// accepted, write it.  Writing what was read is a fixed point: the written
// section reads back and writes the same bytes again, and its reader
// consumes it exactly.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "FuzzSupport.h"
#include "project/Project_Model.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_Stream.h"

using namespace transvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCoreState core;
    PrepareFuzzing(core);
    CProjectModel model;
    BuildTree(model);
    CStream input(core, CBlock(data, data + size));
    bool loaded = false;
    try {
        loaded = LoadTree(model, input);
    } catch (const EReadError&) {
        loaded = false;
    }
    if (!loaded)
        return 0;

    CStream once(core);
    SaveTree(model, once);
    once.SetPosition(0);
    BuildTree(model);
    if (!LoadTree(model, once))
        throw std::logic_error("a written tree section could not be read again");
    if (once.Remaining() != 0)
        throw std::logic_error("reading a written tree section left bytes behind");
    CStream twice(core);
    SaveTree(model, twice);
    if (twice.Bytes() != once.Bytes())
        throw std::logic_error("a written tree section changed when written again");
    return 0;
}
