// Movies: the KMV header, recording and replaying scripted input to the same
// pictures, re-recording from a snapshot, and the files a movie refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "input/key_config.h"
#include "media/battery.h"
#include "media/snapshot.h"
#include "movie/movie.h"
#include "platform/headless/input_script.h"
#include "save_fixture.h"

namespace korvanta::test {
namespace {

// A console with pads, driven like the runner, with a movie and a script.
struct MovieRig {
    HeadlessHost host;
    Console console{host};
    KeyConfig keys;
    InputSystem input{console, keys};
    SpeedSettings speed;
    FrameDriver driver{console, &input, nullptr, speed};
    InputScript script;
    ScriptedPads pads{script};
    Movie movie{console, LoadOptions{}};
    std::vector<std::string> shown;
    int64_t frame = 0;

    MovieRig() {
        speed.fullSpeed = 0;
        input.RebuildDevices(0);
        pads.next = &movie;
        input.movie = &pads;
        driver.movie = &movie;
        movie.showMessage = [this](const char* text) { shown.push_back(text); };
    }
    bool Open(const std::string& path) {
        if (!OpenGame(console, path, Options().load)) return false;
        console.machine.RunState = 1;
        return true;
    }
    SaveOptions Options() {
        SaveOptions options;
        options.load.movie = &movie;
        return options;
    }
    std::vector<uint64_t> Run(int frames) {
        std::vector<uint64_t> hashes;
        for (int i = 0; i < frames; ++i, ++frame) {
            pads.frame = frame;
            driver.RunOneFrame();
            hashes.push_back(FrameBufferHash(console.ppu));
        }
        return hashes;
    }
};

// Buttons that change every few frames, on both pads.
InputScript BusyScript(int frames) {
    InputScript s;
    for (int f = 0; f < frames; f += 7)
        s.lines.push_back({f, f + 3, {static_cast<uint8_t>(f * 37 >> 2), static_cast<uint8_t>(f * 11 >> 3)}});
    return s;
}

std::string Game(const ScratchDir& dir, bool battery = false) {
    auto bytes = ReadFileBytes(SharedRom("programs/hello_mmc3.nes"));
    if (battery) bytes[6] |= 0x02;
    return dir.Write("game.nes", bytes);
}

TEST(KmvHeader, FieldsTextsAndTime) {
    KmvHeader h;
    h.fromSnapshot = true;
    h.recordPad2 = true;
    h.snapshotLength = 0x01020304;
    h.rerecordCount = 513;
    h.creator = "maker";
    h.title = std::string(80, 't');  // cut to 63 characters and a zero
    uint8_t bytes[kKmvHeaderSize];
    FormatKmvHeader(h, bytes);
    EXPECT_EQ(bytes[4], 0x80);
    EXPECT_EQ(bytes[5], 0xC0);
    EXPECT_EQ(bytes[143], 0);
    KmvHeader back;
    ASSERT_TRUE(ParseKmvHeader(bytes, back));
    EXPECT_EQ(back.title, std::string(63, 't'));
    EXPECT_EQ(back.creator, "maker");
    EXPECT_EQ(back.snapshotLength, 0x01020304u);
    EXPECT_EQ(back.rerecordCount, 513);
    EXPECT_EQ(back.FrameRecordSize(), 2u);

    // Texts without their zero byte stop at the end of their field.
    std::memset(bytes + 16, 'c', 128);
    ASSERT_TRUE(ParseKmvHeader(bytes, back));
    EXPECT_EQ(back.creator, std::string(64, 'c'));
    EXPECT_EQ(back.title, std::string(64, 'c'));
    EXPECT_FALSE(ParseKmvHeader(std::span<const uint8_t>(bytes, 143), back));
    bytes[3] = 0;
    EXPECT_FALSE(ParseKmvHeader(bytes, back));

    KmvHeader one;
    EXPECT_EQ(RecordingTimeText(one, kKmvHeaderSize + 7200), "00:02:00 / 7200 Frame");
    EXPECT_EQ(RecordingTimeText(one, kKmvHeaderSize + 7201), "00:02:00 / 7201 Frame");
    one.recordPad1 = false;
    EXPECT_EQ(RecordingTimeText(one, kKmvHeaderSize + 7200), "");
}

TEST(InputScriptText, RangesPadsAndErrors) {
    InputScript s;
    std::string error;
    ASSERT_TRUE(ParseInputScript("# start\n0-9 A+start .\n5 b down+LEFT\n\n20 Right\n", s, error)) << error;
    EXPECT_EQ(s.Buttons(0, 0), 0xA0);
    EXPECT_EQ(s.Buttons(5, 0), 0x10);
    EXPECT_EQ(s.Buttons(5, 1), 0x0A);
    EXPECT_EQ(s.Buttons(9, 1), 0);
    EXPECT_EQ(s.Buttons(20, 0), 0x01);
    EXPECT_EQ(s.Buttons(21, 0), 0);
    for (const char* bad : {"x A", "3-1 A", "1 Jump", "1 A B C", "5"}) {
        InputScript t;
        EXPECT_FALSE(ParseInputScript(bad, t, error)) << bad;
    }
}

TEST(Movie, ReplayRepeatsEveryFrameAndReRecordCuts) {
    ScratchDir dir;
    std::string game = Game(dir);
    std::string kmv = dir.File("run.kmv");
    std::vector<uint64_t> recorded;
    {
        MovieRig rig;
        rig.script = BusyScript(3000);
        ASSERT_TRUE(rig.Open(game));
        rig.Run(50);  // a power-on movie forgets what ran before
        ASSERT_TRUE(rig.movie.StartRecording({kmv, "test", false, true, true, false}));
        rig.frame = 0;
        recorded = rig.Run(1000);
        rig.console.game.snapshotSlot = 2;
        ASSERT_TRUE(QuickSave(rig.console, rig.Options()));
        auto rest = rig.Run(2000);
        recorded.insert(recorded.end(), rest.begin(), rest.end());
        rig.movie.Stop();
        EXPECT_EQ(rig.shown, (std::vector<std::string>{"MOVIE RECORD", "MOVIE STOP"}));
    }
    EXPECT_EQ(fs::file_size(kmv), 144u + 2 * 3000);

    MovieRig replay;  // no script: the movie supplies every button
    ASSERT_TRUE(replay.Open(game));
    ASSERT_TRUE(replay.movie.StartReplay(kmv));
    auto replayed = replay.Run(1500);
    EXPECT_TRUE(std::equal(replayed.begin(), replayed.end(), recorded.begin()));
    EXPECT_EQ(replay.movie.Position(), 2u * 1500);

    // Loading the snapshot of frame 1000 records on from there.
    replay.console.game.snapshotSlot = 2;
    ASSERT_TRUE(QuickLoad(replay.console, replay.Options()));
    EXPECT_EQ(replay.movie.mode, kMovieRecording);
    EXPECT_EQ(fs::file_size(kmv), 144u + 2 * 1000);
    replay.Run(10);
    replay.movie.Stop();
    EXPECT_EQ(fs::file_size(kmv), 144u + 2 * 1010);
    KmvHeader header;
    ASSERT_TRUE(ReadKmvHeader(kmv, header));
    EXPECT_EQ(header.rerecordCount, 1);
    EXPECT_EQ(header.title, "test");

    // The cut movie replays its first 1000 frames as recorded.
    MovieRig again;
    ASSERT_TRUE(again.Open(game));
    ASSERT_TRUE(again.movie.StartReplay(kmv));
    auto cut = again.Run(1000);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), recorded.begin()));
    again.Run(11);  // the data ends: the movie stops and live input takes over
    EXPECT_EQ(again.movie.mode, kMovieNone);
}

TEST(Movie, FromTheCurrentStateReplaysItsSnapshot) {
    ScratchDir dir;
    std::string kmv = dir.File("state.kmv");
    MovieRig rig;
    rig.script = BusyScript(400);
    ASSERT_TRUE(rig.Open(Game(dir)));
    rig.Run(200);
    ASSERT_TRUE(rig.movie.StartRecording({kmv, "", true, true, false, false}));
    auto recorded = rig.Run(200);
    rig.movie.Stop();
    KmvHeader header;
    int64_t size = 0;
    ASSERT_TRUE(ReadKmvHeader(kmv, header, &size));
    EXPECT_TRUE(header.fromSnapshot);
    EXPECT_GT(header.snapshotLength, 0u);
    EXPECT_EQ(size, 144 + static_cast<int64_t>(header.snapshotLength) + 200);
    auto before = ReadFileBytes(kmv);

    MovieRig replay;
    ASSERT_TRUE(replay.Open(dir.File("game.nes")));
    replay.Run(17);
    ASSERT_TRUE(replay.movie.StartReplay(kmv));
    EXPECT_EQ(replay.movie.mode, kMovieReplaying);  // its own position 0 never re-records
    EXPECT_EQ(replay.Run(200), recorded);
    EXPECT_EQ(ReadFileBytes(kmv), before);
}

TEST(Movie, ReRecordOnlyOnARecordBoundaryInsideTheData) {
    ScratchDir dir;
    std::string kmv = dir.File("m.kmv");
    MovieRig rig;
    ASSERT_TRUE(rig.Open(Game(dir)));
    ASSERT_TRUE(rig.movie.StartRecording({kmv, "", false, true, true, false}));
    rig.Run(100);
    rig.movie.Stop();
    auto before = ReadFileBytes(kmv);
    for (uint32_t bad : {201u, 202u, 5000u}) {  // inside a record, past the end
        ASSERT_TRUE(rig.movie.StartReplay(kmv));
        EXPECT_FALSE(rig.movie.ReRecord(bad)) << bad;
        EXPECT_EQ(rig.movie.mode, kMovieNone);
        EXPECT_EQ(ReadFileBytes(kmv), before);
    }
    ASSERT_TRUE(rig.movie.StartReplay(kmv));
    EXPECT_TRUE(rig.movie.ReRecord(200));
    rig.movie.Stop();
    EXPECT_EQ(fs::file_size(kmv), 144u + 200);
}

TEST(Movie, ProtectedFileCannotBeReRecorded) {
    ScratchDir dir;
    std::string kmv = dir.File("p.kmv");
    MovieRig rig;
    ASSERT_TRUE(rig.Open(Game(dir)));
    ASSERT_TRUE(rig.movie.StartRecording({kmv, "", false, true, false, true}));
    rig.Run(20);
    rig.movie.Stop();
    EXPECT_FALSE(MovieFileWritable(kmv));
    ASSERT_TRUE(rig.movie.StartReplay(kmv));
    EXPECT_TRUE(rig.movie.protectOnStop);
    EXPECT_FALSE(rig.movie.ReRecord(10));
    EXPECT_EQ(rig.movie.mode, kMovieNone);
    EXPECT_EQ(fs::file_size(kmv), 144u + 20);
}

TEST(Movie, RefusedFiles) {
    ScratchDir dir;
    MovieRig rig;
    ASSERT_TRUE(rig.Open(Game(dir)));
    std::vector<uint8_t> kmv(100, 0);
    std::memcpy(kmv.data(), "KMV\x1A", 4);
    EXPECT_FALSE(rig.movie.StartReplay(dir.Write("short.kmv", kmv)));
    kmv.resize(200);
    kmv[6] = 100;  // the snapshot would end at 244
    kmv[4] = 0x80;
    EXPECT_FALSE(rig.movie.StartReplay(dir.Write("long.kmv", kmv)));
    EXPECT_FALSE(rig.movie.StartReplay(dir.File("missing.kmv")));
    EXPECT_FALSE(rig.movie.StartRecording({dir.File("no/such/folder.kmv"), "", false, true, false, false}));
    EXPECT_EQ(rig.movie.mode, kMovieNone);
    EXPECT_TRUE(rig.shown.empty());
    EXPECT_TRUE(rig.host.messages.empty());

    // A movie opened like a game replays on the running one.
    kmv.assign(144 + 3, 0);
    std::memcpy(kmv.data(), "KMV\x1A", 4);
    kmv[5] = 0x80;
    std::string path = dir.Write("ok.kmv", kmv);
    EXPECT_TRUE(OpenGame(rig.console, path, rig.Options().load));
    EXPECT_EQ(rig.movie.mode, kMovieReplaying);
    EXPECT_EQ(rig.console.game.path, dir.File("game.nes"));
}

TEST(Movie, PowerOnMovieWritesNoSav) {
    ScratchDir dir;
    MovieRig rig;
    ASSERT_TRUE(rig.Open(Game(dir, true)));
    rig.console.machine.sram[0] = 0x12;
    ASSERT_TRUE(WriteBatterySave(rig.console, {}));
    ASSERT_TRUE(rig.movie.StartRecording({dir.File("m.kmv"), "", false, true, false, false}));
    EXPECT_EQ(rig.console.machine.sram[0], 0);  // power-on cleared it
    rig.Run(5);
    rig.console.machine.sram[0] = 0x34;
    EXPECT_TRUE(QuickSave(rig.console, rig.Options()));
    EXPECT_TRUE(ExitTimeBatterySave(rig.console, {}, 1, true));
    EXPECT_EQ(ReadFileBytes(dir.File("game.sav"))[0], 0x12);
    rig.movie.Stop();
    EXPECT_TRUE(rig.console.game.savSuspended);  // until the game is opened again
    ASSERT_TRUE(rig.Open(dir.File("game.nes")));
    EXPECT_FALSE(rig.console.game.savSuspended);
    EXPECT_EQ(rig.console.machine.sram[0], 0x12);
}

}  // namespace
}  // namespace korvanta::test
