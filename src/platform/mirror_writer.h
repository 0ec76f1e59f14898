#pragma once
// Writes the files that mirror the main process's state for its other processes ("status.txt",
// "macroevents.txt") on a thread of its own, so that the UI thread never waits for a disk. A text
// given while an older one for the same file still waits replaces it; each file is replaced
// whole (ReplaceFileQuickly), so readers never see half of one.
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velotap {

// A file's text in pieces, shared with whoever made them; the text is their concatenation.
using MirrorPieces = std::vector<std::shared_ptr<const std::string>>;

std::string JoinPieces(const MirrorPieces& pieces);

class MirrorWriter {
  public:
    MirrorWriter() = default;
    // Writes what still waits, then stops.
    ~MirrorWriter();
    MirrorWriter(const MirrorWriter&) = delete;
    MirrorWriter& operator=(const MirrorWriter&) = delete;

    // Queues `text` for `path` (creating its folder when missing); an empty path writes nothing.
    void Write(const std::string& path, MirrorPieces text);
    // Returns once every text given so far has been written (or failed to be).
    void Flush();

  private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, MirrorPieces> waiting_;
    bool writing_ = false;
    bool stop_ = false;
    std::thread thread_;  // started by the first Write
};

}  // namespace velotap
