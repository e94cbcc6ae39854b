// Snapshots restore a game exactly: after a quick load, or after opening the
// KOR image saved at that point, the following frames give the same
// pictures and sound as the first time.
#include <gtest/gtest.h>

#include "media/snapshot.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

struct RoundTripCase {
    const char* name;
    std::string rom;
    // The sound unit keeps some phases and its filter outside its chunks, so
    // a game whose music plays across the save point sounds slightly
    // different after a load; its pictures must still match.
    bool soundKept = true;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

// The first frame that differs, in what the case promises to keep.
int Compare(const RoundTripCase& c, std::vector<FrameOutput> a, std::vector<FrameOutput> b, std::string& what) {
    if (!c.soundKept) {
        for (auto& f : a) f.sound.clear();
        for (auto& f : b) f.sound.clear();
    }
    return FirstDifference(a, b, what);
}

class SnapshotRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Frames before the save and after it; multiples of the sound capture's tick
// of three frames, so both runs mix the same sample blocks.
constexpr int kLead = 120;
constexpr int kCompared = 600;

TEST_P(SnapshotRoundTrip, QuickLoadRepeatsTheFrames) {
    ScratchDir dir;
    std::string game = dir.Copy(GetParam().rom, "game.nes");
    RunningGame run;
    ASSERT_TRUE(run.Open(game));
    SaveOptions options;
    run.Run(kLead);
    run.console.game.snapshotSlot = 3;
    ASSERT_TRUE(QuickSave(run.console, options)) << (run.host.messages.empty() ? "" : run.host.messages.back().text);
    EXPECT_TRUE(fs::exists(dir.File("game.kr3")));
    auto first = run.Run(kCompared);
    auto ramAfter = run.console.machine.ram;
    ASSERT_TRUE(QuickLoad(run.console, options));
    auto second = run.Run(kCompared);
    std::string what;
    EXPECT_EQ(Compare(GetParam(), first, second, what), -1) << what;
    EXPECT_EQ(run.console.machine.ram, ramAfter);
    EXPECT_TRUE(run.host.messages.empty());
}

TEST_P(SnapshotRoundTrip, KorImageRepeatsTheFrames) {
    ScratchDir dir;
    std::string game = dir.Copy(GetParam().rom, "game.nes");
    std::vector<FrameOutput> first;
    {
        RunningGame run;
        ASSERT_TRUE(run.Open(game));
        run.Run(kLead);
        ASSERT_TRUE(SaveAs(run.console, dir.File("image.kor"), SaveOptions{}));
        EXPECT_EQ(run.console.game.kind, kFileKor);
        first = run.Run(kCompared);
    }
    RunningGame fresh;
    ASSERT_TRUE(fresh.Open(dir.File("image.kor")));
    EXPECT_EQ(fresh.console.game.kind, kFileKor);
    EXPECT_EQ(fresh.console.game.snapshotSlot, 1);
    auto second = fresh.Run(kCompared);
    std::string what;
    EXPECT_EQ(Compare(GetParam(), first, second, what), -1) << what;
}

INSTANTIATE_TEST_SUITE_P(
    Boards, SnapshotRoundTrip,
    ::testing::Values(RoundTripCase{"Nrom", BuildRom("demo.nes")},
                      RoundTripCase{"Mmc1ChrRam", SharedRom("cpu/instr_test-v5/official_only.nes")},
                      RoundTripCase{"Mmc3", SharedRom("programs/hello_mmc3.nes"), false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvanta::test
