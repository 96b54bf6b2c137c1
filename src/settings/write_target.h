// Where a file may be written: never on a CD or DVD file system nor on a read-only mount.
#pragma once

#include <cstdint>
#include <string>

namespace quarex {

// How a write target is to be treated, from the facts of its file system.
enum class WriteTarget { Writable, SkipSilently };
// A file on a CD or DVD file system (iso9660, udf) or on a read-only mount is never written.
WriteTarget classifyWriteTarget(std::int64_t fileSystemType, bool readOnlyMount);
// The treatment of a real path (its directory when the file does not exist yet).
WriteTarget writeTargetOf(const std::string& path);

} // namespace quarex
