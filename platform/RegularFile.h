#pragma once

#include <cstddef>
#include <string>

// Reading a file the program keeps or looks at (settings, history, project tools, the
// downloaded update description, a project's composer.json): only a regular file is
// read, and only up to a size limit, so that a name that leads to a device, a named
// pipe or a folder, or a file far larger than any real one, neither blocks nor fills
// the memory. Names are UTF-8.
namespace platform {

// Puts the whole of `fileName` into `bytes` (emptied first). 0, or the errno of the
// failure: ENOENT for a missing file, EISDIR for a folder, EINVAL for anything else that
// is not a regular file (a FIFO is refused without waiting for a writer), EFBIG for a
// file of more than `maxBytes` bytes, also one that grows past it while it is read.
int ReadRegularFile(const std::string& fileName, std::size_t maxBytes, std::string& bytes);

}  // namespace platform
