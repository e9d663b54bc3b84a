// The game information: a formatted text the project carries for its
// players, the colour it is shown against and one display switch.
//
// The section in the project file:
//
//   int32 section version     400 or 430 read (nothing else), 430 written
//   int32 BackgroundColor     0x00BBGGRR, or a system-colour reference
//                             (top bit set, index in the low byte), kept
//                             as stored
//   bool  MimicMainForm       version 430 only; false for version 400
//   block Text                the document in Rich Text Format
//
// The model keeps the document as Rich Text Format bytes.  Stored bytes that
// form a well-formed document are kept and written back unchanged; anything
// else is taken as plain 8-bit text and held as a small document holding
// exactly that text, so the section written is always Rich Text Format.
#pragma once

#include <cstdint>
#include <string>

#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t GameInformationVersion = 430;
// The system colour of tool-tip backgrounds (index 24), as stored.
inline constexpr std::int32_t DefaultInformationColor = static_cast<std::int32_t>(0x80000018u);

struct CGameInformation {
    // Always one well-formed Rich Text Format document (an empty one after
    // a clear).
    CBlock Text;
    std::int32_t BackgroundColor = DefaultInformationColor;
    bool MimicMainForm = false;
    bool Changed = false;  // the modified flag; not stored
};

struct CWorldModel;  // format/world/World_Model.h

// The project's game information.
CGameInformation& GameInformation(CWorldModel& world);

// Empties the text, resets the colour and turns the display switch off, so
// that nothing of an earlier project survives in a cleared model.
void ClearGameInformation(CWorldModel& world);
bool LoadGameInformation(CWorldModel& world, CStream& stream);
bool SaveGameInformation(CWorldModel& world, CStream& stream);

// For the editor and the tools.  SetGameInformationText replaces the
// document with the bytes, taken as on loading (a well-formed document as
// it is, anything else as plain text); SetGameInformationPlainText always
// takes its text as plain text.  Both set the modified flag; text taken as
// plain text is noted as a change in core.
void SetGameInformationText(CWorldModel& world, CCoreState& core, CBlock bytes);
void SetGameInformationPlainText(CWorldModel& world, const std::string& text);
// The document's text without its formatting (see RtfPlainText).
std::string GameInformationPlainText(CWorldModel& world);

}  // namespace transvane
