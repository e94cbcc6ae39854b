// Recognising a game file by its content and handing it to its loader.
#include "media/loader.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/strings.h"
#include "core/console.h"
#include "media/kor.h"
#include "media/movie_link.h"

namespace korvanta {
namespace {

constexpr size_t kDetectionSize = 256;
constexpr int kBlockSlotOfImages = 1;  // the snapshot slot after opening an image

bool StartsWith(std::span<const uint8_t> head, size_t offset, const char* text) {
    size_t length = std::strlen(text);
    return head.size() >= offset + length && std::memcmp(head.data() + offset, text, length) == 0;
}

// A battery save fills `sram` from its start; a short file fills less, and
// no file leaves it cleared so one game's save never shows up in another.
void ReadBatterySave(Console& console, const std::string& gamePath, const CompanionSettings& settings) {
    Machine& m = console.machine;
    m.sram.fill(0);
    std::string savPath = gamePath;
    if (MakeCompanionName(savPath, kCompanionSav, settings, console.game.snapshotSlot)) return;
    std::error_code error;
    if (std::filesystem::is_directory(savPath, error)) return;
    FileStream sav(savPath, "rb");
    if (sav.IsOpen()) sav.Read(m.sram.data(), m.sram.size());
}

}  // namespace

ImageFormat DetectFormat(std::span<const uint8_t> head, int64_t fileSize) {
    if (StartsWith(head, 0, "NES")) return ImageFormat::Ines;
    if (StartsWith(head, 0, "FDS")) return ImageFormat::DiskImage;
    if (head.size() >= 9 && head[0] == 1 && StartsWith(head, 6, "KOR")) return ImageFormat::Kor;
    if (head.size() >= 2 && head[0] == 2 && head[1] == 0) return ImageFormat::OldKor;
    if (fileSize == kForeignSnapshotSize) return ImageFormat::ForeignSnapshot;
    if (head.size() >= 4 && StartsWith(head, 0, "KMV") && head[3] == 0x1A) return ImageFormat::Movie;
    return ImageFormat::Unknown;
}

void CloseGame(Console& console) {
    console.mapper.reset();
    console.machine.FreePages();
    console.ppu.chrWindow.fill(nullptr);
    console.ppu.decodedChrWindow.fill(nullptr);
    console.machine.RunState = 0;
    console.game = GameImage{};
}

bool OpenGameStream(Console& console, Stream& stream, const std::string& path, const LoadOptions& options) {
    return OpenGameStream(console, stream, path, options, -1);
}

bool OpenGameStream(Console& console, Stream& stream, const std::string& path, const LoadOptions& options, int slot) {
    uint8_t head[kDetectionSize];
    size_t headSize = stream.Seek(0) ? stream.Read(head, sizeof head) : 0;
    ImageFormat format = DetectFormat(std::span<const uint8_t>(head, headSize), stream.Size());

    FileKind kind;
    int blockSlot = kBlockSlotOfImages;
    switch (format) {
        case ImageFormat::Ines:
            if (!LoadInes(console, stream, options)) return false;
            ReadBatterySave(console, path, options.companions);
            kind = kFileNes;
            break;
        case ImageFormat::Kor: {
            KorHeader block;
            if (!LoadKor(console, stream, slot, options, block)) return false;
            // A snapshot-only file keeps the current game's name and kind.
            if (block.kind != kKorOldImage && block.kind != kKorImage) return true;
            kind = block.kind == kKorImage ? kFileKor : kFileOldKor;
            blockSlot = block.slot;
            break;
        }
        case ImageFormat::OldKor:
            if (!ConvertOldKor(console, stream, options)) return false;
            kind = kFileOldKor;
            break;
        case ImageFormat::ForeignSnapshot: return LoadForeignSnapshot(console, stream);
        case ImageFormat::Movie:
            // A movie plays on the running game; with none it is refused
            // without a message.
            return console.mapper && options.movie && options.movie->StartReplay(path);
        case ImageFormat::DiskImage:
            if (!LoadDiskImage(console, stream, options)) return false;
            kind = kFileFds;
            break;
        default:
            ShowStringMessage(console.host, MessageKind::Error, kStrUnknownFormat);
            return false;
    }
    // A state load of the current game keeps the SAV rule a movie set.
    if (slot == -1) console.game.savSuspended = false;
    console.game.kind = kind;
    console.game.path = path;
    console.game.snapshotSlot = blockSlot % 10;
    return true;
}

bool OpenGame(Console& console, const std::string& path, const LoadOptions& options) {
    std::error_code error;
    FileStream file(path, "rb");
    // A folder opens as a file on some systems but has no content to read.
    if (!file.IsOpen() || std::filesystem::is_directory(path, error)) {
        ShowStringMessage(console.host, MessageKind::Error, kStrCouldNotOpenFile, path.c_str());
        return false;
    }
    return OpenGameStream(console, file, path, options);
}

}  // namespace korvanta

namespace korvanta {

bool OpenGameSlot(Console& console, int slot, const LoadOptions& options) {
    GameImage& game = console.game;
    if (game.kind == kFileNes || game.kind == kFileFds) {
        std::string krt = game.path;
        if (MakeCompanionName(krt, kCompanionKrt, options.companions, slot)) return false;
        FileStream file(krt, "rb");
        KorHeader block;
        return file.IsOpen() && LoadKor(console, file, slot, options, block);
    }
    FileStream file(game.path, "rb");
    if (!file.IsOpen()) {
        ShowStringMessage(console.host, MessageKind::Error, kStrCouldNotOpenFile, game.path.c_str());
        return false;
    }
    std::string path = game.path;
    return OpenGameStream(console, file, path, options, slot);
}

}  // namespace korvanta
