// What the page's script sees of the WebAssembly module: one function,
// convert(Uint8Array) -> {ok, bytes, messages, summary}.  page/transvane.js
// wraps it as Transvane.convert and documents it.
#include <cstdint>
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include "web/Convert.h"

namespace {

using emscripten::typed_memory_view;
using emscripten::val;

// The bytes cross with one copy each way: set() and the Uint8Array
// constructor copy a whole block between the script's memory and ours.
CBlock FromScript(const val& bytes) {
    CBlock block(bytes["length"].as<std::size_t>());
    val(typed_memory_view(block.size(), block.data())).call<void>("set", bytes);
    return block;
}

val ToScript(const CBlock& block) {
    return val::global("Uint8Array").new_(typed_memory_view(block.size(), block.data()));
}

val Convert(const val& bytes) {
    CConversion conversion = [&] {
        const CBlock source = FromScript(bytes);
        return ConvertProject(source);
    }();

    val messages = val::array();
    for (const std::string& message : conversion.Messages)
        messages.call<void>("push", message);
    val counts = val::array();
    for (const CProjectSummary::CCount& count : conversion.Summary.Counts) {
        val entry = val::object();
        entry.set("kind", count.Kind);
        entry.set("count", static_cast<double>(count.Count));
        counts.call<void>("push", entry);
    }
    val summary = val::object();
    summary.set("version", conversion.Summary.Version);
    if (conversion.Ok)
        summary.set("gameId", conversion.Summary.GameId);
    summary.set("counts", counts);

    val result = val::object();
    result.set("ok", conversion.Ok);
    result.set("bytes", conversion.Ok ? ToScript(conversion.Bytes) : val::null());
    result.set("messages", messages);
    result.set("summary", summary);
    return result;
}

}  // namespace

EMSCRIPTEN_BINDINGS(transvane) { emscripten::function("convert", &Convert); }
