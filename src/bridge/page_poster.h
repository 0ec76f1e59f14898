#pragma once
// Posts scripts into one page from any thread. Scripts run on the UI thread in the order they were
// posted; scripts posted before the window exists wait for it.
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_host.h"

namespace velotap {

class PagePoster {
  public:
    void Attach(WindowHost* host);
    void Detach();
    void Post(std::string script);
    // True while a window is attached: its page exists.
    bool Attached();

  private:
    std::mutex mutex_;
    WindowHost* host_ = nullptr;
    std::vector<std::string> waiting_;
};

// The callback convention: a script that calls window.NAME(ARGS) only when the page defines it.
std::string GuardedCall(const std::string& name, const std::string& args);

}  // namespace velotap
