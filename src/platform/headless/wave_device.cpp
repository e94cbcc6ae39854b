#include "platform/headless/wave_device.h"

#include <fstream>

namespace korvanta {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

bool HeadlessWaveOutput::Open(const WaveFormat& wanted) {
    if (refuseOpen || isOpen) return false;
    format = wanted;
    isOpen = true;
    ++openCount;
    return true;
}

bool HeadlessWaveOutput::Prepare(WaveBuffer& buffer) {
    buffer.deviceData = this;
    ++prepared;
    return true;
}

void HeadlessWaveOutput::Unprepare(WaveBuffer& buffer) {
    if (buffer.deviceData == this) {
        buffer.deviceData = nullptr;
        --prepared;
    }
}

bool HeadlessWaveOutput::Write(WaveBuffer& buffer) {
    if (refuseWrites || !isOpen) return false;
    played.insert(played.end(), buffer.data, buffer.data + buffer.length);
    if (holdBuffers) {
        queued_.push_back(&buffer);
    } else {
        buffer.done = true;
    }
    return true;
}

void HeadlessWaveOutput::Reset() {
    for (WaveBuffer* b : queued_) b->done = true;
    queued_.clear();
}

std::vector<uint8_t> HeadlessWaveOutput::WavBytes() const {
    std::vector<uint8_t> out;
    out.reserve(45 + played.size());
    uint32_t size = static_cast<uint32_t>(played.size());
    PutTag(out, "RIFF");
    Put32(out, 36 + size + (size & 1));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, format.rate);
    Put32(out, format.rate);  // bytes per second
    Put16(out, 1);            // block alignment
    Put16(out, 8);
    PutTag(out, "data");
    Put32(out, size);
    out.insert(out.end(), played.begin(), played.end());
    if (size & 1) out.push_back(0);  // chunks are padded to even lengths
    return out;
}

bool HeadlessWaveOutput::WriteWavFile(const std::string& path) const {
    std::ofstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<uint8_t> bytes = WavBytes();
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

}  // namespace korvanta
