#include "bridge/page_poster.h"

namespace velotap {

void PagePoster::Attach(WindowHost* host) {
    std::lock_guard lock(mutex_);
    host_ = host;
    for (std::string& script : waiting_) {
        host_->Dispatch([host, s = std::move(script)] { host->Eval(s); });
    }
    waiting_.clear();
}

void PagePoster::Detach() {
    std::lock_guard lock(mutex_);
    host_ = nullptr;
}

void PagePoster::Post(std::string script) {
    std::lock_guard lock(mutex_);
    if (!host_) {
        waiting_.push_back(std::move(script));
        return;
    }
    WindowHost* host = host_;
    host->Dispatch([host, s = std::move(script)] { host->Eval(s); });
}

bool PagePoster::Attached() {
    std::lock_guard lock(mutex_);
    return host_ != nullptr;
}

std::string GuardedCall(const std::string& name, const std::string& args) {
    return "if (window." + name + ") window." + name + "(" + args + ");";
}

}  // namespace velotap
