#include "platform/AtomicFile.h"

#include "platform/SystemErrorWin32.h"
#include "platform/WideTextWin32.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <algorithm>
#include <cwctype>

namespace platform {
namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

std::string CreateTemporaryBeside(const std::string& target, std::string_view bytes, TReplaceResult& result) {
    // The new file takes the folder's inherited permissions; the replace call gives the
    // result the target's own.
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryNameFor(target);
        file = ::CreateFileW(ToWide(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        error = ::GetLastError();
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        result = {TReplaceStage::Create, ErrnoOf(error)};
        return {};
    }
    bool written = WriteAll(file, bytes) && ::FlushFileBuffers(file);
    const DWORD writeError = written ? ERROR_SUCCESS : ::GetLastError();
    written = ::CloseHandle(file) && written;
    if (!written) {
        ::DeleteFileW(ToWide(temporary).c_str());
        result = {TReplaceStage::Write, writeError == ERROR_SUCCESS ? EIO : ErrnoOf(writeError)};
        return {};
    }
    result = {};
    return temporary;
}

TReplaceResult MoveOver(const std::string& temporary, const std::string& target) {
    const std::wstring wideTemporary = ToWide(temporary);
    const std::wstring wideTarget = ToWide(target);
    const DWORD attributes = ::GetFileAttributesW(wideTarget.c_str());
    const bool moved =
        attributes == INVALID_FILE_ATTRIBUTES
            ? ::MoveFileExW(wideTemporary.c_str(), wideTarget.c_str(), MOVEFILE_WRITE_THROUGH) != 0
            : ::ReplaceFileW(wideTarget.c_str(), wideTemporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr) != 0;
    if (!moved) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(wideTemporary.c_str());
        return {TReplaceStage::Replace, ErrnoOf(error)};
    }
    return {};
}

int CreateFileIfMissing(const std::string& fileName) {
    const HANDLE file = ::CreateFileW(ToWide(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrnoOf(::GetLastError());
    return ::CloseHandle(file) ? 0 : EIO;
}

TFileLock::TFileLock(const std::string& target) {
    // One mutex per file: its full path, folded to lower case, named by a 64-bit hash.
    std::wstring path = ToWide(target);
    wchar_t full[32768];
    const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    if (length > 0 && length < std::size(full)) path.assign(full, length);
    std::uint64_t hash = 14695981039346656037ULL;
    for (const wchar_t c : path) {
        hash ^= static_cast<std::uint64_t>(std::towlower(c));
        hash *= 1099511628211ULL;
    }
    wchar_t name[64];
    swprintf(name, std::size(name), L"Local\\TarnwickFileLock-%016llx", static_cast<unsigned long long>(hash));
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name);
    if (!mutex) {
        FError = ErrnoOf(::GetLastError());
        return;
    }
    // An owner that ended without releasing it leaves the mutex abandoned, and ours.
    const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        FError = EIO;
        ::CloseHandle(mutex);
        return;
    }
    FHandle = mutex;
    FLocked = true;
}

TFileLock::~TFileLock() {
    if (!FHandle) return;
    ::ReleaseMutex(static_cast<HANDLE>(FHandle));
    ::CloseHandle(static_cast<HANDLE>(FHandle));
}

}  // namespace platform
