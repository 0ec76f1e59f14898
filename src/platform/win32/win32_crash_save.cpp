#include <windows.h>

#include <atomic>

#include "platform/crash_save.h"

namespace velotap {

namespace {

// The filter is a plain function pointer: the save it runs has to be reachable from here.
std::function<void()>* g_save = nullptr;
std::atomic<bool> g_saved{false};

LONG WINAPI SaveThenContinueSearch(EXCEPTION_POINTERS*) {
    // Only the first crashing thread saves; a crash inside the save itself ends here too.
    if (g_save && !g_saved.exchange(true)) (*g_save)();
    return EXCEPTION_CONTINUE_SEARCH;
}

class FilterInstalled final : public CrashSave {
  public:
    explicit FilterInstalled(std::function<void()> save) : save_(std::move(save)) {
        g_save = &save_;
        previous_ = SetUnhandledExceptionFilter(SaveThenContinueSearch);
    }
    ~FilterInstalled() override {
        SetUnhandledExceptionFilter(previous_);
        g_save = nullptr;
    }

  private:
    std::function<void()> save_;
    LPTOP_LEVEL_EXCEPTION_FILTER previous_ = nullptr;
};

}  // namespace

std::unique_ptr<CrashSave> InstallCrashSave(std::function<void()> save) {
    return std::make_unique<FilterInstalled>(std::move(save));
}

}  // namespace velotap
