#pragma once
// The main process's record of its pop-out panels: panel id → the panel's process, in id order.
// Used from the UI thread (pop-out, status poll) and, for theme notices, from the theme folder
// watcher, so it has its own lock.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/process.h"

namespace velotap {

class PanelRecord {
  public:
    // The pointer is over the main window while a panel is dragged ("panelHover"); set by the
    // command pipe.
    std::atomic<uint8_t> hover{0};

    // Records `process` under `id`. A panel already recorded under that id is ended first, so one
    // id never has two windows nobody tracks.
    void Add(const std::string& id, std::unique_ptr<ChildProcess> process);
    // The ids of the panels that still run, in id order. Ended panels are forgotten, and when any
    // was the hover flag is cleared (its drag cannot finish).
    std::vector<std::string> Live();
    // The process ids of the recorded panels, in id order.
    std::vector<uint32_t> ProcessIds();
    // Ends every recorded panel and forgets them (shut-down).
    void TerminateAll();

  private:
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<ChildProcess>> panels_;
};

}  // namespace velotap
