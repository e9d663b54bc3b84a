// Writes the seed corpora of the fuzzing harnesses, all made by the tests'
// own file builder:  make_seeds DIR  fills
//   DIR/LoadSave   empty and sample projects of every header version
//   DIR/Bitmap24   image blocks of every scheme, several sizes
//   DIR/Tree       tree sections of every version
//   DIR/Help       game-information texts: documents and plain text
//   DIR/Recover    sample projects cut short, and with a spoilt picture
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "testkit/ProjectFiles.h"

namespace transvane {

namespace {

namespace fs = std::filesystem;
using namespace project;

const std::int32_t HeaderVersions[] = {400, 410, 411, 420, 430, 440, 441, 500};

void Write(const fs::path& folder, const std::string& name, const CBlock& bytes) {
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + (folder / name).string());
}

}  // namespace

}  // namespace transvane

using namespace transvane;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: make_seeds DIR\n";
        return 2;
    }
    const fs::path root = argv[1];
    try {
        for (std::int32_t version : HeaderVersions) {
            const std::string v = std::to_string(version);
            const TProject empty = EmptyProject(version);
            const TProject sample = SampleProject(version, static_cast<std::uint32_t>(version));
            Write(root / "LoadSave", "empty_" + v + ".vtr", WriteProject(empty));
            Write(root / "LoadSave", "sample_" + v + ".vtr", WriteProject(sample));

            for (const TProject* project : {&empty, &sample}) {
                CStream tree;
                WriteTree(tree, project->Tree);
                Write(root / "Tree", (project == &empty ? "empty_" : "sample_") + v, tree.Bytes());
            }
            Write(root / "Help", "text_" + v, sample.GameInformation.Text);

            const CBlock whole = WriteProject(sample);
            for (const std::size_t part : {3u, 2u})
                Write(root / "Recover", "cut" + std::to_string(part) + "_" + v,
                      CBlock(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / part)));
            TProject spoilt = sample;
            const TPicture picture = MakePicture(10, 4, 3, 1);
            spoilt.Sprites.Add("spoilt", TSprite{.Images = {picture}});
            Write(root / "Recover", "block_" + v, BreakCompressedBlock(WriteProject(spoilt), EncodeBmp24(picture)));
        }

        for (std::int32_t scheme : {-1, 0, 1, 2, 10, 3}) {
            struct Size {
                std::int32_t Width, Height;
            };
            for (Size size : {Size{1, 1}, Size{3, 2}, Size{17, 5}, Size{0, 4}, Size{40, 33}}) {
                CStream block;
                WritePicture(block, MakePicture(scheme, size.Width, size.Height,
                                                static_cast<std::uint32_t>(size.Width * 31 + size.Height)));
                Write(root / "Bitmap24",
                      "scheme" + std::to_string(scheme) + "_" + std::to_string(size.Width) + "x" +
                          std::to_string(size.Height),
                      block.Bytes());
            }
        }

        const std::string texts[] = {
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
            "\\pard\\cf1\\b\\f0\\fs24 Welcome\\cf0\\b0  to the \\'e9t\\'e9 game\\par\r\n"
            "Press \\{F1\\} for help.\\tab{\\*\\generator x;}\\u8364?\\bin2 {}\\par}\r\n",
            "Line one\r\nline two\ttabbed \\ {braces}\n\xE9\r",
            "",
        };
        int index = 0;
        for (const std::string& text : texts)
            Write(root / "Help", "extra_" + std::to_string(index++), CBlock(text.begin(), text.end()));
    } catch (const std::exception& error) {
        std::cerr << "make_seeds: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
