// Byte streams that state chunks and image files are read from and written
// to. A memory stream serves tests, fuzzing and in-memory snapshots; a file
// stream serves the save and load commands.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korvanta {

class Stream {
public:
    virtual ~Stream() = default;
    // Reads up to n bytes; returns how many were read (short at the end).
    virtual size_t Read(void* dst, size_t n) = 0;
    // Writes n bytes; returns how many were written (short on failure).
    virtual size_t Write(const void* src, size_t n) = 0;
    virtual int64_t Tell() const = 0;
    // Moves to an absolute position; false when the position is negative.
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Size() const = 0;
};

class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
    size_t Read(void* dst, size_t n) override;
    size_t Write(const void* src, size_t n) override;
    int64_t Tell() const override { return pos_; }
    bool Seek(int64_t position) override;
    int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
    const std::vector<uint8_t>& Data() const { return data_; }
    // Writes fail once the stream holds this many bytes (a full disk, in tests).
    void SetCapacity(size_t capacity) { capacity_ = capacity; }

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
    size_t capacity_ = SIZE_MAX;
};

class FileStream final : public Stream {
public:
    // mode as for fopen: "rb", "wb", "r+b".
    FileStream(const std::string& path, const char* mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    size_t Read(void* dst, size_t n) override;
    size_t Write(const void* src, size_t n) override;
    int64_t Tell() const override;
    bool Seek(int64_t position) override;
    int64_t Size() const override;
    // Flushes and closes; false when buffered data could not be written.
    bool Close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace korvanta
