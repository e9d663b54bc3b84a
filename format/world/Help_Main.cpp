#include "format/world/Help_Main.h"

#include "format/world/World_Model.h"

#include "format/world/Support_RichText.h"
#include "format/core/Support_Report.h"

namespace transvane {

CGameInformation& GameInformation() { return WorldModel().Information; }

namespace {

// Bytes that are a document stay as they are; anything else is plain text.
CBlock AsDocument(CBlock bytes) {
    if (IsWellFormedRtf(bytes))
        return bytes;
    if (!bytes.empty())
        NoteChange(EChange::InformationWrapped);
    return PlainTextToRtf(bytes);
}

}  // namespace

void ClearGameInformation() {
    GameInformation().Text = PlainTextToRtf(std::string());
    GameInformation().BackgroundColor = DefaultInformationColor;
    GameInformation().MimicMainForm = false;
    GameInformation().Changed = false;
}

bool LoadGameInformation(CStream& stream) {
    ClearGameInformation();
    const std::int32_t version = stream.ReadInt();
    if (version != 400 && version != 430)
        return false;
    GameInformation().BackgroundColor = stream.ReadInt();
    GameInformation().MimicMainForm = version >= 430 ? stream.ReadBool() : false;
    GameInformation().Text = AsDocument(stream.ReadBlock());
    GameInformation().Changed = false;
    return true;
}

bool SaveGameInformation(CStream& stream) {
    stream.WriteInt(GameInformationVersion);
    stream.WriteInt(GameInformation().BackgroundColor);
    stream.WriteBool(GameInformation().MimicMainForm);
    // A model that was never cleared holds no document yet: write an empty one.
    if (GameInformation().Text.empty())
        stream.WriteBlock(PlainTextToRtf(std::string()));
    else
        stream.WriteBlock(GameInformation().Text);
    return true;
}

void SetGameInformationText(CBlock bytes) {
    GameInformation().Text = AsDocument(std::move(bytes));
    GameInformation().Changed = true;
}

void SetGameInformationPlainText(const std::string& text) {
    GameInformation().Text = PlainTextToRtf(text);
    GameInformation().Changed = true;
}

std::string GameInformationPlainText() { return RtfPlainText(GameInformation().Text); }

}  // namespace transvane
