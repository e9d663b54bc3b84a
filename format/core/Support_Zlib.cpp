#include "format/core/Support_Zlib.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <zlib.h>

#if TRANSVANE_LIBDEFLATE
#include <libdeflate.h>
#endif
#ifdef _WIN32
#include <pthread.h>
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

namespace transvane {

namespace {

// zlib's output goes through a fixed window of this size on both sides, so
// its working memory does not depend on the size of a block.
constexpr std::size_t WindowSize = 65536;
// The most input handed to zlib in one call: its counters are 32 bits.
constexpr std::size_t MaxZlibChunk = std::size_t{1} << 30;

// What zlib writes for no bytes at its default level: the header, one empty
// fixed-code block, the Adler-32 of nothing.
constexpr std::uint8_t EmptyStream[] = {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};

// The header every block gets, whatever follows it: a window of 32 KiB and
// the default level.  The level bits only describe how the stream was
// made; no inflater looks at them.
constexpr std::uint8_t StreamHeader[] = {0x78, 0x9C};

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
// The fastest level, for measuring a sample (see WorthCompressing).
int InitFastDeflate(z_stream& zs) { return deflateInit2(&zs, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY); }

using CDeflater = CZlibState<InitDeflate, deflateEnd>;
using CInflater = CZlibState<InitInflate, inflateEnd>;
using CFastDeflater = CZlibState<InitFastDeflate, deflateEnd>;

// The calling thread's own T (one per Use), made on first use and released
// when the thread ends.  On Windows, MinGW's emulated thread-local storage
// frees a thread's storage before it runs the destructors of the
// thread_local objects in it, so a worker that had compressed anything
// crashed as it ended: there the object lives on the heap, thread-local
// storage holds a plain pointer, and a key whose destructor is handed that
// pointer releases it.
template <class T, int Use = 0>
T& ThreadOwn() {
#ifdef _WIN32
    static const pthread_key_t key = [] {
        pthread_key_t made{};
        if (::pthread_key_create(&made, [](void* object) { std::unique_ptr<T>(static_cast<T*>(object)).reset(); }) != 0)
            throw std::bad_alloc();
        return made;
    }();
    thread_local T* object = nullptr;
    if (object == nullptr) {
        std::unique_ptr<T> made = std::make_unique<T>();
        if (::pthread_setspecific(key, made.get()) != 0)
            throw std::bad_alloc();
        object = made.release();
    }
    return *object;
#else
    thread_local T object;
    return object;
#endif
}

// Compresses with the deflate state given: the converter's own, or the
// fastest one for a sample.
template <class TDeflater>
void ZlibCompress(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination, TDeflater& deflater) {
    z_stream& zs = deflater.Stream();
    int code = deflateReset(&zs);
    if (code != Z_OK)
        throw EZCompressionError(ZlibMessage(zs, code));

    // The output comes in pieces of the scratch window, each appended to the
    // destination: no zero-filled reservation, and the destination grows as
    // any buffer does.  deflate's output does not depend on how its input
    // is handed over, so the whole source goes in at once (in pieces of at
    // most what zlib's counters hold).
    const std::size_t start = destination.size();
    std::uint8_t* const window = deflater.Window();
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

std::optional<std::vector<std::uint8_t>> ZlibInflate(std::span<const std::uint8_t> source, std::size_t maxSize) {
    z_stream& zs = ThreadOwn<CInflater>().Stream();
    int code = inflateReset(&zs);
    if (code != Z_OK)
        throw EZCompressionError(ZlibMessage(zs, code));
    // The reset keeps the input pointers: an earlier block may have left
    // bytes behind its zlib stream, or failed half-way.
    zs.next_in = nullptr;
    zs.avail_in = 0;

    std::vector<std::uint8_t> result;
    std::uint8_t* const window = ThreadOwn<CInflater>().Window();
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
        if (code == Z_BUF_ERROR)
            throw EZCompressionError("the compressed data ends early");
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

#if TRANSVANE_LIBDEFLATE

// libdeflate works on whole buffers, which is what a block is, and does the
// same work as zlib in about half the time.  Its compressor at level 6
// writes the stream a zlib compressor at the default level announces
// (header 78 9C, a window of 32 KiB, the Adler-32 behind the data); only
// for no bytes at all does it choose other deflate blocks than zlib, so
// that case is written as zlib writes it.
//
// Which compressor, at which level, was measured on the benchmark's
// projects, one block at a time against zlib at its default level:
//   - sounds and data of megabytes: level 6 writes 0.2 % less than zlib
//     in a quarter of its time; higher levels save a few tenths of a per
//     cent more at 1.3 to 2.3 times the time of level 6.
//   - pictures of 16 KiB and more, runs of a few pixels: level 6 writes
//     6 % more than zlib in half its time.  Level 7 writes 1.2 % more and
//     level 8 2 % less, but at 1.9 and 5 times the time of level 6, which
//     is as slow as zlib or slower; zlib itself needs 2 times.  The speed
//     of the conversion goes first here: level 6.
//   - blocks of less than a few KiB: small pictures (15 to 23 different
//     byte values in a block) come out 10 % larger than with zlib at every
//     level, and zlib takes only 1.3 times as long for them.  Small sounds
//     and data files (32 to 200 values) come out alike or 1.4 % smaller,
//     and zlib takes 2.5 to 3.5 times as long there.  So a small block of
//     few values goes to zlib, any other to libdeflate; counting the values
//     costs a fraction of compressing them.
constexpr int LibdeflateLevel = 6;
constexpr std::size_t SmallBlock = 4096;
constexpr int FewValues = 32;

bool SuitsZlibBetter(std::span<const std::uint8_t> source) {
    if (source.size() >= SmallBlock)
        return false;
    std::array<bool, 256> seen{};
    int values = 0;
    for (const std::uint8_t byte : source) {
        if (!seen[byte]) {
            seen[byte] = true;
            if (++values >= FewValues)
                return false;
        }
    }
    return true;
}

struct CFreeCompressor {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};
struct CFreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

// A compressor at Level, or a decompressor, allocated on first use; one of
// each per thread (ThreadOwn).
template <int Level>
class CLibdeflateCompressor {
public:
    libdeflate_compressor& Get() {
        if (FCompressor == nullptr) {
            FCompressor.reset(libdeflate_alloc_compressor(Level));
            if (FCompressor == nullptr)
                throw EZCompressionError("insufficient memory");
        }
        return *FCompressor;
    }

private:
    std::unique_ptr<libdeflate_compressor, CFreeCompressor> FCompressor;
};

class CLibdeflateDecompressor {
public:
    libdeflate_decompressor& Get() {
        if (FDecompressor == nullptr) {
            FDecompressor.reset(libdeflate_alloc_decompressor());
            if (FDecompressor == nullptr)
                throw EZCompressionError("insufficient memory");
        }
        return *FDecompressor;
    }

private:
    std::unique_ptr<libdeflate_decompressor, CFreeDecompressor> FDecompressor;
};

libdeflate_compressor& Compressor() { return ThreadOwn<CLibdeflateCompressor<LibdeflateLevel>>().Get(); }
libdeflate_decompressor& Decompressor() { return ThreadOwn<CLibdeflateDecompressor>().Get(); }

void LibdeflateCompress(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination) {
    libdeflate_compressor& compressor = Compressor();
    // Compressed straight into the destination, with room for the worst
    // case; what is not used is cut off again (the capacity stays).
    const std::size_t start = destination.size();
    destination.resize(start + libdeflate_zlib_compress_bound(&compressor, source.size()));
    const std::size_t written = libdeflate_zlib_compress(&compressor, source.data(), source.size(),
                                                         destination.data() + start, destination.size() - start);
    destination.resize(start + written);
    if (written == 0)
        throw EZCompressionError("compressed data exceeds its bound");
}

// Deflate cannot encode more than 258 bytes in less than two bits, so no
// stream of n bytes inflates to more than about 1032 n bytes.
constexpr std::size_t MaxDeflateRatio = 1032;
constexpr std::size_t StreamOverhead = 1024;

// The inflated size is stored nowhere, and libdeflate needs the room for
// all of it at once.  It inflates into a buffer as large as the stream can
// possibly inflate to, within maxSize, and the bytes are then copied into a
// buffer of their own size.  Where that room is at most ScratchSize, as for
// every stream of up to about a thousand bytes, it is one buffer kept by the
// thread: a fresh one for each small block would grow and shrink the heap
// every time, and with huge pages the system clears two megabytes for each
// growth (a fifth of the time of a project of many small blocks).  Larger
// room is allocated for the block and left uninitialised: the system backs
// only the pages that are written, so a block costs what it inflates to.
// What libdeflate cannot do is left to zlib: a block for which no such
// buffer could be had, data that libdeflate refuses (zlib then tells what
// is wrong with it, in its own words).
constexpr std::size_t ScratchSize = std::size_t{1} << 20;

enum class EFastInflate { Done, TooLarge, LeftToZlib };

// Room left uninitialised, as std::make_unique_for_overwrite gives it; the
// browser's C++ library does not have that yet.
std::unique_ptr<std::uint8_t[]> UninitialisedRoom(std::size_t size) {
    return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]);
}

EFastInflate LibdeflateInflate(std::span<const std::uint8_t> source, std::size_t maxSize,
                               std::vector<std::uint8_t>& result) {
    // A block's count is an int32, so the product cannot overflow.
    const std::size_t most = std::min(maxSize, source.size() * MaxDeflateRatio + StreamOverhead);
    std::unique_ptr<std::uint8_t[]>& scratch = ThreadOwn<std::unique_ptr<std::uint8_t[]>>();
    std::unique_ptr<std::uint8_t[]> ownRoom;
    std::uint8_t* room = nullptr;
    try {
        if (most <= ScratchSize) {
            if (scratch == nullptr)
                scratch = UninitialisedRoom(ScratchSize);
            room = scratch.get();
        } else {
            ownRoom = UninitialisedRoom(most);
            room = ownRoom.get();
        }
    } catch (const std::bad_alloc&) {
        return EFastInflate::LeftToZlib;
    }
    std::size_t inflated = 0;
    switch (libdeflate_zlib_decompress(&Decompressor(), source.data(), source.size(), room, most, &inflated)) {
    case LIBDEFLATE_SUCCESS: result.assign(room, room + inflated); return EFastInflate::Done;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        // Room for maxSize bytes, or for more than the stream can hold.
        return most == maxSize ? EFastInflate::TooLarge : EFastInflate::LeftToZlib;
    default: return EFastInflate::LeftToZlib;
    }
}

#endif

// ---- data that does not compress ---------------------------------------------
//
// Sounds are mostly MP3 or OGG, many pictures and data files are PNG or ZIP:
// deflate finds nothing in them, and searching for matches that are not
// there is by far the slowest thing a save can do (level 6 runs at a tenth
// of the speed of merely copying such bytes).  So each block is judged on a
// sample first, and one that would not shrink by at least 1 % is written as
// stored deflate blocks: still one zlib stream with the usual header and
// Adler-32, readable by any inflater, and smaller than what deflate makes
// of such data (5 bytes per 64 KiB instead of Huffman tables per block).

// Blocks below this are compressed without judging: they cost little
// either way, and a sample of them would say little.
constexpr std::size_t JudgedBlock = 8192;
// The sample: windows of this size, spread evenly over the block, at least
// two and at most SampleWindows of them (about one in thirty-two bytes of a
// block of up to a megabyte, less above that).
constexpr std::size_t SampleWindow = 4096;
constexpr std::size_t SampleWindows = 8;
// A sample whose byte values alone (order-0 entropy) promise this many bits
// a byte or fewer is compressible, whatever matches deflate would find: 7.8
// bits save 2.5 %, and a sample of two windows of random bytes measures
// above 7.95.
constexpr double SurelyCompressibleBits = 7.8;
// A block must shrink to this share of its size to be worth compressing.
constexpr double WorthwhileShare = 0.99;

// The bytes of the sample: the whole block when it is small, else windows
// spread from its first byte to its last.
std::span<const std::uint8_t> Sample(std::span<const std::uint8_t> source) {
    const std::size_t windows = std::clamp<std::size_t>(source.size() / (32 * SampleWindow), 2, SampleWindows);
    if (source.size() <= windows * SampleWindow)
        return source;
    std::vector<std::uint8_t>& sample = ThreadOwn<std::vector<std::uint8_t>, 1>();
    sample.resize(windows * SampleWindow);
    const std::size_t stride = (source.size() - SampleWindow) / (windows - 1);
    for (std::size_t i = 0; i < windows; ++i)
        std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(i * stride), SampleWindow,
                    sample.begin() + static_cast<std::ptrdiff_t>(i * SampleWindow));
    return sample;
}

double BitsPerByte(std::span<const std::uint8_t> bytes) {
    std::array<std::size_t, 256> counts{};
    for (const std::uint8_t byte : bytes)
        ++counts[byte];
    double bits = 0;
    const auto total = static_cast<double>(bytes.size());
    for (const std::size_t count : counts)
        if (count != 0) {
            const double share = static_cast<double>(count) / total;
            bits -= share * std::log2(share);
        }
    return bits;
}

// What the sample deflates to at the fastest level: matches and byte
// statistics both show, at a fraction of the cost of level 6.
std::size_t FastDeflatedSize(std::span<const std::uint8_t> sample) {
    std::vector<std::uint8_t>& packed = ThreadOwn<std::vector<std::uint8_t>, 2>();
    packed.clear();
#if TRANSVANE_LIBDEFLATE
    libdeflate_compressor& fastest = ThreadOwn<CLibdeflateCompressor<1>>().Get();
    packed.resize(libdeflate_deflate_compress_bound(&fastest, sample.size()));
    const std::size_t written =
        libdeflate_deflate_compress(&fastest, sample.data(), sample.size(), packed.data(), packed.size());
    return written != 0 ? written : sample.size();
#else
    ZlibCompress(sample, packed, ThreadOwn<CFastDeflater>());
    return packed.size();
#endif
}

bool WorthCompressing(std::span<const std::uint8_t> source) {
    if (source.size() < JudgedBlock)
        return true;
    const std::span<const std::uint8_t> sample = Sample(source);
    if (BitsPerByte(sample) <= SurelyCompressibleBits)
        return true;
    return static_cast<double>(FastDeflatedSize(sample)) <= WorthwhileShare * static_cast<double>(sample.size());
}

// Deflate's stored blocks hold at most this many bytes each.
constexpr std::size_t MaxStoredBlock = 65535;

// The Adler-32 of nothing, where every check starts.
constexpr std::uint32_t AdlerStart = 1;

#if defined(__wasm_simd128__)

// In the browser libdeflate has only its portable Adler-32, one byte at a
// time, and every byte of a stored block is checked twice (read, written):
// for data that does not compress that was a third of the conversion.  This
// one takes sixteen bytes a step.  For n bytes x0 .. x(n-1) after (s1, s2):
//   s1' = s1 + sum x(i)
//   s2' = s2 + n s1 + sum (n - i) x(i)
// and with n = 16 K, byte i = 16 k + j: n - i = 16 (K - 1 - k) + (16 - j).
// Per step the lanes gather the bytes' sum (sums), the sum of the sums
// before each step (prefix: 16 of it make the first part) and the bytes
// weighted 16 .. 1 (weighted: the second part).
std::uint32_t Adler32(std::uint32_t adler, std::span<const std::uint8_t> bytes) {
    constexpr std::uint32_t Base = 65521;
    // Lanes are 32 bits: after K steps prefix holds at most 1020 K (K - 1) / 2,
    // below 2^32 for up to 2048 steps.
    constexpr std::size_t Chunk = 2048 * 16;
    const v128_t firstWeights = wasm_i16x8_make(16, 15, 14, 13, 12, 11, 10, 9);
    const v128_t lastWeights = wasm_i16x8_make(8, 7, 6, 5, 4, 3, 2, 1);
    const auto laneSum = [](v128_t lanes) {
        return std::uint64_t{wasm_u32x4_extract_lane(lanes, 0)} + wasm_u32x4_extract_lane(lanes, 1) +
               wasm_u32x4_extract_lane(lanes, 2) + wasm_u32x4_extract_lane(lanes, 3);
    };
    std::uint32_t s1 = adler & 0xFFFF;
    std::uint32_t s2 = adler >> 16;
    const std::uint8_t* at = bytes.data();
    std::size_t left = bytes.size();
    while (left >= 16) {
        const std::size_t n = std::min(left, Chunk) & ~std::size_t{15};
        v128_t sums = wasm_i32x4_splat(0);
        v128_t prefix = sums;
        v128_t weighted = sums;
        for (const std::uint8_t* const end = at + n; at != end; at += 16) {
            const v128_t v = wasm_v128_load(at);
            prefix = wasm_i32x4_add(prefix, sums);
            sums = wasm_i32x4_add(sums, wasm_u32x4_extadd_pairwise_u16x8(wasm_u16x8_extadd_pairwise_u8x16(v)));
            weighted = wasm_i32x4_add(weighted, wasm_i32x4_dot_i16x8(wasm_u16x8_extend_low_u8x16(v), firstWeights));
            weighted = wasm_i32x4_add(weighted, wasm_i32x4_dot_i16x8(wasm_u16x8_extend_high_u8x16(v), lastWeights));
        }
        const std::uint64_t second = s2 + n * std::uint64_t{s1} + 16 * laneSum(prefix) + laneSum(weighted);
        s1 = static_cast<std::uint32_t>((s1 + laneSum(sums)) % Base);
        s2 = static_cast<std::uint32_t>(second % Base);
        left -= n;
    }
    for (; left != 0; --left) {
        s1 += *at++;
        s2 += s1;
    }
    return (s2 % Base) << 16 | (s1 % Base);
}

#else

std::uint32_t Adler32(std::uint32_t adler, std::span<const std::uint8_t> bytes) {
    if (bytes.empty())  // libdeflate answers a null buffer with a fresh start
        return adler;
#if TRANSVANE_LIBDEFLATE
    return libdeflate_adler32(adler, bytes.data(), bytes.size());
#else
    uLong running = adler;
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t chunk = std::min(bytes.size() - done, MaxZlibChunk);
        running = adler32(running, bytes.data() + done, static_cast<uInt>(chunk));
        done += chunk;
    }
    return static_cast<std::uint32_t>(running);
#endif
}

#endif

// The zlib stream of source in stored blocks: the header, then per block of
// up to 64 KiB its final bit and type (one byte, the rest of the byte and
// the alignment being zero), its length and the length's complement, and
// the bytes; then the Adler-32, most significant byte first.
void StoreBlock(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination) {
    const std::size_t blocks = (source.size() + MaxStoredBlock - 1) / MaxStoredBlock;
    // Appended piece by piece into room reserved for all of it: the bytes
    // are written once, with no zero-filling first.  The room grows as a
    // vector grows, so that a stream taking block after block is not
    // copied for each.
    const std::size_t needed = destination.size() + std::size(StreamHeader) + blocks * 5 + source.size() + 4;
    if (needed > destination.capacity())
        destination.reserve(std::max(needed, 2 * destination.capacity()));
    destination.insert(destination.end(), std::begin(StreamHeader), std::end(StreamHeader));
    std::uint32_t adler = AdlerStart;
    for (std::size_t done = 0; done < source.size();) {
        const std::size_t length = std::min(source.size() - done, MaxStoredBlock);
        const auto word = static_cast<std::uint16_t>(length);
        const auto complement = static_cast<std::uint16_t>(~word);
        const std::uint8_t header[] = {static_cast<std::uint8_t>(done + length == source.size() ? 1 : 0),
                                       static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                                       static_cast<std::uint8_t>(complement),
                                       static_cast<std::uint8_t>(complement >> 8)};
        destination.insert(destination.end(), std::begin(header), std::end(header));
        const std::span<const std::uint8_t> piece = source.subspan(done, length);
        destination.insert(destination.end(), piece.begin(), piece.end());
        // Checked while the piece is still in the cache from copying it.
        adler = Adler32(adler, piece);
        done += length;
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        destination.push_back(static_cast<std::uint8_t>(adler >> shift));
}

// ---- streams of stored blocks only ------------------------------------------
//
// What the converter writes for data that does not compress, and what zlib
// itself writes for such data, is a zlib stream of stored blocks only.  Its
// inflated size is the sum of the blocks' lengths, so such a stream is read
// by walking the block headers first and copying each block's bytes once
// into a buffer of exactly that size; an inflater would copy them through
// its window and into a buffer that grows.  Anything else (another block
// type, lengths that do not check, a stream cut short, a wrong Adler-32) is
// left to the inflaters, which say what is wrong in their own words.

// The first byte of a stored block holds its final bit and its type, 00.
constexpr std::uint8_t StoredTypeMask = 0x06;
// A stored block's header: that byte, the length and its complement.
constexpr std::size_t StoredHeader = 5;

std::uint16_t ReadLittle16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

// Walks a stream of stored blocks only, handing each block's bytes to each
// in turn; the offset of the Adler-32 behind them, or nullopt for any other
// stream.
template <class F>
std::optional<std::size_t> WalkStored(std::span<const std::uint8_t> source, F each) {
    // The header: deflate with a window of at most 32 KiB, no preset
    // dictionary, its check bits right.
    if (source.size() < 2 || (source[0] & 0x0F) != 8 || (source[0] >> 4) > 7 || (source[1] & 0x20) != 0 ||
        (source[0] << 8 | source[1]) % 31 != 0)
        return std::nullopt;
    std::size_t at = 2;
    for (bool last = false; !last;) {
        if (source.size() - at < StoredHeader || (source[at] & StoredTypeMask) != 0)
            return std::nullopt;
        last = (source[at] & 1) != 0;
        const std::uint16_t length = ReadLittle16(&source[at + 1]);
        if (static_cast<std::uint16_t>(~length) != ReadLittle16(&source[at + 3]) ||
            source.size() - at - StoredHeader < length)
            return std::nullopt;
        each(source.subspan(at + StoredHeader, length));
        at += StoredHeader + length;
    }
    if (source.size() - at < 4)
        return std::nullopt;
    return at;
}

enum class EStoredInflate { Done, TooLarge, NotStored };

EStoredInflate StoredInflate(std::span<const std::uint8_t> source, std::size_t maxSize,
                             std::vector<std::uint8_t>& result) {
    std::size_t size = 0;
    const std::optional<std::size_t> trailer =
        WalkStored(source, [&](std::span<const std::uint8_t> block) { size += block.size(); });
    if (!trailer)
        return EStoredInflate::NotStored;
    if (size > maxSize)
        return EStoredInflate::TooLarge;
    result.reserve(size);
    // Each block checked as it is copied, while its bytes are in the cache.
    std::uint32_t adler = AdlerStart;
    WalkStored(source, [&](std::span<const std::uint8_t> block) {
        result.insert(result.end(), block.begin(), block.end());
        adler = Adler32(adler, block);
    });
    const std::uint8_t* check = &source[*trailer];
    const std::uint32_t stored = static_cast<std::uint32_t>(check[0]) << 24 |
                                 static_cast<std::uint32_t>(check[1]) << 16 |
                                 static_cast<std::uint32_t>(check[2]) << 8 | check[3];
    return adler == stored ? EStoredInflate::Done : EStoredInflate::NotStored;
}

}  // namespace

void CompressBlock(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination) {
    if (source.empty()) {
        destination.insert(destination.end(), std::begin(EmptyStream), std::end(EmptyStream));
        return;
    }
    if (!WorthCompressing(source)) {
        StoreBlock(source, destination);
        return;
    }
#if TRANSVANE_LIBDEFLATE
    if (!SuitsZlibBetter(source)) {
        LibdeflateCompress(source, destination);
        return;
    }
#endif
    ZlibCompress(source, destination, ThreadOwn<CDeflater>());
}

std::optional<std::vector<std::uint8_t>> InflateBlock(std::span<const std::uint8_t> source, std::size_t maxSize) {
    std::vector<std::uint8_t> result;
    switch (StoredInflate(source, maxSize, result)) {
    case EStoredInflate::Done: return result;
    case EStoredInflate::TooLarge: return std::nullopt;
    case EStoredInflate::NotStored: break;
    }
#if TRANSVANE_LIBDEFLATE
    switch (LibdeflateInflate(source, maxSize, result)) {
    case EFastInflate::Done: return result;
    case EFastInflate::TooLarge: return std::nullopt;
    case EFastInflate::LeftToZlib: break;
    }
#endif
    return ZlibInflate(source, maxSize);
}

}  // namespace transvane
