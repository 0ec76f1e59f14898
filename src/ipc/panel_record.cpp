#include "ipc/panel_record.h"

namespace velotap {

void PanelRecord::Add(const std::string& id, std::unique_ptr<ChildProcess> process) {
    std::lock_guard lock(mutex_);
    std::unique_ptr<ChildProcess>& entry = panels_[id];
    if (entry) entry->Terminate();
    entry = std::move(process);
}

std::vector<std::string> PanelRecord::Live() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> live;
    bool removed = false;
    for (auto it = panels_.begin(); it != panels_.end();) {
        if (it->second->Running()) {
            live.push_back(it->first);
            ++it;
        } else {
            it = panels_.erase(it);
            removed = true;
        }
    }
    if (removed) hover.exchange(0);
    return live;
}

std::vector<uint32_t> PanelRecord::ProcessIds() {
    std::lock_guard lock(mutex_);
    std::vector<uint32_t> ids;
    for (const auto& [id, process] : panels_)
        ids.push_back(process->Id());
    return ids;
}

void PanelRecord::TerminateAll() {
    std::lock_guard lock(mutex_);
    for (auto& [id, process] : panels_)
        process->Terminate();
    panels_.clear();
}

}  // namespace velotap
