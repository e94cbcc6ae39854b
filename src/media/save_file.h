// Writing what the running game produces: one KorBlock of the state (and
// image), and the files of the save kinds. A save never loses or truncates
// the file it replaces: the new file is written completely under a
// temporary name in the same folder, then put in place of the old one.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace korvanta {

class Console;
class MovieLink;
class Stream;

// The kinds of SaveFile.
enum SaveKind : int {
    kSaveKor = 1,    // KOR image with state; keeps the other slots' blocks
    kSaveKrt = 2,    // state snapshot; one slot per file, or all in one
    kSaveNes = 100,  // the iNES image
    kSaveSav = 101,  // the 8 KB cartridge RAM
    kSaveFds = 102,  // the Disk System image
};

// Writes one block at the stream's position: header, for kind 1 the iNES
// image (chunk 24), for kinds 1 and 2 the state chunks (with the movie
// position while a movie runs). False on a short write.
bool WriteBlock(Console& console, Stream& stream, int slot, int kind, const MovieLink* movie);

// Copies every block of `previous` except those of `slot` after the new
// block, each chunk unchanged but for the image chunks (2, 3, 24), which are
// dropped. False on a short read or write or a broken chunk.
bool CopyOtherBlocks(Stream& previous, Stream& out, int slot);

// Writes `path` through `write` on a temporary file in the same folder,
// named "%s.%d" with the first free number 1-999, then replaces `path` with
// it. Messages: no free name "Can't create temporary file"; the temporary
// cannot be created "Couldn't open file.(%s)". Returns false when `write`
// failed, the file could not be completed or not be put in place; the old
// file is then as it was and the temporary removed.
enum class AtomicResult { Written, NoTemporaryName, CannotCreate, Failed };
AtomicResult WriteFileAtomically(const std::string& path, const std::function<bool(Stream& out)>& write);

// Saves `path` as `kind` for snapshot slot `slot`. Shows its
// messages ("Save failure" for a failed write) and returns false on failure.
bool SaveFile(Console& console, const std::string& path, int slot, int kind, bool krtSeparate,
              const MovieLink* movie);

}  // namespace korvanta
