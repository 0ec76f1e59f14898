#include "update/update_install.h"

#include "base/json.h"

namespace velotap {

std::string InstallerParameters(const std::string& scope) {
    return "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /SP- /CLOSEAPPLICATIONS "
           "/NORESTARTAPPLICATIONS " +
           scope + " /VTPUPDATE=1";
}

std::string UpdateProgressScript(uint64_t done, uint64_t expected) {
    return "if (window.onUpdateProgress) onUpdateProgress(" + std::to_string(done) + "," +
           std::to_string(expected) + ");";
}

Updater::Updater(UpdateContext context) : context_(std::move(context)) {}

Updater::~Updater() {
    Shutdown();
}

void Updater::Start(const std::string& requestId) {
    if (inProgress_.exchange(1)) {
        context_.resolve(requestId, JsonEscape(kUpdateInProgress));
        return;
    }
    if (worker_.joinable()) worker_.join();
    worker_ = std::thread([this, requestId] { Work(requestId); });
}

void Updater::Shutdown() {
    abort_.exchange(1);
    if (worker_.joinable()) worker_.join();
}

void Updater::Fail(const std::string& requestId, const std::string& message) {
    inProgress_.exchange(0);
    context_.resolve(requestId, JsonEscape(message));
}

void Updater::Work(const std::string& requestId) {
    UpdateCheckResult check = context_.check();
    if (abort_.load()) {
        inProgress_.exchange(0);
        return;
    }
    if (!check.available) {
        Fail(requestId, kUpdateNoLongerAvailable);
        return;
    }
    const DownloadProgress progress = [this](uint64_t done, uint64_t expected) {
        if (abort_.load()) return false;
        if (context_.pageExists()) context_.postScript(UpdateProgressScript(done, expected));
        return true;
    };
    auto installer = std::make_shared<DownloadedInstaller>(
        DownloadAndVerify(check.manifest.url, check.manifest.sha256, progress, context_.transport,
                          [this] { return abort_.load() != 0; }));
    if (abort_.load()) {
        if (installer->file) {
            installer->file.reset();
            RemoveDownloadFolder(installer->folder);
        }
        inProgress_.exchange(0);
        return;
    }
    if (!installer->error.empty()) {
        Fail(requestId, installer->error);
        return;
    }
    context_.postScript(kUpdateInstallingScript);
    context_.dispatch([this, installer, requestId] { Install(installer, requestId); });
}

void Updater::Install(const std::shared_ptr<DownloadedInstaller>& installer,
                      const std::string& requestId) {
    context_.saveSession();
    context_.endPanels();
    if (installer->file->Start(InstallerParameters(InstallScope()))) {
        installer->file.reset();
        context_.quit();
        return;
    }
    installer->file.reset();
    RemoveDownloadFolder(installer->folder);
    Fail(requestId, kUpdateStartFailed);
}

}  // namespace velotap
