// State tables: descriptors of the fields a component saves, moved as one
// tagged, length-prefixed chunk. Unknown tags are skipped by their length and
// fields missing from a shorter chunk keep their defaults.
#pragma once
#include <cstdint>
#include <span>

#include "media/stream.h"

namespace korvanta {

enum StateFieldType : uint32_t {
    kFieldEnd = 0,
    kFieldByte = 1,
    kFieldWord = 2,
    kFieldDword = 3,
    kFieldQword = 4,
    kFieldBlock = 5,
};

struct StateField {
    uint32_t type;          // StateFieldType; other values only take part in reset
    uint32_t size;          // bytes of the destination (block: also the stored length)
    void* destination;
    uint32_t defaultValue;  // copied on reset for types 1-4 when non-zero
};

// A table is the fields in stored order; the end marker is optional (fields
// after a type-0 descriptor are ignored).
using StateTable = std::span<const StateField>;

// Convenience builders for tables next to the fields they describe.
template <typename T>
constexpr StateField Field(uint32_t type, T& variable, uint32_t defaultValue = 0) {
    return StateField{type, static_cast<uint32_t>(sizeof(T)), &variable, defaultValue};
}
inline StateField BlockField(void* destination, uint32_t size) {
    return StateField{kFieldBlock, size, destination, 0};
}

// Chunk tags. Their owners: 1-3, 14 loaders; 4, 6, 16, 17, 20 Machine; 5, 8-12
// picture unit; 13, 27 sound unit; 15, 22 board; 19, 23, 26 Disk System; 24, 25
// snapshot writer; 28 movie.
enum ChunkTag : int16_t {
    kTagKorHeader = 1,
    kTagOldKorPrg = 2,
    kTagOldKorChr = 3,
    kTagRam = 4,
    kTagPpuMemory = 5,
    kTagCpu = 6,
    kTagMirroring = 8,
    kTagPpuRegisters = 9,
    kTagPpuFields = 10,
    kTagPpuBlock = 11,
    kTagSprites = 12,
    kTagApuChannels = 13,
    kTagOldKorBoard = 14,
    kTagLegacyBank = 15,
    kTagSram = 16,
    kTagOptions = 17,
    kTagDiskOld = 19,
    kTagMachineExtra = 20,
    kTagBoard = 22,
    kTagDiskRam = 23,
    kTagInesImage = 24,
    kTagChrRam = 25,
    kTagDiskImage = 26,
    kTagApuSequencer = 27,
    kTagMoviePosition = 28,
    kTagEnd = -1,
};

inline constexpr uint32_t kChunkPrefix = 6;  // tag + length

// Every field to its default.
void ResetTable(StateTable table);
// Reads a chunk's length and fields; the stream stands just after the tag.
// Returns 0, or -1 on a short read or a length below the 6-byte prefix.
int ReadChunk(Stream& stream, StateTable table);
// Writes the tag, the length and every field. Returns 0 or -1 (short write).
int WriteChunk(Stream& stream, StateTable table, int16_t tag);
// Skips the chunk whose tag was just read. Returns 0 or -1.
int SkipChunk(Stream& stream);
// Reads a 16-bit tag; false at the end of the stream.
bool ReadTag(Stream& stream, int16_t& tag);
// Writes the end chunk (tag -1, length 6).
int WriteEndChunk(Stream& stream);
// The stored size of a table's fields.
uint32_t PayloadSize(StateTable table);

// One table a reader owns, by tag.
struct TaggedTable {
    int16_t tag;
    StateTable table;
};

// The common reader loop: reset each table, then read tags until the end
// chunk (success, not consumed) or the end of the stream (broken file). Owned
// tags are read into their tables, others skipped. Returns false for a broken
// stream; the caller shows "Can't load this broken file."
bool ReadTables(Stream& stream, int64_t start, std::span<const TaggedTable> tables);

}  // namespace korvanta
