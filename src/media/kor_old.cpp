// The KOR format of earlier versions: one block without a header chunk whose
// chunks 2 and 3 hold the PRG and CHR data with a few board registers, and
// whose board type (chunk 14) names a board by number of the old program.
// It is converted into an iNES image, loaded as one, and the state restored.
#include <cstring>
#include <new>
#include <vector>

#include "app/strings.h"
#include "core/console.h"
#include "media/kor.h"
#include "media/loader.h"
#include "ppu/chr_decode.h"

namespace korvanta {
namespace {

constexpr uint32_t kUnit32k = 0x8000;
constexpr uint32_t kUnit16k = 0x4000;
constexpr uint32_t kUnit8k = 0x2000;
constexpr uint32_t kPrgDescriptorSize = 263;  // before the PRG data of chunk 2
constexpr uint32_t kChrDescriptorSize = 524;  // before the CHR data of chunk 3

struct OldData {
    OldFormatImage image;
    std::vector<uint8_t> prg;  // P x 32 KB
    std::vector<uint8_t> chr;  // C x 8 KB
};

enum class Copy { Straight, LowerHalves };

struct Conversion {
    uint32_t mapper = 0;
    bool battery = false;
    bool chrIsRam = false;
    Copy copy = Copy::Straight;
    int64_t prgUnits16k = 0;  // straight: the first n x 16 KB
    int64_t chrUnits8k = 0;
    uint32_t refusal = 0;  // a string id when the board cannot be converted
};

// Chunk 2 or 3: the descriptor fields, then the data after them, all inside
// the chunk. Sizes the tables cannot hold, or none at all, are refused.
bool ReadDataChunk(Stream& stream, StateTable descriptor, uint32_t descriptorSize, const uint16_t& units,
                   uint32_t unitSize, uint32_t maxUnits, std::vector<uint8_t>& data) {
    int64_t lengthAt = stream.Tell();
    uint8_t bytes[4];
    if (stream.Read(bytes, 4) != 4 || !stream.Seek(lengthAt) || ReadChunk(stream, descriptor) != 0) return false;
    uint32_t length = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    int64_t end = stream.Tell();
    uint64_t size = static_cast<uint64_t>(units) * unitSize;
    if (units == 0 || units > maxUnits || kChunkPrefix + descriptorSize + size > length) return false;
    data.resize(size);
    if (!stream.Seek(lengthAt + 4 + descriptorSize) || stream.Read(data.data(), data.size()) != data.size()) return false;
    return stream.Seek(end);
}

bool ReadOldData(Stream& stream, OldData& old) {
    OldFormatImage& o = old.image;
    const StateField prgFields[] = {Field(kFieldWord, o.prgUnits), Field(kFieldWord, o.prgCurrent),
                                    Field(kFieldWord, o.prgSecond), Field(kFieldByte, o.prgByte),
                                    BlockField(o.prgTable.data(), 256)};
    const StateField chrFields[] = {Field(kFieldWord, o.chrUnits),       Field(kFieldWord, o.chrCurrentLow),
                                    Field(kFieldWord, o.chrCurrentHigh), Field(kFieldWord, o.chrLowAddress),
                                    Field(kFieldWord, o.chrHighAddress), BlockField(o.chrBytes.data(), 2),
                                    BlockField(o.chrTableLow.data(), 256), BlockField(o.chrTableHigh.data(), 256)};
    bool prgSeen = false, chrSeen = false;
    if (!stream.Seek(0)) return false;
    for (;;) {
        int16_t tag;
        if (!ReadTag(stream, tag)) return false;
        if (tag == kTagEnd) return prgSeen && chrSeen;
        bool ok;
        if (tag == kTagOldKorPrg) {
            ok = ReadDataChunk(stream, prgFields, kPrgDescriptorSize, o.prgUnits, kUnit32k, kMaxPrgPages / 4, old.prg);
            prgSeen = true;
        } else if (tag == kTagOldKorChr) {
            ok = ReadDataChunk(stream, chrFields, kChrDescriptorSize, o.chrUnits, kUnit8k, kMaxChrPages / 8, old.chr);
            chrSeen = true;
        } else {
            ok = SkipChunk(stream) == 0;
        }
        if (!ok) return false;
    }
}

// The upper (or lower) 16 KB of every 32 KB unit equals that of unit 0.
bool HalvesEqual(const OldData& old, uint32_t half) {
    uint32_t units = old.image.prgUnits;
    if (units <= 1) return true;
    const uint8_t* first = old.prg.data() + half * kUnit16k;
    for (uint32_t u = 1; u < units; ++u)
        if (std::memcmp(first, old.prg.data() + u * kUnit32k + half * kUnit16k, kUnit16k) != 0) return false;
    return true;
}

Conversion Straight(uint32_t mapper, bool battery, bool chrIsRam, int64_t prg16k, int64_t chr8k) {
    return {mapper, battery, chrIsRam, Copy::Straight, prg16k, chr8k, 0};
}
Conversion LowerHalves(uint32_t mapper, bool battery, bool chrIsRam, int64_t chr8k) {
    return {mapper, battery, chrIsRam, Copy::LowerHalves, 0, chr8k, 0};
}
Conversion Refused(uint32_t id) { return {0, false, false, Copy::Straight, 0, 0, id}; }

Conversion Choose(uint16_t type, const OldData& old) {
    const OldFormatImage& o = old.image;
    int64_t p = o.prgUnits, c = o.chrUnits;
    int64_t chrLess2 = std::max<int64_t>(c - 2, 1);
    switch (type) {
        case 0:
            if (p == 1 && c == 1) {
                bool same = std::memcmp(old.prg.data(), old.prg.data() + kUnit16k, kUnit16k) == 0;
                return same ? Straight(0, false, false, 1, 1) : Straight(0, true, false, 2, 1);
            }
            if (p == 1) {
                const auto& a = o.chrTableLow;
                const auto& b = o.chrTableHigh;
                if (o.chrLowAddress == 0x6000 && o.chrHighAddress == 0x6000 && a[0] == 0 && a[1] == 0 && a[2] == 2 &&
                    a[3] == 2 && b[0] == 1 && b[1] == 1 && b[2] == 3 && b[3] == 3)
                    return Straight(87, false, false, 2, c);
                if (o.chrLowAddress == 0x6000 && o.chrHighAddress == 0x6000 && a[0] == 0 && a[1] == 1 && a[2] == 2 &&
                    a[3] == 3 && b[0] == 0 && b[16] == 1 && b[32] == 2 && b[48] == 3)
                    return Straight(184, false, false, 2, c);
                return Straight(3, false, false, 2, c);
            }
            if (c == 1) return HalvesEqual(old, 1) ? LowerHalves(2, false, true, 1) : Refused(kStrOldKorPrgBank);
            return Straight(66, false, false, 2 * p, c);
        case 1:
            if (HalvesEqual(old, 1)) return LowerHalves(1, true, c == 1, c);
            if (HalvesEqual(old, 0)) return Refused(kStrOldKorLowerBank);
            return Straight(1, true, c == 1, 2 * p, c);
        case 2: return LowerHalves(1, true, c == 1, c);
        case 4:
        case 5: return Straight(4, true, c <= 2, 2 * p - 2, chrLess2);
        case 6: return LowerHalves(73, true, c == 1, c);
        case 7: return Straight(75, false, c == 1, 2 * p - 2, c);
        case 9: return Straight(23, true, c <= 2, 2 * p - 2, chrLess2);
        case 10: return Straight(76, false, c <= 2, 2 * p - 2, chrLess2);
        case 100: return Straight(1000, true, true, 2, 1);
        default: return Refused(kStrOldKorUnsupported);
    }
}

// The iNES file of the converted image: header, PRG, and CHR unless it is
// RAM (whose first contents come from the old data instead).
bool BuildImage(const OldData& old, const Conversion& conv, bool verticalMirroring, std::vector<uint8_t>& image,
                std::vector<uint8_t>& chr) {
    std::vector<uint8_t> prg;
    if (conv.copy == Copy::Straight) {
        // Sizes the old data cannot give (none, or more than it holds) make
        // no image.
        if (conv.prgUnits16k <= 0 || static_cast<uint64_t>(conv.prgUnits16k) * kUnit16k > old.prg.size()) return false;
        prg.assign(old.prg.begin(), old.prg.begin() + conv.prgUnits16k * kUnit16k);
    } else {
        for (uint32_t u = 0; u < old.image.prgUnits; ++u)
            prg.insert(prg.end(), old.prg.begin() + u * kUnit32k, old.prg.begin() + u * kUnit32k + kUnit16k);
    }
    if (conv.chrUnits8k <= 0 || static_cast<uint64_t>(conv.chrUnits8k) * kUnit8k > old.chr.size()) return false;
    chr.assign(old.chr.begin(), old.chr.begin() + conv.chrUnits8k * kUnit8k);
    uint32_t prgUnits = static_cast<uint32_t>(prg.size() / kUnit16k);
    uint32_t chrUnits = static_cast<uint32_t>(chr.size() / kUnit8k);
    if (prgUnits > 255 || chrUnits > 255) return false;

    image.assign(16, 0);
    image[0] = 'N';
    image[1] = 'E';
    image[2] = 'S';
    image[3] = 0x1A;
    image[4] = static_cast<uint8_t>(prgUnits);
    image[5] = conv.chrIsRam ? 0 : static_cast<uint8_t>(chrUnits);
    if (conv.mapper < 1000) {
        image[6] = static_cast<uint8_t>((conv.mapper & 0x0F) << 4);
        image[7] = static_cast<uint8_t>(conv.mapper & 0xF0);
    } else {
        image[6] = 0xF0;
        image[7] = 0xF0;
        image[8] = static_cast<uint8_t>(conv.mapper);
        image[9] = static_cast<uint8_t>(conv.mapper >> 8);
    }
    if (conv.battery) image[6] |= 0x02;
    if (verticalMirroring) image[6] |= 0x01;
    image.insert(image.end(), prg.begin(), prg.end());
    if (!conv.chrIsRam) image.insert(image.end(), chr.begin(), chr.end());
    return true;
}

}  // namespace

bool ConvertOldKor(Console& console, Stream& stream, const LoadOptions& options) {
    Machine& m = console.machine;
    m.frameCycleBudget = kFrameCycleBudget;
    console.apu.Reset();
    OldData old;
    std::vector<uint8_t> image, chr;
    uint16_t boardType = 0;
    int32_t mirroring = 3;
    try {
        const StateField typeField = Field(kFieldWord, boardType);
        const StateField mirroringField = Field(kFieldWord, mirroring, 3);
        const TaggedTable first[] = {{kTagOldKorBoard, StateTable(&typeField, 1)},
                                     {kTagMirroring, StateTable(&mirroringField, 1)}};
        if (!ReadOldData(stream, old) || !ReadTables(stream, 0, first)) {
            ShowStringMessage(console.host, MessageKind::Error, kStrBrokenFile);
            return false;
        }
        Conversion conv = Choose(boardType, old);
        if (conv.refusal) {
            ShowStringMessage(console.host, MessageKind::Error, conv.refusal);
            return false;
        }
        if (!BuildImage(old, conv, mirroring == 1, image, chr)) {
            ShowStringMessage(console.host, MessageKind::Error, kStrBrokenFile);
            return false;
        }
        old.prg = {};
        old.chr = {};
    } catch (const std::bad_alloc&) {
        ShowStringMessage(console.host, MessageKind::Error, kStrMemoryAllocationFailed);
        return false;
    }

    MemoryStream ines(std::move(image));
    if (!LoadInes(console, ines, options)) return false;
    if (console.game.header[5] == 0) {
        for (uint32_t page = 0; page < 8 && page < m.chrPageCount; ++page) {
            std::memcpy(m.chrPages[page], chr.data() + page * kChrPageSize, kChrPageSize);
            DecodeChrPage(m.chrPages[page], m.decodedChrPages[page]);
        }
    }
    // The state goes over what the new board's reset set up.
    m.frameCycleBudget = kFrameCycleBudget;
    console.apu.Reset();
    if (!RestoreState(console, stream, 0, old.image, options, true, true)) {
        ShowStringMessage(console.host, MessageKind::Error, kStrBrokenFile);
        CloseGame(console);
        return false;
    }
    return true;
}

}  // namespace korvanta
