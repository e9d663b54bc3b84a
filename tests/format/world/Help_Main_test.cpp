#include "format/world/Help_Main.h"

#include <gtest/gtest.h>

#include "format/world/Support_RichText.h"
#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// A small formatted document.
CBlock RtfDocument() {
    return Bytes(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "\\viewkind4\\uc1\\pard\\cf1\\b\\f0\\fs24 Welcome\\cf0\\b0  to the \\'e9t\\'e9 game\\par\r\n"
        "Press \\{F1\\} for help.\\par\r\n"
        "}\r\n");
}

CBlock Section(std::int32_t version, CBlock text = RtfDocument(), std::int32_t mimic = 1) {
    CStream stream;
    WriteGameInformation(stream, {version, 0x00336699, mimic, std::move(text)});
    return stream.TakeBytes();
}

// Loads a section from bytes and checks it was consumed whole.
bool LoadFrom(CWorldModel& world, const CBlock& section) {
    CStream in(section);
    const bool ok = LoadGameInformation(world, in);
    if (ok) {
        EXPECT_EQ(in.Remaining(), 0u);
    }
    return ok;
}

struct CSaved {
    std::int32_t Version, Color;
    bool Mimic;
    CBlock Text;
};

CSaved Save(CWorldModel& world) {
    CStream out;
    EXPECT_TRUE(SaveGameInformation(world, out));
    CStream in(out.Bytes());
    CSaved saved{in.ReadInt(), in.ReadInt(), in.ReadBool(), in.ReadBlock()};
    EXPECT_EQ(in.Remaining(), 0u);
    return saved;
}

TEST(GameInformation, ClearGivesDefaults) {
    CProject project;
    GameInformation(project.World).MimicMainForm = true;
    GameInformation(project.World).BackgroundColor = 5;
    GameInformation(project.World).Changed = true;
    ClearGameInformation(project.World);
    EXPECT_EQ(GameInformation(project.World).BackgroundColor, static_cast<std::int32_t>(0x80000018u));
    EXPECT_FALSE(GameInformation(project.World).MimicMainForm);  // nothing of the last project survives
    EXPECT_FALSE(GameInformation(project.World).Changed);
    EXPECT_EQ(GameInformationPlainText(project.World), "");
    EXPECT_TRUE(IsWellFormedRtf(GameInformation(project.World).Text));
}

TEST(GameInformation, BothVersionsRoundTrip) {
    CProject project;
    for (std::int32_t version : {400, 430}) {
        GameInformation(project.World).Changed = true;
        // A system colour, which stays unresolved.
        ASSERT_TRUE(LoadFrom(project.World, Patched(Section(version), 4, static_cast<std::int32_t>(0x80000018u))))
            << version;
        EXPECT_FALSE(GameInformation(project.World).Changed);
        const CSaved saved = Save(project.World);
        EXPECT_EQ(saved.Version, 430);
        EXPECT_EQ(saved.Color, static_cast<std::int32_t>(0x80000018u));  // not resolved
        EXPECT_EQ(saved.Mimic, version == 430);
        EXPECT_EQ(saved.Text, RtfDocument());  // a well-formed document is kept byte for byte
    }
}

TEST(GameInformation, PlainTextBecomesADocument) {
    CProject project;
    ASSERT_TRUE(LoadFrom(project.World, Section(430, Bytes("Line one\r\nCost: {5} \\ \xA3"), 0)));
    const CSaved saved = Save(project.World);
    EXPECT_FALSE(saved.Mimic);
    EXPECT_TRUE(IsWellFormedRtf(saved.Text));
    EXPECT_EQ(RtfPlainText(saved.Text), "Line one\nCost: {5} \\ \xA3");
}

TEST(GameInformation, LooksLikeRtfButIsNot) {
    CProject project;
    // Starts like a document but never closes: taken as text, kept whole.
    const std::string text = "{\\rtf1 unfinished {\\b business}";
    ASSERT_TRUE(LoadFrom(project.World, Section(400, Bytes(text))));
    EXPECT_EQ(GameInformationPlainText(project.World), text);
    EXPECT_TRUE(IsWellFormedRtf(Save(project.World).Text));
}

TEST(GameInformation, EmptyBlockIsAnEmptyDocument) {
    CProject project;
    ASSERT_TRUE(LoadFrom(project.World, Section(430, {})));
    EXPECT_EQ(GameInformationPlainText(project.World), "");
    EXPECT_TRUE(IsWellFormedRtf(Save(project.World).Text));
}

TEST(GameInformation, OnlyVersions400And430) {
    CProject project;
    for (std::int32_t version : {399, 401, 410, 420, 429, 431, 440, 500}) {
        CStream in(Section(version));
        EXPECT_FALSE(LoadGameInformation(project.World, in)) << version;
        EXPECT_EQ(in.Position(), 4u) << version;  // nothing after the version is read
    }
}

TEST(GameInformation, CutShortOrHostileBlockFails) {
    CProject project;
    CBlock bytes = Section(430);
    bytes.resize(bytes.size() - 1);
    CStream cut(bytes);
    EXPECT_THROW(LoadGameInformation(project.World, cut), EReadError);

    CStream in(Patched(Section(430), 12, 0x7FFFFFFF));  // the block's count, after three numbers
    EXPECT_THROW(LoadGameInformation(project.World, in), EReadError);
}

TEST(GameInformation, SettingTextMarksTheModel) {
    CProject project;
    ClearGameInformation(project.World);
    SetGameInformationText(project.World, project.Core, Bytes("hello"));
    EXPECT_TRUE(GameInformation(project.World).Changed);
    EXPECT_EQ(GameInformationPlainText(project.World), "hello");
    SetGameInformationText(project.World, project.Core, RtfDocument());
    EXPECT_EQ(GameInformation(project.World).Text, RtfDocument());
    EXPECT_EQ(GameInformationPlainText(project.World), "Welcome to the \xE9t\xE9 game\nPress {F1} for help.\n");
    // Text that happens to be a document is still text here.
    GameInformation(project.World).Changed = false;
    SetGameInformationPlainText(project.World, "{\\rtf1 x}");
    EXPECT_TRUE(GameInformation(project.World).Changed);
    EXPECT_EQ(GameInformationPlainText(project.World), "{\\rtf1 x}");
}

TEST(GameInformation, SpoiledSectionsFailCleanly) {
    CProject project;
    for (const CBlock& copy : SpoiledCopies(Section(430), 300)) {
        CStream in(copy);
        try {
            if (LoadGameInformation(project.World, in)) {
                EXPECT_TRUE(IsWellFormedRtf(GameInformation(project.World).Text));
                Save(project.World);
            }
        } catch (const EReadError&) {
        }
    }
}

}  // namespace

}  // namespace transvane
