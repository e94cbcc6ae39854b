// The Family BASIC data recorder: tapes are WAV files of 16-bit mono
// samples at 44100 Hz. Playing turns the samples into the keyboard's $4016
// bit 1 (set while the wave is negative); recording turns bit 0 of the
// $4016 writes into samples of -10000 (bit set) and +10000. Time between
// steps comes from the CPU's cycle count within the frame.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "media/stream.h"

namespace korvanta {

class InputSystem;

inline constexpr int kTapeHeaderSize = 44;

class DataRecorder {
public:
    explicit DataRecorder(InputSystem& input) : input_(input) {}
    // Stops the tape, finishing a recording.
    ~DataRecorder() { StopTape(); }
    DataRecorder(const DataRecorder&) = delete;
    DataRecorder& operator=(const DataRecorder&) = delete;

    // The popup items: a file dialog, then NewPlay or NewSave.
    void ChoosePlay();
    void ChooseSave();
    // Plays a tape from byte 44 on (the header is not checked). A tape
    // already playing is closed first. False, after "Couldn't open file.",
    // when the file cannot be opened.
    bool NewPlay(const std::string& path);
    // Creates a tape with the WAV header and records into it; a recording in
    // progress is finished first. False after the message when it fails.
    bool NewSave(const std::string& path);
    // Closes the played tape; a recording gets its two size fields and is
    // closed.
    void StopTape();

    // Each $4016 read: reads the samples due since the last read; true when
    // the last sample read is negative.
    bool PlayStep();
    // Each $4016 write: writes the samples due since the last write at the
    // level of bit 0. Writing 255 without a recording asks for a new tape.
    void RecordStep(uint8_t value);

    bool Playing() const { return play_ != nullptr; }
    bool Recording() const { return record_ != nullptr; }

private:
    // Cycles since `last`; a frame boundary in between adds a frame's length.
    int32_t Elapsed(uint32_t last) const;
    uint32_t Now() const;

    InputSystem& input_;
    std::unique_ptr<FileStream> play_;
    std::unique_ptr<FileStream> record_;
    int16_t lastSample_ = 0;
    int32_t playCycles_ = 0;
    uint32_t lastPlayTime_ = 0;
    uint32_t lastRecordTime_ = 0;
};

}  // namespace korvanta
