#include "format/core/Support_Stream.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <limits>
#include <unistd.h>

#include "format/core/Support_Platform.h"
#include <zlib.h>

#include "testkit/TestSupport.h"

namespace transvane {

namespace {

// The bytes of each primitive, little-endian, and the values read back; an
// empty compressed block is the empty stream at zlib's default level.
TEST(Stream, PrimitivesAreLittleEndianAndReadBack) {
    CStream s;
    s.WriteInt(1234321);
    s.WriteReal(45678.25);
    s.WriteBlock({});
    s.WriteCompressedBlock({});
    EXPECT_EQ(s.Bytes(), Bytes({0x91, 0xD5, 0x12, 0x00, 0,    0,    0,    0,    0xC8, 0x4D, 0xE6, 0x40, 0, 0, 0, 0,  //
                                8,    0,    0,    0,    0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInt(), 1234321);
    EXPECT_EQ(s.ReadReal(), 45678.25);
    EXPECT_TRUE(s.ReadBlock().empty());
    EXPECT_TRUE(s.ReadCompressedBlock().empty());
    EXPECT_EQ(s.Remaining(), 0u);
}

TEST(Stream, BoolIsWrittenOneOrZeroAndReadAsPositive) {
    CStream s;
    s.WriteBool(true);
    s.WriteBool(false);
    EXPECT_EQ(s.Bytes(), Bytes({1, 0, 0, 0, 0, 0, 0, 0}));

    struct Case {
        std::int32_t stored;
        bool read;
    };
    for (Case c : {Case{2, true}, Case{1, true}, Case{0, false}, Case{-1, false},
                   Case{std::numeric_limits<std::int32_t>::min(), false}}) {
        CStream in;
        in.WriteInt(c.stored);
        in.SetPosition(0);
        EXPECT_EQ(in.ReadBool(), c.read) << c.stored;
    }
}

TEST(Stream, StringCountsAndEightBitCharacters) {
    CStream s;
    s.WriteString("");
    EXPECT_EQ(s.Bytes(), Bytes({0, 0, 0, 0}));

    CStream negative;
    negative.WriteInt(-5);
    negative.WriteInt(77);
    negative.SetPosition(0);
    EXPECT_EQ(negative.ReadString(), "");
    EXPECT_EQ(negative.Position(), 4u);

    const std::string text("caf\xE9\n\0x", 7);
    CStream round;
    round.WriteString(text);
    round.SetPosition(0);
    EXPECT_EQ(round.ReadString(), text);
    EXPECT_EQ(round.Remaining(), 0u);
    // The view reads the same string in place.
    round.SetPosition(0);
    EXPECT_EQ(round.ReadStringView(), text);
    EXPECT_EQ(round.Remaining(), 0u);
    negative.SetPosition(0);
    EXPECT_EQ(negative.ReadStringView(), "");
    EXPECT_EQ(negative.Position(), 4u);
}

// A record written through a field writer is the same bytes as through the
// stream's own primitives, wherever the stream stands: fresh, behind a
// compressed block (compressed into the buffer itself), over bytes already
// written, with text longer than the room made for a record; and a stream
// moved from is empty and writable again.
TEST(Stream, FieldWriterWritesWhatTheStreamWould) {
    const std::string longText(700, 'x');
    const auto record = [&](auto& out) {
        out.WriteInt(-7);
        out.WriteBool(true);
        out.WriteString("self");
        out.WriteString(longText);
        out.WriteString("");
        out.WriteInt(8);
    };
    const auto throughWriter = [&](CStream& s) {
        CFieldWriter out(s);
        record(out);
    };
    struct Case {
        const char* where;
        std::function<void(CStream&)> before;
    };
    const Case cases[] = {
        {"fresh", [](CStream&) {}},
        {"behind a compressed block", [](CStream& s) { s.WriteCompressedBlock(CBlock(3000, 5)); }},
        {"over written bytes",
         [&](CStream& s) {
             record(s);
             record(s);
             s.SetPosition(3);
         }},
        {"moved from",
         [](CStream& s) {
             s.WriteInt(1);
             CStream elsewhere(std::move(s));
             EXPECT_EQ(s.Size(), 0u);
         }},
    };
    for (const Case& c : cases) {
        CStream plain, written;
        c.before(plain);
        record(plain);
        plain.WriteInt(99);
        c.before(written);
        throughWriter(written);
        written.WriteInt(99);
        EXPECT_EQ(written.Bytes(), plain.Bytes()) << c.where;
        EXPECT_EQ(written.Position(), plain.Position()) << c.where;
    }
}

TEST(Stream, BlockRoundTripsByteForByte) {
    CBlock data;
    for (int i = 0; i < 100000; ++i)
        data.push_back(static_cast<std::uint8_t>(i * 7));
    CStream s;
    s.WriteBlock(data);
    s.WriteCompressedBlock(data);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadBlock(), data);
    EXPECT_EQ(s.ReadCompressedBlock(), data);
    EXPECT_EQ(s.Remaining(), 0u);
}

// Whichever library compresses, a block is one zlib stream with the header
// zlib writes at its default level, which zlib's own inflate reads whole;
// and any zlib stream, whatever its level or window, is read back.  Bytes
// that do not compress are stored (a few bytes per 64 KiB more than they
// are, across the stored blocks' boundaries); others shrink.
TEST(Stream, CompressedBlocksAreZlibStreamsBothWays) {
    CBlock pattern(100000);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>(i * i / 7);
    // Noise with a compressible stretch in its middle must still shrink.
    CBlock mixed = NoiseBytes(400000, 5);
    std::fill(mixed.begin() + 150000, mixed.begin() + 250000, std::uint8_t{0});
    const auto stored = [](std::size_t n) { return n + 5 * ((n + 65534) / 65535) + 6; };
    struct Case {
        CBlock Data;
        std::size_t MaxPacked;
    };
    const Case cases[] = {
        {Bytes({7}), 16},
        {pattern, pattern.size() / 2},
        {CBlock(300000, 0), 1000},
        {mixed, mixed.size() * 80 / 100},
        {NoiseBytes(200000), stored(200000)},
        {NoiseBytes(65535 * 3, 2), stored(65535 * 3)},
        {NoiseBytes(65536, 3), stored(65536)},
    };
    for (const auto& [data, maxPacked] : cases) {
        CStream s;
        s.WriteCompressedBlock(data);
        const CBlock& bytes = s.Bytes();
        EXPECT_LE(bytes.size() - 4, maxPacked) << data.size();
        ASSERT_GE(bytes.size(), 6u);
        EXPECT_EQ(bytes[4], 0x78);
        EXPECT_EQ(bytes[5], 0x9C);
        CBlock inflated(data.size() + 1);
        uLongf size = static_cast<uLongf>(inflated.size());
        uLong used = static_cast<uLong>(bytes.size() - 4);
        ASSERT_EQ(uncompress2(inflated.data(), &size, bytes.data() + 4, &used), Z_OK) << data.size();
        EXPECT_EQ(used, bytes.size() - 4) << "nothing follows the stream";
        inflated.resize(size);
        EXPECT_EQ(inflated, data);
    }
    for (const int level : {0, 1, 9}) {
        for (const int windowBits : {9, 15}) {
            z_stream zs{};
            ASSERT_EQ(deflateInit2(&zs, level, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY), Z_OK);
            CBlock packed(deflateBound(&zs, static_cast<uLong>(pattern.size())));
            zs.next_in = pattern.data();
            zs.avail_in = static_cast<uInt>(pattern.size());
            zs.next_out = packed.data();
            zs.avail_out = static_cast<uInt>(packed.size());
            ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
            packed.resize(zs.total_out);
            deflateEnd(&zs);
            CStream s;
            s.WriteBlock(packed);
            s.SetPosition(0);
            EXPECT_EQ(s.ReadCompressedBlock(), pattern) << "level " << level << ", window bits " << windowBits;
        }
    }
    // Stored blocks as any writer may make them: an empty one that is not
    // the last, and the bits behind a block's type not zero.
    const CBlock data = Bytes({1, 2, 3});
    const auto adler = static_cast<std::uint32_t>(adler32(adler32(0, nullptr, 0), data.data(), 3));
    CStream s;
    s.WriteBlock(Bytes({0x78, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xF9, 0x03, 0x00, 0xFC, 0xFF, 1, 2, 3,
                        static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
                        static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)}));
    s.SetPosition(0);
    EXPECT_EQ(s.ReadCompressedBlock(), data);
}

TEST(Stream, CompressedBlockAfterOtherData) {
    CStream s;
    s.WriteInt(5);
    s.WriteCompressedBlock(Bytes({1, 2, 3}));
    s.WriteInt(6);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInt(), 5);
    EXPECT_EQ(s.ReadCompressedBlock(), Bytes({1, 2, 3}));
    EXPECT_EQ(s.ReadInt(), 6);
    // Bytes behind the end of the zlib stream, inside the block's count,
    // are ignored.
    CBlock trailing(s.Bytes().begin() + 8, s.Bytes().end() - 4);
    trailing.insert(trailing.end(), {9, 9, 9});
    CStream t;
    t.WriteBlock(trailing);
    t.SetPosition(0);
    EXPECT_EQ(t.ReadCompressedBlock(), Bytes({1, 2, 3}));
    EXPECT_EQ(t.Remaining(), 0u);
}

TEST(Stream, ShortReadsRaiseTheReadError) {
    struct Case {
        const char* what;
        CBlock bytes;
        void (*read)(CStream&);
    };
    const Case cases[] = {
        {"int", Bytes({1, 2, 3}), [](CStream& s) { s.ReadInt(); }},
        {"real", Bytes({1, 2, 3, 4, 5, 6, 7}), [](CStream& s) { s.ReadReal(); }},
        {"bool", Bytes({}), [](CStream& s) { s.ReadBool(); }},
        {"string", Bytes({5, 0, 0, 0, 'a', 'b'}), [](CStream& s) { s.ReadString(); }},
        {"block", Bytes({3, 0, 0, 0, 1, 2}), [](CStream& s) { s.ReadBlock(); }},
        {"negative block", Bytes({0xFF, 0xFF, 0xFF, 0xFF}), [](CStream& s) { s.ReadBlock(); }},
        {"compressed count past the end", Bytes({20, 0, 0, 0, 0x78, 0x9C}),
         [](CStream& s) { s.ReadCompressedBlock(); }},
        // Two thousand million characters announced in a ten-byte stream
        // must fail at once, before anything is allocated.
        {"huge string", Bytes({0x00, 0x94, 0x35, 0x77, 1, 2, 3, 4, 5, 6}), [](CStream& s) { s.ReadString(); }},
        {"huge block", Bytes({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4, 5, 6}), [](CStream& s) { s.ReadBlock(); }},
    };
    for (const Case& c : cases) {
        CStream s{CBlock(c.bytes)};
        EXPECT_THROW(c.read(s), EReadError) << c.what;
    }
}

TEST(Stream, CorruptCompressedDataRaisesTheZlibError) {
    struct Case {
        const char* what;
        CBlock payload;
    };
    CStream good;
    good.WriteCompressedBlock(Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    CBlock cut(good.Bytes().begin() + 4, good.Bytes().end() - 3);
    CBlock badCheck(good.Bytes().begin() + 4, good.Bytes().end());
    badCheck.back() ^= 1;
    // Noise is written as stored blocks, which are read by a path of their
    // own.
    CStream noise;
    noise.WriteCompressedBlock(NoiseBytes(100000, 4));
    const CBlock stored(noise.Bytes().begin() + 4, noise.Bytes().end());
    CBlock storedBadCheck = stored;
    storedBadCheck.back() ^= 1;
    CBlock storedBadLength = stored;
    storedBadLength[5] ^= 1;  // the first block's length no longer matches its complement
    const Case cases[] = {
        {"not zlib", Bytes({1, 2, 3, 4, 5})},
        {"zlib stream cut short", cut},
        {"empty", Bytes({})},
        {"wrong checksum", badCheck},
        {"stored stream cut short", CBlock(stored.begin(), stored.end() - 3)},
        {"stored stream without its last block", CBlock(stored.begin(), stored.begin() + 70000)},
        {"stored block lengths that do not match", storedBadLength},
        {"stored stream with a wrong checksum", storedBadCheck},
    };
    for (const Case& c : cases) {
        CStream s;
        s.WriteBlock(c.payload);
        s.SetPosition(0);
        try {
            s.ReadCompressedBlock();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EZCompressionError& error) {
            EXPECT_STRNE(error.what(), "") << c.what;
        }
    }
    // The words are zlib's own, whichever way the stream is read.
    for (const CBlock& payload : {badCheck, storedBadCheck}) {
        CStream s;
        s.WriteBlock(payload);
        s.SetPosition(0);
        try {
            s.ReadCompressedBlock();
            ADD_FAILURE() << "no error";
        } catch (const EZCompressionError& error) {
            EXPECT_STREQ(error.what(), "incorrect data check");
        }
    }
}

TEST(Stream, ExpectItemsGuardsCountsTakenFromTheFile) {
    CStream s{CBlock(10, 0)};
    EXPECT_NO_THROW(s.ExpectItems(2, 4));
    EXPECT_NO_THROW(s.ExpectItems(10, 1));
    EXPECT_THROW(s.ExpectItems(3, 4), EReadError);
    EXPECT_THROW(s.ExpectItems(-1, 4), EReadError);
    EXPECT_THROW(s.ExpectItems(2147483647, 4), EReadError);
}

TEST(Stream, FilesRoundTrip) {
    CScratchFolder folder;
    CStream out;
    out.WriteString("hello");
    out.SetPosition(2);
    out.SaveToFile(folder.File("a.bin"));
    CStream in;
    in.LoadFromFile(folder.File("a.bin"));
    EXPECT_EQ(in.Position(), 0u);
    EXPECT_EQ(in.ReadString(), "hello");
    EXPECT_THROW(in.LoadFromFile(folder.File("missing.bin")), EFileError);
    EXPECT_THROW(in.LoadFromFile(folder.Path()), EFileError);
    EXPECT_THROW(out.SaveToFile(folder.File("no/such/folder/a.bin")), EFileError);
}

// The same writes through a stream that spills to a file at every threshold
// give the same bytes as a stream held in memory, whatever falls on a
// window's edge: a compressed block's patched count, a block larger than
// the window, a prepared string.
TEST(Stream, SpillingStreamWritesTheSameFile) {
    const CBlock big(5000, 7);
    const auto writeAll = [&](CStream& s) {
        for (int i = 0; i < 300; ++i) {
            s.WriteInt(i);
            s.WriteString(std::string(static_cast<std::size_t>(i % 13), 'a'));
            if (i % 50 == 0)
                s.WriteCompressedBlock(big);
            if (i % 70 == 0)
                s.WriteBlock(big);
            if (i % 40 == 0) {
                CFieldWriter out(s);
                out.WriteInt(i);
                out.WriteString(std::string(static_cast<std::size_t>(i * 3), 'b'));
            }
        }
    };
    CStream whole;
    writeAll(whole);
    for (const std::size_t threshold : {1u, 64u, 1000u, 4096u, 1u << 20}) {
        CScratchFolder folder;
        const std::string name = folder.File("spilled.bin");
        const int fd = CreateOrTruncateFile(name);
        ASSERT_GE(fd, 0);
        CStream s;
        s.SpillTo(fd, name, threshold);
        writeAll(s);
        EXPECT_EQ(s.Size(), whole.Size()) << threshold;
        EXPECT_EQ(s.Position(), whole.Size()) << threshold;
        s.Flush();
        CloseFile(fd);
        EXPECT_EQ(ReadWholeFile(name), whole.Bytes()) << threshold;
        if (threshold < whole.Size()) {
            EXPECT_THROW(s.SetPosition(0), std::logic_error) << "bytes in the file cannot be revisited";
        }
    }
}

TEST(Stream, SpillingStreamReportsAFileThatRefusesBytes) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that refuses every byte";
#else
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full here";
    CStream s;
    s.SpillTo(fd, "/dev/full", 4);
    s.WriteInt(1);
    EXPECT_THROW(s.WriteInt(2), EFileError) << "the second write spills the first";
    ::close(fd);
    CStream started;
    started.WriteInt(1);
    EXPECT_THROW(started.SpillTo(fd, "x", 4), std::logic_error) << "only an empty stream starts spilling";
#endif
}

}  // namespace

namespace {

TEST(Stream, InflateLimitBoundsWhatABlockMayClaim) {
    // Zeros compress to a few hundred bytes; noise is stored.
    for (const CBlock& data : {CBlock(100000, 0), NoiseBytes(100000, 6)}) {
        CStream s;
        s.WriteCompressedBlock(data);
        struct Case {
            std::size_t limit;
            bool fits;
        };
        for (Case c : {Case{100000, true}, Case{99999, false}, Case{1000000, true}, Case{0, false}}) {
            s.Core().InflateLimit = c.limit;
            s.SetPosition(0);
            if (c.fits)
                EXPECT_EQ(s.ReadCompressedBlock(), data) << c.limit;
            else
                EXPECT_THROW(s.ReadCompressedBlock(), EZCompressionError) << c.limit;
        }
    }
}

// A load's budget spans every block it inflates and whatever else readers
// charge; it is as large as 128 times the file, at least its floor, and
// nothing is limited outside a load.
TEST(Stream, LoadBudgetSpansTheWholeLoad) {
    const CBlock data(100000, 0);
    CCoreState core;
    CStream s(core);
    for (int i = 0; i < 3; ++i)
        s.WriteCompressedBlock(data);

    EXPECT_EQ(CLoadBudget::Remaining(core), std::numeric_limits<std::size_t>::max());
    EXPECT_NO_THROW(CLoadBudget::Charge(core, std::size_t{1} << 40));

    core.BudgetFloor = 250000;
    {
        const CLoadBudget budget(core, 10);  // 128 x 10 bytes: the floor rules
        EXPECT_EQ(CLoadBudget::Remaining(core), 250000u);
        s.SetPosition(0);
        EXPECT_EQ(s.ReadCompressedBlock().size(), data.size());
        EXPECT_EQ(s.ReadCompressedBlock().size(), data.size());
        EXPECT_EQ(CLoadBudget::Remaining(core), 50000u);
        EXPECT_THROW(s.ReadCompressedBlock(), EReadError) << "the third block exceeds the budget";
        EXPECT_THROW(CLoadBudget::Charge(core, 50001), EReadError);
        CLoadBudget::Charge(core, 50000);
        EXPECT_EQ(CLoadBudget::Remaining(core), 0u);
        {
            const CLoadBudget inner(core, 10000);  // 1280000 bytes
            EXPECT_EQ(CLoadBudget::Remaining(core), 1280000u);
        }
        EXPECT_EQ(CLoadBudget::Remaining(core), 0u) << "the enclosing budget comes back";
    }
    core.BudgetFloor = LoadBudgetFloor;
    EXPECT_EQ(CLoadBudget::Remaining(core), std::numeric_limits<std::size_t>::max());
    const CLoadBudget large(core, std::size_t{1} << 30);
    EXPECT_EQ(CLoadBudget::Remaining(core), (std::size_t{1} << 30) * LoadBudgetFactor);
}

}  // namespace

}  // namespace transvane
