#include "media/create_nes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/strings.h"
#include "core/console.h"
#include "media/checksum.h"
#include "media/loader.h"
#include "media/save_file.h"
#include "media/stream.h"

namespace korvanta {
namespace {

constexpr size_t kBlockSize = 1024;
constexpr uint64_t kPrgBankSize = 16384;
constexpr uint64_t kChrBankSize = 8192;
constexpr uint64_t kMaxBanks = 255;

bool IsReadableFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The extension's position (at its "."), looked for in the file name only,
// so a dot in a folder name is not taken for one.
size_t ExtensionStart(const std::string& path) {
    size_t name = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (name != std::string::npos && dot < name)) return std::string::npos;
    return dot;
}

bool ExtensionIs(const std::string& path, std::string_view extension) {
    size_t dot = ExtensionStart(path);
    if (dot == std::string::npos || path.size() - dot - 1 != extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), path.begin() + static_cast<long>(dot) + 1,
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// Copies `length` bytes in blocks; `readFailed` tells a short read of the
// input from a failed write.
bool Copy(Stream& in, uint64_t length, Stream& out, bool& readFailed) {
    uint8_t block[kBlockSize];
    for (uint64_t left = length; left > 0;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, kBlockSize));
        if (in.Read(block, n) != n) {
            readFailed = true;
            return false;
        }
        if (out.Write(block, n) != n) return false;
        left -= n;
    }
    return true;
}

}  // namespace

FileChecksum ChecksumFile(const std::string& path) {
    FileChecksum result;
    if (path.empty()) return result;
    FileStream in(path, "rb");
    if (!in.IsOpen()) return result;
    Checksum checksum;
    uint8_t block[kBlockSize];
    while (in.Read(block, kBlockSize) == kBlockSize) {
        checksum.UpdateCrc(block, kBlockSize);
        checksum.UpdateSum(block, kBlockSize);
        ++result.kilobytes;
    }
    result.sum = checksum.sum;
    result.crc = checksum.crc;
    return result;
}

void ApplyDroppedFiles(CreateNesValues& values, const std::vector<std::string>& files) {
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        if (ExtensionIs(file, "prg")) values.prgPath = file;
        else if (ExtensionIs(file, "chr")) values.chrPath = file;
        if (i == 0) values.outputPath = file.substr(0, ExtensionStart(file)) + ".nes";
    }
}

std::optional<uint32_t> ParseMapperNumber(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

ImageHeader BuildInesHeader(uint64_t prgLength, uint64_t chrLength, uint32_t mapper, const CreateNesValues& flags) {
    ImageHeader header{'N', 'E', 'S', 0x1A};
    header[4] = static_cast<uint8_t>(std::min(prgLength / kPrgBankSize, kMaxBanks));
    header[5] = static_cast<uint8_t>(std::min(chrLength / kChrBankSize, kMaxBanks));
    header[6] = static_cast<uint8_t>((mapper & 0x0F) << 4 | (flags.verticalMirroring ? 0x01 : 0) |
                                     (flags.batteryBackup ? 0x02 : 0) | (flags.trainer ? 0x04 : 0) |
                                     (flags.fourScreen ? 0x08 : 0));
    header[7] = static_cast<uint8_t>(mapper & 0xF0);
    return header;
}

CreateNesResult CreateNes(Console& console, const CreateNesValues& values, const LoadOptions& options) {
    Host& host = console.host;
    auto refuse = [&](uint32_t id, const std::string* path) {
        if (path) ShowStringMessage(host, MessageKind::Error, id, path->c_str());
        else ShowStringMessage(host, MessageKind::Error, id);
        return CreateNesResult::Refused;
    };
    if (values.prgPath.empty()) return refuse(kStrInputFilename, nullptr);
    if (!IsReadableFile(values.prgPath)) return refuse(kStrCouldNotOpenFile, &values.prgPath);
    if (!values.chrPath.empty() && !IsReadableFile(values.chrPath)) return refuse(kStrCouldNotOpenFile, &values.chrPath);
    std::error_code error;
    if (!values.outputPath.empty() && std::filesystem::exists(values.outputPath, error) &&
        !ShowStringMessage(host, MessageKind::Question, kStrOverwriteQuestion, values.outputPath.c_str()))
        return CreateNesResult::Refused;
    if (values.outputPath.empty()) return refuse(kStrInputFilename, nullptr);
    std::optional<uint32_t> mapper = ParseMapperNumber(values.mapperText);
    if (!mapper) return refuse(kStrInputMapperNumber, nullptr);

    // Both inputs are open and measured before anything is written.
    FileStream prg(values.prgPath, "rb");
    if (!prg.IsOpen() || prg.Size() < 0) return refuse(kStrCouldNotOpenFile, &values.prgPath);
    std::unique_ptr<FileStream> chr;
    if (!values.chrPath.empty()) {
        chr = std::make_unique<FileStream>(values.chrPath, "rb");
        if (!chr->IsOpen() || chr->Size() < 0) return refuse(kStrCouldNotOpenFile, &values.chrPath);
    }
    const uint64_t prgLength = static_cast<uint64_t>(prg.Size());
    const uint64_t chrLength = chr ? static_cast<uint64_t>(chr->Size()) : 0;
    const ImageHeader header = BuildInesHeader(prgLength, chrLength, *mapper, values);

    // Lengths are not checked: a file that is not a whole number of banks is
    // copied whole while the header counts its whole banks.
    const std::string* unreadable = nullptr;
    AtomicResult written = WriteFileAtomically(values.outputPath, [&](Stream& out) {
        bool readFailed = false;
        if (out.Write(header.data(), header.size()) != header.size()) return false;
        if (!Copy(prg, prgLength, out, readFailed)) {
            if (readFailed) unreadable = &values.prgPath;
            return false;
        }
        if (chr && !Copy(*chr, chrLength, out, readFailed)) {
            if (readFailed) unreadable = &values.chrPath;
            return false;
        }
        return true;
    });
    switch (written) {
        case AtomicResult::Written: break;
        case AtomicResult::NoTemporaryName: return refuse(kStrCannotCreateTemporary, nullptr);
        case AtomicResult::CannotCreate: return refuse(kStrCouldNotOpenFile, &values.outputPath);
        case AtomicResult::Failed:
            return unreadable ? refuse(kStrCouldNotOpenFile, unreadable) : refuse(kStrSaveFailure, nullptr);
    }

    if (!OpenGame(console, values.outputPath, options)) return CreateNesResult::Written;
    console.machine.RunState = 1;
    return CreateNesResult::Opened;
}

}  // namespace korvanta
