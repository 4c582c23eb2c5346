#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/FolderItem.h"
#include "tests/engine/MainWindowFixture.h"
#include "tests/support/MapBuilder.h"

using testmaps::Edition;
using testmaps::MapBuilder;
using testmaps::TempMap;

namespace {

MapBuilder FullMap() {
    MapBuilder map(Edition::Full);
    map.MapName("full name").Tag("rncs", "levels\\full").Tag("mtib", "full bitmap");
    return map;
}

MapBuilder DemoMap() {
    MapBuilder map(Edition::Demo);
    map.MapName("demo name").Tag("rncs", "levels\\demo");
    return map;
}

const std::vector<std::string> FullRows{"levels\\full", "full bitmap"};
const std::vector<std::string> DemoRows{"levels\\demo"};

struct RecognitionCase {
    const char* Description;
    std::string Bytes;
    const std::vector<std::string>* Rows;  // nullptr: rejected
};

}  // namespace

class LoadTest : public MainWindowFixture {};

TEST_F(LoadTest, RecognisesTheEditionByItsHeadSignatureFullFirst) {
    const RecognitionCase cases[] = {
        // A full map that also carries the demo signature and a demo header.
        {"both signatures", FullMap().Patch(0x2C0, "dehE").Patch(0x58C, std::string("demo name", 10)).Build(),
         &FullRows},
        {"demo signature only", DemoMap().Patch(0, "xxxx").Build(), &DemoRows},
        {"dehE at 0 only", DemoMap().Patch(0, "dehE").Patch(0x2C0, std::string(4, '\0')).Build(), nullptr},
        {"daeh at 0x2C0 only", FullMap().Patch(0, "abcd").Patch(0x2C0, "daeh").Build(), nullptr},
        {"signature in other case", FullMap().Patch(0, "DAEH").Build(), nullptr},
        {"3 bytes", "dae", nullptr},
        {"0x2C3 bytes ending in a cut demo signature", DemoMap().Build().substr(0, 0x2C3), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Description);
        window->SetTitle("before");
        const std::size_t messagesBefore = dialogs->Messages().size();
        TempMap file(c.Bytes);
        Choose(file);

        if (c.Rows) {
            EXPECT_EQ(window->Title(), c.Rows == &FullRows ? "full name" : "demo name");
            EXPECT_EQ(Rows(), *c.Rows);
            EXPECT_EQ(dialogs->Messages().size(), messagesBefore);
            ExpectListed();
        } else {
            ASSERT_EQ(dialogs->Messages().size(), messagesBefore + 1);
            EXPECT_EQ(dialogs->Messages().back(), NotAMap);
            EXPECT_EQ(window->Title(), "before");
            EXPECT_TRUE(Rows().empty());
            EXPECT_FALSE(Prot()->Enabled());
            EXPECT_NE(window->br, nullptr);
        }
    }
}

TEST_F(LoadTest, CancelBeforeAnyLoadChangesNothing) {
    CancelChoice();
    ASSERT_EQ(dialogs->FileTypes().size(), 1u);
    const fw::FileType& offered = dialogs->FileTypes()[0];
    EXPECT_EQ((std::vector<std::string>{offered.Name, offered.MacType, offered.Extensions}),
              (std::vector<std::string>{"map", "GamD", "map"}));
    EXPECT_EQ(window->f, nullptr);
    EXPECT_EQ(window->br, nullptr);
    EXPECT_EQ(window->Title(), "");
    EXPECT_EQ(Label(), "Tag Count:");
    EXPECT_FALSE(Prot()->Enabled());
    EXPECT_TRUE(Load()->Default());
    EXPECT_TRUE(dialogs->Messages().empty());
}

TEST_F(LoadTest, CancelKeepsTheMapAndChoosingItAgainListsItAnew) {
    TempMap file(FullMap().Build());
    Choose(file);
    const auto first = window->br;

    CancelChoice();
    EXPECT_EQ(window->f, nullptr);
    EXPECT_EQ(window->br, first);
    EXPECT_EQ(Rows(), FullRows);
    ExpectListed();

    Choose(file);
    EXPECT_NE(window->br, first);
    EXPECT_EQ(window->f->Path(), file.Path());
    EXPECT_EQ(Rows(), FullRows);
}

TEST_F(LoadTest, RejectedFileAfterAListedMapEmptiesTheListAndKeepsTitleAndLabel) {
    TempMap map(FullMap().Build());
    TempMap notAMap(std::string(0x900, 'z'));
    Choose(map);
    Choose(notAMap);

    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{NotAMap});
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Prot()->Enabled());
    EXPECT_EQ(window->Title(), "full name");
    EXPECT_EQ(Label(), "Tag Count: 2");
    EXPECT_EQ(window->f->Path(), notAMap.Path());

    // A map chosen afterwards is listed and protectable again.
    Choose(map);
    EXPECT_EQ(Rows().size(), 2u);
    ExpectListed();
}

TEST_F(LoadTest, FileThatDoesNotOpenReadWriteIsReported) {
    TempMap map(FullMap().Build());
    Choose(map);

    const auto folder = std::filesystem::temp_directory_path() / "tagshroud-test-folder.map";
    std::filesystem::create_directories(folder);
    Choose(folder.string());
    std::filesystem::remove(folder);

    EXPECT_EQ(dialogs->Messages(), std::vector<std::string>{NotOpened});
    EXPECT_EQ(window->br, nullptr);
    EXPECT_NE(window->f, nullptr);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Prot()->Enabled());
    EXPECT_EQ(window->Title(), "full name");
    EXPECT_EQ(Label(), "Tag Count: 2");
}
