// The Create-NES tool: an iNES image assembled from a raw program ROM file
// and an optional character ROM file, with a mapper number and the header
// flags, then opened as the current game. The dialog and the command-line
// runner fill CreateNesValues and call CreateNes; the dialog also shows
// ChecksumFile's figures and takes dropped files through ApplyDroppedFiles.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "media/game_image.h"

namespace korvanta {

class Console;
struct LoadOptions;

// What the user typed or ticked.
struct CreateNesValues {
    std::string prgPath;
    std::string chrPath;  // may be empty: no character ROM
    std::string outputPath;
    std::string mapperText;  // an unsigned decimal number
    bool verticalMirroring = false;  // header byte 6 bit 0
    bool batteryBackup = false;      // bit 1
    bool trainer = false;            // bit 2
    bool fourScreen = false;         // bit 3
};

// The size and checksums of a dump as the dialog shows them: the file is
// taken in whole kilobytes, and a trailing part shorter than 1024 bytes
// counts in none of the three. A missing file or empty path gives zeroes.
struct FileChecksum {
    uint32_t kilobytes = 0;
    uint32_t sum = 0;
    uint32_t crc = 0;
};
FileChecksum ChecksumFile(const std::string& path);

// Files dropped on the dialog, in order: ".prg" fills the program path,
// ".chr" the character path (either case); the first file also names the
// output: its path with ".nes" for its extension.
void ApplyDroppedFiles(CreateNesValues& values, const std::vector<std::string>& files);

// The mapper field as an unsigned decimal (surrounding spaces allowed);
// nothing when it holds anything else or exceeds 32 bits.
std::optional<uint32_t> ParseMapperNumber(std::string_view text);

// The 16-byte header for files of these lengths: whole 16 KB program and
// 8 KB character banks (at most 255 each), the mapper's low 8 bits and the
// four flags.
ImageHeader BuildInesHeader(uint64_t prgLength, uint64_t chrLength, uint32_t mapper, const CreateNesValues& flags);

enum class CreateNesResult {
    Refused,  // a message was shown and nothing written: the dialog stays open
    Written,  // the image was written but the loader refused it (its message shown)
    Opened,   // written and opened; RunState is 1
};

// Checks the values (messages "Input Filename", "Couldn't open file.(%s)",
// the overwrite question, "Input Mapper Number."), writes the header and
// both files whole under a temporary name that then replaces the output, and
// opens the output as the current game. A failed write leaves an earlier
// file of that name as it was.
CreateNesResult CreateNes(Console& console, const CreateNesValues& values, const LoadOptions& options);

}  // namespace korvanta
