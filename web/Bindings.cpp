// What the page's worker (page/worker.js) sees of the WebAssembly module:
// one function,
//
//   convert(size, fill, progress) -> {ok, bytes, messages, summary}
//
// size      the source's length in bytes;
// fill      called once with a Uint8Array of that length in the module's
//           memory, to copy the source into (the worker reads a file into
//           it slice by slice, so the source exists once);
// progress  called with (text, section, done, total, percent) as the
//           conversion moves, at most every 50 ms and at each new section.
//
// messages are {text, context} in the order shown: the converter's message
// and the lines of context the command-line tool prints under it.
// page/transvane.js wraps it as Transvane.convert and documents it.
#include <cstdint>
#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "project/Conversion.h"

namespace transvane {

namespace {

using emscripten::typed_memory_view;
using emscripten::val;

// Hands the converter's progress to the worker's script, no more often than
// a page can redraw usefully: a list of a million small records must not
// cost a million calls into the script.
class CPageFeedback final : public CFeedback {
public:
    explicit CPageFeedback(val report) : FReport(std::move(report)) {}

    void ShowMessage(const std::string&) override {}  // the result carries them
    void ProgressStart(const std::string& text) override {
        FText = text;
        FPercent = 0;
        Send();
    }
    void ProgressSet(int percent) override {
        FPercent = percent;
        SendSometimes();
    }
    void ProgressEnd() override {}
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override {
        FDone = done;
        FTotal = total;
        if (section != FSection) {
            FSection = std::string(section);
            Send();
        } else {
            SendSometimes();
        }
    }

private:
    static constexpr double Interval = 50;  // milliseconds

    void SendSometimes() {
        if (emscripten_get_now() - FSent >= Interval)
            Send();
    }
    void Send() {
        FSent = emscripten_get_now();
        FReport(FText, FSection, static_cast<double>(FDone), static_cast<double>(FTotal), FPercent);
    }

    val FReport;
    std::string FText;
    std::string FSection;
    std::uint64_t FDone = 0, FTotal = 0;
    int FPercent = 0;
    double FSent = 0;
};

val ToScript(const CBlock& block) {
    return val::global("Uint8Array").new_(typed_memory_view(block.size(), block.data()));
}

val Messages(const CConversionReport& report) {
    val messages = val::array();
    for (const CReportedMessage& message : report.Messages) {
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

val Summary(const CConversionResult& outcome) {
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
    return summary;
}

val ConvertNow(std::size_t size, const val& fill, const val& progress) {
    CPageFeedback feedback(progress);
    CBlock converted;
    CConversionResult outcome;
    {
        // The source goes to the conversion, which lets go of it once it is
        // read; the model is gone before the output is copied out, so the
        // module's memory holds at most the source or the output beside it.
        CBlock source(size);
        fill(typed_memory_view(source.size(), source.data()));
        CConversion conversion(&feedback);
        if (conversion.Load(std::move(source)))
            conversion.Save(converted);
        outcome = conversion.TakeResult();
    }
    val result = val::object();
    result.set("ok", outcome.Converted);
    result.set("bytes", outcome.Converted ? ToScript(converted) : val::null());
    result.set("messages", Messages(outcome.Report));
    result.set("summary", Summary(outcome));
    return result;
}

// A failure outside the conversion (no memory for the source, most likely)
// reaches the script as an Error that says what it was.
val Convert(std::size_t size, const val& fill, const val& progress) {
    try {
        return ConvertNow(size, fill, progress);
    } catch (const std::bad_alloc&) {
        val::global("Error").new_(std::string("not enough memory for this file")).throw_();
    } catch (const std::exception& error) {
        val::global("Error").new_(std::string(error.what())).throw_();
    }
    return val::null();
}

}  // namespace

}  // namespace transvane

using namespace transvane;

EMSCRIPTEN_BINDINGS(transvane) { emscripten::function("convert", &Convert); }
