#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Replacing a file whole, so that a reader sees either the old bytes or the new ones and
// a failure at any point leaves the old file as it was: the new bytes go to a temporary
// file beside the target, are flushed to disk, and the temporary file is then moved over
// the target in one step (rename on POSIX, the system's replace call on Windows). Names
// are UTF-8.
namespace platform {

enum class TReplaceStage {
    None,     // done
    Create,   // the temporary file could not be created
    Write,    // writing or flushing it stopped short (a full disk, say)
    Replace,  // it could not be moved over the target
};

struct TReplaceResult {
    TReplaceStage Stage = TReplaceStage::None;
    int Error = 0;  // errno of the failure
    bool Ok() const { return Stage == TReplaceStage::None; }
};

// The name of a new temporary file for `target`: "." + the target's name + "." + a random
// number + ".tmp", in the target's folder.
std::string TemporaryNameFor(const std::string& target);

// True for a file name of TemporaryNameFor's making for `target` (its file name part only).
bool IsTemporaryNameFor(const std::string& target, const std::string& fileName);

// Creates a new temporary file beside `target` holding `bytes`, flushed to disk. It is
// created with the permissions of the existing target (a new target: the default ones),
// so its content is never readable by more users than the target's. The name, or "" and
// the failure in `result`.
std::string CreateTemporaryBeside(const std::string& target, std::string_view bytes, TReplaceResult& result);

// Moves `temporary` over `target` (which may be missing) in one step; on failure the
// temporary file is removed.
TReplaceResult MoveOver(const std::string& temporary, const std::string& target);

// CreateTemporaryBeside and MoveOver.
TReplaceResult ReplaceFileContents(const std::string& target, std::string_view bytes);

// Removes temporary files of our own naming for `target` that an interrupted writer left
// behind. Only while holding the target's TFileLock: without it, another writer's
// temporary file may still be in use.
void RemoveStaleTemporaries(const std::string& target);

// The one way a file the program keeps is changed by it: under the target's TFileLock,
// the current bytes are read (ReadRegularFile; a missing file reads as empty), `change`
// turns them into the new bytes, and ReplaceFileContents puts those in the file's place
// with its permission bits, unless they are the bytes the file holds already (then the
// file is left as it is); temporary files an interrupted writer left are removed. A
// `change` that returns an errno leaves the file untouched. 0, or the errno of the
// failure (EFBIG: the file holds more than `maxBytes` bytes and is left as it is).
int RewriteFile(const std::string& target, std::size_t maxBytes, const std::function<int(std::string& bytes)>& change);

// Creates `fileName` empty unless it exists; an existing file is never emptied, also
// when it appears meanwhile. 0, or the errno of the failure.
int CreateFileIfMissing(const std::string& fileName);

// An exclusive lock between the processes that change `target`, held for the object's
// life: a writer holds it across reading the file, changing it and replacing it, so that
// two writers never undo each other's changes. On POSIX it is a lock on the file itself,
// which is created empty when missing; on Windows a named mutex of the file's full path.
class TFileLock {
public:
    explicit TFileLock(const std::string& target);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // False when the lock could not be taken; Error() then gives the errno.
    bool Locked() const { return FLocked; }
    int Error() const { return FError; }

private:
    bool FLocked = false;
    int FError = 0;
    void* FHandle = nullptr;  // the mutex on Windows
    int FDescriptor = -1;     // the locked file on POSIX
};

}  // namespace platform
