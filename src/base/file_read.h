#pragma once
// Reading a whole file into memory, the one way every file of the program is read at once.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace velotap {

enum class FileReadStatus { Ok, OpenFailed, ReadFailed, TooLarge };

// Reads the file at `path` into `bytes` (cleared first, and left empty on any failure). A folder
// does not open. A file larger than `maxBytes`, or larger than memory allows, is TooLarge; a
// regular file's size is checked before a byte is read.
FileReadStatus ReadWholeFile(const std::string& path, std::string& bytes,
                             size_t maxBytes = std::numeric_limits<size_t>::max());

// The whole file, for callers to whom a missing or unreadable file and an empty one are alike.
std::string ReadWholeFile(const std::string& path);

}  // namespace velotap
