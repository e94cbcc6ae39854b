// A part of another stream seen as a whole stream, read only: the iNES image
// inside a KOR block, the starting snapshot inside a movie file.
#pragma once
#include <algorithm>

#include "media/stream.h"

namespace korvanta {

class StreamWindow final : public Stream {
public:
    StreamWindow(Stream& inner, int64_t start, int64_t size) : inner_(inner), start_(start), size_(size) {}
    size_t Read(void* dst, size_t n) override {
        if (pos_ >= size_ || !inner_.Seek(start_ + pos_)) return 0;
        size_t count = inner_.Read(dst, static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), size_ - pos_)));
        pos_ += static_cast<int64_t>(count);
        return count;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Tell() const override { return pos_; }
    bool Seek(int64_t position) override {
        if (position < 0) return false;
        pos_ = position;
        return true;
    }
    int64_t Size() const override { return size_; }

private:
    Stream& inner_;
    int64_t start_;
    int64_t size_;
    int64_t pos_ = 0;
};

}  // namespace korvanta
