#include "platform/mirror_writer.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_replace.h"

namespace velotap {

MirrorWriter::~MirrorWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::string JoinPieces(const MirrorPieces& pieces) {
    size_t size = 0;
    for (const auto& piece : pieces)
        size += piece->size();
    std::string text;
    text.reserve(size);
    for (const auto& piece : pieces)
        text += *piece;
    return text;
}

void MirrorWriter::Write(const std::string& path, MirrorPieces text) {
    if (path.empty()) return;
    {
        std::lock_guard lock(mutex_);
        waiting_[path] = std::move(text);
        if (!thread_.joinable()) thread_ = std::thread(&MirrorWriter::Run, this);
    }
    changed_.notify_all();
}

void MirrorWriter::Flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.empty() && !writing_; });
}

void MirrorWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
        if (waiting_.empty()) return;  // stopping, nothing left
        auto next = waiting_.begin();
        const std::string path = next->first;
        const MirrorPieces text = std::move(next->second);
        waiting_.erase(next);
        writing_ = true;
        lock.unlock();
        std::error_code ignored;
        const std::filesystem::path target(path);
        if (target.has_parent_path())
            std::filesystem::create_directories(target.parent_path(), ignored);
        std::vector<std::string_view> views;
        views.reserve(text.size());
        for (const auto& piece : text)
            views.emplace_back(*piece);
        ReplaceFileQuickly(path, views);  // a failure is ignored: the next change writes again
        lock.lock();
        writing_ = false;
        changed_.notify_all();
    }
}

}  // namespace velotap
