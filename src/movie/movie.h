// The movie layer: records the pads (and the disk drive) frame by frame
// into a KMV file, from power-on or from a snapshot of the running game,
// replays such a file instead of the live input, and re-records from a
// snapshot loaded during a movie. One Movie per console.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/frame_driver.h"
#include "input/input_system.h"
#include "media/loader.h"
#include "media/movie_link.h"
#include "media/stream.h"
#include "movie/kmv_header.h"

namespace korvanta {

class Console;

enum MovieMode : int32_t { kMovieNone = 0, kMovieReplaying = 1, kMovieRecording = 2 };

class Movie final : public FrameMovieHooks, public PadMovieHook, public MovieLink {
public:
    // `options` serve reopening the game for a power-on movie and loading a
    // movie's starting snapshot; their movie link becomes this movie.
    Movie(Console& console, LoadOptions options);
    ~Movie() override;
    Movie(const Movie&) = delete;
    Movie& operator=(const Movie&) = delete;

    struct RecordRequest {
        std::string path;
        std::string title;
        bool fromSnapshot = false;  // else from power-on
        bool recordPad1 = true;
        bool recordPad2 = false;
        bool protectOnStop = false;  // make the file read-only when it stops
    };
    // Starts recording (stopping any movie first). False when the file
    // cannot be created or no game runs; no message.
    bool StartRecording(const RecordRequest& request);
    // Replays the movie at `path` (stopping any movie first). False, with no
    // message, for an unreadable or foreign file.
    bool StartReplay(const std::string& path) override;
    // Ends the movie; a recording gets its count written.
    void Stop();

    bool Active() const override { return mode != kMovieNone; }
    uint32_t Position() const override;
    // Cuts the movie at `position` and records on from there. A position
    // that is not a frame-record boundary inside the movie's data stops the
    // movie instead.
    bool ReRecord(uint32_t position) override;

    // The frame driver's steps and the pads' hook.
    void ReplayFrame() override;
    void RecordFrame() override;
    bool Replaying() const override { return mode == kMovieReplaying; }
    bool Recording() const override { return mode == kMovieRecording; }
    void PadFrame(int padIndex, PadButtons& buttons) override;

    // The on-screen messages ("MOVIE RECORD", ...); none when empty.
    std::function<void(const char* text)> showMessage;

    MovieMode mode = kMovieNone;
    std::string path;
    KmvHeader header;
    bool protectOnStop = false;

private:
    bool RestartFromPowerOn();
    bool WriteHeader();
    void Message(const char* text);
    int PadSlot(int padIndex) const;

    Console& console_;
    LoadOptions options_;
    std::unique_ptr<FileStream> file_;
    std::array<uint8_t, 3> frameRecord_{};
};

// A packed pad byte: bit 7 Start, 6 Select, 5 A, 4 B, 3 Down, 2 Up, 1 Left,
// 0 Right; and back.
uint8_t PackPad(const PadButtons& buttons);
void UnpackPad(uint8_t packed, PadButtons& buttons);

// Whether the file can be written (exists, opens for update, and is not
// marked read-only).
bool MovieFileWritable(const std::string& path);

}  // namespace korvanta
