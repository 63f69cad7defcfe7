// The hidden files a copy is written under before it takes its name, and
// the sweep that clears those a killed copy or a power cut left behind.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "fsys/posix/descriptor.h"
#include "fsys/temporary_names.h"

namespace tolvane::fsys::posix {

// A fresh name in `folder` (ending in "/") for a temporary file: hidden by
// its leading dot, so that no scan lists it, and carrying the writer's
// process id and this boot of the machine, so that a later run can tell a
// leftover: ".tolvane-<pid>-<n>-b<boot>.tmp".
std::string temporary_name(const std::string& folder);

// Creates a new temporary file in `folder`, writable, with `mode`; sets
// `path` to its name.  An invalid descriptor with errno set on failure.
Descriptor create_temporary(const std::string& folder, mode_t mode, std::string& path);

// Eight hex digits of the kernel's id of this boot, which this process's
// temporary names carry.
const std::string& boot_mark();

// True when `name` is a temporary file name that no living writer owns: its
// process is gone, or the machine has been restarted since it was made;
// with a `writer`, only a name of that writer's.
bool is_stale_temporary(const std::string& name, const TemporaryWriter* writer = nullptr);

// Removes from `folder` the temporary files that copies killed half-way left
// there: only names temporary_name makes, only stale ones, only ordinary
// files.  Everything else, and any failure, is left alone.  True when it
// found any: a copy of an earlier run was cut short in this folder.  What
// each removed file was (its size and time are its source's once it was
// whole) goes to `removed` when given.  With a `writer`, only that
// writer's go.
bool remove_stale_temporaries(const std::string& folder,
                              std::vector<struct stat>* removed = nullptr,
                              const TemporaryWriter* writer = nullptr);

}  // namespace tolvane::fsys::posix
