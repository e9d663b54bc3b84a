// transvane-cli info: what it says about a file that loads and where it
// says reading stopped in one that does not.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "testkit/ProjectFiles.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"
#include "transvane/transvane.h"

namespace transvane {

namespace {

using namespace project;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What info says of a file that loads: the summary for people (counts,
// slots, a sprite's size from its pictures, the format's codes as words,
// references by name, references to empty slots flagged), the layout of
// every section, and both as JSON that its schema accepts; older files show
// which sections they lack and null for what they do not store.
TEST(Info, DescribesAFileThatLoads) {
    struct Case {
        std::int32_t Version;
        std::vector<std::string> Options;
        std::vector<const char*> Parts;
    };
    const Case cases[] = {
        {500,
         {},
         {"format version: 500\n", "author: An Author \xC3\xA9\n", "game version: 321\n",
          "last changed: 2009-07-06 12:00:00\n", "resources:\n  sounds: 3\n  sprites: 3\n  subimages: 5\n",
          "  - slot: 0\n    name: first\n    size: 9 x 7\n    subimages: 2\n",
          "  - slot: 2\n    name: second\n    size: 3 x 5\n    stored size: 32 x 32\n",
          "  - slot: 3\n    name: (no name)\n    size: no pictures\n    stored size: 32 x 32\n",
          "    data: unknown data\n    bytes: 1000\n",
          "    connection: smooth curve\n    at the end: move to the start (closed)\n", "    at the end: unknown (7)\n",
          "    export: install as a font\n", "    sprite: #1 (empty slot)\n", "  resolution: 1024x768\n",
          "  loading progress bar: own bar with back and front images\n"}},
        {500,
         {"--json"},
         {"\"loaded\": true", "\"explanation\": null", "\"size\": {\n        \"width\": 9,\n        \"height\": 7\n",
          "\"name\": \"\",", "\"layout\": null"}},
        {430, {"--json"}, {"\"author\": null", "\"window scale\": 150", "\"information\": null"}},
        {500,
         {"--layout"},
         {"loaded: yes", "header version: 500", "game id: 100001", "guid: {A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}",
          "  - section: Game options", "    offset: 32", "  - section: Resource tree", "        name: first",
          "        data bytes: 1000", "          - size: 300 x 2",
          "  - message: Failed to convert old action number: 70",
          "    background colour: system colour 24 (0x80000018)", "        | second line", "      - name: My Rooms"}},
        {500,
         {"--json", "--layout"},
         {"\"loaded\": true", "\"header version\": 500", "\"section\": \"Time lines\"", "\"version\": 420",
          "\"author\": \"An Author \xC3\xA9\"", "\"room order\": [", "\"data bytes\": null"}},
        {410,
         {"--layout"},
         {"  - section: Paths\n    stored: no\n", "  - section: Used action libraries\n    stored: no\n",
          "    offset: 32\n    bytes: "}},
    };
    for (const Case& c : cases) {
        TProject p = SampleProject(c.Version);
        p.Objects.Slots[0]->Record.SpriteIndex = 1;  // the empty slot
        p.Sprites.Slots[3]->Name.clear();
        CScratchFolder folder;
        WriteWholeFile(folder.File("a.vtr"), WriteProject(p));
        std::vector<std::string> arguments{"info", folder.File("a.vtr")};
        arguments.insert(arguments.end(), c.Options.begin(), c.Options.end());
        const CRunResult run = RunCli(arguments);
        EXPECT_EQ(run.Status, 0);
        for (const char* part : c.Parts)
            EXPECT_TRUE(Has(run.Out, part)) << part << "\n" << run.Out;
        if (c.Options.empty()) {
            EXPECT_FALSE(Has(run.Out, "offset")) << "the layout only with --layout";
        } else if (c.Options[0] == "--json") {
            EXPECT_EQ(SchemaViolations(run.Out, "info"), "");
        }
    }
}

// Where reading stopped: the section, its first byte, the offset and why.
TEST(Info, SaysWhereAndWhyReadingStopped) {
    TProject refused = SampleProject(441);
    refused.Rooms.List.Slots[2]->Record.Version = 501;
    TProject badTree = SampleProject(441);
    badTree.Tree.Version = 399;
    const CBlock whole = WriteProject(SampleProject(441));
    struct Case {
        const char* what;
        std::optional<CBlock> bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"not a project",
         Bytes({'n', 'o', 'p', 'e', 0, 0, 0, 0}),
         {"The file does not load: its header is not that of a project file of version 400 to 500.\n"
          "  cause: Error Loading: This is not a vantrel file.\n",
          "loaded: no", "  section: header", "  offset: 4", "  reason: Error Loading: This is not a vantrel file."}},
        {"missing",
         std::nullopt,
         {"The file cannot be read.\n  cause: File does not exist: No such file or directory\n",
          "  reason: File does not exist: No such file or directory"}},
        {"refused room",
         WriteProject(refused),
         {"The file does not load: reading stopped in the section \"Rooms\".\n  cause: the section's reader refused",
          "  section starts at byte: ", "loaded: no", "  section: Rooms", "  reason: the section's reader refused",
          "  int32 before the offset: 501", "  - section: Objects"}},
        {"refused tree",
         WriteProject(badTree),
         {"  section: Resource tree", "  int32 before the offset: 399", "  - section: Used action libraries"}},
        {"cut in its header",
         CBlock(whole.begin(), whole.begin() + 20),
         {"The file does not load: it ends inside its header.\n  cause: Stream read error\n  stopped at byte: "}},
        {"cut short",
         CBlock(whole.begin(), whole.begin() + 40),
         {"  section: Game options", "  section offset: 32", "  offset: 40", "  reason: "}},
    };
    for (const Case& c : cases) {
        CScratchFolder folder;
        if (c.bytes)
            WriteWholeFile(folder.File("a.vtr"), *c.bytes);
        const CRunResult run = RunCli({"info", folder.File("a.vtr")});
        EXPECT_EQ(run.Status, 1) << c.what;
        for (const std::string& line : c.lines)
            EXPECT_TRUE(Has(run.Out, line)) << c.what << ": " << line << "\n" << run.Out;
        // The JSON of either view has the shape of a file that loads.
        for (const char* view : {"--json", "--layout"}) {
            const CRunResult json = RunCli({"info", folder.File("a.vtr"), "--json", view});
            EXPECT_EQ(SchemaViolations(json.Out, "info"), "") << c.what;
            EXPECT_TRUE(Has(json.Out, "\"loaded\": false,\n  \"explanation\": {\n    \"message\": \"The file"))
                << json.Out;
        }
    }
}

// A file cut anywhere: info's layout shows what the library's Inspect
// reports of it (the header as far as it was read, the sections read
// completely, where reading stopped), from a file and from standard input
// alike.
TEST(Info, ACutFileIsShownAsInspectSeesIt) {
    using nlohmann::json;
    const CBlock whole = WriteProject(SampleProject(500));
    const CBlock old = WriteProject(SampleProject(405));  // no GUID stored
    struct Case {
        const char* what;
        const CBlock& file;
        std::size_t keep;
        const char* stoppedIn;  // nullptr: wherever that is
        const char* gameId;     // in the text: "-" while it was not read
        const char* guid;
    };
    const Case cases[] = {
        {"in the magic number", whole, 2, "header", "-", "-"},
        {"in the game id", whole, 14, "header", "-", "-"},
        {"in the GUID", whole, 20, "header", "100001", "-"},
        {"in the first section", whole, 40, "Game options", "100001", "{A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}"},
        {"half way", whole, whole.size() / 2, nullptr, "100001", "{A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}"},
        {"in the last section", whole, whole.size() - 5, "Resource tree", "100001",
         "{A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}"},
        {"an old file after its header", old, 16, "Game options", "100001", "none stored"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CBlock cut(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(c.keep));
        CScratchFolder folder;
        WriteWholeFile(folder.File("cut.vtr"), cut);
        const transvane::CInspection seen = transvane::Inspect(cut);
        ASSERT_TRUE(seen.Stopped);
        if (c.stoppedIn != nullptr) {
            EXPECT_EQ(seen.Stopped->Section, c.stoppedIn);
        }

        const CRunResult text = RunCli({"info", "cut.vtr", "--layout"}, folder.Path());
        EXPECT_EQ(text.Status, 1);
        EXPECT_TRUE(Has(text.Out, "\ngame id: " + std::string(c.gameId) + "\nguid: " + c.guid + "\n")) << text.Out;
        const CRunResult piped = RunProgram("sh", {"-c", "\"$0\" info - --layout < cut.vtr", CliPath()}, folder.Path());
        EXPECT_EQ(piped.Out.substr(piped.Out.find("loaded:")), text.Out.substr(text.Out.find("loaded:")));

        const CRunResult run = RunCli({"info", "cut.vtr", "--layout", "--json"}, folder.Path());
        EXPECT_EQ(SchemaViolations(run.Out, "info"), "");
        const json shown = json::parse(run.Out);
        EXPECT_EQ(shown.at("loaded"), false);
        EXPECT_EQ(shown.at("bytes"), seen.FileBytes);
        EXPECT_EQ(shown.at("bytes"), c.keep);
        EXPECT_EQ(shown.at("header version"), seen.Version != 0 ? json(seen.Version) : json());
        EXPECT_EQ(shown.at("game id"), std::string(c.gameId) != "-" ? json(seen.GameId) : json());
        EXPECT_EQ(shown.at("guid"), seen.Guid ? json(*seen.Guid) : json());
        const json& sections = shown.at("sections");
        ASSERT_EQ(sections.size(), seen.Sections.size());
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const transvane::CSectionInfo& section = seen.Sections[i];
            EXPECT_EQ(sections[i].at("section"), section.Name);
            EXPECT_EQ(sections[i].at("stored"), section.Stored);
            if (section.Stored) {
                EXPECT_EQ(sections[i].at("offset"), section.Offset);
                EXPECT_EQ(sections[i].at("bytes"), section.Bytes);
                EXPECT_EQ(sections[i].at("version"), section.Version);
            }
        }
        const json& failure = shown.at("failure");
        EXPECT_EQ(failure.at("section"), seen.Stopped->Section);
        EXPECT_EQ(failure.at("section offset"), seen.Stopped->SectionOffset);
        EXPECT_EQ(failure.at("offset"), seen.Stopped->Offset);
        EXPECT_EQ(failure.at("reason"), seen.Stopped->Reason);
        // What the load said, each message without the file info names
        // above; the cut itself is told once, as the failure.
        json said = json::array();
        for (const transvane::CMessage& message : seen.Messages)
            said.push_back({{"message", message.Text}, {"context", message.Context}});
        EXPECT_EQ(shown.at("messages"), said);
    }
}

// The file chooses how deep groups nest: the report walks them without
// recursion and lists only the first thousand.
TEST(Info, DeeplyNestedGroups) {
    constexpr int Depth = 100000;
    const TProject empty = EmptyProject(500);
    CBlock file = WriteProject(empty);
    CStream defaultTree;
    WriteTree(defaultTree, empty.Tree);
    file.resize(file.size() - defaultTree.Size());
    const CBlock tree = DeepTreeSection(Depth);
    file.insert(file.end(), tree.begin(), tree.end());
    CScratchFolder folder;
    WriteWholeFile(folder.File("deep.vtr"), file);
    const CRunResult run = RunCli({"info", folder.File("deep.vtr"), "--layout"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(Has(run.Out, "        groups: 100000\n        depth: 100000\n")) << run.Out.substr(0, 4000);
    EXPECT_TRUE(Has(run.Out, "    groups not listed: 99000\n"));
}

// Names of the file are Windows-1252, shown as UTF-8; a path is shown as
// given; options stand before or after the file; "-" is standard input.
TEST(Info, ShowsTextAsPeopleReadItWhereverTheOptionsStand) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("caf\u00e9.vtr"), WriteProject(SampleProject(500)));
    const CRunResult before = RunCli({"info", "--json", "caf\u00e9.vtr"}, folder.Path());
    const CRunResult after = RunCli({"info", "caf\u00e9.vtr", "--json"}, folder.Path());
    EXPECT_EQ(before.Status, 0);
    EXPECT_EQ(before.Out, after.Out);
    EXPECT_TRUE(Has(before.Out, "\"file\": \"caf\u00e9.vtr\"")) << before.Out.substr(0, 200);
    const CRunResult text = RunCli({"info", "caf\u00e9.vtr"}, folder.Path());
    EXPECT_TRUE(Has(text.Out, "\nauthor: An Author \u00e9\n")) << text.Out;

    const CRunResult piped = RunProgram("sh", {"-c", "\"$0\" info - < caf\u00e9.vtr", CliPath()}, folder.Path());
    EXPECT_EQ(piped.Status, 0);
    EXPECT_TRUE(Has(piped.Out, "file: -\n"));
    EXPECT_EQ(piped.Out.substr(piped.Out.find('\n')), text.Out.substr(text.Out.find('\n')));

    // A name holding a line break or an escape stays one line of the text
    // form, escaped as every line of the tool; JSON escapes it by itself.
    TProject odd = SampleProject(500);
    odd.Sprites.Slots[0]->Name = "fir\nst";
    WriteWholeFile(folder.File("new\nline\x1b.vtr"), WriteProject(odd));
    for (const char* command : {"info", "check"}) {
        const CRunResult shown = RunCli({command, "new\nline\x1b.vtr"}, folder.Path());
        EXPECT_TRUE(Has(shown.Out, "file: new\\nline\\x1b.vtr\n")) << shown.Out;
        const CRunResult json = RunCli({command, "--json", "new\nline\x1b.vtr"}, folder.Path());
        EXPECT_TRUE(Has(json.Out, "\"file\": \"new\\nline\\u001b.vtr\"")) << json.Out;
    }
    EXPECT_TRUE(Has(RunCli({"info", "new\nline\x1b.vtr"}, folder.Path()).Out, "    name: fir\\nst\n"));
}

// check converts in memory, writes nothing, and lists every change with
// its place and count.
TEST(Check, ListsWhatTheConversionChangesAndWritesNothing) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("old.vtr"), WriteProject(SampleProject(400)));
    const CRunResult run = RunCli({"check", "old.vtr"}, folder.Path());
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    for (const char* part : {
             "converts: yes\nheader version: 400\n",
             "  - change: version 4 options dropped\n",
             "  - change: version 4 options picture dropped\n",
             "    detail: stored as colour runs\n    count: 3\n",
             "  - change: sound compressed\n",
             "    detail: number 70\n    place: object 0 \"hero\", row 8, event 2, action 4\n    count: 1\n",
             "  - change: information wrapped\n",
             "    detail: Time Lines\n",
             "    detail: sprite 1\n    place: object 0 \"hero\"\n",
             "    detail: object 1\n    place: object 0 \"hero\"\n    count: 4\n",
             "    detail: sprite 7\n    place: object 2 \"wall\"\n",
             "  - change: instance dropped\n    what: room instance dropped: its object no longer exists\n"
             "    place: room 0 \"first\"\n    count: 3\n",
             "      - place: object 0 \"hero\", row 0, event 0, action 4\n",
         })
        EXPECT_TRUE(Has(run.Out, part)) << part << "\n" << run.Out;
    const CRunResult json = RunCli({"check", "--json", "old.vtr"}, folder.Path());
    EXPECT_TRUE(Has(json.Out, "\"change\": \"tree group added\""));
    EXPECT_EQ(SchemaViolations(json.Out, "check"), "");
    const CRunResult piped = RunProgram("sh", {"-c", "\"$0\" check - < old.vtr", CliPath()}, folder.Path());
    EXPECT_EQ(piped.Status, 0);
    EXPECT_TRUE(Has(piped.Out, "file: -\nconverts: yes\nheader version: 400\n")) << piped.Out;

    const CBlock whole = WriteProject(SampleProject(400));
    WriteWholeFile(folder.File("cut.vtr"), CBlock(whole.begin(), whole.begin() + 40));
    const CRunResult cut = RunCli({"check", "cut.vtr"}, folder.Path());
    EXPECT_EQ(cut.Status, 1);
    EXPECT_TRUE(Has(cut.Out, "converts: no\n"));
    EXPECT_TRUE(Has(cut.Err, "Error Loading: File seems to be corrupted.\n  file: cut.vtr\n  section: Game options"));
    EXPECT_TRUE(Has(cut.Err, "\n  more: transvane-cli info cut.vtr\n"));
    const CRunResult cutJson = RunCli({"check", "--json", "cut.vtr"}, folder.Path());
    EXPECT_EQ(SchemaViolations(cutJson.Out, "check"), "");
    EXPECT_TRUE(
        Has(cutJson.Out, "\"loaded\": false,\n  \"explanation\": {\n    \"message\": \"Error Loading: File seems"))
        << cutJson.Out;

    EXPECT_EQ(FolderContents(folder.Path()), (std::vector<std::string>{"cut.vtr", "old.vtr"}))
        << "check writes nothing";
}

}  // namespace

}  // namespace transvane
