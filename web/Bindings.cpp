// What the page's worker (page/worker.js) sees of the WebAssembly module:
// three functions,
//
//   source(size) -> a Source, whose bytes() is a Uint8Array of size bytes
//   convert(source, progress, deliver) -> {ok, error, output, messages, summary}
//   recover(source, progress, deliver, name) -> the same, and recovery
//
// source    the source's bytes in the module's memory: the worker copies
//           the file into bytes() as it reads it, piece by piece, so the
//           file exists once; the conversion takes them, and the worker
//           deletes the Source after it;
// progress  called with (text, section, done, total, percent) as the
//           conversion moves, at most every 50 ms and at each new section;
// deliver   called once, when the conversion succeeded, with a Uint8Array
//           of the converted file in the module's memory, valid during the
//           call only: what it returns (the worker's copy of the bytes, or
//           a Blob of them) is the result's output, null on a failure.  So
//           the output leaves the module in one copy, whatever it becomes.
//
// messages are {text, context} in the order shown: the converter's message
// and the lines of context the command-line tool prints under it.  error
// tells a failure apart: "damaged" for a project file that does not read to
// its end (one that recover may save something of), "" when ok.
// recover saves what a damaged file still holds; its recovery, when it read
// the file's header and kept something, is {lines, last}: the report as the
// command-line tool prints it, the last line naming the file as name.
// page/transvane.js wraps it as Transvane.convert and documents it.
#include <cstdint>
#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>
#include <exception>
#include <memory>
#include <stdexcept>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transvane/transvane.h"

namespace transvane {

namespace {

using emscripten::typed_memory_view;
using emscripten::val;

// Hands the converter's progress to the worker's script, no more often than
// a page can redraw usefully: a list of a million small records must not
// cost a million calls into the script.  A new stage or section is sent at
// once.
class CPageObserver final : public transvane::CObserver {
public:
    explicit CPageObserver(val report) : FReport(std::move(report)) {}

    void Progress(const transvane::CProgress& progress) override {
        if (progress.Stage.empty())
            return;  // the step has ended: the result follows
        const bool news = progress.Stage != FStage || progress.Section != FSection;
        if (!news && emscripten_get_now() - FSent < Interval)
            return;
        FStage = progress.Stage;
        FSection = progress.Section;
        FSent = emscripten_get_now();
        FReport(FStage, FSection, static_cast<double>(progress.Done), static_cast<double>(progress.Total),
                progress.Percent);
    }

private:
    static constexpr double Interval = 50;  // milliseconds

    val FReport;
    std::string FStage;
    std::string FSection;
    double FSent = 0;
};

val Messages(const transvane::CResult& outcome) {
    val messages = val::array();
    for (const transvane::CMessage& message : outcome.Messages) {
        val context = val::array();
        for (const std::string& line : message.Context)
            context.call<void>("push", line);
        val entry = val::object();
        entry.set("text", message.Text);
        entry.set("context", context);
        messages.call<void>("push", entry);
    }
    return messages;
}

val Summary(const transvane::CResult& outcome) {
    val counts = val::array();
    for (const transvane::CResourceCount& count : outcome.Counts) {
        val entry = val::object();
        entry.set("kind", count.Kind);
        entry.set("count", static_cast<double>(count.Count));
        counts.call<void>("push", entry);
    }
    val summary = val::object();
    summary.set("version", outcome.SourceVersion);
    if (outcome.Ok())
        summary.set("gameId", outcome.GameId);
    summary.set("counts", counts);
    return summary;
}

// The failure as the page tells it apart; the window's and the tool's
// messages say it to the user.
const char* ErrorName(transvane::EErrorCode error) {
    switch (error) {
    case transvane::EErrorCode::None: return "";
    case transvane::EErrorCode::Damaged: return "damaged";
    case transvane::EErrorCode::NotAProject: return "not a project";
    case transvane::EErrorCode::TooOld: return "too old";
    case transvane::EErrorCode::TooNew: return "too new";
    default: return "other";
    }
}

val Lines(const std::vector<std::string>& lines) {
    val out = val::array();
    for (const std::string& line : lines)
        out.call<void>("push", line);
    return out;
}

constexpr std::size_t RoomyLimit = std::size_t{512} << 20;
constexpr std::size_t Headroom = std::size_t{16} << 20;

// The source's bytes, filled by the worker while it reads the file (the
// browser hands a file to a worker's script only piece by piece, and
// fastest without waiting for each piece), then taken by the conversion.
class CSource {
public:
    // The conversion writes the output into the source's memory once it
    // is read: memory the page has written to already, where fresh memory
    // must first be cleared by the system.  So the source gets room behind
    // it for twice its size and a little more, what any conversion writes;
    // a source larger than an eighth of what the module addresses gets
    // none, so that the model still fits beside it (the output then has
    // memory of its own).
    explicit CSource(std::size_t size) {
        if (size <= RoomyLimit) {
            try {
                FBytes.reserve(2 * size + Headroom);
            } catch (const std::bad_alloc&) {
            }
        }
        FBytes.resize(size);
    }
    // Valid until the module's memory grows: nothing in the module runs
    // while the worker fills it.
    val Bytes() { return val(typed_memory_view(FBytes.size(), FBytes.data())); }
    std::vector<std::uint8_t> Take() { return std::move(FBytes); }

private:
    std::vector<std::uint8_t> FBytes;
};

// Runs f; a failure outside the conversion (no memory for the source, most
// likely) reaches the script as an Error that says what it was.
template <class F>
auto Guarded(F f) -> decltype(f()) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        val::global("Error").new_(std::string("not enough memory for this file")).throw_();
    } catch (const std::exception& error) {
        val::global("Error").new_(std::string(error.what())).throw_();
    }
    throw std::logic_error("unreachable: throw_ does not return");
}

std::unique_ptr<CSource> Source(std::size_t size) {
    return Guarded([&] { return std::make_unique<CSource>(size); });
}

// Converts, or recovers when recoverAs names the file to be; the source is
// read by the one and the other alike.  The model is gone before the
// output is copied out.
val ConvertNow(CSource& source, const val& progress, const val& deliver, const std::string* recoverAs) {
    CPageObserver observer(progress);
    std::vector<std::uint8_t> converted;
    transvane::CResult outcome;
    {
        transvane::COptions options;
        options.Observer = &observer;
        transvane::CConverter conversion(options);
        const bool loaded =
            recoverAs != nullptr ? conversion.Recover(source.Take()).Ok() : conversion.Load(source.Take()).Ok();
        if (loaded)
            conversion.Save(converted);
        outcome = conversion.Result();
    }
    val result = val::object();
    result.set("ok", outcome.Ok());
    result.set("error", std::string(ErrorName(outcome.Error)));
    if (recoverAs != nullptr && outcome.Recovery) {
        val recovery = val::object();
        recovery.set("lines", Lines(outcome.Recovery->Lines));
        recovery.set("last", outcome.Ok() ? transvane::RecoveredInto(*outcome.Recovery, *recoverAs) : std::string());
        result.set("recovery", recovery);
    }
    result.set("output", outcome.Ok() ? deliver(typed_memory_view(converted.size(), converted.data())) : val::null());
    result.set("messages", Messages(outcome));
    result.set("summary", Summary(outcome));
    return result;
}

val Convert(CSource& source, const val& progress, const val& deliver) {
    return Guarded([&] { return ConvertNow(source, progress, deliver, nullptr); });
}

val Recover(CSource& source, const val& progress, const val& deliver, const std::string& name) {
    return Guarded([&] { return ConvertNow(source, progress, deliver, &name); });
}

}  // namespace

}  // namespace transvane

using namespace transvane;

EMSCRIPTEN_BINDINGS(transvane) {
    emscripten::class_<CSource>("Source").function("bytes", &CSource::Bytes);
    emscripten::function("source", &Source);
    emscripten::function("convert", &Convert);
    emscripten::function("recover", &Recover);
}
