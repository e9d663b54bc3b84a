// What `cmake --install` puts into a prefix, checked in a temporary one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <unistd.h>
#include <zlib.h>

#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/RunProgram.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

const std::string Version = TRANSVANE_VERSION;
const std::array<int, 8> IconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// The whole content of a gzip-compressed file.
std::string ReadCompressed(const std::string& name) {
    gzFile file = ::gzopen(name.c_str(), "rb");
    if (file == nullptr)
        return {};
    std::string text;
    std::array<char, 4096> buffer{};
    int got = 0;
    while ((got = ::gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        text.append(buffer.data(), static_cast<std::size_t>(got));
    ::gzclose(file);
    return text;
}

// The versions a text names by pattern (its first group), in order.
std::vector<std::string> Versions(const std::string& text, const std::string& pattern) {
    std::vector<std::string> versions;
    const std::regex expression(pattern);
    for (auto match = std::sregex_iterator(text.begin(), text.end(), expression); match != std::sregex_iterator();
         ++match)
        versions.push_back((*match)[1]);
    return versions;
}

// Width and height from the header of a PNG file; {0, 0} when it is none.
std::pair<int, int> PngSize(const CBlock& bytes) {
    const CBlock signature = Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    if (bytes.size() < 24 || !std::equal(signature.begin(), signature.end(), bytes.begin()) ||
        Text(CBlock(bytes.begin() + 12, bytes.begin() + 16)) != "IHDR")
        return {0, 0};
    const auto bigEndian = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = at; i < at + 4; ++i)
            value = (value << 8) | bytes[i];
        return static_cast<int>(value & 0x7FFFFFFF);
    };
    return {bigEndian(16), bigEndian(20)};
}

// Installs the build tree into a fresh temporary prefix.
class InstalledTree : public testing::Test {
protected:
    void SetUp() override {
        const CRunResult result = RunProgram(
            TRANSVANE_CMAKE_COMMAND, {"--install", TRANSVANE_BUILD_DIR, "--prefix", Prefix.Path()}, Prefix.Path());
        ASSERT_EQ(result.Status, 0) << result.Out << result.Err;
    }
    std::string File(const std::string& name) const { return Prefix.File(name); }

    CScratchFolder Prefix;
};

TEST_F(InstalledTree, HoldsTheProgramsAndTheManualPages) {
    EXPECT_EQ(::access(File("bin/transvane-cli").c_str(), X_OK), 0);
    const CRunResult version = RunProgram(File("bin/transvane-cli"), {"--version"}, Prefix.Path());
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out, "transvane-cli " + Version + "\n");

    const std::string page = ReadCompressed(File("share/man/man1/transvane-cli.1.gz"));
    EXPECT_NE(page.find(".TH TRANSVANE-CLI 1 \"\" \"Transvane " + Version + "\""), std::string::npos)
        << "the manual page carries the version of the build";
    for (const char* documented : {"\\-\\-output\\-dir", "\\-\\-quiet", "EXIT STATUS", "/usr/share/transvane/schema"})
        EXPECT_NE(page.find(documented), std::string::npos) << documented;
    // The schemas the reports are checked against in the tests.
    for (const char* schema : {"info", "check", "project", "recover"}) {
        const std::string name = std::string("/") + schema + ".schema.json";
        EXPECT_EQ(ReadWholeFile(File("share/transvane/schema" + name)),
                  ReadWholeFile(std::string(TRANSVANE_SOURCE_DIR) + "/packaging/schema" + name))
            << name;
    }

    // The Debian package is built with the same version.
    const std::string cpack = Text(ReadWholeFile(std::string(TRANSVANE_BUILD_DIR) + "/CPackConfig.cmake"));
    EXPECT_NE(cpack.find("set(CPACK_PACKAGE_VERSION \"" + Version + "\")"), std::string::npos);

    if (!TRANSVANE_INSTALLS_GUI)
        return;
    EXPECT_EQ(::access(File("bin/transvane").c_str(), X_OK), 0);
    EXPECT_NE(ReadCompressed(File("share/man/man1/transvane.1.gz")).find("Transvane " + Version), std::string::npos);
}

TEST_F(InstalledTree, CarriesTheLicenceAndOneReleaseHistory) {
    // The licence, in Debian's machine-readable copyright format.
    const std::string copyright = Text(ReadWholeFile(File("share/doc/transvane/copyright")));
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0), 0u);
    EXPECT_NE(copyright.find("Files: *\nCopyright: 2026 The Transvane developers\nLicense: Expat\n"),
              std::string::npos);
    const std::vector<std::string> licence = Lines(Text(ReadWholeFile(std::string(TRANSVANE_SOURCE_DIR) + "/LICENSE")));
    ASSERT_GT(licence.size(), 10u);
    for (std::size_t line = 4; line < licence.size(); ++line)
        EXPECT_NE(copyright.find("\n " + (licence[line].empty() ? "." : licence[line]) + "\n"), std::string::npos)
            << "LICENSE line " << line + 1 << " is missing";
    for (const char* library : {"License: Zlib\n", "License: libpng-2.0\n", "License: LGPL-3\n"})
        EXPECT_NE(copyright.find(library), std::string::npos) << library;

    // The changelog, made from CHANGELOG.md, starts with the version built
    // and lists the same releases as the software-centre metadata.
    const std::string changelog = ReadCompressed(File("share/doc/transvane/changelog.gz"));
    EXPECT_EQ(changelog.rfind("transvane (" + Version + ") unstable; urgency=medium\n\n  * ", 0), 0u) << changelog;
    const std::vector<std::string> released = Versions(changelog, R"((?:^|\n)transvane \(([0-9.]+)\))");
    EXPECT_EQ(
        Versions(Text(ReadWholeFile(std::string(TRANSVANE_SOURCE_DIR) + "/CHANGELOG.md")), R"((?:^|\n)## ([0-9.]+) )")
            .back(),
        released.back())
        << "every released section is carried";

    if (!TRANSVANE_INSTALLS_GUI)
        return;
    const std::string metainfo = File("share/metainfo/org.transvane.transvane.metainfo.xml");
    const CRunResult validate = RunProgram("appstreamcli", {"validate", "--no-net", metainfo}, Prefix.Path());
    EXPECT_EQ(validate.Status, 0) << validate.Out << validate.Err;
    EXPECT_EQ(Versions(Text(ReadWholeFile(metainfo)), R"x(<release version="([0-9.]+)")x"), released);
}

// A program of someone else's (tests/package/outside), built against the
// installed library as its developer would, with the CMake package and with
// pkg-config, converts projects of several versions as the tests' own
// reader expects them.
TEST_F(InstalledTree, LetsAnOutsideProgramConvert) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the installed archive carries the sanitizers' calls, which a plain outside program does not link";
#endif
    const std::string outside = std::string(TRANSVANE_SOURCE_DIR) + "/tests/package/outside";
    const CRunResult configure =
        RunProgram(TRANSVANE_CMAKE_COMMAND,
                   {"-S", outside, "-B", File("by-cmake"), "-DCMAKE_PREFIX_PATH=" + Prefix.Path(),
                    "-DCMAKE_CXX_COMPILER=" TRANSVANE_CXX_COMPILER, "-DCMAKE_BUILD_TYPE=Release"},
                   Prefix.Path());
    ASSERT_EQ(configure.Status, 0) << configure.Out << configure.Err;
    const CRunResult built = RunProgram(TRANSVANE_CMAKE_COMMAND, {"--build", File("by-cmake")}, Prefix.Path());
    ASSERT_EQ(built.Status, 0) << built.Out << built.Err;
    const CRunResult compiled =
        RunProgram("sh",
                   {"-c",
                    "PKG_CONFIG_PATH=\"$0/lib/pkgconfig\" && export PKG_CONFIG_PATH && "
                    "exec \"$1\" -std=c++20 -O1 \"$2\" -o \"$3\" $(pkg-config --cflags --libs transvane)",
                    Prefix.Path(), TRANSVANE_CXX_COMPILER, outside + "/outside.cpp", File("by-pkg-config")},
                   Prefix.Path());
    ASSERT_EQ(compiled.Status, 0) << compiled.Out << compiled.Err;

    for (const std::int32_t version : {400, 441, 500}) {
        const project::TProject source = project::SampleProject(version, static_cast<std::uint32_t>(version));
        const project::TExpectation expected = project::ExpectedConversion(source);
        const std::string in = File("in" + std::to_string(version) + ".vtr");
        WriteWholeFile(in, project::WriteProject(source));
        std::string said = "version " + std::to_string(version) + "\n";
        for (const std::string& message : expected.Messages)
            said += "message: " + message + "\n";
        for (const char* program : {"by-cmake/outside", "by-pkg-config"}) {
            SCOPED_TRACE(std::string(program) + ", version " + std::to_string(version));
            const std::string out = File(std::string(program) + "-" + std::to_string(version) + ".vtr");
            const double from = project::LocalNowAsDays();
            const CRunResult run = RunProgram(File(program), {in, out}, Prefix.Path());
            const double until = project::LocalNowAsDays();
            ASSERT_EQ(run.Status, 0) << run.Out << run.Err;
            // Between the version and the messages, the counts of each kind.
            const std::vector<std::string> lines = Lines(run.Out);
            std::string shown;
            for (const std::string& line : lines)
                if (line.find(": ") == std::string::npos || line.starts_with("message: "))
                    shown += line + "\n";
            EXPECT_EQ(shown, said);
            EXPECT_EQ(lines.size(), 13 + expected.Messages.size()) << run.Out;
            project::ExpectConverted(expected, project::ReadProject(ReadWholeFile(out)), from, until);
        }
    }
}

TEST_F(InstalledTree, HoldsTheIconInEverySize) {
    if (!TRANSVANE_INSTALLS_GUI)
        GTEST_SKIP() << "built without the window";
    for (int size : IconSizes) {
        const std::string dimension = std::to_string(size) + "x" + std::to_string(size);
        const std::string name = "share/icons/hicolor/" + dimension + "/apps/transvane.png";
        ASSERT_TRUE(fs::is_regular_file(File(name))) << name;
        EXPECT_EQ(PngSize(ReadWholeFile(File(name))), std::make_pair(size, size)) << name;
    }
    const std::string svg = Text(ReadWholeFile(File("share/icons/hicolor/scalable/apps/transvane.svg")));
    EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
}

TEST_F(InstalledTree, DesktopEntryValidatesAndStartsTheWindow) {
    if (!TRANSVANE_INSTALLS_GUI)
        GTEST_SKIP() << "built without the window";
    const std::string entry = File("share/applications/transvane.desktop");
    const CRunResult validate = RunProgram("desktop-file-validate", {entry}, Prefix.Path());
    EXPECT_EQ(validate.Status, 0) << validate.Out << validate.Err;
    EXPECT_EQ(validate.Out + validate.Err, "") << "no warnings or hints either";

    const std::vector<std::string> lines = Lines(Text(ReadWholeFile(entry)));
    for (const char* line : {"Name=Transvane", "Exec=transvane %f", "Icon=transvane",
                             "MimeType=application/x-vantrel-project;application/x-vantrel-project-backup;"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

TEST_F(InstalledTree, FileTypesCoverProjectsAndBackups) {
    if (!TRANSVANE_INSTALLS_GUI)
        GTEST_SKIP() << "built without the window";
    ASSERT_TRUE(fs::is_regular_file(File("share/mime/packages/transvane.xml")));
    // Compile the definition as the system does on installation.
    const CRunResult update = RunProgram("update-mime-database", {File("share/mime")}, Prefix.Path());
    ASSERT_EQ(update.Status, 0) << update.Out << update.Err;

    const std::vector<std::string> globs = Lines(Text(ReadWholeFile(File("share/mime/globs2"))));
    const auto hasGlob = [&](const std::string& line) {
        return std::find(globs.begin(), globs.end(), line) != globs.end();
    };
    EXPECT_TRUE(hasGlob("50:application/x-vantrel-project:*.vtr"));
    for (char k = '1'; k <= '9'; ++k)
        EXPECT_TRUE(hasGlob(std::string("50:application/x-vantrel-project-backup:*.vk") + k)) << k;
    const std::string subclasses = Text(ReadWholeFile(File("share/mime/subclasses")));
    EXPECT_NE(subclasses.find("application/x-vantrel-project-backup application/x-vantrel-project"), std::string::npos);
    // Files are also recognised by their first four bytes, 91 D5 12 00.
    const std::string magic = Text(ReadWholeFile(File("share/mime/magic")));
    EXPECT_NE(magic.find(std::string("\x91\xD5\x12\x00", 4)), std::string::npos);
}

}  // namespace

}  // namespace transvane
