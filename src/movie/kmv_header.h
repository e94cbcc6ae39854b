// The KMV movie file's 144-byte header: magic, start mode, recorded items,
// the starting snapshot's length, the recording count, creator and title.
#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace korvanta {

inline constexpr int64_t kKmvHeaderSize = 144;
inline constexpr size_t kKmvTextSize = 64;

struct KmvHeader {
    bool fromSnapshot = false;
    bool recordPad1 = true;
    bool recordPad2 = false;
    bool recordDisk = false;
    uint32_t snapshotLength = 0;
    uint16_t rerecordCount = 0;
    std::string creator;
    std::string title;  // at most 63 characters are stored

    // Bytes per frame record: one per recorded item.
    uint32_t FrameRecordSize() const { return recordPad1 + recordPad2 + recordDisk; }
};

// Reads a header from its 144 bytes; false unless they start with "KMV" and
// 0x1A. Creator and title are read up to their zero byte or the end of
// their 64-byte field, whichever comes first.
bool ParseKmvHeader(std::span<const uint8_t> bytes, KmvHeader& header);
// The 144 bytes of a header (the recording count as given).
void FormatKmvHeader(const KmvHeader& header, uint8_t (&bytes)[kKmvHeaderSize]);
// Reads the header of the file at `path`.
bool ReadKmvHeader(const std::string& path, KmvHeader& header, int64_t* fileSize = nullptr);

// "%02d:%02d:%02d / %d Frame" for a movie of `fileSize` bytes, or empty when
// it records nothing.
std::string RecordingTimeText(const KmvHeader& header, int64_t fileSize);

}  // namespace korvanta
