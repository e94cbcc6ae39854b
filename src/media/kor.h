// Reading KOR containers (images with state, and snapshots: KRT files use
// the same layout), the old KOR image format and the foreign snapshot.
#pragma once
#include <array>
#include <cstdint>

#include "mappers/old_format_image.h"
#include "media/state.h"

namespace korvanta {

class Console;
class Stream;
struct LoadOptions;

// The kinds of KorBlock.
enum KorBlockKind : uint8_t {
    kKorOldImage = 0,  // the whole file is an old-format image
    kKorImage = 1,     // the iNES image and the state
    kKorState = 2,     // the state only (KRT files, movie start)
};

// The header chunk (tag 1) that starts every block.
struct KorHeader {
    std::array<uint8_t, 4> magic{};
    uint32_t version = 0;  // stored as the bytes 00 00 00 05; not tested
    uint8_t kind = 0;
    uint16_t slot = 0;
};
inline constexpr std::array<uint8_t, 4> kKorMagic{'K', 'O', 'R', 0};
inline constexpr uint32_t kKorVersion = 0x05000000;

// The header's fields in stored order (17-byte chunk).
std::array<StateField, 4> KorHeaderFields(KorHeader& header);

// The offset of the first block whose slot is `slot` (any block for -1), its
// header in `header`; -1 when there is none (the header then at defaults).
int64_t FindKorBlock(Stream& stream, int slot, KorHeader& header);

// Loads a block of a KOR file: with slot -1 the first block as a game (its
// image and state), else the state of the block with that slot on the
// running game. `loaded` receives the block's header. False after the
// message, or silently when there is no such block or its kind is unknown.
bool LoadKor(Console& console, Stream& stream, int slot, const LoadOptions& options, KorHeader& loaded);

// The state of the block at `offset` on the running game. `allowReRecord`
// is false while a movie loads its own starting snapshot.
bool LoadKorState(Console& console, Stream& stream, int64_t offset, const LoadOptions& options, bool allowReRecord);

// The shared part of the state loads: the chunks of the block at `offset`
// into the Machine, picture and sound units and the board, the loaded values
// checked, the expansion device rebuilt and, when allowed, a movie
// re-recorded. `oldFormat` adds the board's sound to the mixer as the old
// format always did. False for a broken block (no message).
bool RestoreState(Console& console, Stream& stream, int64_t offset, const OldFormatImage& oldImage,
                  const LoadOptions& options, bool allowReRecord, bool oldFormat);

// An image of the old KOR format, converted to pages and a board by its
// board type (chunk 14).
bool ConvertOldKor(Console& console, Stream& stream, const LoadOptions& options);

// The 22,992-byte snapshot of another emulator, loaded into the running game.
bool LoadForeignSnapshot(Console& console, Stream& stream);

}  // namespace korvanta
