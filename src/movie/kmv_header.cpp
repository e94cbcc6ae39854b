#include "movie/kmv_header.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "media/stream.h"

namespace korvanta {
namespace {

constexpr uint8_t kMagic[4] = {'K', 'M', 'V', 0x1A};
constexpr size_t kCreatorAt = 16;
constexpr size_t kTitleAt = 80;
// 1 / 59.94: frames to seconds at the console's frame rate.
constexpr double kSecondsPerFrame = 0.016683350016683352;

std::string BoundedText(const uint8_t* field) {
    const uint8_t* end = std::find(field, field + kKmvTextSize, 0);
    return std::string(field, end);
}

void PutText(uint8_t* field, const std::string& text) {
    // One byte stays for the terminating zero.
    std::memcpy(field, text.data(), std::min(text.size(), kKmvTextSize - 1));
}

}  // namespace

bool ParseKmvHeader(std::span<const uint8_t> bytes, KmvHeader& header) {
    if (bytes.size() < static_cast<size_t>(kKmvHeaderSize) || std::memcmp(bytes.data(), kMagic, 4) != 0) return false;
    header.fromSnapshot = bytes[4] & 0x80;
    header.recordPad1 = bytes[5] & 0x80;
    header.recordPad2 = bytes[5] & 0x40;
    header.recordDisk = bytes[5] & 0x20;
    header.snapshotLength = bytes[6] | bytes[7] << 8 | bytes[8] << 16 | static_cast<uint32_t>(bytes[9]) << 24;
    header.rerecordCount = static_cast<uint16_t>(bytes[10] | bytes[11] << 8);
    header.creator = BoundedText(bytes.data() + kCreatorAt);
    header.title = BoundedText(bytes.data() + kTitleAt);
    return true;
}

void FormatKmvHeader(const KmvHeader& header, uint8_t (&bytes)[kKmvHeaderSize]) {
    std::memset(bytes, 0, sizeof bytes);
    std::memcpy(bytes, kMagic, 4);
    bytes[4] = header.fromSnapshot ? 0x80 : 0;
    bytes[5] = static_cast<uint8_t>((header.recordPad1 ? 0x80 : 0) | (header.recordPad2 ? 0x40 : 0) |
                                    (header.recordDisk ? 0x20 : 0));
    for (int i = 0; i < 4; ++i) bytes[6 + i] = static_cast<uint8_t>(header.snapshotLength >> (8 * i));
    bytes[10] = static_cast<uint8_t>(header.rerecordCount);
    bytes[11] = static_cast<uint8_t>(header.rerecordCount >> 8);
    PutText(bytes + kCreatorAt, header.creator);
    PutText(bytes + kTitleAt, header.title);
}

bool ReadKmvHeader(const std::string& path, KmvHeader& header, int64_t* fileSize) {
    FileStream file(path, "rb");
    uint8_t bytes[kKmvHeaderSize];
    if (!file.IsOpen() || file.Read(bytes, sizeof bytes) != sizeof bytes) return false;
    if (fileSize) *fileSize = file.Size();
    return ParseKmvHeader(bytes, header);
}

std::string RecordingTimeText(const KmvHeader& header, int64_t fileSize) {
    uint32_t k = header.FrameRecordSize();
    if (k == 0) return {};
    int64_t data = fileSize - kKmvHeaderSize - static_cast<int64_t>(header.snapshotLength);
    int64_t frames = std::max<int64_t>(data, 0) / k;
    int hours = static_cast<int>(static_cast<double>(frames / 3600) * kSecondsPerFrame);
    int minutes = static_cast<int>(static_cast<double>(frames / 60) * kSecondsPerFrame) % 60;
    int seconds = static_cast<int>(static_cast<double>(frames) * kSecondsPerFrame) % 60;
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d / %d Frame", hours, minutes, seconds, static_cast<int>(frames));
    return text;
}

}  // namespace korvanta
