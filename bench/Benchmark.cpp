// transvane-bench: how fast the converter is, next to what zlib alone needs.
//
//   transvane-bench [--scale S] [--repeat N] [--dir DIR] [--only NAME] [--keep]
//                   [--page PAGE]
//
// --keep leaves the generated projects in DIR (for a profiler).  --page
// names the built page (transvane.html): the many-small and compressed
// media projects are then converted on it too, in headless Chromium.
//
// Builds large synthetic projects with the tests' file builder (sounds and
// data, pictures, many small resources, compressed media),
// then measures for each:
//   load     a library conversion's load in this process (file read and
//            parse), one core
//   save     its save (build, compress, safe write), one core
//   batch    `transvane-cli convert` of 100 small games of every version
//            (about half a megabyte each) into one folder, with --jobs 1
//            and --jobs 2 (goal: 1.7 x)
//   convert  the whole of `transvane-cli convert IN OUT` as a child process,
//            once pinned to one core and once on every core of the machine,
//            with its peak resident memory from wait4
// and three floors on the same data and the same core: zlib at the settings
// the format was made with (default level, 15 window bits, memory level 8)
// inflating every compressed block of the input and deflating every block
// the output holds, plus reading the input file and writing (and syncing)
// the output file; the same work with the converter's own codec
// (libdeflate at level 6, zlib for small blocks of few byte values, stored
// blocks for data that does not compress); and the copy floor, reading the
// input and writing the output with nothing in between.  Times are the
// best of N runs and are printed with their ratio to the floors.  The output's
// blocks are summed as each floor writes them: the converter's may be at
// most 0.5 % larger than zlib's.  Each output is then read back with the
// tests' reader, every block through zlib's own inflate, and compared field
// for field with what converting its source must give.
//
// The page (with --page) converts the same file as the one-core run, the
// best of N runs timed in the browser from the file handed to the page to
// the converted bytes in its hands (bench/page.mjs), and is set against
// the native one-core time: the page converts on one thread.
//
// The memory budget of a conversion is the input file plus the output file
// plus the project model (the heap and the arena the loaded model holds)
// plus 64 MiB.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>
#if TRANSVANE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Support_Signals.h"
#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Random.h"
#include "format/core/Support_Stream.h"
#include "format/core/Support_Zlib.h"
#include "project/Library_Access.h"
#include "project/Project_Main.h"
#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "transvane/transvane.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;
using Clock = std::chrono::steady_clock;

constexpr double MiB = 1024.0 * 1024.0;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// ---------------------------------------------------------------------------
// Data that compresses like the real thing: neither constant nor random.

// 16-bit stereo samples of two drifting tones with a little noise.
CBlock SoundSamples(std::size_t size, std::uint32_t seed) {
    CBlock bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    double phase1 = 0, phase2 = 0;
    const double step1 = 0.01 + 0.002 * (seed % 7), step2 = 0.031 + 0.001 * (seed % 5);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        state = state * 1103515245u + 12345u;
        phase1 += step1 * (1.0 + 0.2 * std::sin(static_cast<double>(i) * 1e-6));
        phase2 += step2;
        const double value =
            9000 * std::sin(phase1) + 3000 * std::sin(phase2) + static_cast<double>((state >> 16) & 255) - 128;
        const auto sample = static_cast<std::int16_t>(value);
        bytes[i] = static_cast<std::uint8_t>(sample & 0xFF);
        bytes[i + 1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
    }
    return bytes;
}

// Text records, tables of small numbers and now and then noise.
CBlock DataBytes(std::size_t size, std::uint32_t seed) {
    static const char* const Words[] = {"level", "enemy", "speed", "score", "door", "key",  "tile", "x", "y", "wall",
                                        "spawn", "boss",  "music", "=",     ";",    "\r\n", " ",    "0", "17"};
    CBlock bytes;
    bytes.reserve(size);
    std::uint32_t state = seed * 2246822519u + 7;
    const auto next = [&] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    while (bytes.size() < size) {
        const std::uint32_t kind = next() % 10;
        if (kind < 6) {
            const char* word = Words[next() % std::size(Words)];
            bytes.insert(bytes.end(), word, word + std::strlen(word));
        } else if (kind < 9) {
            for (int i = 0; i < 16; ++i)
                bytes.push_back(static_cast<std::uint8_t>(next() % 8));
        } else {
            for (int i = 0; i < 8; ++i)
                bytes.push_back(static_cast<std::uint8_t>(next()));
        }
    }
    bytes.resize(size);
    return bytes;
}

// ---------------------------------------------------------------------------
// The floor: zlib at the converter's settings, one fresh stream per block.

CBlock Deflate(std::span<const std::uint8_t> source) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    CBlock out(deflateBound(&zs, static_cast<uLong>(source.size())));
    zs.next_in = const_cast<Bytef*>(source.data());
    zs.avail_in = static_cast<uInt>(source.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    const int code = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (code != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

void Inflate(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw std::runtime_error("inflateInit");
    zs.next_in = const_cast<Bytef*>(source.data());
    zs.avail_in = static_cast<uInt>(source.size());
    zs.next_out = target.data();
    zs.avail_out = static_cast<uInt>(target.size());
    const int code = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    if (code != Z_STREAM_END || zs.total_out != target.size())
        throw std::runtime_error("inflate");
}

#if TRANSVANE_LIBDEFLATE
// The same work with the converter's own codec: its compressor (libdeflate
// at level 6, zlib for some small blocks, one state per thread) and
// libdeflate's inflater, one for the whole floor, into buffers of the known
// size.
class CLibdeflate {
public:
    CBlock Deflate(std::span<const std::uint8_t> source) {
        CBlock out;
        CompressBlock(source, out);
        return out;
    }
    void Inflate(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
        if (libdeflate_zlib_decompress(FDecompressor.get(), source.data(), source.size(), target.data(), target.size(),
                                       nullptr) != LIBDEFLATE_SUCCESS)
            throw std::runtime_error("libdeflate_zlib_decompress");
    }

private:
    struct CFree {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };
    std::unique_ptr<libdeflate_decompressor, CFree> FDecompressor{libdeflate_alloc_decompressor()};
};
#endif

// What zlib must do for one project: the input's compressed blocks (with
// their inflated sizes) and the contents of the output's blocks.
struct TBlocks {
    std::vector<CBlock> Compressed;
    std::vector<std::size_t> InflatedSize;
    std::vector<CBlock> OwnedOutput;
    std::vector<std::span<const std::uint8_t>> Output;

    void AddOutput(const CBlock& bytes) { Output.emplace_back(bytes); }
    void AddInput(const CBlock& contents) {
        Compressed.push_back(Deflate(contents));
        InflatedSize.push_back(contents.size());
    }
    // A picture: the converter writes the standard 24-bit BMP of it.
    void AddPicture(const TPicture& picture) {
        if (picture.Scheme < 0 || (picture.Scheme > 2 && picture.Scheme != 10))
            return;
        CBlock bmp = EncodeBmp24(picture);
        // The run schemes are rebuilt with resolution fields of 0; BMP
        // files are kept as they are.
        if (picture.Scheme == 1 || picture.Scheme == 2)
            std::memset(bmp.data() + 38, 0, 8);
        if (picture.Scheme == 10)
            AddInput(bmp);
        OwnedOutput.push_back(std::move(bmp));
    }
    void Seal() {
        for (const CBlock& block : OwnedOutput)
            Output.emplace_back(block);
    }
};

void WriteFileSynced(const std::string& name, std::span<const std::uint8_t> bytes) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + name);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0)
            throw std::runtime_error("cannot write " + name);
        done += static_cast<std::size_t>(put);
    }
    ::fsync(fd);
    ::close(fd);
}

CBlock ReadFile(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        throw std::runtime_error("cannot read " + name);
    CBlock bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0)
            throw std::runtime_error("cannot read " + name);
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return bytes;
}

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct TFloor {
    double Load = 0;         // read the input, inflate its blocks
    double Save = 0;         // deflate the output's blocks, write the output
    double Cpu = 0;          // the processor time of both
    std::size_t Packed = 0;  // the output's blocks, compressed, summed
    double Total() const { return Load + Save; }
};

enum class ECodec { Zlib, Libdeflate };

// Every one-core measurement runs on the same core: the floor, the load and
// save in this process, and the converter's one-core run.  The cores of a
// virtual machine are not equally fast (one may take the interrupts, or
// share its host core), so a floor measured on one core and a conversion
// on another would compare the cores, not the work.
int MeasuringCore() {
    static const int core = [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        if (::sched_getaffinity(0, sizeof set, &set) == 0)
            for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
                if (CPU_ISSET(cpu, &set))
                    return cpu;
        return -1;
    }();
    return core;
}

void PinToMeasuringCore() {
    if (MeasuringCore() < 0)
        return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(MeasuringCore(), &one);
    ::sched_setaffinity(0, sizeof one, &one);
}

// Runs the calling thread on the measuring core while it lives.
class COnMeasuringCore {
public:
    COnMeasuringCore() {
        CPU_ZERO(&FSaved);
        FRestore = ::sched_getaffinity(0, sizeof FSaved, &FSaved) == 0;
        PinToMeasuringCore();
    }
    ~COnMeasuringCore() {
        if (FRestore)
            ::sched_setaffinity(0, sizeof FSaved, &FSaved);
    }
    COnMeasuringCore(const COnMeasuringCore&) = delete;
    COnMeasuringCore& operator=(const COnMeasuringCore&) = delete;

private:
    cpu_set_t FSaved;
    bool FRestore = false;
};

TFloor MeasureFloor(ECodec codec, const TBlocks& blocks, const std::string& input, std::size_t outputSize,
                    const std::string& scratch) {
    const COnMeasuringCore oneCore;
#if TRANSVANE_LIBDEFLATE
    CLibdeflate libdeflate;
    const auto deflate = [&](std::span<const std::uint8_t> b) {
        return codec == ECodec::Zlib ? Deflate(b) : libdeflate.Deflate(b);
    };
    const auto inflate = [&](std::span<const std::uint8_t> b, std::span<std::uint8_t> t) {
        codec == ECodec::Zlib ? Inflate(b, t) : libdeflate.Inflate(b, t);
    };
#else
    (void)codec;
    const auto deflate = Deflate;
    const auto inflate = Inflate;
#endif
    TFloor floor;
    const double cpuStart = CpuSeconds();
    auto start = Clock::now();
    CBlock file = ReadFile(input);
    {
        CBlock target;
        for (std::size_t i = 0; i < blocks.Compressed.size(); ++i) {
            target.resize(blocks.InflatedSize[i]);
            inflate(blocks.Compressed[i], target);
        }
    }
    floor.Load = Seconds(Clock::now() - start);
    file = CBlock();

    start = Clock::now();
    CBlock output;
    output.reserve(outputSize);
    for (std::span<const std::uint8_t> block : blocks.Output) {
        const CBlock packed = deflate(block);
        floor.Packed += packed.size();
        output.insert(output.end(), packed.begin(), packed.end());
    }
    output.resize(std::max(output.size(), outputSize));
    WriteFileSynced(scratch, output);
    floor.Save = Seconds(Clock::now() - start);
    floor.Cpu = CpuSeconds() - cpuStart;
    std::filesystem::remove(scratch);
    return floor;
}

// The copy floor: what any conversion must do at least, reading the input
// and writing (and syncing) an output of the converted file's size, on the
// measuring core.
double MeasureCopy(const std::string& input, std::size_t outputSize, const std::string& scratch) {
    const COnMeasuringCore oneCore;
    const auto start = Clock::now();
    CBlock bytes = ReadFile(input);
    bytes.resize(outputSize);
    WriteFileSynced(scratch, bytes);
    const double seconds = Seconds(Clock::now() - start);
    std::filesystem::remove(scratch);
    return seconds;
}

// ---------------------------------------------------------------------------
// The projects

struct TScenario {
    std::string Name;
    std::string Description;
    CBlock File;
    TBlocks Blocks;
    TProject Source;  // what File holds, to check the converted file against
};

// ~200 MB of sound and data bytes: raw version-400 sounds that the
// converter must compress and data files that it inflates and compresses.
TScenario SoundsAndData(double scale) {
    TScenario s{"sounds+data", "raw sounds and data files", {}, {}, {}};
    TProject p = EmptyProject(441);
    const int sounds = std::max(1, static_cast<int>(std::lround(48 * scale)));
    const int dataFiles = std::max(1, static_cast<int>(std::lround(16 * scale)));
    // Below scale 1 the blocks shrink too, so that a smoke run stays small.
    const double shrink = std::min(1.0, scale);
    for (int i = 0; i < sounds; ++i) {
        const auto size = static_cast<std::size_t>((1.5 + (i % 5) * 0.5) * MiB * shrink);
        p.Sounds.Add("sound" + std::to_string(i), TSound{400, i % 3, "sound" + std::to_string(i) + ".wav",
                                                         SoundSamples(size, static_cast<std::uint32_t>(i)), 0, 1, 0});
    }
    for (int i = 0; i < dataFiles; ++i) {
        const auto size = static_cast<std::size_t>((3 + (i % 5)) * MiB * shrink);
        p.DataFiles.Add("data" + std::to_string(i),
                        TDataFile{440, "data" + std::to_string(i) + ".dat", 1,
                                  DataBytes(size, static_cast<std::uint32_t>(i)), 2, 0, 1, 1});
    }
    s.File = WriteProject(p);
    s.Source = p;
    for (const auto& slot : p.Sounds.Slots)
        s.Blocks.OwnedOutput.push_back(std::move(slot->Record.Data));
    for (const auto& slot : p.DataFiles.Slots) {
        s.Blocks.AddInput(slot->Record.Data);
        s.Blocks.OwnedOutput.push_back(std::move(slot->Record.Data));
    }
    s.Blocks.Seal();
    return s;
}

// ~200 MB of pictures over thousands of sprites: colour runs, palette runs
// and plain BMPs, with some compressed BMP backgrounds.
TScenario Pictures(double scale) {
    TScenario s{"pictures", "sprites of colour runs, palette runs, plain BMPs", {}, {}, {}};
    TProject p = EmptyProject(430);
    const double target = 190 * MiB * scale;
    double bytes = 0;
    std::uint32_t seed = 1;
    while (bytes < target) {
        TSprite sprite;
        const int images = 1 + static_cast<int>(seed % 4);
        const std::int32_t width = 48 + static_cast<std::int32_t>((seed * 37) % 120);
        const std::int32_t height = 48 + static_cast<std::int32_t>((seed * 53) % 100);
        for (int k = 0; k < images; ++k) {
            const std::int32_t scheme = static_cast<std::int32_t>((seed + static_cast<std::uint32_t>(k)) % 3);
            sprite.Images.push_back(MakePicture(scheme, width, height, seed * 16 + static_cast<std::uint32_t>(k),
                                                4 + static_cast<int>(seed % 40)));
            bytes += 54 + ((width * 3 + 3) / 4 * 4) * height;
        }
        p.Sprites.Add("sprite" + std::to_string(seed), std::move(sprite));
        ++seed;
    }
    const int backgrounds = std::max(1, static_cast<int>(std::lround(12 * scale)));
    for (int i = 0; i < backgrounds; ++i)
        p.Backgrounds.Add(
            "background" + std::to_string(i),
            TBackground{400, 640, 480, 0, 1, 1, 1,
                        MakePicture(i % 2 == 0 ? 10 : 1, 640, 480, 9000 + static_cast<std::uint32_t>(i), 12)});
    s.File = WriteProject(p);
    s.Source = p;
    for (const auto& slot : p.Sprites.Slots)
        for (const TPicture& picture : slot->Record.Images)
            s.Blocks.AddPicture(picture);
    for (const auto& slot : p.Backgrounds.Slots)
        s.Blocks.AddPicture(slot->Record.Image);
    s.Blocks.Seal();
    s.Description =
        std::to_string(p.Sprites.Slots.size()) + " sprites, " + std::to_string(backgrounds) + " backgrounds";
    return s;
}

// A picture of size x size pixels that neither repeat nor compress, as the
// pixels of a PNG or JPEG file decoded and stored again would not.
TPicture NoisePicture(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    const CBlock noise = NoiseBytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, seed);
    TPicture picture{10, width, height, {}, {}};
    picture.Pixels.reserve(noise.size() / 3);
    for (std::size_t i = 0; i + 2 < noise.size(); i += 3)
        picture.Pixels.push_back(std::uint32_t{noise[i]} | std::uint32_t{noise[i + 1]} << 8 |
                                 std::uint32_t{noise[i + 2]} << 16);
    return picture;
}

// ~200 MB of data that does not compress: compressed sounds (MP3, OGG),
// sprites and backgrounds whose pixels are noise, a few archives as data
// files.  Almost all of the work is moving bytes.
TScenario CompressedMedia(double scale) {
    TScenario s{"compressed media", "", {}, {}, {}};
    TProject p = EmptyProject(500);
    const auto count = [scale](int n) { return std::max(1, static_cast<int>(std::lround(n * scale))); };
    const double shrink = std::min(1.0, scale);
    const int sounds = count(40), sprites = count(60), backgrounds = count(20), dataFiles = count(8);
    for (int i = 0; i < sounds; ++i) {
        const auto size = static_cast<std::size_t>((1.0 + (i % 6) * 0.5) * MiB * shrink);
        p.Sounds.Add("music" + std::to_string(i),
                     TSound{440, 1, "music" + std::to_string(i) + ".ogg",
                            NoiseBytes(size, 100 + static_cast<std::uint32_t>(i)), 0, 1, 0});
    }
    const auto side = [shrink](int pixels) {
        return std::max<std::int32_t>(4, static_cast<std::int32_t>(pixels * std::sqrt(shrink)) / 4 * 4);
    };
    for (int i = 0; i < sprites; ++i) {
        TSprite sprite;
        sprite.Width = sprite.Height = side(256);
        for (std::uint32_t k = 0; k < 4; ++k)
            sprite.Images.push_back(
                NoisePicture(sprite.Width, sprite.Height, 1000 + static_cast<std::uint32_t>(i) * 4 + k));
        p.Sprites.Add("sprite" + std::to_string(i), std::move(sprite));
    }
    for (int i = 0; i < backgrounds; ++i)
        p.Backgrounds.Add("background" + std::to_string(i),
                          TBackground{400, side(1024), side(768), 0, 1, 1, 1,
                                      NoisePicture(side(1024), side(768), 5000 + static_cast<std::uint32_t>(i))});
    for (int i = 0; i < dataFiles; ++i)
        p.DataFiles.Add("archive" + std::to_string(i), TDataFile{440, "pack" + std::to_string(i) + ".zip", 1,
                                                                 NoiseBytes(static_cast<std::size_t>(2 * MiB * shrink),
                                                                            9000 + static_cast<std::uint32_t>(i)),
                                                                 2, 0, 1, 1});
    s.File = WriteProject(p);
    s.Source = p;
    for (const auto& slot : p.Sounds.Slots) {
        s.Blocks.AddInput(slot->Record.Data);
        s.Blocks.OwnedOutput.push_back(std::move(slot->Record.Data));
    }
    for (const auto& slot : p.Sprites.Slots)
        for (const TPicture& picture : slot->Record.Images)
            s.Blocks.AddPicture(picture);
    for (const auto& slot : p.Backgrounds.Slots)
        s.Blocks.AddPicture(slot->Record.Image);
    for (const auto& slot : p.DataFiles.Slots) {
        s.Blocks.AddInput(slot->Record.Data);
        s.Blocks.OwnedOutput.push_back(std::move(slot->Record.Data));
    }
    s.Blocks.Seal();
    s.Description = std::to_string(sounds) + " compressed sounds, " + std::to_string(sprites * 4) +
                    " sprite images and " + std::to_string(backgrounds) + " backgrounds of noise, " +
                    std::to_string(dataFiles) + " archives";
    return s;
}

// 100000 small resources, objects with many actions, rooms with many
// instances.
TScenario ManySmall(double scale) {
    TScenario s{"many-small", "", {}, {}, {}};
    TProject p = EmptyProject(500);
    const auto count = [scale](int n) { return std::max(1, static_cast<int>(std::lround(n * scale))); };
    const int sprites = count(20000), sounds = count(20000), scripts = count(30000), paths = count(10000),
              objects = count(10000), timeLines = count(5000), dataFiles = count(4800), rooms = count(200);
    for (int i = 0; i < sprites; ++i) {
        TSprite sprite;
        sprite.Images.push_back(MakePicture(i % 3, 8 + i % 9, 8 + i % 7, static_cast<std::uint32_t>(i), 3));
        p.Sprites.Add("spr" + std::to_string(i), std::move(sprite));
    }
    for (int i = 0; i < sounds; ++i)
        p.Sounds.Add(
            "snd" + std::to_string(i),
            TSound{i % 2 == 0 ? 400 : 440, 0, "s.wav",
                   SoundSamples(200 + static_cast<std::size_t>(i % 300), static_cast<std::uint32_t>(i)), 0, 1, 0});
    for (int i = 0; i < scripts; ++i)
        p.Scripts.Add("scr" + std::to_string(i),
                      TScript{400, "{\r\n  var i;\r\n  for (i = 0; i < " + std::to_string(i) +
                                       "; i += 1) show_message(\"step\" + string(i));\r\n}\r\n"});
    for (int i = 0; i < paths; ++i) {
        TPath path;
        for (int k = 0; k < 10; ++k)
            path.Points.push_back({k * 10.0, i * 0.5, 100});
        p.Paths.Add("path" + std::to_string(i), std::move(path));
    }
    const auto makeEvent = [](int seed, int actions) {
        TEvent event;
        for (int a = 0; a < actions; ++a) {
            if ((seed + a) % 2 == 0) {
                event.Actions.push_back(OldAction(1 + (seed + a) % 60, {"x", "y + " + std::to_string(a), "0"}));
            } else {
                TAction action;
                action.ActionId = 101 + a % 20;
                action.Arguments[0] = "other";
                event.Actions.push_back(std::move(action));
            }
        }
        return event;
    };
    for (int i = 0; i < objects; ++i) {
        TObject object;
        object.SpriteIndex = i % sprites;
        for (int r = 0; r < 4; ++r)
            for (int e = 0; e < 2; ++e)
                object.Rows[static_cast<std::size_t>(r * 2)].push_back({e, makeEvent(i + r + e, 6)});
        p.Objects.Add("obj" + std::to_string(i), std::move(object));
    }
    for (int i = 0; i < timeLines; ++i) {
        TTimeLine line;
        for (int m = 0; m < 4; ++m)
            line.Moments.push_back({m * 30, makeEvent(i + m, 3)});
        p.TimeLines.Add("tl" + std::to_string(i), std::move(line));
    }
    for (int i = 0; i < dataFiles; ++i)
        p.DataFiles.Add(
            "df" + std::to_string(i),
            TDataFile{440, "f.dat", 1,
                      DataBytes(300 + static_cast<std::size_t>(i % 500), static_cast<std::uint32_t>(i)), 2, 0, 1, 1});
    std::int32_t id = 100001;
    for (int i = 0; i < rooms; ++i) {
        TRoom room;
        for (int k = 0; k < 1000; ++k)
            room.Instances.push_back(
                TInstance{k * 16 % 640, k / 40 * 16, (i + k) % objects, id++, k % 10 == 0 ? "speed = 2;" : "", 0});
        for (int k = 0; k < 200; ++k)
            room.Tiles.push_back(TTile{{k * 16 % 640, k / 40 * 16, 0, 0, 0, 16, 16, 1000, 10000001 + i * 200 + k}});
        p.Rooms.List.Add("room" + std::to_string(i), std::move(room));
    }
    p.Rooms.List.Version = 420;
    p.Rooms.InstanceIdCounter = id;
    p.Rooms.TileIdCounter = 10000001 + rooms * 200;
    s.File = WriteProject(p);
    s.Source = p;
    for (const auto& slot : p.Sounds.Slots) {
        if (slot->Record.Version == 440)
            s.Blocks.AddInput(slot->Record.Data);
        s.Blocks.OwnedOutput.push_back(slot->Record.Data);
    }
    for (const auto& slot : p.Sprites.Slots)
        for (const TPicture& picture : slot->Record.Images)
            s.Blocks.AddPicture(picture);
    for (const auto& slot : p.DataFiles.Slots) {
        s.Blocks.AddInput(slot->Record.Data);
        s.Blocks.OwnedOutput.push_back(slot->Record.Data);
    }
    s.Blocks.Seal();
    const int total = sprites + sounds + scripts + paths + objects + timeLines + dataFiles + rooms;
    s.Description = std::to_string(total) + " resources, " + std::to_string(objects * 8 * 6 + timeLines * 12) +
                    " actions, " + std::to_string(rooms * 1000) + " instances";
    return s;
}

// ---------------------------------------------------------------------------
// Measuring the converter

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct TChildRun {
    double Seconds = 0;
    double CpuSeconds = 0;
    double PeakMiB = 0;
};

// Starts the converter for the measurements.  The peak resident memory that
// wait4 reports for a child includes the pages of the process it was
// started from, as they were up to its exec: started from here, that would
// be all the generated data.  So a small launcher, this program again
// (--launcher), is spawned at start-up before any of it exists, and spawns
// and waits for every converter run.  The two talk through a pipe each way,
// which the launcher finds as descriptors 3 and 4.
class CLauncher {
public:
    static constexpr int RequestsIn = 3, RepliesOut = 4;

    CLauncher() {
        int requests[2], replies[2];
        if (::pipe2(requests, O_CLOEXEC) != 0 || ::pipe2(replies, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, requests[0], RequestsIn);
        ::posix_spawn_file_actions_adddup2(&actions, replies[1], RepliesOut);
        const char* self = "/proc/self/exe";
        const char* arguments[] = {"transvane-bench", "--launcher", nullptr};
        const int error = ::posix_spawn(&FPid, self, &actions, nullptr, const_cast<char* const*>(arguments), environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(requests[0]);
        ::close(replies[1]);
        FRequests = requests[1];
        FReplies = replies[0];
        if (error != 0) {
            ::close(FRequests);
            ::close(FReplies);
            throw std::runtime_error(std::string("cannot start the launcher: ") + std::strerror(error));
        }
    }
    ~CLauncher() {
        ::close(FRequests);
        ::close(FReplies);
        int status = 0;
        ::waitpid(FPid, &status, 0);
    }
    CLauncher(const CLauncher&) = delete;
    CLauncher& operator=(const CLauncher&) = delete;

    // The launcher's side, in the process started with --launcher: serves
    // until the benchmark closes its end.  The converters it starts do not
    // inherit the pipes.
    static int Serve() {
        ::fcntl(RequestsIn, F_SETFD, FD_CLOEXEC);
        ::fcntl(RepliesOut, F_SETFD, FD_CLOEXEC);
        Serve(RequestsIn, RepliesOut);
        return 0;
    }

    // Runs `cli convert input output`, optionally pinned to one CPU.
    TChildRun Run(const std::string& cli, const std::string& input, const std::string& output, bool oneCore) {
        const std::string request = cli + '\n' + input + '\n' + output + '\n' + (oneCore ? "1" : "0") + '\n';
        if (::write(FRequests, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            throw std::runtime_error("launcher gone");
        TChildRun run;
        int ok = 0;
        char reply[sizeof run + sizeof ok];
        std::size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::read(FReplies, reply + got, sizeof reply - got);
            if (n <= 0)
                throw std::runtime_error("launcher gone");
            got += static_cast<std::size_t>(n);
        }
        std::memcpy(&run, reply, sizeof run);
        std::memcpy(&ok, reply + sizeof run, sizeof ok);
        if (!ok)
            throw std::runtime_error("transvane-cli convert failed on " + input);
        return run;
    }

private:
    static void Serve(int in, int out) {
        std::FILE* requests = ::fdopen(in, "r");
        char lines[4][4096];
        while (requests != nullptr) {
            for (auto& line : lines) {
                if (std::fgets(line, sizeof line, requests) == nullptr)
                    return;
                line[std::strcspn(line, "\n")] = 0;
            }
            int ok = 0;
            const TChildRun run = Launch(lines[0], lines[1], lines[2], lines[3][0] == '1', ok);
            char reply[sizeof run + sizeof ok];
            std::memcpy(reply, &run, sizeof run);
            std::memcpy(reply + sizeof run, &ok, sizeof ok);
            if (::write(out, reply, sizeof reply) != static_cast<ssize_t>(sizeof reply))
                return;
        }
    }

    static TChildRun Launch(const char* cli, const char* input, const char* output, bool oneCore, int& ok) {
        std::filesystem::remove(output);
        const char* arguments[] = {cli, "convert", "--quiet", input, output, nullptr};
        const auto start = Clock::now();
        pid_t pid = -1;
        int error = 0;
        {
            // A spawned program starts on its parent's cores.
            std::optional<COnMeasuringCore> pinned;
            if (oneCore)
                pinned.emplace();
            error = ::posix_spawn(&pid, cli, nullptr, nullptr, const_cast<char* const*>(arguments), environ);
        }
        TChildRun run;
        int status = 0;
        struct rusage usage {};
        ok = error == 0 && ::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.Seconds = Seconds(Clock::now() - start);
        run.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
        return run;
    }

    pid_t FPid = -1;
    int FRequests = -1;
    int FReplies = -1;
};

struct TResult {
    std::string Name;
    std::string Description;
    double InputMiB = 0, OutputMiB = 0, ModelMiB = 0;
    TFloor Floor, FastFloor;  // zlib's, libdeflate's
    double Copy = 0;          // reading the input, writing the output
    double Load = 0, Save = 0, ConvertOne = 0, ConvertAll = 0, CpuOne = 0;
    double PeakOne = 0, PeakAll = 0;
    bool ReadsBack = false;  // the output equals the converted source, read with zlib
    double Page = 0;         // the conversion on the page, 0 when not run
    double PageOutputMiB = 0;
    double PageFloor = 0;  // the file into the page and the output's bytes out, nothing converted
    double Budget() const { return InputMiB + OutputMiB + ModelMiB + 64; }
};

double Best(double a, double b) { return a == 0 ? b : std::min(a, b); }

// Reads the converted file with the test kit's reader, whose every block
// goes through zlib's own inflate, and compares it field for field with
// what converting the source must give.  The comparison reports through
// the test framework, which records it here outside any test.
bool ReadsBackAsConverted(const TProject& source, const CBlock& output) {
    const testing::TestResult& record = testing::UnitTest::GetInstance()->ad_hoc_test_result();
    const int before = record.total_part_count();
    try {
        constexpr double AnyTime = std::numeric_limits<double>::infinity();
        ExpectConverted(ExpectedConversion(source), ReadProject(output), -AnyTime, AnyTime);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "\ntransvane-bench: the output does not read back: %s\n", error.what());
        return false;
    }
    for (int i = before; i < record.total_part_count(); ++i)
        if (record.GetTestPartResult(i).failed())
            return false;
    return true;
}

// The projects the page converts too: those whose conversion is mostly the
// converter's own work (parsing, building) or mostly moving bytes.
bool ConvertedOnPage(const std::string& name) { return name == "many-small" || name == "compressed media"; }

// Converts input on the built page, repeat times in one browser; the best
// time and the output's size.
void MeasurePage(const std::string& page, const std::string& input, int repeat, TResult& r) {
    const CRunResult run = RunProgram("node", {TRANSVANE_PAGE_SCRIPT, page, std::to_string(repeat), input},
                                      std::filesystem::path(input).parent_path().string());
    double seconds = 0, bytes = 0, floor = 0;
    if (run.Status != 0 || std::sscanf(run.Out.c_str(), "%lf %lf %lf", &seconds, &bytes, &floor) != 3)
        throw std::runtime_error("the page did not convert " + input + ":\n" + run.Err);
    r.Page = seconds;
    r.PageOutputMiB = bytes / MiB;
    r.PageFloor = floor;
}

TResult Measure(CLauncher& launcher, TScenario& scenario, const std::string& dir, const std::string& cli, int repeat,
                bool keep, const std::string& page) {
    TResult r;
    r.Name = scenario.Name;
    r.Description = scenario.Description;
    const std::string input = dir + "/" + scenario.Name + ".vtr";
    const std::string output = dir + "/" + scenario.Name + "-out.vtr";
    WriteFileSynced(input, scenario.File);
    r.InputMiB = static_cast<double>(scenario.File.size()) / MiB;
    scenario.File = CBlock();

    // The two steps of a library conversion, timed apart.
    for (int i = 0; i < repeat; ++i) {
        const COnMeasuringCore oneCore;
        transvane::CConverter conversion;
        const std::size_t before = HeapInUse();
        auto start = Clock::now();
        if (!conversion.Load(input).Ok())
            throw std::runtime_error("cannot load " + input);
        r.Load = Best(r.Load, Seconds(Clock::now() - start));
        const std::size_t arena = detail::CAccess::Conversion(conversion).Project().Arena.Reserved();
        r.ModelMiB = static_cast<double>(HeapInUse() - std::min(before, HeapInUse()) + arena) / MiB;
        std::filesystem::remove(output);
        start = Clock::now();
        if (!conversion.Save(output).Ok())
            throw std::runtime_error("cannot save " + output);
        r.Save = Best(r.Save, Seconds(Clock::now() - start));
        if (!conversion.Result().Messages.empty())
            throw std::runtime_error(scenario.Name + ": unexpected message " +
                                     conversion.Result().Messages.front().Text);
    }
    const auto outputSize = static_cast<std::size_t>(std::filesystem::file_size(output));
    r.OutputMiB = static_cast<double>(outputSize) / MiB;

    for (int i = 0; i < repeat; ++i) {
        const TChildRun one = launcher.Run(cli, input, output, true);
        r.ConvertOne = Best(r.ConvertOne, one.Seconds);
        r.CpuOne = Best(r.CpuOne, one.CpuSeconds);
        r.PeakOne = std::max(r.PeakOne, one.PeakMiB);
        const TChildRun all = launcher.Run(cli, input, output, false);
        r.ConvertAll = Best(r.ConvertAll, all.Seconds);
        r.PeakAll = std::max(r.PeakAll, all.PeakMiB);
        r.Copy = Best(r.Copy, MeasureCopy(input, outputSize, dir + "/copy.bin"));
        for (const ECodec codec : {ECodec::Zlib, ECodec::Libdeflate}) {
#if !TRANSVANE_LIBDEFLATE
            if (codec == ECodec::Libdeflate)
                continue;
#endif
            const TFloor floor = MeasureFloor(codec, scenario.Blocks, input, outputSize, dir + "/floor.bin");
            TFloor& best = codec == ECodec::Zlib ? r.Floor : r.FastFloor;
            best.Load = Best(best.Load, floor.Load);
            best.Save = Best(best.Save, floor.Save);
            best.Cpu = Best(best.Cpu, floor.Cpu);
            best.Packed = floor.Packed;
        }
    }
    r.ReadsBack = ReadsBackAsConverted(scenario.Source, ReadFile(output));
    if (!page.empty() && ConvertedOnPage(scenario.Name))
        MeasurePage(page, input, repeat, r);
    if (!keep)
        std::filesystem::remove(input);
    std::filesystem::remove(output);
    std::filesystem::remove(dir + "/" + scenario.Name + "-out.vk1");
    return r;
}

// The goals, per project: the one-core conversion against zlib's floor,
// against libdeflate's and against the copy floor, all cores against
// zlib's; 0 where a project has no such goal.
struct TGoal {
    const char* Name;
    double OneCoreZlib, OneCoreLibdeflate, AllCoresZlib, OneCoreCopy;
};
constexpr TGoal Goals[] = {{"sounds+data", 0.6, 1.15, 0.35, 0},
                           {"pictures", 0.6, 1.15, 0, 0},
                           {"many-small", 1.0, 1.15, 0, 0},
                           {"compressed media", 0.25, 0, 0, 2.0}};
constexpr double MaxSizeGrowth = 0.005;
constexpr double MaxPageVsNative = 1.5;

// The page beside the native one-core conversion.
void PrintPage(const std::vector<TResult>& results) {
    bool ok = true;
    std::printf("\n%-16s %9s %8s %7s | %8s %7s | %8s\n", "page", "native s", "page s", "x nat", "floor s", "x nat",
                "out MiB");
    for (const TResult& r : results) {
        if (r.Page == 0)
            continue;
        const double vsNative = r.Page / r.ConvertOne;
        const bool met = vsNative <= MaxPageVsNative;
        ok = ok && met;
        std::printf("%-16s %9.2f %8.2f %7.2f | %8.2f %7.2f | %8.1f%s\n", r.Name.c_str(), r.ConvertOne, r.Page, vsNative,
                    r.PageFloor, r.PageFloor / r.ConvertOne, r.PageOutputMiB, met ? "" : " PAGE>1.5xNATIVE");
    }
    std::printf(
        "\n  the page in headless Chromium, from the file handed to it to the converted bytes, against\n"
        "  the command-line tool on one core; floor: the page's part that converts nothing (a worker\n"
        "  reads the file into fresh WebAssembly memory, writes the output's size there and hands a\n"
        "  copy back), the least any page pays on this machine\n"
        "Goal: the page <= 1.5 x native (many-small, compressed media): %s\n",
        ok ? "met" : "NOT met");
}

void PrintTable(const std::vector<TResult>& results) {
    std::printf("\n%-16s %7s %7s %7s | %7s %7s | %7s %7s %7s | %8s %6s %6s %6s | %9s %6s | %7s | %8s %7s\n", "project",
                "in MiB", "out MiB", "model", "load s", "save s", "zlib fl", "ldf fl", "copy fl", "1 core s", "x zl",
                "x ldf", "x cp", "all cores", "x zl", "size", "peak MiB", "budget");
    bool ok = true;
    const bool manyCores = CoresAvailable() > 1;
    for (const TResult& r : results) {
        const double vsZlib = r.ConvertOne / r.Floor.Total();
        const double vsLibdeflate = r.FastFloor.Total() > 0 ? r.ConvertOne / r.FastFloor.Total() : 0;
        const double allVsZlib = r.ConvertAll / r.Floor.Total();
        const double vsCopy = r.ConvertOne / r.Copy;
        const double growth = r.FastFloor.Packed > 0
                                  ? static_cast<double>(r.FastFloor.Packed) / static_cast<double>(r.Floor.Packed) - 1
                                  : 0;
        std::string missed;
        for (const TGoal& goal : Goals) {
            if (r.Name != goal.Name)
                continue;
            if (vsZlib > goal.OneCoreZlib)
                missed += " 1CORE>" + std::to_string(goal.OneCoreZlib).substr(0, 4) + "xZLIB";
            if (r.FastFloor.Total() > 0 && goal.OneCoreLibdeflate > 0 && vsLibdeflate > goal.OneCoreLibdeflate)
                missed += " 1CORE>" + std::to_string(goal.OneCoreLibdeflate).substr(0, 4) + "xLIBDEFLATE";
            if (manyCores && goal.AllCoresZlib > 0 && allVsZlib > goal.AllCoresZlib)
                missed += " ALL>" + std::to_string(goal.AllCoresZlib).substr(0, 4) + "xZLIB";
            if (goal.OneCoreCopy > 0 && vsCopy > goal.OneCoreCopy)
                missed += " 1CORE>" + std::to_string(goal.OneCoreCopy).substr(0, 4) + "xCOPY";
        }
        if (growth > MaxSizeGrowth)
            missed += " SIZE>0.5%";
        if (std::max(r.PeakOne, r.PeakAll) > r.Budget())
            missed += " MEMORY>BUDGET";
        if (!r.ReadsBack)
            missed += " OUTPUT-DIFFERS";
        ok = ok && missed.empty();
        std::printf(
            "%-16s %7.1f %7.1f %7.1f | %7.2f %7.2f | %7.2f %7.2f %7.2f | %8.2f %6.2f %6.2f %6.2f | %9.2f "
            "%6.2f | %+6.2f%% | %8.1f %7.1f%s\n",
            r.Name.c_str(), r.InputMiB, r.OutputMiB, r.ModelMiB, r.Load, r.Save, r.Floor.Total(), r.FastFloor.Total(),
            r.Copy, r.ConvertOne, vsZlib, vsLibdeflate, vsCopy, r.ConvertAll, allVsZlib, 100 * growth,
            std::max(r.PeakOne, r.PeakAll), r.Budget(), missed.c_str());
    }
    std::printf("\n");
    for (const TResult& r : results)
        std::printf("  %-16s %s\n", r.Name.c_str(), r.Description.c_str());
    std::printf(
        "\n  zlib fl / ldf fl: the floors of zlib and of the converter's codec (libdeflate, zlib for small\n"
        "  blocks of few byte values, stored blocks for data that does not compress); copy fl: reading\n"
        "  the input and writing and syncing the output, nothing else; x zl / x ldf / x cp: the time\n"
        "  against them;\n"
        "  size: the output's blocks as the converter writes them against zlib at level 6;\n"
        "  every output is read back through zlib's inflate and compared field for field with its\n"
        "  source as converted (OUTPUT-DIFFERS when it is not equal)\n");
    std::printf(
        "\nGoals: 1 core <= 0.6 x zlib floor (sounds+data, pictures), <= 1.0 x (many-small), <= 1.15 x codec\n"
        "floor (all three), <= 0.25 x zlib floor and <= 2 x copy floor (compressed media); all cores <= 0.35 x\n"
        "zlib floor (sounds+data); size <= +0.5 %%; peak <= input + output + model + 64 MiB: %s\n",
        ok ? "met" : "NOT met");
}

}  // namespace

// A small game of the given version: the sample project with a few sprites,
// sounds and a background, about half a megabyte.  (The sample alone, a few
// KiB, converts in a fraction of a millisecond: a batch of those measures
// the start of the program and the file system's work on one folder, not
// conversions.)
TProject SmallGame(std::int32_t version, std::uint32_t seed) {
    TProject p = SampleProject(version, seed);
    for (std::uint32_t i = 0; i < 8; ++i) {
        TSprite sprite;
        sprite.Width = sprite.Height = 32 + static_cast<std::int32_t>((seed + i) * 13 % 64);
        for (std::uint32_t k = 0; k < 2; ++k)
            sprite.Images.push_back(MakePicture(static_cast<std::int32_t>((seed + i + k) % 3), sprite.Width,
                                                sprite.Height, seed * 64 + i * 2 + k,
                                                4 + static_cast<int>(i * 5 % 20)));
        p.Sprites.Add("sprite" + std::to_string(i), std::move(sprite));
    }
    for (std::uint32_t i = 0; i < 4; ++i)
        p.Sounds.Add("sound" + std::to_string(i),
                     TSound{400, 0, "s.wav", SoundSamples(40000 + 20000 * i, seed * 8 + i), 0, 1, 0});
    p.Backgrounds.Add("back", TBackground{400, 320, 240, 0, 1, 1, 1, MakePicture(1, 320, 240, seed, 12)});
    return p;
}

// The batch: 100 small games of every header version, converted by one
// transvane-cli with one job and with two; best wall time of each.
void MeasureBatch(const std::string& dir, const std::string& cli, int repeat, bool keep) {
    constexpr int Files = 100;
    const std::int32_t versions[] = {400, 410, 411, 420, 430, 440, 441, 500};
    const std::string in = dir + "/batch-in";
    std::filesystem::create_directories(in);
    std::vector<std::string> arguments = {"convert", "--quiet"};
    for (int i = 0; i < Files; ++i) {
        const std::string name = "p" + std::to_string(i) + ".vtr";
        const auto seed = static_cast<std::uint32_t>(i + 1);
        WriteFileSynced(in + "/" + name, WriteProject(SmallGame(versions[i % 8], seed)));
        arguments.push_back(name);
    }
    arguments.insert(arguments.end(), {"--output-dir", "out", "--jobs", ""});
    double best[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (int r = 0; r < repeat; ++r)
        for (int jobs = 1; jobs <= 2; ++jobs) {
            arguments.back() = std::to_string(jobs);
            std::filesystem::remove_all(in + "/out");
            const auto start = Clock::now();
            const CRunResult run = RunProgram(cli, arguments, in);
            if (run.Status != 0)
                throw std::runtime_error("the batch failed: " + run.Err);
            best[jobs - 1] = std::min(best[jobs - 1], Seconds(Clock::now() - start));
        }
    std::printf("batch of %d small games: --jobs 1 %.3f s, --jobs 2 %.3f s, %.2f x (goal 1.7 x)\n", Files, best[0],
                best[1], best[0] / best[1]);
    if (!keep)
        std::filesystem::remove_all(in);
}

}  // namespace transvane

using namespace transvane;

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--launcher")
        return CLauncher::Serve();
    // Projects are read from their mapped pages, as the command-line tool
    // reads them.
    HandleMappedFileFaults();
    double scale = 1;
    int repeat = 3;
    std::string dir;
    std::string only;
    std::string page;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--scale" && hasValue)
            scale = std::atof(argv[++i]);
        else if (argument == "--repeat" && hasValue)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--dir" && hasValue)
            dir = argv[++i];
        else if (argument == "--page" && hasValue)
            page = std::filesystem::absolute(argv[++i]).string();
        else if (argument == "--keep")
            keep = true;
        else if (argument == "--only" && hasValue)
            only = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: transvane-bench [--scale S] [--repeat N] [--dir DIR] [--only NAME] [--keep] "
                         "[--page PAGE]\n");
            return 2;
        }
    }
    if (!(scale > 0)) {
        std::fprintf(stderr, "transvane-bench: --scale must be positive\n");
        return 2;
    }
    MeasuringCore();  // chosen before anything is pinned
    try {
        CLauncher launcher;
        CScratchFolder scratch;
        if (dir.empty())
            dir = scratch.Path();
        std::printf("transvane-bench: scale %.3g, best of %d, %d core(s) available, files in %s\n", scale, repeat,
                    static_cast<int>(CoresAvailable()), dir.c_str());
        const std::vector<std::pair<std::string, std::function<TScenario(double)>>> scenarios = {
            {"sounds+data", SoundsAndData},
            {"pictures", Pictures},
            {"many-small", ManySmall},
            {"compressed media", CompressedMedia}};
        std::vector<TResult> results;
        for (const auto& [name, make] : scenarios) {
            if (!only.empty() && only != name)
                continue;
            std::printf("%s: generating ...", name.c_str());
            std::fflush(stdout);
            TScenario scenario = make(scale);
            std::printf(" %.1f MiB, measuring ...", static_cast<double>(scenario.File.size()) / MiB);
            std::fflush(stdout);
            results.push_back(Measure(launcher, scenario, dir, TRANSVANE_CLI_PATH, repeat, keep, page));
            std::printf(" done\n");
        }
        PrintTable(results);
        if (std::any_of(results.begin(), results.end(), [](const TResult& r) { return r.Page > 0; }))
            PrintPage(results);
        else if (page.empty())
            std::printf("\nThe page was not measured (--page names the built transvane.html).\n");
        if (only.empty() || only == "batch")
            MeasureBatch(dir, TRANSVANE_CLI_PATH, repeat, keep);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "\ntransvane-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
