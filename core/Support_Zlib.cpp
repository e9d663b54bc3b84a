#include "core/Support_Zlib.h"

#include <algorithm>
#include <string>
#include <zlib.h>

namespace {

// zlib's output goes through a fixed window of this size on both sides, so
// its working memory does not depend on the size of a block.
constexpr std::size_t WindowSize = 65536;
// The most input handed to zlib in one call: its counters are 32 bits.
constexpr std::size_t MaxZlibChunk = std::size_t{1} << 30;

std::size_t TheInflateLimit = MaxBlockSize;

std::string ZlibMessage(const z_stream& zs, int code) {
    if (zs.msg != nullptr)
        return zs.msg;
    const char* text = zError(code);
    return text != nullptr ? text : "zlib error";
}

// One deflate and one inflate state per thread, set up once and reset for
// every block: a fresh state costs a quarter of a megabyte of allocation and
// clearing, which dominates the time for small blocks.
// Init sets a fresh state up; End releases it.
template <int (*Init)(z_stream&), int (*End)(z_streamp)>
class CZlibState {
public:
    CZlibState() = default;
    CZlibState(const CZlibState&) = delete;
    CZlibState& operator=(const CZlibState&) = delete;
    ~CZlibState() {
        if (FReady)
            End(&FStream);
    }
    z_stream& Stream() {
        if (!FReady) {
            FStream = z_stream{};
            const int code = Init(FStream);
            if (code != Z_OK)
                throw EZCompressionError(ZlibMessage(FStream, code));
            FReady = true;
        }
        return FStream;
    }
    std::uint8_t* Window() { return FWindow.data(); }

private:
    z_stream FStream{};
    bool FReady = false;
    std::vector<std::uint8_t> FWindow = std::vector<std::uint8_t>(WindowSize);
};

// The converter's fixed settings: default level, 15 window bits, memory
// level 8, default strategy; inflate with the default window.
int InitDeflate(z_stream& zs) {
    return deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
}
int InitInflate(z_stream& zs) { return inflateInit(&zs); }

using CDeflater = CZlibState<InitDeflate, deflateEnd>;
using CInflater = CZlibState<InitInflate, inflateEnd>;

thread_local CDeflater TheDeflater;
thread_local CInflater TheInflater;

}  // namespace

void SetInflateLimit(std::size_t limit) { TheInflateLimit = std::min(limit, MaxBlockSize); }
std::size_t InflateLimit() { return TheInflateLimit; }

void CompressBlock(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination) {
    z_stream& zs = TheDeflater.Stream();
    int code = deflateReset(&zs);
    if (code != Z_OK)
        throw EZCompressionError(ZlibMessage(zs, code));

    // The output comes in pieces of the scratch window, each appended to the
    // destination: no zero-filled reservation, and the destination grows as
    // any buffer does.  deflate's output does not depend on how its input
    // is handed over, so the whole source goes in at once (in pieces of at
    // most what zlib's counters hold).
    const std::size_t start = destination.size();
    std::uint8_t* const window = TheDeflater.Window();
    std::size_t consumed = 0;
    do {
        const std::size_t inChunk = std::min<std::size_t>(source.size() - consumed, MaxZlibChunk);
        zs.next_in = const_cast<Bytef*>(source.data() + consumed);
        zs.avail_in = static_cast<uInt>(inChunk);
        consumed += inChunk;
        const int flush = consumed == source.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = window;
            zs.avail_out = static_cast<uInt>(WindowSize);
            code = deflate(&zs, flush);
            if (code == Z_STREAM_ERROR) {
                destination.resize(start);
                throw EZCompressionError(ZlibMessage(zs, code));
            }
            destination.insert(destination.end(), window, window + (WindowSize - zs.avail_out));
        } while (zs.avail_out == 0);
    } while (consumed < source.size());
    if (code != Z_STREAM_END) {
        destination.resize(start);
        throw EZCompressionError(ZlibMessage(zs, code));
    }
}

std::optional<std::vector<std::uint8_t>> InflateBlock(std::span<const std::uint8_t> source, std::size_t maxSize) {
    z_stream& zs = TheInflater.Stream();
    int code = inflateReset(&zs);
    if (code != Z_OK)
        throw EZCompressionError(ZlibMessage(zs, code));
    // The reset keeps the input pointers: an earlier block may have left
    // bytes behind its zlib stream, or failed half-way.
    zs.next_in = nullptr;
    zs.avail_in = 0;

    std::vector<std::uint8_t> result;
    std::uint8_t* const window = TheInflater.Window();
    std::size_t consumed = 0;
    do {
        if (zs.avail_in == 0 && consumed < source.size()) {
            const std::size_t inChunk = std::min<std::size_t>(source.size() - consumed, MaxZlibChunk);
            zs.next_in = const_cast<Bytef*>(source.data() + consumed);
            zs.avail_in = static_cast<uInt>(inChunk);
            consumed += inChunk;
        }
        zs.next_out = window;
        zs.avail_out = static_cast<uInt>(WindowSize);
        code = inflate(&zs, Z_NO_FLUSH);
        // Z_BUF_ERROR means no progress was possible: with output room
        // given, that happens only when the input ran out before the end of
        // the zlib stream (the compressed count cut it short).
        if (code == Z_NEED_DICT)
            code = Z_DATA_ERROR;
        if (code != Z_OK && code != Z_STREAM_END)
            throw EZCompressionError(ZlibMessage(zs, code));
        const std::size_t produced = WindowSize - zs.avail_out;
        // One byte past the limit is enough to know; the block never grows
        // beyond limit + window.
        if (produced > maxSize - std::min(maxSize, result.size()))
            return std::nullopt;
        if (result.empty() && code != Z_STREAM_END) {
            // A first guess at the size, so that a block of a few windows
            // is not moved around while it grows.
            result.reserve(std::min<std::size_t>(source.size() * 4 + WindowSize, std::size_t{16} << 20));
        }
        result.insert(result.end(), window, window + produced);
    } while (code != Z_STREAM_END);
    // Bytes after the end of the zlib stream are never written by this
    // system; they are ignored.
    if (result.capacity() - result.size() > result.size() / 8 + WindowSize)
        result.shrink_to_fit();
    return result;
}
