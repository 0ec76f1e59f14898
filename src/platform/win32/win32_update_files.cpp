// The download folder and the installer carry an access list of exactly Administrators and SYSTEM
// (the program runs elevated), so no other process of the user can swap the installer.
#include <windows.h>
// After windows.h: the security, crypto and shell declarations need its types.
#include <aclapi.h>
#include <bcrypt.h>
#include <shellapi.h>

#include <vector>

#include "base/hex.h"
#include "platform/process.h"
#include "platform/sha256.h"
#include "platform/update_files.h"
#include "platform/win32/win32_text.h"

namespace velotap {

namespace {

constexpr DWORD kFullFileAccess = 0x1F01FF;

struct SidFree {
    void operator()(PSID sid) const { FreeSid(sid); }
};
using Sid = std::unique_ptr<void, SidFree>;

Sid WellKnownSid(DWORD subAuthorityCount, DWORD first, DWORD second) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt, static_cast<BYTE>(subAuthorityCount), first, second, 0, 0, 0,
                                  0, 0, 0, &sid)) {
        return nullptr;
    }
    return Sid(sid);
}

Sid AdministratorsSid() {
    return WellKnownSid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
}

// A security descriptor whose access list grants full file access to Administrators and to
// SYSTEM and to nobody else, inheriting nothing from the folder above.
class Descriptor : public InstallerProtection {
  public:
    bool Build() {
        admins_ = AdministratorsSid();
        system_ = WellKnownSid(1, SECURITY_LOCAL_SYSTEM_RID, 0);
        if (!admins_ || !system_) return false;
        DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                     GetLengthSid(admins_.get()) + GetLengthSid(system_.get());
        acl_.assign(size, 0);
        auto* acl = reinterpret_cast<PACL>(acl_.data());
        return InitializeAcl(acl, size, ACL_REVISION) &&
               AddAccessAllowedAce(acl, ACL_REVISION, kFullFileAccess, admins_.get()) &&
               AddAccessAllowedAce(acl, ACL_REVISION, kFullFileAccess, system_.get()) &&
               InitializeSecurityDescriptor(&sd_, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&sd_, TRUE, acl, FALSE) &&
               SetSecurityDescriptorControl(&sd_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
    SECURITY_ATTRIBUTES* Attributes() {
        sa_ = {sizeof sa_, &sd_, FALSE};
        return &sa_;
    }

  private:
    Sid admins_, system_;
    std::vector<unsigned char> acl_;  // DWORD-aligned by the allocator
    SECURITY_DESCRIPTOR sd_{};
    SECURITY_ATTRIBUTES sa_{};
};

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE handle) : h(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Reset(); }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (h != INVALID_HANDLE_VALUE && h) CloseHandle(h);
        h = handle;
    }
    bool ok() const { return h != INVALID_HANDLE_VALUE && h; }
};

class Win32InstallerFile : public InstallerFile {
  public:
    Win32InstallerFile(std::wstring path, HANDLE writer) : path_(std::move(path)), file_(writer) {}

    bool Write(const char* data, size_t size) override {
        DWORD written = 0;
        return size <= 0xFFFFFFFFu &&
               WriteFile(file_.h, data, static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    }

    // Reopened for reading with only reading shared: nothing can write, rename or delete the file
    // until it has been started.
    bool Seal() override {
        if (!FlushFileBuffers(file_.h)) return false;
        file_.Reset();
        file_.Reset(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        return file_.ok() && GetFileInformationByHandle(file_.h, &info) &&
               !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    }

    bool Sha256Hex(std::string& hex) override {
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file_.h, zero, nullptr, FILE_BEGIN)) return false;
        Sha256Stream hash;
        std::vector<char> buffer(65536);
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(file_.h, buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                          nullptr)) {
                return false;
            }
            if (read == 0) break;
            if (!hash.Add(std::string_view(buffer.data(), read))) return false;
        }
        Sha256Digest digest;
        if (!hash.Finish(digest)) return false;
        hex = EncodeHexLower(
            std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
        return true;
    }

    bool Start(const std::string& parameters) override {
        std::wstring wideParameters = Widen(parameters);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = L"open";
        info.lpFile = path_.c_str();
        info.lpParameters = wideParameters.c_str();
        info.lpDirectory = nullptr;
        info.nShow = SW_HIDE;
        bool started = ShellExecuteExW(&info) != FALSE;
        if (info.hProcess) CloseHandle(info.hProcess);
        file_.Reset();
        return started;
    }

  private:
    std::wstring path_;
    Handle file_;
};

bool IsRealFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void RemovePlainFilesAndFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

InstallRecord ReadInstallRecord(HKEY root, REGSAM view) {
    static const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" +
                                    Widen(VELOTAP_INSTALLER_APP_ID) + L"}_is1";
    InstallRecord record;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return record;
    }
    record.keyExists = true;
    wchar_t value[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(opened, L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        record.location = Narrow(std::wstring(value, size / sizeof(wchar_t)).c_str());
    }
    RegCloseKey(opened);
    return record;
}

}  // namespace

std::string UpdateDownloadRoot() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, path);
    if (n == 0 || n > MAX_PATH) return {};
    std::wstring folder(path, n);
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    return Narrow(folder);
}

char UpdatePathSeparator() {
    return '\\';
}

bool SecureRandomBytes(uint8_t* bytes, size_t count) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&provider, BCRYPT_RNG_ALGORITHM, nullptr, 0)))
        return false;
    bool ok = count <= 0xFFFFFFFFu &&
              BCRYPT_SUCCESS(BCryptGenRandom(provider, bytes, static_cast<ULONG>(count), 0));
    BCryptCloseAlgorithmProvider(provider, 0);
    return ok;
}

bool CreateProtectedFolder(const std::string& path) {
    Descriptor descriptor;
    if (!descriptor.Build()) return false;
    std::wstring wide = Widen(path);
    if (!CreateDirectoryW(wide.c_str(), descriptor.Attributes())) return false;
    if (IsRealFolder(GetFileAttributesW(wide.c_str()))) return true;
    RemoveDirectoryW(wide.c_str());
    return false;
}

std::unique_ptr<InstallerProtection> PrepareInstallerProtection() {
    auto descriptor = std::make_unique<Descriptor>();
    if (!descriptor->Build()) return nullptr;
    return descriptor;
}

std::unique_ptr<InstallerFile> CreateInstallerFile(const std::string& path,
                                                   const InstallerProtection& protection) {
    auto& descriptor = const_cast<Descriptor&>(static_cast<const Descriptor&>(protection));
    std::wstring wide = Widen(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, descriptor.Attributes(), CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32InstallerFile>(std::move(wide), file);
}

void RemoveDownloadFolder(const std::string& folder) {
    std::wstring wide = Widen(folder);
    if (IsRealFolder(GetFileAttributesW(wide.c_str()))) RemovePlainFilesAndFolder(wide);
}

std::string InstallScope() {
    std::string exe = ExecutablePath();
    size_t cut = exe.find_last_of("\\/");
    std::string folder = cut == std::string::npos ? std::string() : exe.substr(0, cut);
    return ChooseInstallScope(folder, ReadInstallRecord(HKEY_CURRENT_USER, 0),
                              ReadInstallRecord(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY));
}

void RemoveStaleUpdateFolders() {
    const std::string root = UpdateDownloadRoot();
    if (root.empty()) return;
    const std::wstring wideRoot = Widen(root);
    Sid admins = AdministratorsSid();
    if (!admins) return;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((wideRoot + L"\\Velotap-update-*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!IsRealFolder(found.dwFileAttributes)) continue;
        const std::wstring folder = wideRoot + L"\\" + found.cFileName;
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                  &owner, nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS) {
            continue;
        }
        const bool ours = owner && EqualSid(owner, admins.get());
        LocalFree(sd);
        if (ours) RemovePlainFilesAndFolder(folder);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

}  // namespace velotap
