#include "disk/disk_system.h"

#include <algorithm>

#include "core/console.h"

namespace korvanta {
namespace {

constexpr uint32_t kDiskInfoLast = 55;  // block 1 is 56 bytes
constexpr uint32_t kFileCountSize = 2;
constexpr uint32_t kFileHeaderSize = 16;
constexpr uint32_t kRamPages = 3;  // $8000, $A000, $C000

bool WriteLength(Stream& stream, int16_t tag, uint32_t length) {
    uint8_t prefix[6] = {static_cast<uint8_t>(tag), static_cast<uint8_t>(static_cast<uint16_t>(tag) >> 8),
                         static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                         static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    return stream.Write(prefix, 6) == 6;
}

}  // namespace

DiskSystem::DiskSystem(Console& console, const MapperConfig& config)
    : Mapper(console, config), sound(console.soundOut) {
    batteryBacked = 0;
    sramEnabled = 1;
    chrWritable = 1;
    hasExpansionSound = 1;
    soundTicksPerHalfFrame = 128;

    if (const uint8_t* bios = machine_.prgWindow[3]) {
        uint32_t sum = 0;
        for (uint32_t i = 0; i < sizeof(PrgPage); ++i) sum += bios[i];
        knownBios = sum == kKnownBiosSum;
    }

    driveFields_ = {
        Field(kFieldByte, skipNextWrite),
        Field(kFieldWord, currentSide),
        Field(kFieldDword, position),
        Field(kFieldWord, machine_.placeholderCell),
        Field(kFieldWord, timerReload),
        Field(kFieldByte, timerControl),
        Field(kFieldWord, blockState),
        Field(kFieldDword, blockEnd),
        Field(kFieldByte, ioEnable, 0xFF),
        Field(kFieldByte, control),
        Field(kFieldByte, extOut),
        Field(kFieldByte, status),
        Field(kFieldByte, driveStatus, 1),
        Field(kFieldByte, machine_.placeholderCell),
        Field(kFieldByte, machine_.placeholderCell),
    };
    std::vector<StateField> soundFields = sound.Fields();
    driveFields_.insert(driveFields_.end(), soundFields.begin(), soundFields.end());
    driveFields_.push_back(Field(kFieldByte, transferIrqArmed));

    for (uint32_t i = 0; i < kMaxDiskSides; ++i) oldFields_.push_back(BlockField(disk.Side(i), kDiskSideSize));
    oldFields_.insert(oldFields_.end(), driveFields_.begin(), driveFields_.end());
    for (uint32_t i = 0; i < kRamPages; ++i)
        if (machine_.prgWindow[i]) ramFields_.push_back(BlockField(machine_.prgWindow[i], sizeof(PrgPage)));

    SetStateTable(driveFields_);
    ResetStateTable();
    console_.host.SetWindowIcon(kIconDiskIdle);
}

void DiskSystem::Write(uint16_t address, uint8_t value) {
    if (address >= 0x8000) {
        // The adapter's RAM; the BIOS at $E000 is read-only.
        if (address < 0xE000) machine_.prgWindow[(address - 0x8000) >> 13][address & 0x1FFF] = value;
        return;
    }
    if (address >= 0x4040 && address <= 0x408A) {
        sound.Write(address, value);
        return;
    }
    switch (address) {
        case 0x4020: timerReload = static_cast<uint16_t>((timerReload & 0xFF00) | value); break;
        case 0x4021: timerReload = static_cast<uint16_t>((timerReload & 0x00FF) | value << 8); break;
        case 0x4022:
            timerControl = value;
            if (value & 2)
                ScheduleIrq(machine_.cycles + timerReload);
            else
                machine_.boardIrqTime = 0;
            break;
        case 0x4023: ioEnable = value; break;
        case 0x4024: WriteData(value); break;
        case 0x4025: WriteControl(value); break;
        case 0x4026: extOut = value; break;
        case 0x40FF:
            // The known BIOS signals a byte here instead of waiting for the
            // drive's interrupt.
            if (!knownBios) break;
            if (control & 0x80) machine_.irqPending = 1;
            status |= 0x80;
            break;
        default: break;
    }
}

uint8_t DiskSystem::Read(uint16_t address) {
    if (address >= 0x4040 && address <= 0x407F) return sound.ReadWave(address);
    switch (address) {
        case 0x4030:
            status = static_cast<uint8_t>((status & 0xF0) | (timerFired & 1));
            timerFired = 0;
            return status;
        case 0x4031: return ReadData();
        case 0x4032: return ReadDriveStatus();
        case 0x4033: return extOut;
        default: return 0;
    }
}

uint8_t DiskSystem::ReadDriveStatus() {
    bool noDisk = Ejected() || changeDelay > 0;
    driveStatus = static_cast<uint8_t>((driveStatus & ~0x06) | (noDisk ? 0x04 : 0) | 0x40 | (control & 0x02));
    return static_cast<uint8_t>(driveStatus | (changeDelay > 0 ? 1 : 0));
}

uint8_t DiskSystem::SideByte(uint32_t offset) const {
    return offset < kDiskSideBuffer ? disk.Side(currentSide)[offset] : 0;
}

void DiskSystem::WriteControl(uint8_t value) {
    if (!(ioEnable & 1)) return;
    uint8_t changed = value ^ control;
    if (changed & 0x08) console_.ppu.RenderCatchUp(true);
    console_.ppu.SetMirroring(value & 0x08 ? 2 : 1);

    if (value & 0x02) {
        // The head returns to the start of the side.
        status &= ~0x40;
        position = 0;
        blockState = 0;
        blockEnd = kDiskInfoLast;
        if (!effects.Enabled() && !Ejected()) console_.host.SetWindowIcon(kIconDiskIdle);
    }

    if (!knownBios && (value & 0x80)) {
        // At the start of a side the drive sounds decide when bytes come.
        if ((position != 0 || !effects.Enabled()) && !transferIrqArmed) ScheduleIrq(machine_.cycles + kByteReadyCycles);
        transferIrqArmed = 1;
    } else {
        if (transferIrqArmed) CancelIrq();
        transferIrqArmed = 0;
    }

    if ((value & 0x40) && !(control & 0x40) && !(value & 0x02)) {
        // A transfer starts: the first byte is ready (after the boot sound
        // at the start of a side), the next block is announced by the one
        // before it.
        if (position == 0 && effects.Enabled())
            StartEffect(kEffectBoot);
        else
            status |= 0x80;
        skipNextWrite = 1;
        if (position != 0) {
            switch (blockState) {
                case 0:
                    blockEnd += kFileCountSize;
                    blockState = 1;
                    if (!effects.Enabled() && !Ejected()) console_.host.SetWindowIcon(kIconDiskReading);
                    break;
                case 1:
                case 3:
                    blockEnd += kFileHeaderSize;
                    blockState = 2;
                    break;
                default: {
                    // The file size sits at bytes 13-14 of the file header
                    // just read.
                    uint32_t size = SideByte(blockEnd - 2) | SideByte(blockEnd - 1) << 8;
                    blockEnd += size + 1;
                    blockState = 3;
                    break;
                }
            }
        }
    }
    control = value;
}

uint8_t DiskSystem::ReadData() {
    if (!(ioEnable & 1) || !(control & 0x04) || !(status & 0x80)) return lastData;
    status &= ~0x80;
    if (knownBios && !(control & 0x80)) status |= 0x80;
    // Reads past the block return its last byte again; a block that claims
    // more than the side holds ends at the side's last byte.
    position = std::min({position, blockEnd, kDiskSideBuffer - 1});
    lastData = disk.Side(currentSide)[position];
    ++position;
    return lastData;
}

void DiskSystem::WriteData(uint8_t value) {
    if (!(ioEnable & 1) || !(status & 0x80) || (control & 0x04)) return;
    status &= ~0x80;
    if (knownBios && !(control & 0x80)) status |= 0x80;
    if (skipNextWrite) {
        skipNextWrite = 0;
        return;
    }
    if (position > blockEnd) {
        position = blockEnd + 1;
        return;
    }
    if (position >= kDiskSideBuffer) return;
    disk.Side(currentSide)[position] = value;
    ++position;
}

void DiskSystem::IrqTimeReached() {
    if (transferIrqArmed) {
        ScheduleIrq(machine_.cycles + kByteReadyCycles);
        status |= 0x80;
    } else if (timerControl & 2) {
        // The timer fires once; another interrupt needs a new $4022 write.
        timerFired = 1;
        timerReload = 0;
        machine_.boardIrqTime = 0;
    } else {
        // Nothing is due: a stale time must not raise the line after every
        // instruction.
        machine_.boardIrqTime = 0;
    }
}

void DiskSystem::EndOfFrame() {
    if (changeDelay > 0 && --changeDelay == 0) console_.host.SetWindowIcon(kIconDiskIdle);
    if (effects.Current() == kEffectNone) {
        framesUnmixed_ = 0;
    } else if (++framesUnmixed_ >= 2) {
        framesUnmixed_ = 0;
        StartEffect(NextEffect(effects.Current()));
    }
    uint32_t& time = machine_.boardIrqTime;
    if (time != UINT32_MAX && time > machine_.frameCycleBudget) time -= machine_.frameCycleBudget;
}

bool DiskSystem::MixSample(int32_t* accumulator, int, int) {
    if (effects.Current() != kEffectNone) {
        framesUnmixed_ = 0;
        bool ended;
        *accumulator += effects.Sample(console_.soundOut.rate, ended);
        if (ended) StartEffect(NextEffect(effects.Current()));
    }
    sound.Mix(accumulator);
    return true;
}

void DiskSystem::SoundTick() { sound.Tick(soundTicksPerHalfFrame); }

void DiskSystem::EnableEffects(const std::string& folder) {
    if (!knownBios) effects.Find(folder);
}

void DiskSystem::StartEffect(int effect) {
    if (effect == effects.Current()) return;
    bool opened = effects.Open(effect);
    switch (effect) {
        case kEffectBoot: console_.host.SetWindowIcon(kIconDiskReading); break;
        case kEffectLoad:
            if (transferIrqArmed) ScheduleIrq(machine_.cycles + kByteReadyCycles);
            status |= 0x80;
            break;
        case kEffectEnd: console_.host.SetWindowIcon(Ejected() ? kIconNoDisk : kIconDiskIdle); break;
        default: return;
    }
    if (!opened) StartEffect(NextEffect(effect));
}

void DiskSystem::InsertSide(uint32_t side) {
    currentSide = side & 3;
    changeDelay = 0;
    driveStatus &= ~1;
    console_.host.SetWindowIcon(kIconDiskIdle);
}

intptr_t DiskSystem::Message(uint32_t code, intptr_t argument) {
    switch (code) {
        case 0:
        case 1:
        case 2:
        case 3:
            // Changing sides takes a while in which the drive reports no disk.
            if (!Ejected()) {
                changeDelay = kSideChangeFrames;
                console_.host.SetWindowIcon(kIconNoDisk);
            } else {
                console_.host.SetWindowIcon(kIconDiskIdle);
            }
            currentSide = code;
            driveStatus &= ~1;
            return 0;
        case kDiskInsert: InsertSide(currentSide); return 0;
        case kDiskEject:
            driveStatus |= 1;
            console_.host.SetWindowIcon(kIconNoDisk);
            return 0;
        case kDiskGetSide:
            if (argument) *reinterpret_cast<uint32_t*>(argument) = currentSide;
            return currentSide;
        case kDiskGetSideCount:
            if (argument) *reinterpret_cast<uint32_t*>(argument) = disk.sideCount;
            return disk.sideCount;
        case kDiskGetEjected:
            if (argument) *reinterpret_cast<uint8_t*>(argument) = Ejected();
            return Ejected();
        case kDiskReadImage: return argument && disk.Read(*reinterpret_cast<Stream*>(argument));
        case kDiskWriteImage: return argument && disk.Write(*reinterpret_cast<Stream*>(argument));
        case kDiskMovieState: return Ejected() || changeDelay > 0 ? 0 : currentSide + 1;
        case kDiskSetMovieState: {
            auto state = static_cast<uint8_t>(argument);
            if (state == 0) return Message(kDiskEject, 0);
            InsertSide(state - 1u);
            return 0;
        }
        default: return 0;  // no device menu either
    }
}

bool DiskSystem::SaveState(Stream& stream) {
    sound.BeforeSave();
    if (WriteChunk(stream, driveFields_, kTagBoard) != 0) return false;
    if (!WriteLength(stream, kTagDiskImage, kChunkPrefix + disk.FileSize()) || !disk.Write(stream)) return false;
    return WriteChunk(stream, ramFields_, kTagDiskRam) == 0;
}

bool DiskSystem::LoadState(Stream& stream, const OldFormatImage&, int64_t offset) {
    ResetTable(driveFields_);
    if (!stream.Seek(offset)) return false;
    for (;;) {
        int16_t tag;
        if (!ReadTag(stream, tag)) return false;
        int result = 0;
        switch (tag) {
            case kTagEnd: return true;
            case kTagBoard:
                result = ReadChunk(stream, driveFields_);
                if (result == 0) AfterDriveLoad();
                break;
            case kTagDiskRam: result = ReadChunk(stream, ramFields_); break;
            case kTagDiskImage: {
                int64_t tagAt = stream.Tell() - 2;
                uint8_t bytes[4];
                if (stream.Read(bytes, 4) != 4) return false;
                uint32_t length = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
                if (length < kChunkPrefix) return false;
                // A broken image inside the chunk keeps the disk as it was.
                disk.Read(stream);
                if (!stream.Seek(tagAt + length)) return false;
                break;
            }
            case kTagDiskOld:
                result = ReadChunk(stream, oldFields_);
                if (result == 0) {
                    disk.RecountSides();
                    AfterDriveLoad();
                }
                break;
            default: result = SkipChunk(stream); break;
        }
        if (result != 0) return false;
    }
}

void DiskSystem::AfterDriveLoad() {
    sound.AfterLoad();
    currentSide &= 3;
    changeDelay = 0;
    console_.host.SetWindowIcon(Ejected() ? kIconNoDisk : kIconDiskIdle);
}

}  // namespace korvanta
