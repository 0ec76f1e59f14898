#pragma once
// The operating system's half of an update: the protected download folder, the installer file,
// the start of the installer and the removal of folders left by earlier runs.
//
// win32: the user's temporary folder; the folder and the file carry an access list of exactly
// Administrators and SYSTEM; the installer is started through the shell.
// linux: the private runtime folder; the folder is 0700 and ours, the file is created new 0700
// without following links, and the file that was hashed is the one executed (fexecve).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velotap {

// Where download folders are made, without a trailing separator. Empty when there is none.
std::string UpdateDownloadRoot();

// The folder separator the download paths use ("\\" on win32, "/" on linux).
char UpdatePathSeparator();

// Fills `bytes` from the system's cryptographic random generator.
bool SecureRandomBytes(uint8_t* bytes, size_t count);

// Creates `path` new with the protection above and checks that it is a real folder of ours.
bool CreateProtectedFolder(const std::string& path);

// What the installer file is created with (win32: its security descriptor).
class InstallerProtection {
  public:
    virtual ~InstallerProtection() = default;
};
std::unique_ptr<InstallerProtection> PrepareInstallerProtection();

// The installer file from its creation to its start. Closed when destroyed.
class InstallerFile {
  public:
    virtual ~InstallerFile() = default;
    // The whole chunk or false.
    virtual bool Write(const char* data, size_t size) = 0;
    // Ends writing and keeps the file open in a form that can be read and started but no longer
    // replaced or changed.
    virtual bool Seal() = 0;
    // The sealed file's SHA-256 as 64 lower-case hex digits, read in 64 KiB chunks.
    virtual bool Sha256Hex(std::string& hex) = 0;
    // Starts the sealed file with `parameters` (split on blanks into arguments on linux), hidden,
    // without waiting for it. False when it could not be started.
    virtual bool Start(const std::string& parameters) = 0;
};

// Creates `path` new (failing when anything is there, a link included). Null on failure.
std::unique_ptr<InstallerFile> CreateInstallerFile(const std::string& path,
                                                   const InstallerProtection& protection);

// Deletes the plain files directly inside `folder`, then the folder.
void RemoveDownloadFolder(const std::string& folder);

// "/CURRENTUSER" or "/ALLUSERS" for this program's installation.
std::string InstallScope();

// The installer's record of where it installed, under one registry root.
struct InstallRecord {
    bool keyExists = false;
    std::string location;
};

// The Windows rule: the root whose recorded location is the program's folder (compared without
// trailing separators and letter case, the current user first); else the current user when only
// its key exists; else all users.
std::string ChooseInstallScope(const std::string& programFolder, const InstallRecord& currentUser,
                               const InstallRecord& localMachine);

// Removes "Velotap-update-*" folders of earlier runs that are ours (win32: owned by
// Administrators; linux: owned by this user), and only their plain files.
void RemoveStaleUpdateFolders();

}  // namespace velotap
