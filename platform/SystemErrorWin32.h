#pragma once

// The errno value that stands for a Win32 error code, so that file failures read alike on
// both systems. Windows only.

#include <cerrno>

#include <windows.h>

namespace platform {

inline int ErrnoOf(DWORD AError) {
    switch (AError) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    default: return EIO;
    }
}

}  // namespace platform
