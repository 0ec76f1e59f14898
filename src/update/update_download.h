#pragma once
// Downloading the installer named by a verified manifest into a protected folder and checking it
// against the manifest's digest.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/https_get.h"
#include "platform/update_files.h"

namespace velotap {

inline constexpr uint64_t kUpdateDownloadCap = 209715200;  // 200 MiB, announced or streamed
inline constexpr size_t kUpdateDownloadChunk = 65536;

inline constexpr const char* kUpdateBadLink = "Update failed: the download link was not valid.";
inline constexpr const char* kUpdateNoTempFolder =
    "Update failed: could not find a temporary folder to download to.";
inline constexpr const char* kUpdateNoRandom =
    "Update failed: could not generate a secure folder name.";
inline constexpr const char* kUpdateNoFolder =
    "Update failed: could not create a secure download folder.";
inline constexpr const char* kUpdateNoFileProtection =
    "Update failed: could not prepare a secure download folder.";
inline constexpr const char* kUpdateDownloadFailed =
    "Update failed: could not download the new installer (or it was larger than expected). Check "
    "your internet connection and try again.";
inline constexpr const char* kUpdateDigestMismatch =
    "Update failed: the downloaded file did not match what was expected, so nothing was installed.";

// (bytes done, bytes expected); false aborts the download.
using DownloadProgress = std::function<bool(uint64_t done, uint64_t expected)>;

// GET `url` into a new file at `path`: status 200, at most 200 MiB announced or received, 64 KiB
// pieces, progress at most every 100 ms, when the announced length is reached and once at the
// end. On failure no file is left. `file` receives the written file on success. `abandoned` is
// asked while the transfer waits, so that an abort need not wait for the next piece.
bool HttpDownloadToFile(const std::string& url, const std::string& path,
                        const InstallerProtection& protection, const DownloadProgress& progress,
                        const HttpsGetOptions& transport, std::unique_ptr<InstallerFile>& file,
                        const std::function<bool()>& abandoned = {});

// "Velotap-update-" and the 16 bytes as 32 lower-case hex digits, high nibble first.
std::string UpdateFolderName(const uint8_t (&random)[16]);

struct DownloadedInstaller {
    std::string error;                    // empty on success
    std::string folder;                   // the download folder
    std::string path;                     // the installer inside it
    std::unique_ptr<InstallerFile> file;  // sealed and verified, ready to start
};

// The download-and-verify step: every failure is one of the messages above and leaves neither
// file nor folder.
DownloadedInstaller DownloadAndVerify(const std::string& url, const std::string& sha256,
                                      const DownloadProgress& progress,
                                      const HttpsGetOptions& transport,
                                      const std::function<bool()>& abandoned = {});

}  // namespace velotap
