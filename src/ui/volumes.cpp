#include "ui/volumes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace quarex {

namespace {

    // File systems that hold files a user may want to explore (discs, disks, images, network shares).
    const std::set<std::string, std::less<>> kDiscTypes = { "iso9660", "udf", "vfat", "msdos", "fat", "exfat", "ntfs",
        "ntfs3", "fuseblk", "ext2", "ext3", "ext4", "btrfs", "xfs", "jfs", "reiserfs", "f2fs", "zfs", "hfs", "hfsplus",
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "virtiofs", "overlay", "fuse.sshfs", "squashfs", "fuse.fuseiso",
        "fuse.archivemount", "cramfs", "romfs", "minix", "ufs" };

    // Kernel and runtime trees that never hold a user's files.
    bool isSystemTree(std::string_view mountPoint)
    {
        for (std::string_view prefix : { "/proc", "/sys", "/dev", "/run/user", "/run/lock", "/snap" }) {
            if (mountPoint == prefix)
                return true;
            if (mountPoint.size() > prefix.size() && mountPoint.substr(0, prefix.size()) == prefix
                && mountPoint[prefix.size()] == '/')
                return true;
        }
        return false;
    }

    int octalDigit(char c) { return c >= '0' && c <= '7' ? c - '0' : -1; }

} // namespace

std::string decodeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octalDigit(field[i + 1]) >= 0 && octalDigit(field[i + 2]) >= 0
            && octalDigit(field[i + 3]) >= 0) {
            int value = octalDigit(field[i + 1]) * 64 + octalDigit(field[i + 2]) * 8 + octalDigit(field[i + 3]);
            out.push_back(static_cast<char>(value & 0xFF));
            i += 3;
            continue;
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<Volume> listVolumes(std::string_view mountTable, const std::map<std::string, std::string>& labels,
    const std::function<bool(const std::string&)>& isDirectory)
{
    std::vector<Volume> found;
    std::size_t pos = 0;
    while (pos < mountTable.size()) {
        std::size_t end = mountTable.find('\n', pos);
        if (end == std::string_view::npos)
            end = mountTable.size();
        std::istringstream line(std::string(mountTable.substr(pos, end - pos)));
        pos = end + 1;
        std::string device, mountPoint, type;
        if (!(line >> device >> mountPoint >> type))
            continue;
        Volume v { decodeMountField(mountPoint), decodeMountField(device), type, {} };
        if (v.mountPoint.empty() || v.mountPoint[0] != '/')
            continue;
        bool real = v.mountPoint == "/" || kDiscTypes.count(v.type) != 0 || v.device.rfind("/dev/", 0) == 0;
        if (!real || isSystemTree(v.mountPoint) || v.type == "tmpfs" || v.type == "devtmpfs")
            continue;
        if (v.mountPoint != "/" && isDirectory && !isDirectory(v.mountPoint))
            continue;
        auto label = labels.find(v.device);
        if (label != labels.end())
            v.label = label->second;
        // A later mount on the same point hides the earlier one.
        found.erase(std::remove_if(
                        found.begin(), found.end(), [&](const Volume& old) { return old.mountPoint == v.mountPoint; }),
            found.end());
        found.push_back(std::move(v));
    }
    std::sort(found.begin(), found.end(), [](const Volume& a, const Volume& b) {
        if ((a.mountPoint == "/") != (b.mountPoint == "/"))
            return a.mountPoint == "/";
        return a.mountPoint < b.mountPoint;
    });
    if (found.empty() || found.front().mountPoint != "/")
        found.insert(found.begin(), Volume { "/", {}, {}, {} });
    return found;
}

std::vector<Volume> mountedVolumes()
{
    std::string table;
    {
        std::ifstream in("/proc/self/mounts", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        table = text.str();
    }
    // /dev/disk/by-label holds one link per labelled device, named by the label (udev escapes blanks).
    std::map<std::string, std::string> labels;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-label", ec)) {
        std::error_code ec2;
        std::filesystem::path target = std::filesystem::canonical(entry.path(), ec2);
        if (ec2)
            continue;
        std::string name = entry.path().filename().string();
        std::string label;
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (name.compare(i, 2, "\\x") == 0 && i + 3 < name.size()) {
                try {
                    label.push_back(static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16)));
                    i += 3;
                    continue;
                } catch (...) {
                }
            }
            label.push_back(name[i]);
        }
        labels[target.string()] = label;
    }
    std::vector<Volume> volumes = listVolumes(table, labels, [](const std::string& path) {
        std::error_code e;
        return std::filesystem::is_directory(path, e);
    });
    // A device named through a link (/dev/mapper/..., /dev/disk/by-uuid/...) finds its label by its real name.
    for (Volume& v : volumes) {
        if (!v.label.empty() || v.device.rfind("/dev/", 0) != 0)
            continue;
        std::error_code e;
        auto real = std::filesystem::canonical(v.device, e);
        auto label = e ? labels.end() : labels.find(real.string());
        if (label != labels.end())
            v.label = label->second;
    }
    return volumes;
}

std::string volumeCaption(const Volume& volume)
{
    if (volume.label.empty())
        return volume.mountPoint;
    return volume.mountPoint + " [" + volume.label + "]";
}

int volumeOfPath(const std::vector<Volume>& volumes, std::string_view path)
{
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const std::string& m = volumes[i].mountPoint;
        bool under = m == "/" ? !path.empty() && path[0] == '/'
                              : path.substr(0, m.size()) == m && (path.size() == m.size() || path[m.size()] == '/');
        if (under && (best < 0 || m.size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = m.size();
        }
    }
    return best;
}

} // namespace quarex
