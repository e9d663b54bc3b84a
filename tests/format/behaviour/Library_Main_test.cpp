#include "format/behaviour/Library_Main.h"

#include <gtest/gtest.h>

#include "format/behaviour/Action_Class.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// Registers libraries for one test and empties the registry afterwards, so
// the other tests see the converter's empty registry.
class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { RemoveLibraries(); }

    static LibraryAction& Define(ActionLibrary& library, std::int32_t id) {
        library.Actions.push_back(std::make_unique<LibraryAction>());
        library.Actions.back()->Id = id;
        return *library.Actions.back();
    }
    static ActionLibrary& Register(std::int32_t id, std::string name) {
        auto library = std::make_unique<ActionLibrary>();
        library->Id = id;
        library->Name = std::move(name);
        return RegisterLibrary(std::move(library));
    }
};

TEST(Registry, EmptyRegistryFindsNothing) {
    ASSERT_EQ(LibraryRegistry.LibraryCount(), 0);
    EXPECT_EQ(FindLibraryAction(1, 101), nullptr);
    EXPECT_EQ(FindLibraryAction(0, 0), nullptr);
    EXPECT_EQ(LibraryRegistry.ActionImages.Width, 32);
    EXPECT_TRUE(LibraryRegistry.ActionImages.Images.empty());
}

TEST_F(RegistryTest, LookupTakesTheFirstMatchAndGoesOnToLaterLibrariesWithTheSameId) {
    ActionLibrary& first = Register(1, "first");
    LibraryAction& a101 = Define(first, 101);
    Define(first, 101).DefValue1 = 99;  // a second definition with the same id is never reached
    ActionLibrary& other = Register(2, "other");
    LibraryAction& b101 = Define(other, 101);
    ActionLibrary& second = Register(1, "second");
    LibraryAction& a102 = Define(second, 102);

    EXPECT_EQ(FindLibraryAction(1, 101), &a101);
    EXPECT_EQ(FindLibraryAction(2, 101), &b101);
    EXPECT_EQ(FindLibraryAction(1, 102), &a102);
    EXPECT_EQ(FindLibraryAction(2, 102), nullptr);
    EXPECT_EQ(FindLibraryAction(3, 101), nullptr);
}

TEST_F(RegistryTest, AccessByPositionAndIndex) {
    ActionLibrary& library = Register(1, "lib");
    LibraryAction& action = Define(library, 5);
    action.ArgumentKinds[7] = 3;
    action.DefaultArguments[0] = "x";
    EXPECT_EQ(GetLibraryAction(library, 0), &action);
    EXPECT_EQ(GetLibraryAction(library, 1), nullptr);
    EXPECT_EQ(GetLibraryAction(library, -1), nullptr);
    EXPECT_EQ(ArgumentKind(action, 7), 3);
    EXPECT_EQ(DefaultArgument(action, 0), "x");
    EXPECT_EQ(ArgumentKind(action, 8), 0);
    EXPECT_EQ(DefaultArgument(action, -1), "");
}

TEST_F(RegistryTest, BindingCopiesTheDefinitionWithTheFlagsCrossed) {
    LibraryAction& definition = Define(Register(3, "lib"), 7);
    definition.DefValue1 = 11;
    definition.DefValue2 = 22;
    definition.DefValue3 = 33;
    definition.Flag1 = true;   // feeds DefFlag2
    definition.Flag2 = false;  // feeds DefFlag3
    definition.Flag3 = true;   // feeds DefFlag1
    definition.DefText1 = "one";
    definition.DefText2 = "two";
    for (int i = 0; i < 8; ++i) {
        definition.ArgumentKinds[static_cast<std::size_t>(i)] = 10 + i;
        definition.DefaultArguments[static_cast<std::size_t>(i)] = "d" + std::to_string(i);
    }

    CAction action(3, 7);
    EXPECT_EQ(action.DefValue1, 11);
    EXPECT_EQ(action.DefValue2, 22);
    EXPECT_EQ(action.DefValue3, 33);
    EXPECT_TRUE(action.DefFlag1);
    EXPECT_TRUE(action.DefFlag2);
    EXPECT_FALSE(action.DefFlag3);
    EXPECT_EQ(action.DefText1, "one");
    EXPECT_EQ(action.DefText2, "two");
    EXPECT_EQ(action.ArgumentKinds[5], 15);
    EXPECT_EQ(action.Arguments[0], "d0");
    EXPECT_EQ(action.Arguments[7], "d7");

    // A newer-layout record of that pair loses its stored copy to the
    // definition; its arguments stay as stored.
    TAction stored;
    stored.LibraryId = 3;
    stored.ActionId = 7;
    stored.DefValue1 = 1;
    stored.DefText1 = "stored";
    stored.Arguments = {"a", "b", "c", "d", "e", "f", "g", "h"};
    CStream stream(RecordBytes(stored));
    CAction loaded;
    ASSERT_TRUE(loaded.Load(stream));
    EXPECT_EQ(loaded.DefValue1, 11);
    EXPECT_EQ(loaded.DefText1, "one");
    EXPECT_EQ(loaded.Arguments[1], "b");
}

TEST_F(RegistryTest, SavedSectionListsTheRegisteredNames) {
    Register(1, "alpha");
    Register(2, "beta");
    CStream saved, expected;
    ASSERT_TRUE(SaveUsedLibraries(saved));
    WriteLibraries(expected, {500, {"alpha", "beta"}});
    EXPECT_EQ(saved.Bytes(), expected.Bytes());
}

struct UsedLibrariesCase {
    const char* what;
    std::int32_t version;
    std::vector<std::string> names;
    std::optional<std::int32_t> count;  // replaces the stored count
    bool loads;
    std::size_t bytesRead;
};

TEST(UsedLibraries, Load) {
    const UsedLibrariesCase cases[] = {
        {"three names", 500, {"a", "bb", "ccc"}, {}, true, 8 + 4 * 3 + 6},
        {"no names", 500, {}, {}, true, 8},
        {"negative count", 500, {}, -4, true, 8},
        {"version 440", 440, {"a"}, {}, false, 4},
    };
    for (const UsedLibrariesCase& c : cases) {
        CStream stream;
        if (c.count) {
            stream.WriteInt(c.version);
            stream.WriteInt(*c.count);
        } else {
            WriteLibraries(stream, {c.version, c.names});
        }
        stream.WriteInt(0x5A5A5A5A);  // whatever follows
        stream.SetPosition(0);
        EXPECT_EQ(LoadUsedLibraries(stream), c.loads) << c.what;
        EXPECT_EQ(stream.Position(), c.bytesRead) << c.what;
        EXPECT_EQ(LibraryRegistry.LibraryCount(), 0) << c.what;
    }
}

TEST(UsedLibraries, HostileCountFailsAsCorrupted) {
    CStream stream;
    stream.WriteInt(500);
    stream.WriteInt(2000000000);
    stream.SetPosition(0);
    EXPECT_THROW(LoadUsedLibraries(stream), EReadError);
}

}  // namespace

}  // namespace transvane
