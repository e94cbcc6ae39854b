// Opening a game file: its kind is recognised by content, never by the
// extension; the loader fills the Machine's page tables, builds the board
// and resets the Machine. Every failure shows its message and returns false.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "mappers/mapper.h"
#include "media/companion.h"
#include "media/game_image.h"

namespace korvanta {

class Console;
class MovieLink;
class Stream;

struct LoadOptions {
    CompanionSettings companions;
    // The MarkerTest's four header bytes (11-14) in held form, each byte one
    // more than the byte it matches. Empty: the test never matches.
    std::vector<uint8_t> heldMarker;
    // The movie layer: KMV files are handed to it, snapshots carry its
    // position. Null: movie files are refused, positions ignored.
    MovieLink* movie = nullptr;
    // Rebuilds the controller-port devices for the expansion device a state
    // load restored (chunk 17). Empty: the selection is only stored.
    std::function<void(int selection)> rebuildDevices;
    // Where the Disk System BIOS "disksys.rom" is read from: `diskBiosFolder`
    // when `diskBiosFolderUse`, otherwise `programFolder`, which also holds
    // the drive sounds. An empty folder is the current folder.
    bool diskBiosFolderUse = false;
    std::string diskBiosFolder;
    std::string programFolder;
};

// The kinds a file can be, decided from its first 256 bytes and its size.
enum class ImageFormat { Ines, DiskImage, Kor, OldKor, ForeignSnapshot, Movie, Unknown };
inline constexpr int64_t kForeignSnapshotSize = 22992;
ImageFormat DetectFormat(std::span<const uint8_t> head, int64_t fileSize);

// Opens a game (or any other recognised file) from disk. On success the
// current path, FileKind and snapshot slot are set; an iNES game also gets
// its SAV companion in `sram` (zeroed first). False after the message.
bool OpenGame(Console& console, const std::string& path, const LoadOptions& options);
// The same from an open stream; `path` names the companions.
bool OpenGameStream(Console& console, Stream& stream, const std::string& path, const LoadOptions& options);
// The same with a snapshot slot: -1 opens the file as a game, 0-9 loads that
// slot of a KOR file into the running game.
bool OpenGameStream(Console& console, Stream& stream, const std::string& path, const LoadOptions& options, int slot);
// Loads snapshot slot 0-9 of the current game: from its KRT companion for an
// iNES or Disk System game (no file: false, silently), else from the current
// KOR file. The quick load.
bool OpenGameSlot(Console& console, int slot, const LoadOptions& options);

// The iNES loader. Refusals found in the header leave the current game as
// it was; a failure after the old pages were freed leaves no game (no
// board, no pages, RunState 0).
bool LoadInes(Console& console, Stream& stream, const LoadOptions& options);

// The Disk System loader: the BIOS file, then the image (1-4 sides, all
// present) handed to the board, which inserts disk 1 side A. A missing BIOS
// or a broken image leaves the current game as it was.
bool LoadDiskImage(Console& console, Stream& stream, const LoadOptions& options);
// The BIOS file's path by the settings in `options`.
std::string DiskBiosPath(const LoadOptions& options);

// Header facts shared with the loaders that carry an iNES header.
uint32_t InesMapperNumber(const ImageHeader& header);
bool MarkerTestMatches(const ImageHeader& header, std::span<const uint8_t> heldMarker);

// Drops the current game: board, pages and windows gone, emulation stopped.
void CloseGame(Console& console);

}  // namespace korvanta
