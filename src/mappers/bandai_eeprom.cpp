#include "mappers/bandai_eeprom.h"

namespace korvanta {
namespace {

constexpr uint8_t kStart[] = {0x00, 0x40, 0x60, 0x20, 0x00};  // data falls while the clock is high
constexpr uint8_t kZeroBit[] = {0x00, 0x20, 0x00};
constexpr uint8_t kOneBit[] = {0x00, 0x40, 0x60, 0x40, 0x00};
constexpr uint8_t kClockPulse[] = {0x60, 0xE0};  // $E0: a clock pulse while the game reads
constexpr uint8_t kStopAfterByte = 0x40;
constexpr uint32_t kBitsBeforeStop = 9;
constexpr int32_t kCountFold = 1 << 30;

}  // namespace

bool BandaiEeprom::LastWritten(std::span<const uint8_t> pattern) const {
    int32_t n = static_cast<int32_t>(pattern.size());
    if (eepHistoryCount < n) return false;
    for (int32_t k = 0; k < n; ++k) {
        uint32_t position = static_cast<uint32_t>(eepHistoryCount - n + k);
        if (eepHistory[position % eepHistory.size()] != pattern[static_cast<size_t>(k)]) return false;
    }
    return true;
}

int BandaiEeprom::ReceivedBit() const {
    if (LastWritten(kZeroBit)) return 0;
    if (LastWritten(kOneBit)) return 1;
    return -1;
}

void BandaiEeprom::WriteLines(uint8_t value) {
    eepHistory[static_cast<uint32_t>(eepHistoryCount) % eepHistory.size()] = value;
    // Lines that never match keep counting; folding by a multiple of the
    // ring keeps every position while the count cannot overflow.
    if (++eepHistoryCount >= kCountFold) eepHistoryCount -= kCountFold / 2;
    switch (eepState) {
        case kIdle:
            if (LastWritten(kStart)) {
                eepState = kAddress;
                eepBitCount = 0;
                eepAddress = 0;
                eepHistoryCount = 0;
            }
            break;
        case kAddress:
        case kData: {
            int bit = ReceivedBit();
            if (bit < 0) break;
            // Bits enter at bit 7 and move down: the first one ends in bit 0.
            uint32_t& shift = eepState == kAddress ? eepAddress : eepData;
            shift = (shift | static_cast<uint32_t>(bit) << 8) >> 1;
            eepHistoryCount = 0;
            if (++eepBitCount < 8) break;
            eepBitCount = 0;
            if (eepState == kData) {
                eeprom[eepAddress] = static_cast<uint8_t>(eepData);
                eepState = kIdle;
            } else {
                // Bit 7, the last bit received, tells a read from a write.
                eepState = eepAddress & 0x80 ? kSending : kData;
                eepData = 0;
                eepAddress &= 0x7F;
            }
            break;
        }
        case kSending:
            if (LastWritten(kClockPulse)) {
                eepHistoryCount = 0;
                ++eepBitCount;
            }
            // The stop: data high with the clock low once the byte is out.
            if (eepBitCount >= kBitsBeforeStop && value == kStopAfterByte) {
                eepState = kIdle;
                eepBitCount = 0;
                eepHistoryCount = 0;
            }
            break;
    }
}

bool BandaiEeprom::DataOut() const {
    if (eepState != kSending || eepBitCount < 2) return false;
    uint32_t bit = eepBitCount - 2;
    return bit < 8 && (eeprom[eepAddress] >> bit & 1);
}

}  // namespace korvanta
