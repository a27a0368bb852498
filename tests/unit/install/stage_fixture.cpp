#include "stage_fixture.h"

#include <aclapi.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "framework/comobj.h"
#include "framework/sysutils.h"
#include "install/program_group.h"

namespace stagetest {

namespace {

// ---- registry ------------------------------------------------------------------------

struct KeyTree {
    bool exists = false;
    std::vector<std::pair<std::string, RegValue>> values;
    std::vector<std::pair<std::string, KeyTree>> subkeys;
};

KeyTree Capture(HKEY parent, const std::string& key) {
    KeyTree tree;
    HKEY opened;
    if (RegOpenKeyExA(parent, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS)
        return tree;
    tree.exists = true;
    char name[16384];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(opened, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        RegValue value{true, type, std::string(size, '\0')};
        nameLength = sizeof name;
        RegEnumValueA(opened, index, name, &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(value.data.data()), &size);
        tree.values.emplace_back(name, value);
    }
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(opened, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        tree.subkeys.emplace_back(name, KeyTree{});
    }
    for (auto& [subkey, subtree] : tree.subkeys) subtree = Capture(opened, subkey);
    RegCloseKey(opened);
    return tree;
}

void Rebuild(HKEY parent, const std::string& key, const KeyTree& tree) {
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(parent, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS)
        << key;
    for (const auto& [name, value] : tree.values)
        RegSetValueExA(created, name.c_str(), 0, value.type,
                       reinterpret_cast<const BYTE*>(value.data.data()), value.data.size());
    for (const auto& [subkey, subtree] : tree.subkeys) Rebuild(created, subkey, subtree);
    RegCloseKey(created);
}

struct SavedKey {
    HKEY root;
    std::string key;
    KeyTree tree;
};
struct SavedValue {
    HKEY root;
    std::string name;
    RegValue value;
};

}  // namespace

void RemoveTree(const std::string& path) {
    std::string pattern = path + "\\*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

RegValue ReadValue(HKEY root, const std::string& key, const std::string& name, REGSAM view) {
    RegValue value;
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(opened, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.found = true;
        value.data.resize(size);
        RegQueryValueExA(opened, name.c_str(), nullptr, &value.type,
                         reinterpret_cast<BYTE*>(value.data.data()), &size);
    }
    RegCloseKey(opened);
    return value;
}

bool KeyExists(HKEY root, const std::string& key, REGSAM view) {
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

namespace {

void Dump(const std::string& path, const KeyTree& tree, std::vector<std::string>& lines) {
    if (!tree.exists) return;
    lines.push_back(path);
    for (const auto& [name, value] : tree.values)
        lines.push_back(path + " | " + name + " = " + std::to_string(value.type) + ":" +
                        value.data);
    for (const auto& [subkey, subtree] : tree.subkeys) Dump(path + "\\" + subkey, subtree, lines);
}

}  // namespace

std::string ProductRegistry() {
    std::vector<std::string> lines;
    for (const char* key :
         {"SOFTWARE\\Quillfen", "SOFTWARE\\Quillfen Corp", kAppPathGame, kAppPathMain, kUninstall})
        Dump(key, Capture(HKEY_LOCAL_MACHINE, key), lines);
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& key) {
    std::vector<std::string> names;
    for (const auto& [name, value] : Capture(root, key).values) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value) {
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(created, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   value.size() + 1);
    RegCloseKey(created);
}

void DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return;
    RegDeleteValueA(opened, name.c_str());
    RegCloseKey(opened);
}

void DeleteKeyTree(HKEY root, const std::string& key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, DELETE | KEY_READ | KEY_WOW64_32KEY, &opened) ==
        ERROR_SUCCESS) {
        RegDeleteTreeA(opened, nullptr);
        RegCloseKey(opened);
    }
    RegDeleteKeyExA(root, key.c_str(), KEY_WOW64_32KEY, 0);
}

void RefuseWrites(HKEY root, const std::string& key) {
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &created, nullptr),
              ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) BYTE aclBuffer[256];
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE | WRITE_DAC, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(created, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    FreeSid(everyone);
    RegCloseKey(created);
}

::testing::AssertionResult IsString(const RegValue& value, const std::string& text) {
    if (!value.found) return ::testing::AssertionFailure() << "missing, expected " << text;
    if (value.type != REG_SZ)
        return ::testing::AssertionFailure() << "type " << value.type << ", expected REG_SZ";
    if (value.data != text + '\0')
        return ::testing::AssertionFailure() << "'" << value.data << "', expected '" << text << "'";
    return ::testing::AssertionSuccess();
}

// ---- files and links -------------------------------------------------------------------

LinkInfo ReadLink(const std::string& linkFile) {
    LinkInfo info;
    mvt::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid())))
        return info;
    mvt::ComPtr<IPersistFile> file = link.As<IPersistFile>();
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH * 2);
    if (!file || FAILED(file->Load(wide, STGM_READ))) return info;
    info.loaded = true;
    char text[MAX_PATH * 2] = "";
    link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    info.target = text;
    text[0] = '\0';
    link->GetArguments(text, sizeof text);
    info.arguments = text;
    text[0] = '\0';
    link->GetWorkingDirectory(text, sizeof text);
    info.workingFolder = text;
    return info;
}

std::vector<std::wstring> FileNames(const std::string& folder, const char* pattern) {
    std::vector<std::wstring> names;
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, (folder + "\\" + pattern).c_str(), -1, wide, MAX_PATH * 2);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide, &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool FileExists(const std::string& path) {
    return mvt::FileExists(path);
}

void WriteFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, text.data(), text.size(), &written, nullptr);
    CloseHandle(file);
}

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool WriteFiller(const std::string& path, uint64_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const std::string block(1 << 16, 'f');
    bool written = true;
    for (uint64_t left = size; left > 0 && written;) {
        const DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(left, block.size()));
        DWORD done = 0;
        written = ::WriteFile(file, block.data(), chunk, &done, nullptr) && done == chunk;
        left -= chunk;
    }
    CloseHandle(file);
    return written;
}

std::vector<std::string> IniLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream stream(FileText(path));
    for (std::string line; std::getline(stream, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// ---- fixture -----------------------------------------------------------------------------

struct StageTest::Saved {
    mvt::ComApartment apartment;
    std::vector<SavedKey> keys;
    std::vector<SavedValue> values;
};

void StageTest::SetUp() {
    saved_ = std::make_shared<Saved>();
    for (const char* key :
         {"SOFTWARE\\Quillfen", "SOFTWARE\\Quillfen Corp", kAppPathGame, kAppPathMain, kUninstall})
        saved_->keys.push_back({HKEY_LOCAL_MACHINE, key, Capture(HKEY_LOCAL_MACHINE, key)});
    saved_->values.push_back(
        {HKEY_CURRENT_USER, "Programs", ReadValue(HKEY_CURRENT_USER, kShellFolders, "Programs")});
    saved_->values.push_back({HKEY_LOCAL_MACHINE, "Common Desktop",
                              ReadValue(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop")});
    // Every test starts without the records, as on a machine the game was never installed on.
    for (const SavedKey& saved : saved_->keys) DeleteKeyTree(saved.root, saved.key);

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = std::string(temp) + "mvt stages\\" + test->test_suite_name() + "." + test->name();
    RemoveTree(scratch_);
    programs_ = Folder("Start Menu\\Programs");
    desktop_ = Folder("Desktop");
    SetString(HKEY_CURRENT_USER, kShellFolders, "Programs", programs_);
    SetString(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", desktop_);
}

void StageTest::TearDown() {
    for (const SavedKey& saved : saved_->keys) {
        DeleteKeyTree(saved.root, saved.key);
        if (saved.tree.exists) Rebuild(saved.root, saved.key, saved.tree);
    }
    for (const SavedValue& saved : saved_->values) {
        DeleteValue(saved.root, kShellFolders, saved.name);
        if (saved.value.found) {
            HKEY opened;
            RegOpenKeyExA(saved.root, kShellFolders, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &opened);
            RegSetValueExA(opened, saved.name.c_str(), 0, saved.value.type,
                           reinterpret_cast<const BYTE*>(saved.value.data.data()),
                           saved.value.data.size());
            RegCloseKey(opened);
        }
    }
    RemoveTree(scratch_);
}

std::string StageTest::Folder(const std::string& relative) {
    std::string folder = scratch_ + "\\" + relative;
    mvt::ForceDirectories(folder);
    return folder;
}

void StageTest::RunStages(const std::string& installDir) {
    mvt::install::LinkObjects links;
    mvt::TGuardedIniFile list = mvt::install::OpenUninstallList(installDir);
    mvt::install::InstallationSeal seal;
    seal.madeGameFolders = madeGameFolders_;
    madeGameFolders_ = 0;
    // The medium's list of installed files: the one the test names, else the one the test
    // left in the install directory as unpacked.
    const std::string installed = installDir + "\\unregmvt.lst";
    seal.installedFiles = mediumList_             ? mediumList_
                          : FileExists(installed) ? std::optional(FileText(installed))
                                                  : std::nullopt;
    mediumList_.reset();
    mvt::install::RunRecordStages(installDir, choices_, display_, list, links, seal);
}

// ---- What a complete installation leaves ----------------------------------------------

const std::string kStartLink = "Запуск Трилогии Морвата.lnk";

const Link kGroupLinks[4] = {
    {"Запуск Трилогии Морвата.lnk", "morvath.exe"},
    {"Настройка параметров.lnk", "MVConfig.exe"},
    {"Просмотр файла персонажа.lnk", "PartyLens.exe"},
    {"Руководство пользователя.lnk", "Morvath 2 manual.pdf"},
};
const Link kUninstallLink = {"Удаление Трилогии Морвата.lnk", "unregmvt.exe"};

std::vector<std::string> SettingsLines(const std::string& folder) {
    return {"[Program Options]",
            "Installing=0",
            "Install Type=2",
            "[Game Options]",
            "Memory Access=100",
            "Memory Level=1",
            "Never Show Nuisance DKM=1",
            "Never Show Nuisance=1",
            "Environmental Audio=0",
            "Footsteps=1",
            "[Local]",
            "Language=English",
            "Language25=English",
            "[Alias]",
            "HD0:=" + folder,
            "CD1:=" + folder,
            "CD2:=" + folder,
            "CD3:=" + folder,
            "CD4:=" + folder,
            "CD5:=" + folder,
            "[GameSpy]",
            "Enabled=1"};
}

void ExpectRecords(const std::string& installDir) {
    const std::string folder = installDir + "\\";
    for (const char* key : {kProduct1, kProduct2, kProduct3}) {
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
        EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, key).empty()) << key;
    }
    auto game = [](const char* name) { return ReadValue(HKEY_LOCAL_MACHINE, kAppPathGame, name); };
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, kAppPathGame),
              (std::vector<std::string>{"Install", "MV25GUID", "MV25Language", "MV25Tag",
                                        "MV25Version", "MV25_INSTALL", "MV2Location", "Path"}));
    EXPECT_TRUE(IsString(game("Install"), folder));
    EXPECT_TRUE(IsString(game("Path"), folder));
    EXPECT_TRUE(IsString(game("MV25_INSTALL"), "true"));
    EXPECT_TRUE(IsString(game("MV25GUID"), "{5D2E91A0-4C7B-11D5-A3F0-00104B7E2C91}"));
    EXPECT_TRUE(IsString(game("MV25Tag"), "Morvath Trilogy"));
    RegValue version = game("MV25Version");
    EXPECT_EQ(version.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(version.data, std::string("\xC4\x09\0\0", 4));  // 2500
    EXPECT_TRUE(IsString(game("MV2Location"), folder));
    EXPECT_TRUE(IsString(game("MV25Language"), "English"));
    for (const char* name : {"DisplayName", "LogFile", "UninstallString"})
        EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathRestore, name),
                             installDir + "\\MVMain.exe"))
            << name;
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, kAppPathMain), std::vector<std::string>{"Path"});
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathMain, "Path"), folder));
    // Where the package's 32-bit programs look, and only there. (App Paths is one key for
    // both views, as on Windows; the product keys are not.)
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct1, KEY_WOW64_64KEY));
}

// The command is quoted: with a blank in the path and a parent others can write to, an
// unquoted one would start a program planted there ("C:\Games\My.exe" for "My Games").
void ExpectUninstallRecord(const std::string& installDir) {
    EXPECT_TRUE(
        IsString(ReadValue(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"), "Трилогия Морвата"));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"),
                         "\"" + installDir + "\\unregmvt.exe\""));
}

void ExpectLink(const std::string& linkFile, const std::string& installDir, const char* target) {
    LinkInfo link = ReadLink(linkFile);
    ASSERT_TRUE(link.loaded) << linkFile;
    EXPECT_EQ(link.target, installDir + "\\" + target) << linkFile;
    EXPECT_EQ(link.arguments, "") << linkFile;
    EXPECT_EQ(link.workingFolder, installDir + "\\") << linkFile;
}

}  // namespace stagetest
