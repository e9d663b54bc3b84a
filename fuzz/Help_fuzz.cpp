// The game-information text on arbitrary bytes, without any window: the
// rich-text check, the plain-text reading and the plain-text-to-document
// writer, then the whole section as the project file holds it.
//  - Any bytes made into a document give a well-formed document whose text
//    is the bytes themselves (line breaks as "\n").
//  - A section holding the bytes reads; written back it holds the bytes
//    unchanged when they were a well-formed document, and that document
//    otherwise; the written section reads back and writes the same bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "format/core/Support_Stream.h"
#include "format/world/Help_Main.h"
#include "format/world/World_Model.h"
#include "format/world/Support_RichText.h"

using namespace transvane;

namespace {

// The text a document made of these bytes must give back: every line break
// (CR LF, LF or a lone CR) as one "\n".
std::string ExpectedText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            text += '\n';
        } else {
            text += static_cast<char>(bytes[i]);
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const bool wellFormed = IsWellFormedRtf(bytes);
    (void)RtfPlainText(bytes);

    const CBlock document = PlainTextToRtf(bytes);
    if (!IsWellFormedRtf(document))
        throw std::logic_error("PlainTextToRtf made a document that is not well formed");
    if (RtfPlainText(document) != ExpectedText(bytes))
        throw std::logic_error("PlainTextToRtf made a document that does not hold the text");

    CCoreState core;
    PrepareFuzzing(core);
    CWorldModel world;
    CStream section(core);
    section.WriteInt(430);
    section.WriteInt(0x00FFEEDD);
    section.WriteBool(true);
    section.WriteBlock(bytes);
    section.SetPosition(0);
    if (!LoadGameInformation(world, section))
        throw std::logic_error("a game-information section was refused");
    CStream once(core);
    SaveGameInformation(world, once);
    once.SetPosition(12);
    const CBlock stored = once.ReadBlock();
    if (stored != (wellFormed ? CBlock(bytes.begin(), bytes.end()) : document))
        throw std::logic_error("the written game information does not hold the document");

    once.SetPosition(0);
    if (!LoadGameInformation(world, once) || once.Remaining() != 0)
        throw std::logic_error("a written game-information section could not be read again");
    CStream twice(core);
    SaveGameInformation(world, twice);
    if (twice.Bytes() != once.Bytes())
        throw std::logic_error("a written game-information section changed when written again");
    return 0;
}
