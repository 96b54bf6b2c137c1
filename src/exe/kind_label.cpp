#include "exe/kind_label.h"

#include <cstdio>

namespace quarex {

namespace {

    constexpr std::uint16_t kLibraryCharacteristic = 0x2000; // COFF: the file is a DLL
    constexpr std::uint16_t kNeLibraryFlag = 0x8000;
    // LE module type bits 15-17 all set mark a virtual device driver.
    constexpr std::uint32_t kLeModuleTypeMask = 0x38000;
    constexpr std::uint32_t kLeVirtualDevice = 0x38000;

    std::string machineName(std::uint16_t machine)
    {
        switch (machine) {
        case 0x014C:
            return "i386";
        case 0x8664:
            return "x64";
        case 0x0200:
            return "IA-64";
        case 0xAA64:
            return "ARM64";
        case 0x01C0:
        case 0x01C2:
        case 0x01C4:
            return "ARM";
        case 0x0184:
            return "Alpha";
        case 0x0284:
            return "Alpha 64";
        case 0x0162:
        case 0x0166:
        case 0x0168:
        case 0x0169:
            return "MIPS";
        case 0x01F0:
        case 0x01F1:
            return "PowerPC";
        case 0x01A2:
        case 0x01A3:
        case 0x01A6:
            return "SuperH";
        default: {
            char text[24];
            std::snprintf(text, sizeof text, "machine 0x%04X", machine);
            return text;
        }
        }
    }

    std::string subsystemName(std::uint16_t subsystem)
    {
        switch (subsystem) {
        case 1:
            return "natif";
        case 2:
            return "graphique";
        case 3:
            return "console";
        case 5:
            return "console OS/2";
        case 7:
            return "console POSIX";
        case 9:
            return "Windows CE";
        default:
            return {};
        }
    }

    std::string peLabel(const ExeHeader& h)
    {
        const bool plus = h.format == ExeFormat::Pe32Plus;
        const bool library = (h.characteristics & kLibraryCharacteristic) != 0;
        std::string detail = std::string(plus ? "PE32+" : "PE") + ", " + machineName(h.machine);
        if (h.subsystem >= 10 && h.subsystem <= 13)
            return (library ? "Pilote EFI (" : "Programme EFI (") + detail + ")";
        std::string system = h.dotNet ? ".NET" : plus ? "Win64" : "Win32";
        if (library)
            return "Bibliothèque " + system + " (" + detail + ")";
        std::string sub = subsystemName(h.subsystem);
        return "Exécutable " + system + " (" + detail + (sub.empty() ? "" : ", " + sub) + ")";
    }

} // namespace

std::string kindLabel(const ExeHeader& h)
{
    switch (h.format) {
    case ExeFormat::Dos:
        return "Exécutable MS-DOS (MZ)";
    case ExeFormat::Pe32:
    case ExeFormat::Pe32Plus:
        return peLabel(h);
    case ExeFormat::Ne: {
        const char* what = (h.moduleFlags & kNeLibraryFlag) ? "Bibliothèque" : "Exécutable";
        switch (h.targetOs) {
        case 1:
            return std::string(what) + " OS/2 16 bits (NE)";
        case 3:
            return std::string(what) + " MS-DOS 4 (NE)";
        case 0:
        case 2:
        case 4:
            return std::string(what) + " Windows 16 bits (NE)";
        default:
            return std::string(what) + " 16 bits (NE)";
        }
    }
    case ExeFormat::Le:
        if (h.osType == 4 || (h.leModuleFlags & kLeModuleTypeMask) == kLeVirtualDevice)
            return "Pilote virtuel Windows (VxD, LE)";
        return "Exécutable 32 bits (LE)";
    case ExeFormat::Lx:
        return h.osType == 1 || h.osType == 0 ? "Exécutable OS/2 32 bits (LX)" : "Exécutable 32 bits (LX)";
    }
    return {};
}

} // namespace quarex
