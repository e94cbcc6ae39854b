// The runner's options for input scripts, snapshots and movies.
#include <gtest/gtest.h>

#include "platform/headless/cli_options.h"

namespace korvanta {
namespace {

std::optional<CliOptions> Parse(std::vector<std::string> args, std::string& error) {
    return ParseCliOptions(args, error);
}

TEST(RunnerOptions, SavesAndMovies) {
    std::string error;
    auto o = Parse({"--input", "p.txt", "--save-at", "3:1000", "--save-at=0:5", "--load-slot", "7", "--record",
                    "m.kmv", "--record-from-state", "--sav-dir", "out", "--ini", "k.ini", "game.nes"},
                   error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->input, "p.txt");
    ASSERT_EQ(o->saveAt.size(), 2u);
    EXPECT_EQ(o->saveAt[0].slot, 3);
    EXPECT_EQ(o->saveAt[0].frame, 1000);
    EXPECT_EQ(o->saveAt[1].slot, 0);
    EXPECT_EQ(o->loadSlot, 7);
    EXPECT_EQ(o->record, "m.kmv");
    EXPECT_TRUE(o->recordFromState);
    EXPECT_EQ(o->savDir, "out");
    EXPECT_EQ(o->ini, "k.ini");

    // A movie named after the game is replayed.
    o = Parse({"game.nes", "run.kmv"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->replay, "run.kmv");
    EXPECT_EQ(o->game, "game.nes");
}

TEST(RunnerOptions, Refusals) {
    std::string error;
    for (std::vector<std::string> bad : {
             std::vector<std::string>{"--save-at", "10:5", "g.nes"},
             {"--save-at", "3", "g.nes"},
             {"--load-slot", "x", "g.nes"},
             {"--record", "a.kmv", "--replay", "b.kmv", "g.nes"},
             {"--record-from-state", "g.nes"},
             {"g.nes", "other.nes"},
         }) {
        EXPECT_FALSE(Parse(bad, error)) << bad[0] << " " << bad[1];
    }
}

}  // namespace
}  // namespace korvanta
