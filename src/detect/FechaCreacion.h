#pragma once

#include <chrono>
#include <sys/stat.h>

namespace vesmadur {

// The creation moment of a file from what statx reported. Linux file systems
// that record a birth time (ext4, xfs, btrfs, tmpfs) give it with STATX_BTIME;
// where none is recorded the moment of the last data change is used instead.
// For the files this program lists (backups it wrote in one go and never
// changes afterwards) that is the moment they were written. The inode change
// time is not used: a rename or a permission change moves it.
std::chrono::system_clock::time_point InstanteCreacion(const struct statx& datos);

} // namespace vesmadur
