#include "media/stream.h"

#include <algorithm>
#include <cstring>

namespace korvanta {

size_t MemoryStream::Read(void* dst, size_t n) {
    if (pos_ >= Size()) return 0;
    size_t count = std::min(n, static_cast<size_t>(Size() - pos_));
    std::memcpy(dst, data_.data() + pos_, count);
    pos_ += static_cast<int64_t>(count);
    return count;
}

size_t MemoryStream::Write(const void* src, size_t n) {
    size_t pos = static_cast<size_t>(pos_);
    size_t count = pos >= capacity_ ? 0 : std::min(n, capacity_ - pos);
    if (pos + count > data_.size()) data_.resize(pos + count);
    if (count) std::memcpy(data_.data() + pos, src, count);
    pos_ += static_cast<int64_t>(count);
    return count;
}

bool MemoryStream::Seek(int64_t position) {
    if (position < 0) return false;
    pos_ = position;
    return true;
}

FileStream::FileStream(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}

FileStream::~FileStream() { Close(); }

bool FileStream::Close() {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

size_t FileStream::Read(void* dst, size_t n) { return file_ ? std::fread(dst, 1, n, file_) : 0; }

size_t FileStream::Write(const void* src, size_t n) { return file_ ? std::fwrite(src, 1, n, file_) : 0; }

int64_t FileStream::Tell() const { return file_ ? static_cast<int64_t>(std::ftell(file_)) : -1; }

bool FileStream::Seek(int64_t position) {
    return file_ && position >= 0 && std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

int64_t FileStream::Size() const {
    if (!file_) return -1;
    long here = std::ftell(file_);
    std::fseek(file_, 0, SEEK_END);
    long size = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return size;
}

}  // namespace korvanta
