#include "movie/movie.h"

#include <filesystem>
#include <system_error>

#include "app/strings.h"
#include "core/console.h"
#include "disk/disk_system.h"
#include "media/kor.h"
#include "media/save_file.h"
#include "media/stream_window.h"

namespace korvanta {
namespace {

constexpr int kMovieSnapshotSlot = 1;

// Pad byte bits by button, in the pad's order A, B, Select, Start, Up,
// Down, Left, Right.
constexpr uint8_t kPadBits[kPadButtons] = {0x20, 0x10, 0x40, 0x80, 0x04, 0x08, 0x02, 0x01};

}  // namespace

uint8_t PackPad(const PadButtons& buttons) {
    uint8_t packed = 0;
    for (int b = 0; b < kPadButtons; ++b)
        if (buttons[b]) packed |= kPadBits[b];
    return packed;
}

void UnpackPad(uint8_t packed, PadButtons& buttons) {
    for (int b = 0; b < kPadButtons; ++b) buttons[b] = (packed & kPadBits[b]) ? 1 : 0;
}

bool MovieFileWritable(const std::string& path) {
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status)) return false;
    if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) return false;
    FileStream probe(path, "r+b");
    return probe.IsOpen();
}

Movie::Movie(Console& console, LoadOptions options) : console_(console), options_(std::move(options)) {
    options_.movie = this;
}

Movie::~Movie() {
    // What showed the messages may already be gone.
    showMessage = nullptr;
    Stop();
}

void Movie::Message(const char* text) {
    if (showMessage) showMessage(text);
}

uint32_t Movie::Position() const {
    if (mode == kMovieNone || !file_) return 0;
    int64_t here = file_->Tell() - kKmvHeaderSize;
    return here > 0 ? static_cast<uint32_t>(here) : 0;
}

bool Movie::WriteHeader() {
    uint8_t bytes[kKmvHeaderSize];
    FormatKmvHeader(header, bytes);
    return file_->Seek(0) && file_->Write(bytes, sizeof bytes) == sizeof bytes;
}

bool Movie::RestartFromPowerOn() {
    // The game is opened again from its file, then powered on: the movie's
    // cartridge RAM is not the player's from here on.
    // A KOR game's own movie position must not re-record this movie.
    LoadOptions reopen = options_;
    reopen.movie = nullptr;
    std::string game = console_.game.path;
    if (!OpenGame(console_, game, reopen)) return false;
    console_.PowerOnReset();
    console_.SoftReset();
    console_.machine.RunState = 1;
    console_.game.savSuspended = true;
    return true;
}

bool Movie::StartRecording(const RecordRequest& request) {
    if (Active()) Stop();
    if (!console_.mapper) return false;
    path = request.path;
    header = KmvHeader{};
    header.fromSnapshot = request.fromSnapshot;
    header.recordPad1 = request.recordPad1;
    header.recordPad2 = request.recordPad2;
    header.recordDisk = console_.mapper->mapperNumber == kDiskSystemMapper;
    header.creator = GetString(kStrProgramNameVersion) ? GetString(kStrProgramNameVersion) : "";
    header.title = request.title.substr(0, kKmvTextSize - 1);
    protectOnStop = request.protectOnStop;
    file_ = std::make_unique<FileStream>(path, "w+b");
    if (!file_->IsOpen() || !WriteHeader()) {
        file_.reset();
        return false;
    }
    Message("MOVIE RECORD");
    mode = kMovieRecording;
    frameRecord_.fill(0);
    if (request.fromSnapshot) {
        // The starting snapshot counts as position 0.
        if (!file_->Seek(kKmvHeaderSize) || !WriteBlock(console_, *file_, kMovieSnapshotSlot, kKorState, this)) {
            Stop();
            return false;
        }
        header.snapshotLength = static_cast<uint32_t>(file_->Size() - kKmvHeaderSize);
        if (!WriteHeader() || !file_->Seek(file_->Size())) {
            Stop();
            return false;
        }
        return true;
    }
    if (!RestartFromPowerOn()) {
        Stop();
        return false;
    }
    return file_->Seek(kKmvHeaderSize);
}

bool Movie::StartReplay(const std::string& moviePath) {
    if (!moviePath.empty()) path = moviePath;
    if (Active()) Stop();
    int64_t size = 0;
    KmvHeader read;
    if (!ReadKmvHeader(path, read, &size) || !console_.mapper) return false;
    // A starting snapshot that runs past the end of the file is no movie.
    if (kKmvHeaderSize + static_cast<int64_t>(read.snapshotLength) > size) return false;
    header = read;
    protectOnStop = !MovieFileWritable(path);
    file_ = std::make_unique<FileStream>(path, "rb");
    if (!file_->IsOpen()) {
        file_.reset();
        return false;
    }
    Message("MOVIE REPLAY");
    mode = kMovieReplaying;
    frameRecord_.fill(0);
    if (header.fromSnapshot) {
        // The snapshot's own movie position is ignored here.
        StreamWindow snapshot(*file_, kKmvHeaderSize, header.snapshotLength);
        if (!LoadKorState(console_, snapshot, 0, options_, false)) {
            Stop();
            return false;
        }
        console_.game.savSuspended = true;
        return file_->Seek(kKmvHeaderSize + header.snapshotLength);
    }
    if (!RestartFromPowerOn()) {
        Stop();
        return false;
    }
    return file_->Seek(kKmvHeaderSize);
}

void Movie::Stop() {
    if (file_) {
        bool recording = mode == kMovieRecording;
        if (recording) {
            uint8_t count[2] = {static_cast<uint8_t>(header.rerecordCount),
                                static_cast<uint8_t>(header.rerecordCount >> 8)};
            if (file_->Seek(10)) file_->Write(count, 2);
        }
        file_->Close();
        file_.reset();
        Message("MOVIE STOP");
        if (recording && protectOnStop) {
            std::error_code error;
            std::filesystem::permissions(path,
                                         std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::remove, error);
            protectOnStop = false;
        }
    }
    mode = kMovieNone;
}

bool Movie::ReRecord(uint32_t position) {
    if (mode == kMovieNone || !file_) return false;
    int64_t length = file_->Size() - kKmvHeaderSize;
    uint32_t k = header.FrameRecordSize();
    int64_t start = header.snapshotLength;
    // Only a frame-record boundary inside the data is a place to go on from;
    // anything else would cut a record in two or write past the end.
    bool valid = position >= start && position <= length &&
                 (k == 0 ? position == start : (position - start) % k == 0);
    Stop();
    if (!valid || !MovieFileWritable(path)) return false;
    std::error_code error;
    std::filesystem::resize_file(path, static_cast<uintmax_t>(kKmvHeaderSize + position), error);
    if (error) return false;
    file_ = std::make_unique<FileStream>(path, "r+b");
    if (!file_->IsOpen()) {
        file_.reset();
        return false;
    }
    Message("MOVIE RE-RECORD");
    mode = kMovieRecording;
    header.rerecordCount++;
    frameRecord_.fill(0);
    if (!file_->Seek(kKmvHeaderSize + position)) {
        Stop();
        return false;
    }
    return true;
}

int Movie::PadSlot(int padIndex) const {
    if (padIndex == 0) return header.recordPad1 ? 0 : -1;
    if (padIndex == 1) return header.recordPad2 ? (header.recordPad1 ? 1 : 0) : -1;
    return -1;  // pads 3 and 4 are not part of movies
}

void Movie::PadFrame(int padIndex, PadButtons& buttons) {
    int slot = PadSlot(padIndex);
    if (slot < 0) return;
    if (mode == kMovieReplaying) UnpackPad(frameRecord_[slot], buttons);
    if (mode == kMovieRecording) frameRecord_[slot] = PackPad(buttons);
}

void Movie::ReplayFrame() {
    if (mode != kMovieReplaying || !file_) return;
    uint32_t k = header.FrameRecordSize();
    if (k == 0) return;
    if (file_->Read(frameRecord_.data(), k) != k) {
        Stop();
        return;
    }
    if (header.recordDisk && console_.mapper && console_.mapper->mapperNumber == kDiskSystemMapper)
        console_.mapper->Message(kDiskSetMovieState, frameRecord_[k - 1]);
}

void Movie::RecordFrame() {
    if (mode != kMovieRecording || !file_) return;
    uint32_t k = header.FrameRecordSize();
    if (header.recordDisk && console_.mapper && console_.mapper->mapperNumber == kDiskSystemMapper)
        frameRecord_[k - 1] = static_cast<uint8_t>(console_.mapper->Message(kDiskMovieState, 0));
    if (k == 0) return;
    if (file_->Write(frameRecord_.data(), k) != k) Stop();
}

}  // namespace korvanta
