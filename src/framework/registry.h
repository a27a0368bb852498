// Registry access with one current key, always opened with full access rights.
//
// Every key is opened in the 32-bit registry view: the package's games and tools are 32-bit
// programs, which on 64-bit Windows see that view of HKEY_LOCAL_MACHINE\SOFTWARE, so what
// this program reads and writes must lie where they look.
#pragma once

#include <windows.h>

#include <string>

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

  private:
    void WriteData(const std::string& name, DWORD type, const void* data, DWORD size);

    REGSAM access_;
    HKEY root_ = HKEY_CURRENT_USER;
    HKEY current_ = nullptr;
};

// A string value of a key under HKEY_LOCAL_MACHINE, opened (never created) with full
// access rights like every key the program opens; empty when it cannot be read.
std::string ReadMachineString(const std::string& key, const std::string& name);

}  // namespace mvt
