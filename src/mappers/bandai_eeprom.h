// The 128-byte serial EEPROM of the Bandai boards, driven through one board
// register whose bit 5 is the clock line and bit 6 the data line. It is
// modelled by recognising the whole sequences of values the games write for
// a start, a 0 bit, a 1 bit and a clock pulse, not by following line edges.
// Each transaction reads or writes one byte: the address never advances and
// no acknowledge bits are produced.
#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace korvanta {

class BandaiEeprom {
public:
    // Erased cells read as ones.
    BandaiEeprom() { eeprom.fill(0xFF); }

    // A value written to the line register.
    void WriteLines(uint8_t value);
    // The data line for a read of the port: the byte being sent, lowest bit
    // first from the second clock pulse on; 0 otherwise.
    bool DataOut() const;

    std::array<uint8_t, 128> eeprom;

private:
    enum State : uint32_t { kIdle = 0, kAddress = 1, kSending = 2, kData = 3 };

    // Whether the latest values written, oldest first, are `pattern`.
    bool LastWritten(std::span<const uint8_t> pattern) const;
    // A 0 or 1 bit clocked in (the receiving states), or -1.
    int ReceivedBit() const;

    uint32_t eepState = kIdle;
    std::array<uint8_t, 32> eepHistory{};  // ring of the latest values written
    int32_t eepHistoryCount = 0;           // values since the last recognised sequence
    uint32_t eepBitCount = 0;
    uint32_t eepAddress = 0;  // address shift register, then the address
    uint32_t eepData = 0;     // data byte shift register
};

}  // namespace korvanta
