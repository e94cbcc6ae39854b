#include "input/data_recorder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/strings.h"
#include "core/console.h"
#include "input/device_window.h"
#include "input/input_system.h"
#include "video/display.h"

namespace korvanta {
namespace {

constexpr double kCpuClock = 1789772.5;
constexpr double kTapeRate = 44100.0;
constexpr double kCyclesPerTapeSample = 40.584410430839;  // kCpuClock / kTapeRate
constexpr uint32_t kStrWaveFilter = 53;
constexpr int16_t kRecordHigh = -10000;  // bit 0 set
constexpr int16_t kRecordLow = 10000;
constexpr int kTapeMessageFrames = 60;

void PutLe32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The header of a new tape. The two sizes are placeholders until the tape
// is stopped.
std::array<uint8_t, kTapeHeaderSize> TapeHeader() {
    std::array<uint8_t, kTapeHeaderSize> h{};
    auto text = [&h](int at, const char* four) {
        for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(four[i]);
    };
    text(0, "RIFF");
    PutLe32(&h[4], 407898);
    text(8, "WAVE");
    text(12, "fmt ");
    PutLe32(&h[16], 16);
    h[20] = 1;  // PCM
    h[22] = 1;  // mono
    PutLe32(&h[24], 44100);
    PutLe32(&h[28], 88200);
    h[32] = 2;
    h[34] = 16;
    text(36, "data");
    PutLe32(&h[40], 16777216);
    return h;
}

}  // namespace

uint32_t DataRecorder::Now() const { return input_.console.machine.cycles; }

int32_t DataRecorder::Elapsed(uint32_t last) const {
    const Machine& m = input_.console.machine;
    int64_t elapsed = static_cast<int64_t>(m.cycles) - last;
    if (elapsed < 0) elapsed += static_cast<int64_t>(m.frameCycleBudget) + kFrameEndSlack;
    return static_cast<int32_t>(elapsed);
}

void DataRecorder::ChoosePlay() {
    if (!input_.window) return;
    std::string path = input_.window->ChooseFile(false, kStrWaveFilter, nullptr);
    if (!path.empty()) NewPlay(path);
}

void DataRecorder::ChooseSave() {
    if (!input_.window) return;
    std::string path = input_.window->ChooseFile(true, kStrWaveFilter, "wav");
    if (!path.empty()) NewSave(path);
}

bool DataRecorder::NewPlay(const std::string& path) {
    play_.reset();
    auto file = std::make_unique<FileStream>(path, "rb");
    if (!file->IsOpen()) {
        ShowStringMessage(input_.console.host, MessageKind::Error, kStrCouldNotOpenFile, path.c_str());
        return false;
    }
    file->Seek(kTapeHeaderSize);
    play_ = std::move(file);
    return true;
}

bool DataRecorder::NewSave(const std::string& path) {
    // The tape in the recorder is finished before another replaces it, so
    // its size fields are not left as placeholders.
    if (record_) {
        std::unique_ptr<FileStream> playing = std::move(play_);
        StopTape();
        play_ = std::move(playing);
    }
    auto file = std::make_unique<FileStream>(path, "wb");
    std::array<uint8_t, kTapeHeaderSize> header = TapeHeader();
    if (!file->IsOpen() || file->Write(header.data(), header.size()) != header.size()) {
        ShowStringMessage(input_.console.host, MessageKind::Error, kStrCouldNotOpenFile, path.c_str());
        return false;
    }
    record_ = std::move(file);
    return true;
}

void DataRecorder::StopTape() {
    play_.reset();
    if (!record_) return;
    int64_t size = record_->Size();
    if (size >= kTapeHeaderSize) {
        uint8_t field[4];
        PutLe32(field, static_cast<uint32_t>(size - 8));
        record_->Seek(4);
        record_->Write(field, 4);
        PutLe32(field, static_cast<uint32_t>(size - kTapeHeaderSize));
        record_->Seek(40);
        record_->Write(field, 4);
    }
    record_->Close();
    record_.reset();
}

bool DataRecorder::PlayStep() {
    if (play_) {
        if (input_.display)
            input_.display->ShowScreenMessage(kTapeMessageFrames, true, 10, 10, "TAPE PLAYING...");
        playCycles_ += Elapsed(lastPlayTime_);
        double due = playCycles_ * kTapeRate / kCpuClock;
        if (due >= 1) {
            int64_t wanted = static_cast<int64_t>(due);
            int64_t read = 0;
            while (read < wanted) {
                uint8_t bytes[2];
                if (play_->Read(bytes, 2) != 2) {
                    StopTape();
                    break;
                }
                lastSample_ = static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
                ++read;
            }
            playCycles_ -= static_cast<int32_t>(std::trunc(read * kCyclesPerTapeSample));
        }
    }
    lastPlayTime_ = Now();
    return lastSample_ < 0;
}

void DataRecorder::RecordStep(uint8_t value) {
    if (!record_ && value == 255) ChooseSave();
    if (record_) {
        if (input_.display)
            input_.display->ShowScreenMessage(kTapeMessageFrames, false, 10, 10, "TAPE RECORDING...");
        auto due = static_cast<int64_t>(Elapsed(lastRecordTime_) * kTapeRate / kCpuClock);
        int16_t level = (value & 1) ? kRecordHigh : kRecordLow;
        std::array<uint8_t, 512> block;
        for (size_t i = 0; i < block.size(); i += 2) {
            block[i] = static_cast<uint8_t>(level & 0xFF);
            block[i + 1] = static_cast<uint8_t>((level >> 8) & 0xFF);
        }
        for (int64_t left = due; left > 0;) {
            size_t count = static_cast<size_t>(std::min<int64_t>(left, block.size() / 2));
            record_->Write(block.data(), count * 2);
            left -= static_cast<int64_t>(count);
        }
    }
    lastRecordTime_ = Now();
}

}  // namespace korvanta
