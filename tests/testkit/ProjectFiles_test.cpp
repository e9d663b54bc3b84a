// The test-project builder and the independent reader must agree on every
// version-500 layout, or the end-to-end tests would prove nothing.
#include "testkit/ProjectFiles.h"

#include <gtest/gtest.h>

#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectReader.h"

namespace transvane {

namespace {

using namespace project;

TEST(ProjectFiles, ReaderReadsBackWhatTheBuilderWritesInTheNewestLayout) {
    for (std::int32_t version : {400, 410, 411, 420, 430, 440, 441, 500}) {
        TProject converted = ExpectedConversion(SampleProject(version)).Project;
        if (!converted.Options.Icon)
            converted.Options.Icon = TestIcon();
        converted.Options.LastChanged = 44000.25;
        const CBlock bytes = WriteProject(converted);
        const TProject read = ReadProject(bytes);
        EXPECT_TRUE(read.Options == converted.Options) << version;
        EXPECT_EQ(read.Sprites, converted.Sprites) << version;
        EXPECT_EQ(read.Objects, converted.Objects) << version;
        EXPECT_EQ(read.Rooms, converted.Rooms) << version;
        EXPECT_EQ(read.Tree, converted.Tree) << version;
        EXPECT_EQ(WriteProject(read), bytes) << version;

        CBlock longer = bytes;
        longer.push_back(0);
        EXPECT_THROW(ReadProject(longer), std::runtime_error) << "nothing may follow the tree";
        EXPECT_THROW(ReadProject(CBlock(bytes.begin(), bytes.end() - 1)), std::runtime_error);
    }
}

TEST(ProjectFiles, PlainTextOfRichText) {
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}{\\*\\generator x;}"
        "\\f0 a \\{b\\} c\\\\\\par caf\\'e9\\tab x}";
    EXPECT_EQ(RtfPlainText(CBlock(rtf.begin(), rtf.end())), "a {b} c\\\r\ncaf\xE9\tx");
}

}  // namespace

}  // namespace transvane
