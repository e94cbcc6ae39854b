#include "media/screenshot.h"

#include <algorithm>
#include <cctype>

#include "app/strings.h"
#include "media/png_writer.h"
#include "media/stream.h"
#include "ppu/ppu.h"
#include "video/display.h"

namespace korvanta {
namespace {

constexpr uint32_t kPixelOffset = 14 + 40 + 32 * 4;  // 182
constexpr uint32_t kImageSize = kScreenWidth * kShownHeight;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

std::vector<uint8_t> BuildScreenBitmap(const Ppu& ppu, const MasterPalette& master) {
    std::vector<uint8_t> out;
    out.reserve(kScreenBitmapSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, kScreenBitmapSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, kPixelOffset);

    Put32(out, 40);
    Put32(out, kScreenWidth);
    Put32(out, kShownHeight);
    Put16(out, 1);  // planes
    Put16(out, 8);  // bits per pixel
    Put32(out, 0);  // no compression
    Put32(out, kImageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 32);  // colours used
    Put32(out, 32);  // colours important

    for (uint8_t entry : ppu.palette[0]) {
        uint32_t rgb = master[entry & 0x3F];
        out.push_back(static_cast<uint8_t>(rgb));
        out.push_back(static_cast<uint8_t>(rgb >> 8));
        out.push_back(static_cast<uint8_t>(rgb >> 16));
        out.push_back(0);
    }

    for (int line = kShownFirstLine + kShownHeight - 1; line >= kShownFirstLine; --line) {
        const uint8_t* row = &ppu.frameBuffer[static_cast<size_t>(line) * kScreenWidth];
        for (int x = 0; x < kScreenWidth; ++x) out.push_back(row[x] & 0x1F);
    }
    return out;
}

bool SaveScreen(Host& host, const Ppu& ppu, const MasterPalette& master, const std::string& path) {
    FileStream file(path, "wb");
    if (!file.IsOpen()) {
        ShowStringMessage(host, MessageKind::Error, kStrCouldNotOpenFile, path.c_str());
        return false;
    }
    std::vector<uint8_t> bitmap = BuildScreenBitmap(ppu, master);
    bool written = file.Write(bitmap.data(), bitmap.size()) == bitmap.size();
    return file.Close() && written;
}

bool SaveScreenPng(const Display& display, const Ppu& ppu, const std::string& path) {
    std::vector<uint32_t> pixels(static_cast<size_t>(kScreenWidth) * kShownHeight);
    display.ConvertPicture(ppu, pixels.data());
    return WritePngFile(path, kScreenWidth, kShownHeight, pixels);
}

bool SaveScreenshot(Host& host, const Display& display, const Ppu& ppu, const std::string& path) {
    bool png = path.size() >= 4 && std::equal(path.end() - 4, path.end(), ".png", [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == b;
               });
    if (!png) return SaveScreen(host, ppu, display.masterPalette, path);
    if (SaveScreenPng(display, ppu, path)) return true;
    ShowStringMessage(host, MessageKind::Error, kStrCouldNotOpenFile, path.c_str());
    return false;
}

}  // namespace korvanta
