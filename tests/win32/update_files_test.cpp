// The update's protected folder and file, the scope lookup and the start-up clean-up on the real
// Windows calls (under Wine here).
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <filesystem>

#include "platform/process.h"
#include "platform/update_files.h"
#include "platform/win32/win32_text.h"
#include "update/update_download.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

std::string NewFolderPath() {
    uint8_t random[16];
    EXPECT_TRUE(SecureRandomBytes(random, sizeof random));
    return UpdateDownloadRoot() + "\\" + UpdateFolderName(random);
}

// Wine keeps no security descriptor of its own for files: it makes one up from the Unix mode
// and owner, so access lists and owners cannot be read back there.
bool KeepsFileSecurity() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
}

bool SetOwner(const std::string& path, PSID owner) {
    std::wstring wide = Widen(path);
    return SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner,
                                 nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

TEST(UpdateFiles, FolderAndFileCarryOnlyAdministratorsAndSystem) {
    const std::string root = UpdateDownloadRoot();
    ASSERT_FALSE(root.empty());
    EXPECT_NE(root.back(), '\\');
    const std::string folder = NewFolderPath();
    EXPECT_NE(folder, NewFolderPath());  // fresh random digits each time
    ASSERT_TRUE(CreateProtectedFolder(folder));
    EXPECT_FALSE(CreateProtectedFolder(folder));  // never an existing folder

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    const bool readBack = KeepsFileSecurity();
    ASSERT_EQ(
        GetNamedSecurityInfoW(Widen(folder).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &sd),
        static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(dacl);
    if (readBack) {
        ASSERT_EQ(dacl->AceCount, 2);
    }
    const WELL_KNOWN_SID_TYPE wanted[] = {WinBuiltinAdministratorsSid, WinLocalSystemSid};
    for (DWORD i = 0; readBack && i < 2; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, 0);
        EXPECT_EQ(ace->Mask, 0x1F01FFu);
        EXPECT_TRUE(IsWellKnownSid(&ace->SidStart, wanted[i])) << i;
    }
    LocalFree(sd);

    std::unique_ptr<InstallerProtection> protection = PrepareInstallerProtection();
    ASSERT_TRUE(protection);
    const std::string path = folder + "\\installer.exe";
    std::unique_ptr<InstallerFile> file = CreateInstallerFile(path, *protection);
    ASSERT_TRUE(file);
    EXPECT_FALSE(CreateInstallerFile(path, *protection));  // created new or not at all
    ASSERT_TRUE(file->Write("abc", 3));
    ASSERT_TRUE(file->Seal());
    std::string hex;
    ASSERT_TRUE(file->Sha256Hex(hex));
    EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // While sealed nobody can change it.
    HANDLE writer = CreateFileW(Widen(path).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    file.reset();

    RemoveDownloadFolder(folder);
    EXPECT_FALSE(fs::exists(Widen(folder)));
}

TEST(UpdateFiles, ScopeFollowsTheInstallersRecord) {
    const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" +
                             Widen(VELOTAP_TEST_INSTALLER_APP_ID) + L"}_is1";
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_EQ(InstallScope(), "/ALLUSERS");

    std::string exe = ExecutablePath();
    std::wstring recorded = Widen(exe.substr(0, exe.find_last_of("\\/")));
    CharUpperW(recorded.data());
    recorded += L"\\";
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &opened, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(opened, L"InstallLocation", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(recorded.c_str()),
                   static_cast<DWORD>((recorded.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    EXPECT_EQ(InstallScope(), "/CURRENTUSER");
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

TEST(UpdateFiles, StartUpRemovesOnlyFoldersOwnedByAdministrators) {
    BYTE adminsBuffer[SECURITY_MAX_SID_SIZE], userBuffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof adminsBuffer;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminsBuffer, &size));
    size = sizeof userBuffer;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinUsersSid, nullptr, userBuffer, &size));

    const std::string ours = NewFolderPath();
    const std::string theirs = NewFolderPath();
    for (const std::string& folder : {ours, theirs}) {
        ASSERT_TRUE(CreateDirectoryW(Widen(folder).c_str(), nullptr));
        HANDLE f = CreateFileW(Widen(folder + "\\installer.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        CloseHandle(f);
    }
    if (!KeepsFileSecurity() || !SetOwner(ours, adminsBuffer) || !SetOwner(theirs, userBuffer)) {
        RemoveDownloadFolder(ours);
        RemoveDownloadFolder(theirs);
        GTEST_SKIP() << "this system keeps no file owners of its own (Wine)";
    }
    RemoveStaleUpdateFolders();
    EXPECT_FALSE(fs::exists(Widen(ours)));
    EXPECT_TRUE(fs::exists(Widen(theirs + "\\installer.exe")));
    RemoveDownloadFolder(theirs);
}

}  // namespace velotap
