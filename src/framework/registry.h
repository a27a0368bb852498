// Registry access with one current key, always opened with full access rights.
//
// Every key is opened in the 32-bit registry view: the package's games and tools are 32-bit
// programs, which on 64-bit Windows see that view of HKEY_LOCAL_MACHINE\SOFTWARE, so what
// this program reads and writes must lie where they look.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/sysutils.h"

namespace mvt {

class ERegistryException : public Exception {
    using Exception::Exception;
};

class TRegistry {
  public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access | KEY_WOW64_32KEY) {}
    ~TRegistry() { CloseKey(); }
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);
    HKEY CurrentKey() const { return current_; }

    // Opens a key below the root as the current key, creating it (and missing parents)
    // when canCreate is set; false when that fails.
    bool OpenKey(const std::string& key, bool canCreate);
    // Creates a key with its missing parents and closes it again; existing keys and their
    // values stay. Raises "Failed to create key <key>".
    void CreateKey(const std::string& key);
    void CloseKey();

    // Missing value or no open key: empty text. Another value type raises
    // "Invalid data type for '<name>'".
    std::string ReadString(const std::string& name) const;
    bool ValueExists(const std::string& name) const;
    // Replace a value of any type; raise "Failed to set data for '<name>'" on failure.
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    // A value of any type with its bytes as they are (one read back with TRegistryKey).
    void WriteData(const std::string& name, DWORD type, const std::vector<BYTE>& data);

  private:
    void WriteData(const std::string& name, DWORD type, const void* data, DWORD size);

    REGSAM access_;
    HKEY root_ = HKEY_CURRENT_USER;
    HKEY current_ = nullptr;
};

// A string value of a key under HKEY_LOCAL_MACHINE, opened (never created) with full
// access rights like every key the program opens; empty when it cannot be read.
std::string ReadMachineString(const std::string& key, const std::string& name);

// A key opened for reading only, in the 32-bit view, closed with the object: what the
// programs read back of the records they wrote (and the uninstaller of the setup's), where
// a key or value that is not there, or is of another type, is an answer and not a failure.
class TRegistryKey {
  public:
    struct Value {
        std::string name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };

    TRegistryKey(HKEY root, const std::string& path);

    // Whether the key exists and could be opened.
    explicit operator bool() const { return key_ != nullptr; }

    // A REG_SZ or REG_EXPAND_SZ value without its terminating zeros; nothing when it is
    // missing or of another type.
    std::optional<std::string> String(const std::string& name) const;
    // A REG_DWORD value; nothing when it is missing or of another type.
    std::optional<DWORD> Number(const std::string& name) const;
    // Every value in the system's order.
    std::vector<Value> Values() const;
    // The names of its subkeys in the system's order.
    std::vector<std::string> SubkeyNames() const;
    // Neither values nor subkeys (false when the key is not there).
    bool Empty() const;

  private:
    struct KeyCloser {
        void operator()(HKEY key) const { RegCloseKey(key); }
    };
    std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser> key_;
};

// Deletes a value, in the 32-bit view; a key or value that is not there counts as deleted.
// Empty on success, else the system's reason.
std::string DeleteRegistryValue(HKEY root, const std::string& path, const std::string& name);
// Deletes a key without subkeys, in the 32-bit view; a key that is not there counts as
// deleted. Empty on success, else the system's reason.
std::string DeleteRegistryKey(HKEY root, const std::string& path);

}  // namespace mvt
