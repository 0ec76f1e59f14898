#include "update/update_download.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

#include "base/hex.h"

namespace velotap {

namespace {

using Clock = std::chrono::steady_clock;

// Writes what arrives into the installer file, created only once the answer is known to be good.
class FileReceiver : public DownloadReceiver {
  public:
    FileReceiver(const std::string& path, const InstallerProtection& protection,
                 const DownloadProgress& progress, const std::function<bool()>& abandoned)
        : path_(path), protection_(protection), progress_(progress), abandoned_(abandoned) {}

    bool Begin(long status, uint64_t announced) override {
        if (status != 200 || announced > kUpdateDownloadCap || file_) return Fail();
        announced_ = announced;
        file_ = CreateInstallerFile(path_, protection_);
        if (!file_) return Fail();
        lastReport_ = Clock::now();
        return Report(0, announced_);
    }

    bool Chunk(const char* data, size_t size) override {
        while (size > 0) {
            size_t piece = std::min(size, kUpdateDownloadChunk);
            total_ += piece;
            if (total_ > kUpdateDownloadCap || !file_->Write(data, piece)) return Fail();
            Clock::time_point now = Clock::now();
            if (now - lastReport_ >= std::chrono::milliseconds(100) || total_ == announced_) {
                lastReport_ = now;
                if (!Report(total_, announced_)) return false;
            }
            data += piece;
            size -= piece;
        }
        return true;
    }

    bool Abandoned() override {
        // Asked between pieces too, so that an abort does not wait for the next one.
        return failed_ || (abandoned_ && abandoned_());
    }

    // After the transfer: the last report and the file, or nothing left behind.
    bool Finish(bool transferred, std::unique_ptr<InstallerFile>& out) {
        if (transferred && file_ && !failed_ && Report(total_, std::max(announced_, total_))) {
            out = std::move(file_);
            return true;
        }
        Discard();
        return false;
    }

  private:
    bool Report(uint64_t done, uint64_t expected) {
        if (!progress_ || progress_(done, expected)) return true;
        return Fail();
    }
    bool Fail() {
        failed_ = true;
        return false;
    }
    void Discard() {
        if (!file_) return;
        file_.reset();
        std::remove(path_.c_str());
    }

    const std::string& path_;
    const InstallerProtection& protection_;
    const DownloadProgress& progress_;
    const std::function<bool()>& abandoned_;
    std::unique_ptr<InstallerFile> file_;
    uint64_t announced_ = 0;
    uint64_t total_ = 0;
    Clock::time_point lastReport_;
    bool failed_ = false;
};

std::string LowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool HttpDownloadToFile(const std::string& url, const std::string& path,
                        const InstallerProtection& protection, const DownloadProgress& progress,
                        const HttpsGetOptions& transport, std::unique_ptr<InstallerFile>& file,
                        const std::function<bool()>& abandoned) {
    if (url.rfind("https://", 0) != 0) return false;
    FileReceiver receiver(path, protection, progress, abandoned);
    bool transferred = HttpsDownload(url, receiver, transport);
    return receiver.Finish(transferred, file);
}

std::string UpdateFolderName(const uint8_t (&random)[16]) {
    return "Velotap-update-" +
           EncodeHexLower(std::string_view(reinterpret_cast<const char*>(random), 16));
}

DownloadedInstaller DownloadAndVerify(const std::string& url, const std::string& sha256,
                                      const DownloadProgress& progress,
                                      const HttpsGetOptions& transport,
                                      const std::function<bool()>& abandoned) {
    DownloadedInstaller result;
    auto fail = [&result](const char* message) {
        result.error = message;
        result.file.reset();
        if (!result.folder.empty()) RemoveDownloadFolder(result.folder);
        return std::move(result);
    };
    if (url.rfind("https://", 0) != 0) return fail(kUpdateBadLink);
    const std::string root = UpdateDownloadRoot();
    if (root.empty() || root.size() > 260) return fail(kUpdateNoTempFolder);
    uint8_t random[16];
    if (!SecureRandomBytes(random, sizeof random)) return fail(kUpdateNoRandom);
    const std::string folder = root + UpdatePathSeparator() + UpdateFolderName(random);
    if (!CreateProtectedFolder(folder)) return fail(kUpdateNoFolder);
    result.folder = folder;
    std::unique_ptr<InstallerProtection> protection = PrepareInstallerProtection();
    if (!protection) return fail(kUpdateNoFileProtection);
    result.path = folder + UpdatePathSeparator() + "installer.exe";
    if (!HttpDownloadToFile(url, result.path, *protection, progress, transport, result.file,
                            abandoned)) {
        return fail(kUpdateDownloadFailed);
    }
    std::string digest;
    if (!result.file->Seal() || !result.file->Sha256Hex(digest) || digest != LowerCase(sha256)) {
        return fail(kUpdateDigestMismatch);
    }
    return result;
}

}  // namespace velotap
