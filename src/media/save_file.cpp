#include "media/save_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/strings.h"
#include "core/console.h"
#include "disk/disk_system.h"
#include "media/kor.h"
#include "media/movie_link.h"

namespace korvanta {
namespace {

constexpr int kMaxTemporaryNumber = 999;
constexpr size_t kCopyPortion = 1024;

bool WritePrefix(Stream& stream, int16_t tag, uint32_t length) {
    uint8_t prefix[6] = {static_cast<uint8_t>(tag), static_cast<uint8_t>(static_cast<uint16_t>(tag) >> 8),
                         static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                         static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    return stream.Write(prefix, 6) == 6;
}

bool WriteAll(Stream& stream, const void* data, size_t size) { return stream.Write(data, size) == size; }

// The iNES file of the current game: header, every PRG page, and the CHR
// pages unless CHR is RAM. All pages are written, so a header that says 255
// units (read as 256) gets back what was read.
bool WriteImage(const Console& console, Stream& stream) {
    const Machine& m = console.machine;
    if (!WriteAll(stream, console.game.header.data(), console.game.header.size())) return false;
    for (uint32_t i = 0; i < m.prgPageCount; ++i)
        if (!WriteAll(stream, m.prgPages[i], sizeof(PrgPage))) return false;
    if (console.game.header[5] != 0)
        for (uint32_t i = 0; i < m.chrPageCount; ++i)
            if (!WriteAll(stream, m.chrPages[i], kChrPageSize)) return false;
    return true;
}

uint64_t ImageSize(const Console& console) {
    const Machine& m = console.machine;
    uint64_t size = console.game.header.size() + static_cast<uint64_t>(m.prgPageCount) * sizeof(PrgPage);
    if (console.game.header[5] != 0) size += static_cast<uint64_t>(m.chrPageCount) * kChrPageSize;
    return size;
}

bool WriteTable(Stream& stream, std::span<const TaggedTable> tables, int16_t tag) {
    for (const TaggedTable& t : tables)
        if (t.tag == tag) return WriteChunk(stream, t.table, tag) == 0;
    return false;
}

bool WriteState(Console& console, Stream& stream, const MovieLink* movie) {
    Machine& m = console.machine;
    m.placeholderCell = 0;
    if (console.game.header[5] == 0 && m.chrPageCount >= 8) {
        if (!WritePrefix(stream, kTagChrRam, kChunkPrefix + 8 * kChrPageSize)) return false;
        for (uint32_t i = 0; i < 8; ++i)
            if (!WriteAll(stream, m.chrPages[i], kChrPageSize)) return false;
    }
    auto machine = console.MachineTables();
    const StateField boardType = Field(kFieldWord, console.game.oldKorBoardType);
    if (!WriteTable(stream, machine, kTagRam) || !WriteTable(stream, machine, kTagCpu) ||
        !WriteTable(stream, machine, kTagMachineExtra) ||
        WriteChunk(stream, StateTable(&boardType, 1), kTagOldKorBoard) != 0 ||
        !WriteTable(stream, machine, kTagOptions) || !WriteTable(stream, machine, kTagSram))
        return false;
    if (movie && movie->Active()) {
        m.moviePosition = movie->Position();
        const StateField position = Field(kFieldDword, m.moviePosition);
        if (WriteChunk(stream, StateTable(&position, 1), kTagMoviePosition) != 0) return false;
    }
    auto ppu = console.ppu.StateTables();
    for (int16_t tag : {kTagMirroring, kTagPpuRegisters, kTagPpuFields, kTagPpuBlock, kTagSprites, kTagPpuMemory})
        if (!WriteTable(stream, ppu, tag)) return false;
    auto apu = console.apu.StateTables();
    if (!WriteTable(stream, apu, kTagApuChannels) || !WriteTable(stream, apu, kTagApuSequencer)) return false;
    return console.mapper->SaveState(stream);
}

// Copies the chunk whose tag was just read (at `tagAt`), prefix and payload.
bool CopyChunk(Stream& in, Stream& out, int64_t tagAt, int16_t tag) {
    uint8_t bytes[4];
    if (in.Read(bytes, 4) != 4) return false;
    uint32_t length = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    if (length < kChunkPrefix) return false;
    if (tag == kTagOldKorPrg || tag == kTagOldKorChr || tag == kTagInesImage) return in.Seek(tagAt + length);
    if (!WritePrefix(out, tag, length)) return false;
    uint8_t buffer[kCopyPortion];
    for (uint32_t left = length - kChunkPrefix; left > 0;) {
        size_t n = std::min<size_t>(left, kCopyPortion);
        if (in.Read(buffer, n) != n || out.Write(buffer, n) != n) return false;
        left -= static_cast<uint32_t>(n);
    }
    return true;
}

}  // namespace

bool WriteBlock(Console& console, Stream& stream, int slot, int kind, const MovieLink* movie) {
    if (!console.mapper) return false;
    KorHeader header{kKorMagic, kKorVersion, static_cast<uint8_t>(kind), static_cast<uint16_t>(slot)};
    if (WriteChunk(stream, KorHeaderFields(header), kTagKorHeader) != 0) return false;
    if (kind == kKorImage) {
        uint64_t length = kChunkPrefix + ImageSize(console);
        if (length > UINT32_MAX || !WritePrefix(stream, kTagInesImage, static_cast<uint32_t>(length)) ||
            !WriteImage(console, stream))
            return false;
    }
    if ((kind == kKorImage || kind == kKorState) && !WriteState(console, stream, movie)) return false;
    return WriteEndChunk(stream) == 0;
}

bool CopyOtherBlocks(Stream& previous, Stream& out, int slot) {
    if (!previous.Seek(0)) return false;
    for (;;) {
        // The next block starts with a header chunk; an end chunk or the end
        // of the file first ends the copy.
        int16_t tag;
        int64_t tagAt = previous.Tell();
        if (!ReadTag(previous, tag) || tag == kTagEnd) return true;
        if (tag != kTagKorHeader) {
            if (SkipChunk(previous) != 0) return true;
            continue;
        }
        KorHeader header;
        if (ReadChunk(previous, KorHeaderFields(header)) != 0 || !previous.Seek(tagAt + 2)) return false;
        bool drop = header.slot == slot;
        for (;;) {
            if (drop ? SkipChunk(previous) != 0 : !CopyChunk(previous, out, tagAt, tag)) return false;
            if (tag == kTagEnd) break;
            tagAt = previous.Tell();
            if (!ReadTag(previous, tag)) return false;
        }
    }
}

AtomicResult WriteFileAtomically(const std::string& path, const std::function<bool(Stream& out)>& write) {
    std::error_code error;
    std::string temporary;
    for (int n = 1; n <= kMaxTemporaryNumber && temporary.empty(); ++n) {
        std::string candidate = path + "." + std::to_string(n);
        if (!std::filesystem::exists(candidate, error)) temporary = candidate;
    }
    if (temporary.empty()) return AtomicResult::NoTemporaryName;
    {
        FileStream out(temporary, "wb");
        if (!out.IsOpen()) return AtomicResult::CannotCreate;
        bool ok = write(out);
        if (!out.Close() || !ok) {
            std::filesystem::remove(temporary, error);
            return AtomicResult::Failed;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return AtomicResult::Failed;
    }
    return AtomicResult::Written;
}

bool SaveFile(Console& console, const std::string& path, int slot, int kind, bool krtSeparate,
              const MovieLink* movie) {
    Host& host = console.host;
    std::function<bool(Stream&)> write;
    switch (kind) {
        case kSaveKor:
        case kSaveKrt:
            write = [&](Stream& out) {
                if (!WriteBlock(console, out, slot, kind, movie)) return false;
                if (kind == kSaveKrt && krtSeparate) return true;
                // The other slots' blocks follow the new one.
                std::error_code error;
                if (!std::filesystem::is_regular_file(path, error)) return true;
                FileStream previous(path, "rb");
                return previous.IsOpen() && CopyOtherBlocks(previous, out, slot);
            };
            break;
        case kSaveNes: write = [&](Stream& out) { return WriteImage(console, out); }; break;
        case kSaveSav:
            write = [&](Stream& out) { return WriteAll(out, console.machine.sram.data(), console.machine.sram.size()); };
            break;
        case kSaveFds:
            if (console.mapper && console.mapper->mapperNumber == kDiskSystemMapper)
                write = [&](Stream& out) {
                    return console.mapper->Message(kDiskWriteImage, reinterpret_cast<intptr_t>(&out)) != 0;
                };
            break;
        default: break;
    }
    if (!write || (kind != kSaveSav && !console.mapper)) {
        ShowStringMessage(host, MessageKind::Error, kStrSaveFailure);
        return false;
    }
    switch (WriteFileAtomically(path, write)) {
        case AtomicResult::Written: return true;
        case AtomicResult::NoTemporaryName: ShowStringMessage(host, MessageKind::Error, kStrCannotCreateTemporary); break;
        case AtomicResult::CannotCreate: ShowStringMessage(host, MessageKind::Error, kStrCouldNotOpenFile, path.c_str()); break;
        case AtomicResult::Failed: ShowStringMessage(host, MessageKind::Error, kStrSaveFailure); break;
    }
    return false;
}

}  // namespace korvanta
