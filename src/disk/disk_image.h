// The disk sides a Disk System game holds in memory, in the ".fds" block
// layout (no gaps, no CRC bytes), and their file form: a 16-byte header
// ("FDS", 0x1A, the side count, zeros) followed by the sides in order.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace korvanta {

class Stream;

inline constexpr uint32_t kDiskSideSize = 65500;     // bytes of a side in the file
inline constexpr uint32_t kDiskSideBuffer = 65535;   // bytes held per side
inline constexpr uint32_t kMaxDiskSides = 4;
inline constexpr uint32_t kDiskHeaderSize = 16;

class DiskImage {
public:
    // Four zeroed sides, none counted.
    DiskImage();

    // Reads the header and that many sides at the stream's position. A side
    // count above four, or a stream that ends before its sides, changes
    // nothing and returns false.
    bool Read(Stream& stream);
    // Writes the header and the counted sides; false on a short write.
    bool Write(Stream& stream) const;
    // Bytes Write produces.
    uint32_t FileSize() const { return kDiskHeaderSize + kDiskSideSize * sideCount; }

    // Older snapshots do not store the count: one more than the highest side
    // that starts like a disk information block ("*" in byte 1), or all four
    // when none does.
    void RecountSides();

    uint8_t* Side(uint32_t side) { return sides_[side & 3].data(); }
    const uint8_t* Side(uint32_t side) const { return sides_[side & 3].data(); }

    uint32_t sideCount = 0;

private:
    std::array<std::vector<uint8_t>, kMaxDiskSides> sides_;
};

}  // namespace korvanta
