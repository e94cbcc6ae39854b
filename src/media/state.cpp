#include "media/state.h"

#include <cstring>

namespace korvanta {
namespace {

uint32_t StoredWidth(const StateField& field) {
    switch (field.type) {
        case kFieldByte: return 1;
        case kFieldWord: return 2;
        case kFieldDword: return 4;
        case kFieldQword: return 8;
        case kFieldBlock: return field.size;
        default: return 0;
    }
}

void ResetField(const StateField& field) {
    auto* dst = static_cast<uint8_t*>(field.destination);
    std::memset(dst, 0, field.size);
    if (field.type != kFieldBlock && field.defaultValue != 0) {
        // Little-endian low bytes of the default; defaults serve sizes up to 4.
        for (uint32_t i = 0; i < field.size && i < 4; ++i) dst[i] = static_cast<uint8_t>(field.defaultValue >> (8 * i));
    }
}

template <typename Fn>
void ForEachField(StateTable table, Fn fn) {
    for (const StateField& field : table) {
        if (field.type == kFieldEnd) break;
        fn(field);
    }
}

bool ReadLength(Stream& stream, uint32_t& length) {
    uint8_t bytes[4];
    if (stream.Read(bytes, 4) != 4) return false;
    length = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    // A length below the prefix would seek backwards and loop the reader for ever.
    return length >= kChunkPrefix;
}

}  // namespace

void ResetTable(StateTable table) { ForEachField(table, ResetField); }

uint32_t PayloadSize(StateTable table) {
    uint32_t total = 0;
    ForEachField(table, [&](const StateField& f) { total += StoredWidth(f); });
    return total;
}

int ReadChunk(Stream& stream, StateTable table) {
    int64_t start = stream.Tell();
    uint32_t length;
    if (!ReadLength(stream, length)) return -1;
    uint32_t consumed = kChunkPrefix;
    bool shortRead = false;
    ForEachField(table, [&](const StateField& field) {
        ResetField(field);
        uint32_t width = StoredWidth(field);
        if (shortRead || consumed >= length || width == 0) return;
        // A stored width wider than the variable (never in our tables) would
        // overrun it; read what fits and skip the rest.
        uint32_t fits = width <= field.size ? width : field.size;
        if (stream.Read(field.destination, fits) != fits) { shortRead = true; return; }
        if (fits < width) stream.Seek(stream.Tell() + (width - fits));
        consumed += width;
    });
    if (shortRead) return -1;
    return stream.Seek(start - 2 + static_cast<int64_t>(length)) ? 0 : -1;
}

int WriteChunk(Stream& stream, StateTable table, int16_t tag) {
    uint32_t length = kChunkPrefix + PayloadSize(table);
    uint8_t prefix[6] = {static_cast<uint8_t>(tag), static_cast<uint8_t>(static_cast<uint16_t>(tag) >> 8),
                         static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                         static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    if (stream.Write(prefix, 6) != 6) return -1;
    int result = 0;
    ForEachField(table, [&](const StateField& field) {
        uint32_t width = StoredWidth(field);
        if (result != 0 || width == 0) return;
        if (field.size >= width) {
            if (stream.Write(field.destination, width) != width) result = -1;
        } else {
            uint8_t buffer[8] = {};
            std::memcpy(buffer, field.destination, field.size);
            if (stream.Write(buffer, width) != width) result = -1;
        }
    });
    return result;
}

int SkipChunk(Stream& stream) {
    int64_t start = stream.Tell();
    uint32_t length;
    if (!ReadLength(stream, length)) return -1;
    return stream.Seek(start - 2 + static_cast<int64_t>(length)) ? 0 : -1;
}

bool ReadTag(Stream& stream, int16_t& tag) {
    uint8_t bytes[2];
    if (stream.Read(bytes, 2) != 2) return false;
    tag = static_cast<int16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

int WriteEndChunk(Stream& stream) { return WriteChunk(stream, {}, kTagEnd); }

bool ReadTables(Stream& stream, int64_t start, std::span<const TaggedTable> tables) {
    for (const TaggedTable& t : tables) ResetTable(t.table);
    if (!stream.Seek(start)) return false;
    for (;;) {
        int16_t tag;
        if (!ReadTag(stream, tag)) return false;
        if (tag == kTagEnd) {
            stream.Seek(stream.Tell() - 2);
            return true;
        }
        const TaggedTable* owned = nullptr;
        for (const TaggedTable& t : tables)
            if (t.tag == tag) owned = &t;
        int result = owned ? ReadChunk(stream, owned->table) : SkipChunk(stream);
        if (result != 0) return false;
    }
}

}  // namespace korvanta
