#include <windows.h>

#include "platform/file_replace.h"

namespace velotap {

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }
    bool Close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

  private:
    HANDLE h_;
};

bool WriteTemporary(const std::string& temp, const std::vector<std::string_view>& pieces,
                    bool durable) {
    FileHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    for (std::string_view bytes : pieces) {
        while (!bytes.empty()) {
            const DWORD chunk =
                bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0)
                return false;
            bytes.remove_prefix(written);
        }
    }
    if (durable && !FlushFileBuffers(file.get())) return false;
    return file.Close();
}

bool Replace(const std::string& path, const std::vector<std::string_view>& pieces, bool durable) {
    const std::string temp = path + ".tmp";
    if (!WriteTemporary(temp, pieces, durable) ||
        !MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0))) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    return Replace(path, {bytes}, true);
}

bool ReplaceFileQuickly(const std::string& path, std::string_view bytes) {
    return Replace(path, {bytes}, false);
}

bool ReplaceFileQuickly(const std::string& path, const std::vector<std::string_view>& pieces) {
    return Replace(path, pieces, false);
}

// The data folder under %LOCALAPPDATA% inherits the user's own access list.
void MakeOwnerOnly(const std::string&) {}

}  // namespace velotap
