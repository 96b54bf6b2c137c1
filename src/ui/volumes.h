// The mounted volumes offered by the drive list: mount points of real file systems, with labels.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

struct Volume {
    std::string mountPoint; // "/", "/media/cdrom"
    std::string device; // "/dev/sr0"
    std::string type; // "iso9660"
    std::string label; // volume label, "" when unknown
};

// Decodes the octal escapes of a field of /proc/self/mounts ("\040" is a blank).
std::string decodeMountField(std::string_view field);
// The volumes of a mount table (text of /proc/self/mounts): real file systems only, each mount point once
// (the last mount wins), the root first and the others sorted by mount point. `isDirectory` filters out
// mount points that are not directories (files bind-mounted by containers); labels map device to label.
std::vector<Volume> listVolumes(std::string_view mountTable, const std::map<std::string, std::string>& labels,
    const std::function<bool(const std::string&)>& isDirectory);
// The volumes of the running machine.
std::vector<Volume> mountedVolumes();
// The text the drive list shows for a volume: mount point, and the label in brackets when known.
std::string volumeCaption(const Volume& volume);
// The index of the volume holding a path (longest mount point that is a prefix of it), or -1.
int volumeOfPath(const std::vector<Volume>& volumes, std::string_view path);

} // namespace quarex
