// Disc and floppy images made at test time: ISO images by genisoimage, raw CD sectors wrapped around an ISO's
// 2048-byte sectors, FAT floppies by mkfs.fat and mcopy.
#pragma once

#include "support/test_support.h"

#include <cstdint>
#include <fstream>
#include <string>

namespace quarex::test {

// True when a program can be found on PATH.
inline bool haveTool(const std::string& name)
{
    return runCommand("command -v " + name + " >/dev/null 2>&1").status == 0;
}

// Single-quotes a path for the shell.
inline std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

// Runs genisoimage on `tree` with `options` into `image`; true on success.
inline bool makeIso(const std::string& tree, const std::string& image, const std::string& options)
{
    return runCommand(
               "genisoimage -quiet " + options + " -o " + shellQuoted(image) + " " + shellQuoted(tree) + " 2>/dev/null")
               .status
        == 0;
}

enum class RawMode { Mode1, Mode2Form1, Mode1WithSubchannel };

// Writes the sectors of an ISO image as raw CD sectors: sync, address (from 00:02:00), mode, an XA subheader for
// mode 2, the data. EDC/ECC are left zero: the reader never checks them.
inline void wrapSectors(const std::string& iso, const std::string& out, RawMode mode)
{
    std::string data = readFile(iso);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    auto bcd = [](unsigned v) { return static_cast<char>((v / 10) << 4 | (v % 10)); };
    for (std::size_t i = 0; i + 2048 <= data.size(); i += 2048) {
        unsigned address = static_cast<unsigned>(i / 2048) + 150;
        std::string sector("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
        sector += bcd(address / 4500);
        sector += bcd(address / 75 % 60);
        sector += bcd(address % 75);
        if (mode == RawMode::Mode2Form1) {
            sector += '\x02';
            sector += std::string("\x00\x00\x08\x00\x00\x00\x08\x00", 8);
        } else {
            sector += '\x01';
        }
        sector += data.substr(i, 2048);
        sector.resize(2352, '\0');
        if (mode == RawMode::Mode1WithSubchannel)
            sector.resize(2448, '\0');
        file.write(sector.data(), static_cast<std::streamsize>(sector.size()));
    }
}

} // namespace quarex::test
