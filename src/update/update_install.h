#pragma once
// "startUpdate": the second check, the download on a worker thread, and the hand-over to the
// installer on the window's thread, after which the program quits.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/https_get.h"
#include "update/update_check.h"
#include "update/update_download.h"

namespace velotap {

inline constexpr const char* kUpdateInProgress = "An update is already in progress.";
inline constexpr const char* kUpdateNoLongerAvailable =
    "Update failed: the update is no longer available. Try again later.";
inline constexpr const char* kUpdateStartFailed = "Update failed: could not start the installer.";
inline constexpr const char* kUpdateInstallingScript =
    "if (window.onUpdateInstalling) onUpdateInstalling();";

// The installer's command line after its path, for `scope` "/CURRENTUSER" or "/ALLUSERS".
std::string InstallerParameters(const std::string& scope);

std::string UpdateProgressScript(uint64_t done, uint64_t expected);

// What the updater needs from the process.
struct UpdateContext {
    std::function<UpdateCheckResult()> check;
    std::function<bool()> pageExists;
    std::function<void(std::string script)> postScript;                           // any thread
    std::function<void(const std::string& id, const std::string& json)> resolve;  // any thread
    std::function<void(std::function<void()>)> dispatch;  // onto the window's thread
    // On the window's thread, before the installer starts.
    std::function<void()> saveSession;
    std::function<void()> endPanels;
    std::function<void()> quit;  // ends the window's message loop
    HttpsGetOptions transport;
};

class Updater {
  public:
    explicit Updater(UpdateContext context);
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // The bound function, on the window's thread. The call is settled only on failure.
    void Start(const std::string& requestId);
    // At shut-down: a download still running stops at its next report and nothing is reported.
    void Shutdown();

  private:
    void Work(const std::string& requestId);
    void Install(const std::shared_ptr<DownloadedInstaller>& installer,
                 const std::string& requestId);
    void Fail(const std::string& requestId, const std::string& message);

    UpdateContext context_;
    std::atomic<uint8_t> inProgress_{0};
    std::atomic<uint8_t> abort_{0};
    std::thread worker_;
};

}  // namespace velotap
