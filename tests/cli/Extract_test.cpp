// transvane-cli extract: every asset comes back exactly, names stay safe and
// inside the folder, the page renders; and the info summary's counts.
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <thread>
#include <tuple>
#include <nlohmann/json.hpp>

#include "cli/Support_SafeName.h"
#include "format/core/Support_CodePage.h"
#include "testkit/ExpectedConversion.h"
#include "format/world/Option_Icon.h"
#include "testkit/ProjectFiles.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;
using nlohmann::json;
namespace fs = std::filesystem;

// The pixels of a PNG as 0x00RRGGBB, top row first, decoded by libpng.
TPicture DecodePng(const CBlock& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw std::runtime_error(image.message);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u) << "24-bit RGB, no alpha";
    image.format = PNG_FORMAT_RGB;
    CBlock rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        throw std::runtime_error(image.message);
    TPicture picture{10, static_cast<std::int32_t>(image.width), static_cast<std::int32_t>(image.height), {}, {}};
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        picture.Pixels.push_back(static_cast<std::uint32_t>(rgb[i]) << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    return picture;
}

template <class T>
std::int64_t Present(const TList<T>& list) {
    std::int64_t count = 0;
    for (const auto& slot : list.Slots)
        count += slot.has_value() ? 1 : 0;
    return count;
}

// The record of slot index of the expected list.
template <class T>
const T& Slot(const TList<T>& list, const json& item) {
    const auto& slot = list.Slots.at(item.at("slot").get<std::size_t>());
    EXPECT_TRUE(slot.has_value());
    EXPECT_EQ(item.at("name").get<std::string>(), Windows1252ToUtf8(slot->Name));
    return slot->Record;
}

// Extracts the project and checks every file the description promises
// against what converting it must give, and what it says of the file
// against what the file stores.
void ExpectExtracted(const TProject& source) {
    const TExpectation expectation = ExpectedConversion(source);
    const TProject& expected = expectation.Project;
    CScratchFolder folder;
    WriteWholeFile(folder.File("game.vtr"), WriteProject(source));
    const std::string dir = folder.File("out");
    // Given with a trailing separator, as a shell completes a folder's name.
    const CRunResult run = RunCli({"extract", folder.File("game.vtr"), dir + "/"}, folder.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "") << "what the load says goes into the notes";
    EXPECT_EQ(run.Out, "Extracted game.vtr: open " + dir + "/index.html to see it.\n");
    auto file = [&](const json& path) { return ReadWholeFile(dir + "/" + path.get<std::string>()); };
    const std::string described = Text(ReadWholeFile(dir + "/project.json"));
    EXPECT_EQ(SchemaViolations(described, "project"), "");
    const json project = json::parse(described);
    EXPECT_EQ(project.at("format version"), source.Version);
    if (source.Options.Version >= 441) {
        EXPECT_EQ(project.at("author"), Windows1252ToUtf8(source.Options.Author));
        EXPECT_EQ(project.at("game version"), source.Options.GameVersion);
    } else {
        EXPECT_TRUE(project.at("author").is_null() && project.at("last changed").is_null());
    }

    const json& counts = project.at("counts");
    for (const auto& [kind, present] :
         std::initializer_list<std::pair<const char*, std::int64_t>>{{"sprites", Present(expected.Sprites)},
                                                                     {"sounds", Present(expected.Sounds)},
                                                                     {"backgrounds", Present(expected.Backgrounds)},
                                                                     {"paths", Present(expected.Paths)},
                                                                     {"scripts", Present(expected.Scripts)},
                                                                     {"data files", Present(expected.DataFiles)},
                                                                     {"time lines", Present(expected.TimeLines)},
                                                                     {"objects", Present(expected.Objects)},
                                                                     {"rooms", Present(expected.Rooms.List)}})
        EXPECT_EQ(counts.at(kind), present) << kind;
    EXPECT_EQ(project.at("rooms").size(), Present(expected.Rooms.List));
    EXPECT_EQ(project.at("objects").size(), Present(expected.Objects));

    std::size_t pictures = 0;
    for (const json& item : project.at("sprites")) {
        const TSprite& sprite = Slot(expected.Sprites, item);
        ASSERT_EQ(item.at("subimages").size(), sprite.Images.size());
        for (std::size_t k = 0; k < sprite.Images.size(); ++k, ++pictures) {
            const TPicture png = DecodePng(file(item["subimages"][k]));
            EXPECT_EQ((std::tuple(png.Width, png.Height, png.Pixels)),
                      (std::tuple(sprite.Images[k].Width, sprite.Images[k].Height, sprite.Images[k].Pixels)));
        }
    }
    for (const json& item : project.at("backgrounds")) {
        const TBackground& background = Slot(expected.Backgrounds, item);
        if (background.HasImage == 0) {
            EXPECT_TRUE(item.at("image").is_null());
            continue;
        }
        ++pictures;
        EXPECT_EQ(DecodePng(file(item.at("image"))).Pixels, background.Image.Pixels);
    }
    const json& options = project.at("options");
    if (expected.Options.LoadingImage) {
        EXPECT_EQ(DecodePng(file(options.at("loading image"))).Pixels, expected.Options.LoadingImage->Pixels);
    }
    if (expected.Options.BarBackImage) {
        EXPECT_EQ(DecodePng(file(options.at("bar back image"))).Pixels, expected.Options.BarBackImage->Pixels);
    }
    EXPECT_EQ(file(options.at("icon")), expected.Options.Icon.value_or(DefaultGameIcon()));

    for (const json& item : project.at("sounds")) {
        const TSound& sound = Slot(expected.Sounds, item);
        if (sound.Kind == -1)
            EXPECT_TRUE(item.at("data").is_null());
        else
            EXPECT_EQ(file(item.at("data")), sound.Data);
    }
    for (const json& item : project.at("scripts"))
        EXPECT_EQ(Text(file(item.at("text"))), Windows1252ToUtf8(Slot(expected.Scripts, item).Text));
    for (const json& item : project.at("data files")) {
        const TDataFile& data = Slot(expected.DataFiles, item);
        if (data.HasData > 0) {
            EXPECT_EQ(file(item.at("data")), data.Data);
        }
    }
    for (const json& item : project.at("paths"))
        EXPECT_EQ(item.at("points").size(), Slot(expected.Paths, item).Points.size());
    if (expectation.GameInformationAsStored) {
        EXPECT_EQ(file(project.at("game information").at("rtf")), expected.GameInformation.Text);
    }

    // The summary of info counts what the project holds.
    const CRunResult info = RunCli({"info", folder.File("game.vtr"), "--json"}, folder.Path());
    ASSERT_EQ(info.Status, 0);
    const json summary = json::parse(info.Out);
    EXPECT_EQ(summary.at("resources"), counts);
    EXPECT_EQ(summary.at("author"), project.at("author"));
    EXPECT_EQ(summary.at("format version"), source.Version);

    // The page names every picture it shows by a file that exists.
    const std::string page = Text(ReadWholeFile(dir + "/index.html"));
    std::size_t images = 0;
    for (std::size_t at = page.find("<img src=\""); at != std::string::npos; at = page.find("<img src=\"", at + 1))
        ++images;
    EXPECT_EQ(images, pictures + (expected.Options.LoadingImage ? 1 : 0) + (expected.Options.BarBackImage ? 1 : 0) +
                          (expected.Options.BarFrontImage ? 1 : 0) + 1);
}

TEST(Extract, EveryAssetOfEveryVersionComesBackExactly) {
    for (const std::int32_t version : {400, 410, 411, 420, 430, 440, 441, 500}) {
        SCOPED_TRACE(version);
        ExpectExtracted(SampleProject(version));
        ExpectExtracted(RandomProject(version, static_cast<std::uint32_t>(version) * 7));
    }
}

// ---- names --------------------------------------------------------------------

TEST(Extract, SafeFileNames) {
    const std::string longName(300, 'x');
    const struct {
        std::string name, safe;
    } cases[] = {
        {"hero", "hero"},
        {"../../.bashrc", "___.._.bashrc"},
        {"/etc/passwd", "_etc_passwd"},
        {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
        {"..", "__"},
        {".", "_"},
        {"", "unnamed"},
        {"name. . ", "name"},
        {"tab\there\x7F", "tab_here_"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Lpt9", "_Lpt9"},
        {"COM0", "COM0"},
        {"NUL .png", "_NUL .png"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xC2\x81", "_"},  // a C1 control
        {longName, std::string(MaxNameBytes, 'x')},
        {std::string(MaxNameBytes - 1, 'x') + "\xC3\xA9", std::string(MaxNameBytes - 1, 'x')},  // cut on a character
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeFileName(c.name, "unnamed"), c.safe) << c.name;

    CNameSet names;
    const std::vector<std::string> claimed = {
        names.Claim("Hero", ".png"),   names.Claim("hero", ".png"),          names.Claim("HERO", ".png"),
        names.Claim("hero_2", ".png"), names.Claim("\xC3\x89t\xC3\xA9", ""), names.Claim("\xC3\xA9t\xC3\xA9", "")};
    EXPECT_EQ(claimed, (std::vector<std::string>{"Hero.png", "hero_2.png", "HERO_3.png", "hero_2_2.png",
                                                 "\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9_2"}));
    // A file may name a million resources alike.
    std::string last;
    for (int i = 0; i < 100000; ++i)
        last = names.Claim("x", ".txt");
    EXPECT_EQ(last, "x_100000.txt");
}

// The files --force replaces are synced from several threads: a failure in
// any of them is the extraction's, naming the first file that failed, and
// never ends the program.
TEST(Extract, SyncingManyFilesReportsTheFirstFailure) {
    CScratchFolder folder;
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(folder.File(std::to_string(i)));
        WriteWholeFile(paths.back(), Bytes({1}));
    }
    EXPECT_NO_THROW(SyncFiles(paths));
    paths[30] = folder.File("gone30");
    paths[7] = folder.File("gone7");
    try {
        SyncFiles(paths);
        ADD_FAILURE() << "missing files synced";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with(folder.File("gone7") + ": ")) << error.what();
    }
}

// A project whose names attack the folder: everything lands inside it, under
// distinct names, and links planted in it are never followed.
TEST(Extract, HostileNamesStayInsideTheFolder) {
    TProject p = EmptyProject(500);
    const std::vector<std::string> names = {
        "../../escape",        "/abs",     "CON",     "a/b",    "..", "", "Same", "SAME", "x. ",
        std::string(400, 'n'), "\x01\x1F", "caf\xE9", "CAF\xC9"};
    using namespace std::string_literals;
    const std::string sounds[] = {"RIFF\x10\0\0\0WAVEfmt "s, "MThd\0\0\0\x06"s, "ID3\x03"s, "\xFF\xFB\x90\x64"s,
                                  "RIFF\0\0\0\0AVI "s};
    for (const std::string& name : names) {
        p.Scripts.Add(name, TScript{400, name});
        p.DataFiles.Add(name, TDataFile{440, name, 1, Bytes({1, 2, 3}), 2, 0, 1, 1});
        p.Backgrounds.Add(name, TBackground{400, 2, 2, 0, 1, 1, 1, MakePicture(10, 2, 2, 1)});
    }
    for (const std::string& data : sounds)
        p.Sounds.Add("s", TSound{440, 0, "", CBlock(data.begin(), data.end())});
    CScratchFolder folder;
    WriteWholeFile(folder.File("game.vtr"), WriteProject(p));
    const std::string dir = folder.File("a/b/out");
    ASSERT_EQ(RunCli({"extract", folder.File("game.vtr"), dir}, folder.Path()).Status, 0);

    std::set<std::string> folded;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string leaf = entry.path().filename().string();
        EXPECT_TRUE(folded.insert(FoldedName(entry.path().string())).second) << "clash: " << entry.path();
        EXPECT_LE(leaf.size(), MaxNameBytes + 8);
        if (leaf.size() <= MaxNameBytes) {
            EXPECT_EQ(SafeFileName(leaf, "?"), leaf) << "not safe: " << leaf;
        }
        files += entry.is_regular_file() ? 1 : 0;
    }
    // Per name a script, a data file and a background; the sounds; the game
    // folder's icon and information twice; project.json and index.html.
    EXPECT_EQ(files, names.size() * 3 + std::size(sounds) + 3 + 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2) << "game.vtr and a/";
    for (const std::string name : {"s.wav", "s.mid", "s.mp3", "s_2.mp3", "s.bin"})
        EXPECT_TRUE(fs::exists(dir + "/sounds/" + name)) << name;

    // Again: refused as a whole, nothing touched; a link planted where a
    // file goes is removed with --force, never written through.
    WriteWholeFile(folder.File("outside"), Bytes({9}));
    fs::remove(dir + "/sounds/s.wav");
    fs::create_symlink(folder.File("outside"), dir + "/sounds/s.wav");
    const CRunResult refused = RunCli({"extract", folder.File("game.vtr"), dir}, folder.Path());
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(Lines(refused.Err).at(0), "Files to extract exist already; nothing was written (--force replaces them).");
    constexpr fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(dir + "/sounds/s.mid", ownerOnly);
    ASSERT_EQ(RunCli({"extract", folder.File("game.vtr"), dir, "--force"}, folder.Path()).Status, 0);
    EXPECT_FALSE(fs::is_symlink(dir + "/sounds/s.wav"));
    EXPECT_EQ(fs::status(dir + "/sounds/s.mid").permissions() & fs::perms::all, ownerOnly) << "kept on replacing";
    EXPECT_EQ(ReadWholeFile(folder.File("outside")), Bytes({9}));

    // A folder replaced by a link to elsewhere is refused, even with --force,
    // and the files --force would have replaced before it are as they were
    // (a failure or an interruption takes the whole extraction back).
    fs::remove_all(dir + "/scripts");
    fs::create_directory(folder.File("elsewhere"));
    fs::create_directory_symlink(folder.File("elsewhere"), dir + "/scripts");
    const std::string mine = fs::directory_iterator(dir + "/backgrounds")->path().string();
    WriteWholeFile(mine, Bytes({7}));
    const std::vector<std::string> before = FolderTree(dir);
    const CRunResult linked = RunCli({"extract", folder.File("game.vtr"), dir, "--force"}, folder.Path());
    EXPECT_EQ(linked.Status, 1);
    EXPECT_EQ(Lines(linked.Err).at(0), "Failed to extract the project.");
    EXPECT_TRUE(fs::is_empty(folder.File("elsewhere")));
    EXPECT_EQ(ReadWholeFile(mine), Bytes({7}));
    EXPECT_EQ(FolderTree(dir), before) << "no hidden file left";
}

// The page says what the file stores and shows only what the project
// holds: no section without rows, no gap for an empty author; what a
// conversion would not carry over is noted on it and in project.json.
TEST(Extract, PageShowsWhatTheFileHolds) {
    TProject noAuthor = EmptyProject(500);
    noAuthor.Options.Author.clear();
    struct Case {
        TProject project;
        std::vector<std::string> present, absent;
    };
    const Case cases[] = {
        {noAuthor,
         {"<p>A project file of format version 500, game id ", "; game version 100, last changed ",
          "<tr><th>Resolution</th><td>", "<tr><th>Author</th><td></td></tr>"},
         {", by ", "<h2 id=\"sprites\">", "<tr><th>Name</th>", "<h2 id=\"notes\">", "<a href=\"#rooms\">"}},
        {SampleProject(430),
         {"stores no author, game version or date of its last change.", "<h2 id=\"notes\">",
          "<li>Failed to convert old action number: 70", "<a href=\"#rooms\">"},
         {"last changed 2", "<th>Author</th>"}},
    };
    for (const Case& c : cases) {
        CScratchFolder folder;
        WriteWholeFile(folder.File("game.vtr"), WriteProject(c.project));
        ASSERT_EQ(RunCli({"extract", "game.vtr", "out"}, folder.Path()).Status, 0);
        const std::string page = Text(ReadWholeFile(folder.File("out/index.html")));
        for (const std::string& part : c.present)
            EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
        for (const std::string& part : c.absent)
            EXPECT_EQ(page.find(part), std::string::npos) << part << "\n" << page;
        const json notes = json::parse(Text(ReadWholeFile(folder.File("out/project.json")))).at("notes");
        EXPECT_EQ(notes.empty(), page.find("id=\"notes\"") == std::string::npos);
    }
}

// Interrupted while it writes, extract takes back every file and folder it
// made; what was there before stays.
TEST(Extract, AnInterruptedExtractionRemovesWhatItWrote) {
    TProject p = EmptyProject(500);
    for (int i = 0; i < 30000; ++i)
        p.Scripts.Add("s" + std::to_string(i), TScript{400, "x"});
    CScratchFolder folder;
    WriteWholeFile(folder.File("game.vtr"), WriteProject(p));
    fs::create_directory(folder.File("out"));
    WriteWholeFile(folder.File("out/mine.txt"), Bytes({1}));
    CRunningProgram cli(CliPath(), {"extract", "game.vtr", "out"}, folder.Path(), {SIGINT});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(folder.File("out/scripts")) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    cli.Signal(SIGINT);
    const CRunResult run = cli.Wait();
    EXPECT_EQ(run.Status, 130) << run.Err;
    EXPECT_EQ(FolderContents(folder.File("out")), std::vector<std::string>{"mine.txt"});
}

TEST(Extract, AFileThatDoesNotLoadExtractsNothing) {
    CScratchFolder folder;
    WriteWholeFile(folder.File("bad.vtr"), Bytes({'n', 'o', 'p', 'e', 0, 0, 0, 0}));
    const CRunResult run = RunCli({"extract", folder.File("bad.vtr"), folder.File("out")}, folder.Path());
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(Lines(run.Err).at(0), "Error Loading: This is not a vantrel file.");
    EXPECT_FALSE(fs::exists(folder.File("out")));
    // A damaged file: why it failed, and nothing the load warned about
    // before (a sample's old actions without translation).
    CBlock cut = WriteProject(SampleProject(500, 3));
    cut.resize(cut.size() * 9 / 10);
    WriteWholeFile(folder.File("cut.vtr"), cut);
    const std::vector<std::string> said = Lines(RunCli({"extract", "cut.vtr", "out"}, folder.Path()).Err);
    EXPECT_EQ(said.at(0), "Error Loading: File seems to be corrupted.");
    EXPECT_EQ(said.back(), "  more: transvane-cli recover cut.vtr 'cut (recovered).vtr'");
    for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
             {"extract", "a"}, {"extract", "a", "b", "--forse"}, {"extract", "a", "b", "--force", "c"}})
        EXPECT_EQ(RunCli(usage, folder.Path()).Status, 2);
}

// The page in a real browser: every picture it shows loads.
TEST(Extract, PageRendersWithItsPictures) {
    if (!fs::exists("/usr/bin/chromium"))
        GTEST_SKIP() << "chromium is not installed";
    CScratchFolder folder;
    WriteWholeFile(folder.File("game.vtr"), WriteProject(SampleProject(500)));
    ASSERT_EQ(RunCli({"extract", folder.File("game.vtr"), folder.File("out")}, folder.Path()).Status, 0);
    // The budget of virtual time ends the browser; timeout is the guard
    // should it hang all the same.
    const CRunResult browser =
        RunProgram("timeout",
                   {"120", "chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                    "--disable-component-update", "--no-first-run", "--user-data-dir=" + folder.File("profile"),
                    "--virtual-time-budget=5000", "--dump-dom", "file://" + folder.File("out/index.html")},
                   folder.Path());
    ASSERT_EQ(browser.Status, 0) << browser.Err;
    EXPECT_NE(browser.Out.find("class=\"legend\""), std::string::npos) << "the tree's colours are explained";
    // 2 + 3 subimages, one background, the bar's back, the loading image, the icon.
    EXPECT_NE(browser.Out.find("data-shown=\"9\" data-total=\"9\""), std::string::npos) << browser.Out;
}

}  // namespace

}  // namespace transvane
