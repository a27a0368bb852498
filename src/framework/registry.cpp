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

}  // namespace mvt
