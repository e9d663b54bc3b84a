#include "format/world/Help_Main.h"

#include "format/world/World_Model.h"

#include "format/world/Support_RichText.h"
#include "format/core/Support_Report.h"

namespace transvane {

CGameInformation& GameInformation(CWorldModel& world) { return world.Information; }

namespace {

// Bytes that are a document stay as they are; anything else is plain text.
CBlock AsDocument(CCoreState& core, CBlock bytes) {
    if (IsWellFormedRtf(bytes))
        return bytes;
    if (!bytes.empty())
        NoteChange(core, EChange::InformationWrapped);
    return PlainTextToRtf(bytes);
}

}  // namespace

void ClearGameInformation(CWorldModel& world) {
    GameInformation(world).Text = PlainTextToRtf(std::string());
    GameInformation(world).BackgroundColor = DefaultInformationColor;
    GameInformation(world).MimicMainForm = false;
    GameInformation(world).Changed = false;
}

bool LoadGameInformation(CWorldModel& world, CStream& stream) {
    ClearGameInformation(world);
    const std::int32_t version = stream.ReadInt();
    if (version != 400 && version != 430)
        return false;
    GameInformation(world).BackgroundColor = stream.ReadInt();
    GameInformation(world).MimicMainForm = version >= 430 ? stream.ReadBool() : false;
    GameInformation(world).Text = AsDocument(stream.Core(), stream.ReadBlock());
    GameInformation(world).Changed = false;
    return true;
}

bool SaveGameInformation(CWorldModel& world, CStream& stream) {
    stream.WriteInt(GameInformationVersion);
    stream.WriteInt(GameInformation(world).BackgroundColor);
    stream.WriteBool(GameInformation(world).MimicMainForm);
    // A model that was never cleared holds no document yet: write an empty one.
    if (GameInformation(world).Text.empty())
        stream.WriteBlock(PlainTextToRtf(std::string()));
    else
        stream.WriteBlock(GameInformation(world).Text);
    return true;
}

void SetGameInformationText(CWorldModel& world, CCoreState& core, CBlock bytes) {
    GameInformation(world).Text = AsDocument(core, std::move(bytes));
    GameInformation(world).Changed = true;
}

void SetGameInformationPlainText(CWorldModel& world, const std::string& text) {
    GameInformation(world).Text = PlainTextToRtf(text);
    GameInformation(world).Changed = true;
}

std::string GameInformationPlainText(CWorldModel& world) { return RtfPlainText(GameInformation(world).Text); }

}  // namespace transvane
