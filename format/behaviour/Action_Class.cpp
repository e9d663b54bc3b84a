#include "format/behaviour/Action_Class.h"

#include <string>

#include "format/behaviour/Library_Main.h"
#include "format/core/Support_Report.h"

namespace transvane {

namespace {

// How the old single-number scheme maps onto library 1.  Old numbers run
// from 1 to 69 without holes, and no new id occurs twice.
struct COldAction {
    std::int32_t Old;
    std::int32_t New;
};

constexpr std::array<COldAction, 69> OldActions = {{
    {1, 101},  {2, 113},  {3, 114},  {4, 109},  {5, 111},  {6, 115},  {7, 103},  {8, 104},  {9, 107},  {10, 108},
    {11, 102}, {12, 301}, {13, 201}, {14, 203}, {15, 202}, {16, 204}, {17, 211}, {18, 321}, {19, 701}, {20, 706},
    {21, 224}, {22, 332}, {23, 302}, {24, 425}, {25, 401}, {26, 404}, {27, 403}, {28, 402}, {29, 407}, {30, 408},
    {31, 421}, {32, 422}, {33, 424}, {34, 603}, {35, 611}, {36, 501}, {37, 514}, {38, 523}, {39, 212}, {40, 117},
    {41, 221}, {42, 222}, {43, 601}, {44, 511}, {45, 512}, {46, 513}, {47, 521}, {48, 522}, {49, 110}, {50, 105},
    {51, 205}, {52, 711}, {53, 223}, {54, 502}, {55, 405}, {56, 213}, {57, 333}, {58, 334}, {59, 423}, {60, 331},
    {61, 322}, {62, 531}, {63, 409}, {64, 410}, {65, 604}, {66, 605}, {67, 118}, {68, 612}, {69, 613},
}};

// The lookup indexes the table by old number, so the rows must stay in
// order; and a translation that mapped two old numbers onto one new id
// would merge two different actions.
constexpr bool OldActionsInOrder() {
    for (std::size_t i = 0; i < OldActions.size(); ++i)
        if (OldActions[i].Old != static_cast<std::int32_t>(i + 1))
            return false;
    return true;
}
constexpr bool OldActionsOneToOne() {
    for (std::size_t i = 0; i < OldActions.size(); ++i)
        for (std::size_t j = i + 1; j < OldActions.size(); ++j)
            if (OldActions[i].New == OldActions[j].New)
                return false;
    return true;
}
static_assert(OldActionsInOrder());
static_assert(OldActionsOneToOne());

// Reads a count of values of which the action keeps at most eight: extra
// values are read and dropped, a negative count reads nothing.
template <class ReadOne>
void ReadArray(CFieldReader& in, std::size_t minimumBytesEach, ReadOne readOne) {
    const std::int32_t count = in.ReadInt();
    if (count <= 0)
        return;
    in.ExpectItems(count, minimumBytesEach);
    for (std::int32_t i = 0; i < count; ++i)
        readOne(i);
}

}  // namespace

std::optional<std::int32_t> TranslateOldAction(std::int32_t oldNumber) {
    if (oldNumber < 1 || oldNumber > static_cast<std::int32_t>(OldActions.size()))
        return std::nullopt;
    return OldActions[static_cast<std::size_t>(oldNumber - 1)].New;
}

CAction::CAction() { ResetValues(); }

CAction::CAction(std::int32_t libraryId, std::int32_t actionId) {
    Bind(libraryId, actionId);
    ResetValues();
}

const LibraryAction* CAction::FindDefinition() const { return FindLibraryAction(LibraryId, ActionId); }

void CAction::SetAction(CCoreState& core, std::int32_t libraryId, std::int32_t actionId) {
    if (!Bind(libraryId, actionId)) {
        ShowMessage(core, "Failed to convert old action number: " + std::to_string(ActionId));
        NoteChange(core, EChange::UntranslatedAction, 1, "number " + std::to_string(ActionId));
    }
}

bool CAction::Bind(std::int32_t libraryId, std::int32_t actionId) {
    LibraryId = libraryId;
    ActionId = actionId;
    bool translated = true;
    if (LibraryId == 0) {
        LibraryId = OldActionLibraryId;
        if (const auto newId = TranslateOldAction(ActionId))
            ActionId = *newId;
        else
            translated = false;
    }

    const LibraryAction* definition = FindDefinition();
    if (definition == nullptr)
        return translated;
    DefValue1 = definition->DefValue1;
    DefFlag1 = definition->Flag3;
    DefFlag2 = definition->Flag1;
    DefFlag3 = definition->Flag2;
    DefValue2 = definition->DefValue2;
    DefText1 = definition->DefText1;
    DefText2 = definition->DefText2;
    DefValue3 = definition->DefValue3;
    for (int i = 0; i < ActionArgumentCount; ++i)
        ArgumentKinds[static_cast<std::size_t>(i)] = ArgumentKind(*definition, i);
    return translated;
}

void CAction::ResetValues() {
    Selector = -1;
    ActionFlag = false;
    TailFlag = false;
    ResetArgumentsFrom(FindDefinition(), 0);
}

void CAction::ResetArgumentsFrom(const LibraryAction* definition, std::size_t first) {
    for (std::size_t i = first; i < Arguments.size(); ++i) {
        if (definition != nullptr)
            Arguments[i] = DefaultArgument(*definition, static_cast<int>(i));
        else
            Arguments[i] = std::string_view("0", 1);
    }
}

bool CAction::Load(CStream& stream) {
    // The arguments a record does not hold take the defaults of the
    // definition the action had before it was read.  Every other value is
    // read, so only those arguments are reset, once they are known: a load
    // writes each argument once.
    const LibraryAction* defaults = FindDefinition();
    // Read through a cursor of its own, as it is written.
    CFieldReader in(stream);
    const std::int32_t tag = in.ReadInt();
    if (tag == ActionTagOld) {
        ActionId = in.ReadInt();
        SetAction(in.Core(), 0, ActionId);
    } else if (tag == ActionTagNew) {
        LibraryId = in.ReadInt();
        ActionId = in.ReadInt();
        DefValue1 = in.ReadInt();
        DefFlag1 = in.ReadBool();
        DefFlag2 = in.ReadBool();
        DefFlag3 = in.ReadBool();
        DefValue2 = in.ReadInt();
        DefText1 = in.ReadStringView();
        DefText2 = in.ReadStringView();
        DefValue3 = in.ReadInt();
        ReadArray(in, 4, [&](std::int32_t i) {
            const std::int32_t kind = in.ReadInt();
            if (i < ActionArgumentCount)
                ArgumentKinds[static_cast<std::size_t>(i)] = kind;
        });
        // Library id 0 in the newer layout is still an old number.  A
        // registered definition overrides the copy just read.
        SetAction(in.Core(), LibraryId, ActionId);
    } else {
        ResetValues();
        return false;
    }

    Selector = in.ReadInt();
    ActionFlag = in.ReadBool();
    std::size_t argumentsRead = 0;
    ReadArray(in, 4, [&](std::int32_t i) {
        const std::string_view argument = in.ReadStringView();
        if (i < ActionArgumentCount)
            Arguments[argumentsRead++] = argument;
    });
    ResetArgumentsFrom(defaults, argumentsRead);

    if (tag == ActionTagNew)
        TailFlag = in.ReadBool();
    else
        // The older layout kept this flag as the eighth argument; only the
        // exact text "1" sets it, and the argument itself stays.
        TailFlag = Arguments[7] == "1";
    return true;
}

bool CAction::Save(CStream& stream) {
    // An action still in old numbering (one whose record was not readable)
    // is translated now.
    SetAction(stream.Core(), LibraryId, ActionId);

    // Written through a cursor of its own: a large project holds hundreds
    // of thousands of actions.
    CFieldWriter out(stream);
    out.WriteInt(ActionTagNew);
    out.WriteInt(LibraryId);
    out.WriteInt(ActionId);
    out.WriteInt(DefValue1);
    out.WriteBool(DefFlag1);
    out.WriteBool(DefFlag2);
    out.WriteBool(DefFlag3);
    out.WriteInt(DefValue2);
    out.WriteString(DefText1);
    out.WriteString(DefText2);
    out.WriteInt(DefValue3);
    out.WriteInt(ActionArgumentCount);
    for (std::int32_t kind : ArgumentKinds)
        out.WriteInt(kind);
    out.WriteInt(Selector);
    out.WriteBool(ActionFlag);
    out.WriteInt(ActionArgumentCount);
    for (const CCompactString& argument : Arguments)
        out.WriteString(argument);
    out.WriteBool(TailFlag);
    return true;
}

}  // namespace transvane
