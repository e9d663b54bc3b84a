// What the page's script sees of the WebAssembly module: one function,
// convert(Uint8Array) -> {ok, bytes, messages, summary}.  page/transvane.js
// wraps it as Transvane.convert and documents it.
#include <cstdint>
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include "project/Conversion.h"

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

// The source's bytes go to the conversion, which lets go of them once they
// are read; the tab never holds them twice.
val Convert(const val& bytes) {
    CConversion conversion;
    CBlock converted;
    if (conversion.Load(FromScript(bytes)))
        conversion.Save(converted);
    const CConversionResult& outcome = conversion.Result();

    val messages = val::array();
    for (const std::string& message : outcome.Messages)
        messages.call<void>("push", message);
    val counts = val::array();
    for (const CConversionSummary::CKindCount& count : outcome.Summary.Counts) {
        val entry = val::object();
        entry.set("kind", std::string(count.Kind));
        entry.set("count", static_cast<double>(count.Count));
        counts.call<void>("push", entry);
    }
    val summary = val::object();
    summary.set("version", outcome.Summary.Version);
    if (outcome.Converted)
        summary.set("gameId", outcome.Summary.GameId);
    summary.set("counts", counts);

    val result = val::object();
    result.set("ok", outcome.Converted);
    result.set("bytes", outcome.Converted ? ToScript(converted) : val::null());
    result.set("messages", messages);
    result.set("summary", summary);
    return result;
}

}  // namespace

EMSCRIPTEN_BINDINGS(transvane) { emscripten::function("convert", &Convert); }
