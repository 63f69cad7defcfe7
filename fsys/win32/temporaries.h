// The hidden temporaries a copy is written under on Windows, and the sweep
// that clears those a killed copy left behind.  Windows only.
#pragma once

#include <cstddef>
#include <string>

#include "fsys/temporary_names.h"

namespace tolvane::fsys::win32 {

// Removes from `folder` (long form, ending in "\\") the temporaries that a
// copy killed half-way left there: only names the copies make, and only
// when no process of that id runs any more; with a `writer`, only that
// writer's.  Anything else, and any failure, is left alone.  Returns how
// many went.
std::size_t remove_stale_temporaries(const std::wstring& folder,
                                     const TemporaryWriter* writer = nullptr);

// Removes one temporary (long form), read-only or not.
void remove_temporary(const std::wstring& temporary);

}  // namespace tolvane::fsys::win32
