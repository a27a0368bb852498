#include "framework/registry.h"

#include <vector>

namespace mvt {

void TRegistry::SetRootKey(HKEY root) {
    if (root == root_) return;
    CloseKey();
    root_ = root;
}

static std::string Relative(const std::string& key) {
    return (!key.empty() && key[0] == '\\') ? key.substr(1) : key;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    HKEY opened = nullptr;
    LONG status;
    if (canCreate) {
        status = RegCreateKeyExA(root_, Relative(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 access_, nullptr, &opened, nullptr);
    } else {
        status = RegOpenKeyExA(root_, Relative(key).c_str(), 0, access_, &opened);
    }
    if (status != ERROR_SUCCESS) return false;
    CloseKey();
    current_ = opened;
    return true;
}

void TRegistry::CreateKey(const std::string& key) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(root_, Relative(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to create key %s", key.c_str()));
    RegCloseKey(created);
}

void TRegistry::CloseKey() {
    if (current_) RegCloseKey(current_);
    current_ = nullptr;
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!current_) return {};
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(current_, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return {};
    return std::string(buffer.data());
}

bool TRegistry::ValueExists(const std::string& name) const {
    return current_ && RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
}

void TRegistry::WriteData(const std::string& name, DWORD type, const void* data, DWORD size) {
    if (!current_ || RegSetValueExA(current_, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                    size) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteData(const std::string& name, DWORD type, const std::vector<BYTE>& data) {
    WriteData(name, type, data.data(), static_cast<DWORD>(data.size()));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    DWORD data = static_cast<DWORD>(value);
    WriteData(name, REG_DWORD, &data, sizeof data);
}

std::string ReadMachineString(const std::string& key, const std::string& name) {
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(key, false)) return {};
    // A value of another type (a number, binary data) cannot be read as text either.
    try {
        return registry.ReadString(name);
    } catch (const ERegistryException&) {
        return {};
    }
}

TRegistryKey::TRegistryKey(HKEY root, const std::string& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, Relative(path).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened) ==
        ERROR_SUCCESS)
        key_.reset(opened);
}

std::optional<std::string> TRegistryKey::String(const std::string& name) const {
    DWORD type = 0, size = 0;
    if (!key_ ||
        RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::string text(size, '\0');
    if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::optional<DWORD> TRegistryKey::Number(const std::string& name) const {
    DWORD data = 0, size = sizeof data, type = 0;
    if (!key_ ||
        RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return data;
}

std::vector<TRegistryKey::Value> TRegistryKey::Values() const {
    std::vector<Value> values;
    DWORD longestName = 0, longestData = 0;
    if (!key_ ||
        RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::vector<char> name(longestName + 1);
    for (DWORD index = 0;; ++index) {
        Value value;
        value.data.resize(longestData);
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = longestData;
        if (RegEnumValueA(key_.get(), index, name.data(), &nameSize, nullptr, &value.type,
                          value.data.data(), &dataSize) != ERROR_SUCCESS)
            return values;
        value.name.assign(name.data(), nameSize);
        value.data.resize(dataSize);
        values.push_back(std::move(value));
    }
}

std::vector<std::string> TRegistryKey::SubkeyNames() const {
    std::vector<std::string> names;
    char name[256];  // the longest key name the registry allows, and its end
    for (DWORD index = 0; key_; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key_.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

bool TRegistryKey::Empty() const {
    DWORD subkeys = 0, values = 0;
    return key_ &&
           RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

static std::string DeletionResult(LONG status) {
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? std::string()
                                                                     : SysErrorMessage(status);
}

std::string DeleteRegistryValue(HKEY root, const std::string& path, const std::string& name) {
    HKEY opened = nullptr;
    const LONG status =
        RegOpenKeyExA(root, Relative(path).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &opened);
    if (status != ERROR_SUCCESS) return DeletionResult(status);
    const LONG deleted = RegDeleteValueA(opened, name.c_str());
    RegCloseKey(opened);
    return DeletionResult(deleted);
}

std::string DeleteRegistryKey(HKEY root, const std::string& path) {
    return DeletionResult(RegDeleteKeyExA(root, Relative(path).c_str(), KEY_WOW64_32KEY, 0));
}

}  // namespace mvt
