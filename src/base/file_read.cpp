#include "base/file_read.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

namespace velotap {

FileReadStatus ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
    bytes.clear();
    // A folder opens as a stream on some systems but is no file to read.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return FileReadStatus::OpenFailed;
    std::ifstream in(path, std::ios::binary);
    if (!in) return FileReadStatus::OpenFailed;
    try {
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec) {
            if (size > maxBytes) return FileReadStatus::TooLarge;
            bytes.reserve(static_cast<size_t>(size));
        }
        // Read to the end rather than trusting the size: a file may change while it is read.
        char buffer[16384];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            const auto got = static_cast<size_t>(in.gcount());
            if (got > maxBytes - bytes.size()) {
                bytes.clear();
                return FileReadStatus::TooLarge;
            }
            bytes.append(buffer, got);
        }
        if (in.bad()) {
            bytes.clear();
            return FileReadStatus::ReadFailed;
        }
    } catch (const std::bad_alloc&) {
        bytes = std::string();
        return FileReadStatus::TooLarge;
    } catch (const std::length_error&) {
        bytes = std::string();
        return FileReadStatus::TooLarge;
    }
    return FileReadStatus::Ok;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}

}  // namespace velotap
