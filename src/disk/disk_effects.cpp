#include "disk/disk_effects.h"

#include <filesystem>
#include <system_error>

#include "media/stream.h"

namespace korvanta {
namespace {

constexpr int64_t kWaveDataStart = 44;
constexpr int64_t kWaveRateAt = 24;
const char* const kEffectFiles[3] = {"diskboot.wav", "diskload.wav", "diskend.wav"};

}  // namespace

DiskEffects::DiskEffects() = default;
DiskEffects::~DiskEffects() = default;

void DiskEffects::Find(const std::string& folder) {
    enabled_ = false;
    effectRate = 1;
    std::error_code error;
    for (int i = 0; i < 3; ++i) {
        paths_[i] = (folder.empty() ? std::string(".") : folder) + "/" + kEffectFiles[i];
        if (!std::filesystem::is_regular_file(paths_[i], error)) return;
    }
    FileStream boot(paths_[0], "rb");
    uint8_t rate[4];
    if (!boot.IsOpen() || !boot.Seek(kWaveRateAt) || boot.Read(rate, 4) != 4) return;
    uint32_t value = rate[0] | rate[1] << 8 | rate[2] << 16 | static_cast<uint32_t>(rate[3]) << 24;
    // A rate of 0 would divide by zero when samples are spaced.
    if (value == 0) return;
    effectRate = value;
    enabled_ = true;
}

bool DiskEffects::Open(int effect) {
    Stop();
    if (effect < kEffectBoot || effect > kEffectEnd) return true;
    current_ = effect;
    auto file = std::make_unique<FileStream>(paths_[effect - 1], "rb");
    if (!file->IsOpen() || !file->Seek(kWaveDataStart)) return false;
    file_ = std::move(file);
    counter_ = 0;
    return true;
}

void DiskEffects::Stop() {
    file_.reset();
    current_ = kEffectNone;
    last_ = 0;
}

int32_t DiskEffects::Sample(uint32_t outputRate, bool& ended) {
    ended = false;
    if (!file_) return 0;
    uint32_t period = outputRate / effectRate;
    if (++counter_ >= period) {
        counter_ = 0;
        if (file_->Read(&last_, 1) != 1) {
            ended = true;
            return 0;
        }
    }
    return 2 * last_;
}

}  // namespace korvanta
