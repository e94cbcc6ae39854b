// KOR containers: a run of blocks, each a header chunk, the chunks of one
// snapshot (and for images the embedded iNES file) and an end chunk.
#include "media/kor.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/strings.h"
#include "core/console.h"
#include "media/loader.h"
#include "media/movie_link.h"
#include "media/stream_window.h"
#include "ppu/chr_decode.h"

namespace korvanta {
namespace {

void ShowBroken(Console& console) { ShowStringMessage(console.host, MessageKind::Error, kStrBrokenFile); }

enum class Search { Found, Absent, Broken };

uint32_t ReadU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// Looks for chunk `tag` in the block at `start`, up to its end chunk. On
// success the stream stands at the payload and `length` is the chunk's
// length field (at least 6).
Search FindChunk(Stream& stream, int64_t start, int16_t tag, uint32_t& length) {
    if (!stream.Seek(start)) return Search::Broken;
    for (;;) {
        int16_t found;
        if (!ReadTag(stream, found)) return Search::Broken;
        if (found == kTagEnd) return Search::Absent;
        if (found == tag) {
            uint8_t bytes[4];
            if (stream.Read(bytes, 4) != 4) return Search::Broken;
            length = ReadU32(bytes);
            return length >= kChunkPrefix ? Search::Found : Search::Broken;
        }
        if (SkipChunk(stream) != 0) return Search::Broken;
    }
}

// CHR RAM from chunk 25 into pages 0-7, decoded again.
bool ReadChrRam(Console& console, Stream& stream, int64_t offset) {
    Machine& m = console.machine;
    uint32_t length = 0;
    Search search = FindChunk(stream, offset, kTagChrRam, length);
    if (search == Search::Broken) return false;
    if (search == Search::Absent || m.chrPageCount < 8) return true;
    uint32_t bytes = std::min<uint32_t>(length - kChunkPrefix, 8 * kChrPageSize);
    for (uint32_t page = 0; page < 8 && bytes > 0; ++page) {
        uint32_t n = std::min<uint32_t>(bytes, kChrPageSize);
        if (stream.Read(m.chrPages[page], n) != n) return false;
        DecodeChrPage(m.chrPages[page], m.decodedChrPages[page]);
        bytes -= n;
    }
    return true;
}

}  // namespace

bool RestoreState(Console& console, Stream& stream, int64_t offset, const OldFormatImage& oldImage,
                  const LoadOptions& options, bool allowReRecord, bool oldFormat) {
    // The machine and media chunks, then the picture and sound units' chunks,
    // each scan from the block start to its end chunk.
    Machine& m = console.machine;
    std::vector<TaggedTable> tables(console.MachineTables().begin(), console.MachineTables().end());
    const StateField boardType = Field(kFieldWord, console.game.oldKorBoardType);
    const StateField position = Field(kFieldDword, m.moviePosition);
    tables.push_back({kTagOldKorBoard, StateTable(&boardType, 1)});
    tables.push_back({kTagMoviePosition, StateTable(&position, 1)});
    if (!ReadTables(stream, offset, tables) || !ReadChrRam(console, stream, offset) ||
        !ReadTables(stream, offset, console.ppu.StateTables()) || !ReadTables(stream, offset, console.apu.StateTables()))
        return false;
    // The snapshot does not keep the reset's skipped first NMI; a saved game
    // is past its first frame, so a loader's reset must not skip one now.
    m.suppressFirstNmi = 0;
    // The old format's mixer always took the board's sound.
    if (oldFormat) console.apu.channelMask |= 0x20;
    console.apu.AfterStateLoad();
    // The loaded picture values checked and the mirroring applied before the
    // board's own chunks, so that a board pointing the name tables itself
    // keeps its layout; then the sprite-0 probe from the board's windows,
    // the expansion device and the movie position.
    console.ppu.AfterStateLoad();
    if (!console.mapper->LoadState(stream, oldImage, offset)) return false;
    console.ppu.RefreshSpriteZeroProbe();
    if (options.rebuildDevices) options.rebuildDevices(m.extDeviceSelection);
    uint32_t moviePosition = m.moviePosition;
    if (allowReRecord && moviePosition != 0 && options.movie && options.movie->Active())
        options.movie->ReRecord(moviePosition);
    return true;
}

namespace {

bool LoadKorImage(Console& console, Stream& stream, int64_t offset, const LoadOptions& options) {
    console.machine.frameCycleBudget = kFrameCycleBudget;
    console.apu.Reset();
    uint32_t length = 0;
    if (FindChunk(stream, offset, kTagInesImage, length) != Search::Found) {
        ShowBroken(console);
        return false;
    }
    // The embedded image loads as an iNES file, board and all; the state
    // chunks then replace what its reset set up.
    StreamWindow image(stream, stream.Tell(), length - kChunkPrefix);
    if (!LoadInes(console, image, options)) return false;
    if (!RestoreState(console, stream, offset, OldFormatImage{}, options, true, false)) {
        ShowBroken(console);
        CloseGame(console);
        return false;
    }
    return true;
}

}  // namespace

std::array<StateField, 4> KorHeaderFields(KorHeader& header) {
    return {BlockField(header.magic.data(), 4), Field(kFieldDword, header.version), Field(kFieldByte, header.kind),
            Field(kFieldWord, header.slot)};
}

int64_t FindKorBlock(Stream& stream, int slot, KorHeader& header) {
    auto fields = KorHeaderFields(header);
    int64_t blockStart = 0;
    if (stream.Seek(0)) {
        for (;;) {
            int16_t tag;
            if (!ReadTag(stream, tag)) break;
            if (tag == kTagEnd) {
                if (SkipChunk(stream) != 0) break;
                blockStart = stream.Tell();
            } else if (tag == kTagKorHeader) {
                if (ReadChunk(stream, fields) != 0) break;
                if (slot == -1 || header.slot == slot) return blockStart;
            } else if (SkipChunk(stream) != 0) {
                break;
            }
        }
    }
    ResetTable(fields);
    return -1;
}

bool LoadKorState(Console& console, Stream& stream, int64_t offset, const LoadOptions& options, bool allowReRecord) {
    // The state belongs to a running board; with none there is nothing to
    // restore it into.
    if (!console.mapper) {
        ShowStringMessage(console.host, MessageKind::Error, kStrUnknownFormat);
        return false;
    }
    console.machine.frameCycleBudget = kFrameCycleBudget;
    console.apu.Reset();
    if (!RestoreState(console, stream, offset, OldFormatImage{}, options, allowReRecord, false)) {
        ShowBroken(console);
        return false;
    }
    return true;
}

bool LoadKor(Console& console, Stream& stream, int slot, const LoadOptions& options, KorHeader& loaded) {
    int64_t offset = FindKorBlock(stream, slot, loaded);
    if (offset < 0) return false;
    switch (loaded.kind) {
        case kKorOldImage: return ConvertOldKor(console, stream, options);
        case kKorImage:
            return slot == -1 ? LoadKorImage(console, stream, offset, options)
                              : LoadKorState(console, stream, offset, options, true);
        case kKorState: return LoadKorState(console, stream, offset, options, true);
        default: return false;
    }
}

bool LoadForeignSnapshot(Console& console, Stream& stream) {
    if (!console.mapper) {
        ShowStringMessage(console.host, MessageKind::Error, kStrUnknownFormat);
        return false;
    }
    Machine& m = console.machine;
    uint8_t registers[7];
    uint8_t sprites[256];
    if (!stream.Seek(0) || stream.Read(m.sram.data(), m.sram.size()) != m.sram.size() ||
        stream.Read(m.ram.data(), m.ram.size()) != m.ram.size() || stream.Read(registers, 7) != 7 ||
        stream.Read(sprites, 256) != 256) {
        ShowBroken(console);
        return false;
    }
    m.pc = static_cast<uint16_t>(registers[0] | registers[1] << 8);
    m.a = registers[2];
    m.p = registers[3];
    m.x = registers[4];
    m.y = registers[5];
    m.s = registers[6];
    console.ppu.WriteSpriteAddress(0);
    for (uint8_t value : sprites) console.ppu.WriteSpriteData(value);
    // The mirroring byte would lie past the end of a file of this size, so
    // the current mirroring stays.
    return true;
}

}  // namespace korvanta
