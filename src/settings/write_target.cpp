#include "settings/write_target.h"

#include "fs/file_system.h"

#include <sys/statfs.h>
#include <sys/statvfs.h>

namespace quarex {

namespace {

    constexpr std::int64_t kIsoFileSystem = 0x9660;
    constexpr std::int64_t kUdfFileSystem = 0x15013346;

} // namespace

WriteTarget classifyWriteTarget(std::int64_t fileSystemType, bool readOnlyMount)
{
    if (fileSystemType == kIsoFileSystem || fileSystemType == kUdfFileSystem || readOnlyMount)
        return WriteTarget::SkipSilently;
    return WriteTarget::Writable;
}

WriteTarget writeTargetOf(const std::string& path)
{
    std::string probe = path;
    struct statfs fsInfo;
    if (::statfs(probe.c_str(), &fsInfo) != 0) {
        probe = directoryOf(path);
        if (::statfs(probe.c_str(), &fsInfo) != 0)
            return WriteTarget::Writable; // the write itself will say what is wrong
    }
    struct statvfs vfsInfo;
    bool readOnly = ::statvfs(probe.c_str(), &vfsInfo) == 0 && (vfsInfo.f_flag & ST_RDONLY) != 0;
    return classifyWriteTarget(static_cast<std::int64_t>(fsInfo.f_type), readOnly);
}

} // namespace quarex
