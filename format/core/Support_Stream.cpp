#include "format/core/Support_Stream.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// zlib's output goes through a fixed window of this size on both sides, so
// its working memory does not depend on the size of a block.
constexpr std::size_t WindowSize = 65536;
// The most input handed to zlib in one call: its counters are 32 bits.
constexpr std::size_t MaxZlibChunk = std::size_t{1} << 30;

// The running load's budget (CCoreState) is this when no load runs.
constexpr std::size_t Unlimited = std::numeric_limits<std::size_t>::max();

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

CBlock ReadWholeFile(int fd, std::size_t size, const std::string& fileName) {
    CBlock bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        throw EFileError("Cannot read file \"" + fileName + "\": out of memory");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw EFileError("Cannot read file \"" + fileName + "\": " +
                             (got == 0 ? "file shrank while reading" : std::strerror(errno)));
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------
// CMemoryStream

void CMemoryStream::SetPosition(std::size_t position) {
    if (position < FSpilled)
        throw std::logic_error("a spilling stream cannot go back to bytes already written");
    FPosition = std::min(position - FSpilled, Held());
}

void CMemoryStream::Read(std::span<std::uint8_t> destination) {
    std::span<const std::uint8_t> source = Take(destination.size());
    if (!source.empty())
        std::memcpy(destination.data(), source.data(), source.size());
}

void CMemoryStream::ThrowShortRead() { throw EReadError("Stream read error"); }

void CMemoryStream::WriteElsewhere(std::span<const std::uint8_t> source) {
    if (FMapping != nullptr)
        CopyMapping();
    if (FPosition == FBuffer.size()) {
        if (FSpillFile >= 0 && FBuffer.size() >= FSpillAt)
            Spill();  // the window is full
        FBuffer.insert(FBuffer.end(), source.begin(), source.end());
        FPosition = FBuffer.size();
        return;
    }
    const std::size_t end = FPosition + source.size();
    if (end > FBuffer.size())
        FBuffer.resize(end);
    if (!source.empty())
        std::memmove(FBuffer.data() + FPosition, source.data(), source.size());
    FPosition = end;
}

void CMemoryStream::ExpectItems(std::int64_t count, std::size_t bytesEach) const {
    if (count < 0)
        throw EReadError("Stream read error: negative count");
    if (bytesEach == 0)
        return;
    if (static_cast<std::uint64_t>(count) > Remaining() / bytesEach)
        throw EReadError("Stream read error: count exceeds the data");
}

void CMemoryStream::SpillTo(int fd, const std::string& fileName, std::size_t threshold) {
    if (Size() != 0)
        throw std::logic_error("only an empty stream can start spilling");
    FSpillFile = fd;
    FSpillName = fileName;
    FSpillAt = threshold;
    FAppendLimit = threshold;
}

void CMemoryStream::Spill() {
    if (FPosition != FBuffer.size())
        throw std::logic_error("a spilling stream may only be appended to");
    WriteAllToFile(FSpillFile, FBuffer, FSpillName);
    // The buffer keeps its capacity: the next window reuses the same memory.
    FSpilled += FBuffer.size();
    FBuffer.clear();
    FPosition = 0;
}

void CMemoryStream::Flush() {
    if (FSpillFile >= 0)
        Spill();
}

void CMemoryStream::CopyMapping() {
    const std::span<const std::uint8_t> mapped = FMapping->Bytes();
    FBuffer.assign(mapped.begin(), mapped.end());
    FMapping.reset();
    FAppendLimit = FSpillAt;
}

const CBlock& CMemoryStream::Bytes() const {
    if (FMapping != nullptr)
        throw std::logic_error("a stream reading a mapped file has no buffer; use View");
    return FBuffer;
}

CBlock CMemoryStream::TakeBytes() {
    if (FMapping != nullptr)
        CopyMapping();
    CBlock bytes = std::move(FBuffer);
    FBuffer.clear();
    FPosition = 0;
    return bytes;
}

void CMemoryStream::LoadFromFile(const std::string& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFileError("Cannot open file \"" + fileName + "\": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EFileError("Cannot open file \"" + fileName + "\": not an ordinary file");
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<CMappedFile> mapping;
    CBlock bytes;
    try {
        if (size > 0) {
            try {
                mapping = std::make_unique<CMappedFile>(fd, size, fileName);
            } catch (const EFileError&) {
                // Not mappable here: the file is read into the buffer instead.
            }
        }
        if (mapping == nullptr)
            bytes = ReadWholeFile(fd, size, fileName);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);  // a mapping stays valid without its descriptor
    FBuffer = std::move(bytes);
    FMapping = std::move(mapping);
    FAppendLimit = FMapping != nullptr ? 0 : FSpillAt;
    FPosition = 0;
}

void CMemoryStream::SaveToFile(const std::string& fileName) const {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw EFileError("Cannot create file \"" + fileName + "\": " + std::strerror(errno));
    try {
        WriteAllToFile(fd, View(), fileName);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        throw EFileError("Cannot write file \"" + fileName + "\": " + std::strerror(errno));
}

void WriteAllToFile(int fd, std::span<const std::uint8_t> bytes, const std::string& fileName) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw EFileError("Cannot write file \"" + fileName + "\": " + std::strerror(put < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(put);
    }
}

// ---------------------------------------------------------------------------
// CStream primitives

std::string CStream::ReadString() { return std::string(ReadStringView()); }

std::string_view CStream::ReadStringView() {
    const std::int32_t count = ReadInt();
    if (count <= 0)
        return {};
    std::span<const std::uint8_t> bytes = Take(static_cast<std::size_t>(count));
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void CStream::WriteString(std::string_view value) {
    if (value.size() > MaxBlockSize)
        throw std::length_error("string too long for the project format");
    WriteInt(static_cast<std::int32_t>(value.size()));
    Write({reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
}

CBlock CStream::ReadBlock() {
    const std::int32_t count = ReadInt();
    if (count < 0)
        throw EReadError("Stream read error: negative block size");
    std::span<const std::uint8_t> bytes = Take(static_cast<std::size_t>(count));
    return CBlock(bytes.begin(), bytes.end());
}

void CStream::WriteBlock(std::span<const std::uint8_t> source) {
    if (source.size() > MaxBlockSize)
        throw std::length_error("block too large for the project format");
    WriteInt(static_cast<std::int32_t>(source.size()));
    Write(source);
}

CBlock CStream::ReadCompressedBlock() {
    const std::int32_t count = ReadInt();
    if (count < 0)
        throw EReadError("Stream read error: negative block size");
    return InflateBlock(Take(static_cast<std::size_t>(count)));
}

void CStream::WriteCompressedBlock(std::span<const std::uint8_t> source) {
    if (FPrefetch != nullptr) {
        if (const std::optional<CBlock> prepared = FPrefetch->Take(source)) {
            if (prepared->size() > MaxBlockSize)
                throw EZCompressionError("compressed block too large for the project format");
            WriteInt(static_cast<std::int32_t>(prepared->size()));
            Write(*prepared);
            return;
        }
    }
    // Deflate straight behind a placeholder count and patch the count in
    // afterwards: the compressed bytes are never copied.  (A spilling stream
    // spills only at the start of a write, so the placeholder is still in
    // the buffer when it is patched.)
    WriteInt(0);
    if (FPosition != FBuffer.size())
        throw std::logic_error("WriteCompressedBlock must append at the end of the stream");
    const std::size_t countAt = FPosition - 4;
    CompressBlock(source, FBuffer);
    const std::size_t compressed = FBuffer.size() - countAt - 4;
    if (compressed > MaxBlockSize)
        throw EZCompressionError("compressed block too large for the project format");
    const auto count = static_cast<std::int32_t>(compressed);
    std::memcpy(FBuffer.data() + countAt, &count, 4);
    FPosition = FBuffer.size();
}

// ---------------------------------------------------------------------------
// zlib

void SetInflateLimit(std::size_t limit) { CoreState().InflateLimit = std::min(limit, MaxBlockSize); }
std::size_t InflateLimit() { return CoreState().InflateLimit; }

CLoadBudget::CLoadBudget(std::size_t fileSize)
    : FPreviousLimit(CoreState().BudgetLimit), FPreviousUsed(CoreState().BudgetUsed) {
    CCoreState& state = CoreState();
    const std::size_t scaled =
        fileSize > Unlimited / LoadBudgetFactor ? Unlimited : fileSize * LoadBudgetFactor;
    state.BudgetLimit = std::max(state.BudgetFloor, scaled);
    state.BudgetUsed = 0;
}

void SetLoadBudgetFloor(std::size_t floor) { CoreState().BudgetFloor = floor; }

CLoadBudget::~CLoadBudget() {
    CCoreState& state = CoreState();
    state.BudgetLimit = FPreviousLimit;
    state.BudgetUsed = FPreviousUsed;
}

std::size_t CLoadBudget::Remaining() { return CoreState().BudgetLimit - CoreState().BudgetUsed; }

void CLoadBudget::Charge(std::size_t bytes) {
    CCoreState& state = CoreState();
    if (state.BudgetLimit == Unlimited)
        return;
    if (bytes > Remaining())
        throw EReadError("The file describes more data than it can hold: it is corrupted");
    state.BudgetUsed += bytes;
}

void CompressBlock(std::span<const std::uint8_t> source, CBlock& destination) {
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

CBlock InflateBlock(std::span<const std::uint8_t> source) {
    // A block may not inflate past the block limit nor past what is left of
    // the running load's budget; it is charged with what it inflated to.
    const std::size_t budget = CLoadBudget::Remaining();
    const std::size_t inflateLimit = InflateLimit();
    const std::size_t limit = std::min(inflateLimit, budget);
    z_stream& zs = TheInflater.Stream();
    int code = inflateReset(&zs);
    if (code != Z_OK)
        throw EZCompressionError(ZlibMessage(zs, code));
    // The reset keeps the input pointers: an earlier block may have left
    // bytes behind its zlib stream, or failed half-way.
    zs.next_in = nullptr;
    zs.avail_in = 0;

    CBlock result;
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
        if (produced > limit - std::min(limit, result.size())) {
            if (limit < inflateLimit)
                throw EReadError("The file describes more data than it can hold: it is corrupted");
            throw EZCompressionError("inflated block exceeds the size limit");
        }
        if (result.empty() && code != Z_STREAM_END) {
            // A first guess at the size, so that a block of a few windows
            // is not moved around while it grows.
            result.reserve(std::min<std::size_t>(source.size() * 4 + WindowSize, std::size_t{16} << 20));
        }
        result.insert(result.end(), window, window + produced);
    } while (code != Z_STREAM_END);
    if (result.size() > limit)
        throw EZCompressionError("inflated block exceeds the size limit");
    CLoadBudget::Charge(result.size());
    // Bytes after the end of the zlib stream are never written by this
    // system; they are ignored.
    if (result.capacity() - result.size() > result.size() / 8 + WindowSize)
        result.shrink_to_fit();
    return result;
}
