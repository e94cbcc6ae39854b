#include "disk/disk_image.h"

#include <algorithm>

#include "media/stream.h"

namespace korvanta {

DiskImage::DiskImage() {
    for (auto& side : sides_) side.assign(kDiskSideBuffer, 0);
}

bool DiskImage::Read(Stream& stream) {
    uint8_t header[kDiskHeaderSize];
    if (stream.Read(header, sizeof header) != sizeof header) return false;
    uint32_t count = header[4];
    if (count > kMaxDiskSides) return false;
    // Read whole before anything is replaced, so a short file keeps the disk.
    std::vector<uint8_t> data(static_cast<size_t>(count) * kDiskSideSize);
    if (stream.Read(data.data(), data.size()) != data.size()) return false;
    for (uint32_t i = 0; i < count; ++i)
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(i) * kDiskSideSize, kDiskSideSize, sides_[i].begin());
    sideCount = count;
    return true;
}

bool DiskImage::Write(Stream& stream) const {
    uint8_t header[kDiskHeaderSize] = {'F', 'D', 'S', 0x1A, static_cast<uint8_t>(sideCount)};
    if (stream.Write(header, sizeof header) != sizeof header) return false;
    for (uint32_t i = 0; i < sideCount && i < kMaxDiskSides; ++i)
        if (stream.Write(sides_[i].data(), kDiskSideSize) != kDiskSideSize) return false;
    return true;
}

void DiskImage::RecountSides() {
    sideCount = kMaxDiskSides;
    for (uint32_t i = kMaxDiskSides; i-- > 0;) {
        if (sides_[i][1] == '*') {
            sideCount = i + 1;
            return;
        }
    }
}

}  // namespace korvanta
