#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Project.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace transvane {

namespace {

// Blocks of varied sizes and contents, some beyond the zlib windows.
std::vector<CBlock> SomeBlocks() {
    std::vector<CBlock> blocks;
    std::uint32_t state = 7;
    for (std::size_t i = 0; i < 60; ++i) {
        CBlock block(i % 7 == 0 ? 0 : (i * 7919) % 150000);
        for (std::uint8_t& byte : block) {
            state = state * 1103515245u + 12345u;
            byte = static_cast<std::uint8_t>((state >> 28) + (i & 3));
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// The stream a plain sequential writer makes, with an int between blocks.
CBlock Sequential(const std::vector<CBlock>& blocks, const std::vector<bool>& written) {
    CStream stream;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        stream.WriteInt(static_cast<std::int32_t>(i));
        if (written[i])
            stream.WriteCompressedBlock(blocks[i]);
    }
    return stream.TakeBytes();
}

TEST(BlockPrefetch, WritesTheSameBytesAsTheSequentialWriter) {
    const std::vector<CBlock> blocks = SomeBlocks();
    struct TCase {
        const char* What;
        std::vector<bool> Written;
    };
    std::vector<bool> some(blocks.size(), true);
    for (std::size_t i = 3; i < some.size(); i += 5)
        some[i] = false;
    const TCase cases[] = {
        {"every listed block written", std::vector<bool>(blocks.size(), true)},
        {"some listed blocks passed by", some},
        {"none written", std::vector<bool>(blocks.size(), false)},
    };
    // No helpers (one core, or a batch using the cores), one, more than
    // the cores.
    for (const unsigned helpers : {0u, 1u, 3u}) {
        for (const TCase& c : cases) {
            CStream stream;
            stream.Core().HelperThreads = helpers;
            {
                CBlockPrefetch prefetch(stream);
                EXPECT_EQ(stream.Prefetch(), &prefetch);
                for (const CBlock& block : blocks)
                    prefetch.Add(block);
                for (std::size_t i = 0; i < blocks.size(); ++i) {
                    stream.WriteInt(static_cast<std::int32_t>(i));
                    if (c.Written[i])
                        stream.WriteCompressedBlock(blocks[i]);
                }
            }
            EXPECT_EQ(stream.Prefetch(), nullptr) << c.What;
            EXPECT_EQ(stream.Bytes(), Sequential(blocks, c.Written)) << c.What << ", helpers: " << helpers;
        }
    }
}

TEST(BlockPrefetch, UnlistedBlocksAndEarlyEndsAreHandled) {
    const std::vector<CBlock> blocks = SomeBlocks();
    const CBlock unlisted(70000, 0x5A);
    CStream stream;
    CStream expected;
    {
        CBlockPrefetch prefetch(stream);
        for (std::size_t i = 0; i < 20; ++i)
            prefetch.Add(blocks[i]);
        // A block nobody listed, then the listed ones, then a copy of a
        // listed block's bytes at another address: compressed in place.
        for (CStream* s : {&stream, &expected}) {
            s->WriteCompressedBlock(unlisted);
            for (std::size_t i = 0; i < 10; ++i)
                s->WriteCompressedBlock(blocks[i]);
            const CBlock copy = blocks[10];
            s->WriteCompressedBlock(copy);
        }
        // The writer stops early: the workers stop with the prefetch.
    }
    EXPECT_EQ(stream.Bytes(), expected.Bytes());
}

TEST(BlockPrefetch, NestedPrefetchesRestoreTheOuterOne) {
    CStream stream;
    CBlockPrefetch outer(stream);
    {
        CBlockPrefetch inner(stream);
        EXPECT_EQ(stream.Prefetch(), &inner);
    }
    EXPECT_EQ(stream.Prefetch(), &outer);
}

}  // namespace

}  // namespace transvane
