// What every list section shares, checked once for each kind of list: the
// slots with their "exists" flags and names, the modified flag, clearing,
// refused versions and records, and files cut short or holding hostile
// counts.  Each kind's own records are tested in its own suite.
#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Room_Main.h"
#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// A kind of list: its section functions, the list versions it reads (it
// writes the newest) and two records: one in the newest layout with flags
// stored as 0 or 1, so that it is written back byte for byte, and those in
// layouts the reader refuses.
// Part names the project's part the list lives in; a save that also needs
// other parts takes the whole project.
template <class R, std::int32_t Lowest, std::int32_t Newest, auto Part, auto ListOf, auto LoadSection, auto SaveSection,
          auto ClearSection>
struct TKind {
    using Record = R;
    static constexpr std::int32_t OldestVersion = Lowest;
    static constexpr std::int32_t Version = Newest;
    static CBlock Section(const TList<R>& list) { return ListBytes(list); }
    static auto& List(CProject& p) { return ListOf(p.*Part); }
    static bool Load(CProject& p, CStream& s) { return LoadSection(p.*Part, s); }
    static bool Save(CProject& p, CStream& s) {
        if constexpr (std::is_invocable_v<decltype(SaveSection), CProject&, CStream&>)
            return SaveSection(p, s);
        else
            return SaveSection(p.*Part, s);
    }
    static void Clear(CProject& p) { ClearSection(p.*Part); }
};

constexpr auto Media = &CProject::Media;
constexpr auto Behaviour = &CProject::Behaviour;
constexpr auto World = &CProject::World;
bool SaveObjectsOf(CProject& p, CStream& s) { return SaveObjects(p.Behaviour, p.Media, s); }
bool SaveRoomsOf(CProject& p, CStream& s) { return SaveRooms(p.World, p.Behaviour, p.Media, s); }

struct TSprites : TKind<TSprite, 400, 400, Media, SpriteList, LoadSprites, SaveSprites, ClearSprites> {
    static constexpr const char* Name = "Sprites";
    static std::vector<TSprite> Refused() { return {{.Version = 500}, {.Version = 410}}; }
};

struct TSounds : TKind<TSound, 400, 400, Media, SoundList, LoadSounds, SaveSounds, ClearSounds> {
    static constexpr const char* Name = "Sounds";
    static std::vector<TSound> Refused() {
        return {{.Version = 420}, {.Version = 399}, {.Version = 500}, {.Version = 0}};
    }
};

struct TBackgrounds
    : TKind<TBackground, 400, 400, Media, BackgroundList, LoadBackgrounds, SaveBackgrounds, ClearBackgrounds> {
    static constexpr const char* Name = "Backgrounds";
    static std::vector<TBackground> Refused() { return {{.Version = 440}}; }
};

struct TPaths : TKind<TPath, 420, 420, Behaviour, PathList, LoadPaths, SavePaths, ClearPaths> {
    static constexpr const char* Name = "Paths";
    static std::vector<TPath> Refused() { return {{.Version = 421}, {.Version = 0}}; }
};

struct TScripts : TKind<TScript, 400, 400, Media, ScriptList, LoadScripts, SaveScripts, ClearScripts> {
    static constexpr const char* Name = "Scripts";
    static std::vector<TScript> Refused() { return {{.Version = 440}, {.Version = 500}, {.Version = -1}}; }
};

struct TDataFiles : TKind<TDataFile, 440, 440, Media, DataFileList, LoadDataFiles, SaveDataFiles, ClearDataFiles> {
    static constexpr const char* Name = "DataFiles";
    static std::vector<TDataFile> Refused() { return {{.Version = 400}, {.Version = 441}, {.Version = 500}}; }
};

struct TTimeLines : TKind<TTimeLine, 500, 500, Behaviour, TimeLineList, LoadTimeLines, SaveTimeLines, ClearTimeLines> {
    static constexpr const char* Name = "TimeLines";
    static std::vector<TTimeLine> Refused() { return {{.Version = 501}}; }
};

struct TObjects : TKind<TObject, 400, 400, Behaviour, ObjectList, LoadObjects, SaveObjectsOf, ClearObjects> {
    static constexpr const char* Name = "Objects";
    static std::vector<TObject> Refused() { return {{.Version = 431}}; }
};

// The room list also carries the id counters, and reads list versions
// 400 to 420.
struct TRoomList : TKind<TRoom, 400, 420, World, RoomList, LoadRooms, SaveRoomsOf, ClearRooms> {
    static constexpr const char* Name = "Rooms";
    static std::vector<TRoom> Refused() { return {{.Version = 501}}; }
    static CBlock Section(const TList<TRoom>& list) {
        CStream stream;
        WriteRooms(stream, TRooms{list});
        return stream.TakeBytes();
    }
};

template <class K>
class ListSection : public ::testing::Test {
protected:
    using Record = typename K::Record;

    CProject Project;

    static TList<Record> ListOf(std::initializer_list<std::optional<TSlot<Record>>> slots,
                                std::int32_t version = K::Version) {
        return TList<Record>{version, slots};
    }
    static TSlot<Record> Slot(std::string name, Record record = {}) { return {std::move(name), std::move(record)}; }

    CBlock Saved() {
        CStream out;
        EXPECT_TRUE(K::Save(Project, out));
        return out.TakeBytes();
    }
};

using Kinds =
    ::testing::Types<TSprites, TSounds, TBackgrounds, TPaths, TScripts, TDataFiles, TTimeLines, TObjects, TRoomList>;
struct KindNames {
    template <class K>
    static std::string GetName(int) {
        return K::Name;
    }
};
TYPED_TEST_SUITE(ListSection, Kinds, KindNames);

TYPED_TEST(ListSection, EmptyListIsItsVersionAndNoSlots) {
    const CBlock empty = TypeParam::Section(this->ListOf({}));
    EXPECT_EQ(this->Saved(), empty);
    CStream in(empty);
    ASSERT_TRUE(TypeParam::Load(this->Project, in));
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(TypeParam::List(this->Project).Count(), 0);
}

TYPED_TEST(ListSection, EmptyAndPresentSlotsKeepTheirPlaces) {
    const CBlock stored =
        TypeParam::Section(this->ListOf({std::nullopt, this->Slot("middle \xE9"), std::nullopt, this->Slot("")}));
    // Any flag above 0 means present, anything else empty; written as 1 and 0.
    CStream in(Patched(Patched(stored, 8, -3), 12, 5));
    ASSERT_TRUE(TypeParam::Load(this->Project, in));
    EXPECT_EQ(in.Remaining(), 0u);
    const auto& list = TypeParam::List(this->Project);
    ASSERT_EQ(list.Count(), 4);
    for (int index : {-1, 0, 2, 4})
        EXPECT_FALSE(list.Exists(index)) << index;
    EXPECT_TRUE(list.Exists(1));
    EXPECT_TRUE(list.Exists(3));
    EXPECT_EQ(list.Get(0), nullptr);
    EXPECT_EQ(list.Name(0), "");
    EXPECT_EQ(list.Name(1), "middle \xE9");
    EXPECT_EQ(list.Name(3), "");
    EXPECT_EQ(this->Saved(), stored);
}

TYPED_TEST(ListSection, LoadAndClearResetTheModifiedFlag) {
    auto& list = TypeParam::List(this->Project);
    list.Changed = true;
    CStream in(TypeParam::Section(this->ListOf({this->Slot("a")})));
    ASSERT_TRUE(TypeParam::Load(this->Project, in));
    EXPECT_FALSE(list.Changed);
    list.Changed = true;
    TypeParam::Clear(this->Project);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Changed);
    EXPECT_EQ(this->Saved(), TypeParam::Section(this->ListOf({})));
}

TYPED_TEST(ListSection, UnknownListVersionsAreRefused) {
    for (std::int32_t version : {TypeParam::OldestVersion - 1, TypeParam::Version + 1, 0}) {
        CStream in(TypeParam::Section(this->ListOf({this->Slot("a")}, version)));
        EXPECT_FALSE(TypeParam::Load(this->Project, in)) << version;
        EXPECT_EQ(in.Position(), 4u) << version;
    }
}

TYPED_TEST(ListSection, RefusedRecordStopsTheRead) {
    for (const auto& refused : TypeParam::Refused()) {
        CStream in(TypeParam::Section(
            this->ListOf({this->Slot("good"), this->Slot("bad", refused), this->Slot("never read")})));
        EXPECT_FALSE(TypeParam::Load(this->Project, in));
        // The slots read so far stay until the project is cleared.
        EXPECT_TRUE(TypeParam::List(this->Project).Exists(0));
        EXPECT_FALSE(TypeParam::List(this->Project).Exists(2));
    }
}

TYPED_TEST(ListSection, CutShortOrHostileCountsFailAsCorrupted) {
    const CBlock whole = TypeParam::Section(this->ListOf({this->Slot("a"), std::nullopt}));
    for (std::size_t keep : {std::size_t{6}, whole.size() - 9, whole.size() - 1}) {
        CStream in(CBlock(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep)));
        EXPECT_THROW(TypeParam::Load(this->Project, in), EReadError) << keep;
    }
    for (std::int32_t count : {-1, 3, 0x7FFFFFFF}) {
        CStream in(Patched(whole, 4, count));
        EXPECT_THROW(TypeParam::Load(this->Project, in), EReadError) << count;
    }
}

}  // namespace

}  // namespace transvane
