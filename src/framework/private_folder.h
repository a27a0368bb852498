// Folders of the program's own below the temporary folder, for the elevated programs: a new
// folder under a name nobody can guess (64 random bits from the system's generator), which
// only SYSTEM and the administrators may enter. What the program puts there (a copy of
// itself to start, a file unpacked to be read) nobody else can change or swap meanwhile.
#pragma once

#include <optional>
#include <string>

namespace mvt {

// The temporary folder the system gives this process, without a trailing backslash:
// GetTempPath2 where the system has it (for SYSTEM a folder only SYSTEM may enter), else
// GetTempPath. Empty when there is none.
std::string TemporaryFolder();

// Makes the new file `path` (none may be there) with `bytes`: for a file in a private
// folder, where nobody else can put anything.
bool WriteNewFile(const std::string& path, const std::string& bytes);

class TPrivateFolder {
  public:
    // The number of random bits in the name.
    static constexpr size_t kRandomBits = 64;

    // Makes "<temporary folder>\<prefix><16 hex digits>", a name that did not exist, with
    // rights for SYSTEM and the administrators only (and so for everything made in it).
    // Nothing, with the reason, when it cannot be made.
    static std::optional<TPrivateFolder> Make(const std::string& prefix, std::string& error);

    TPrivateFolder(TPrivateFolder&& other) noexcept
        : path_(std::move(other.path_)), kept_(other.kept_) {
        other.kept_ = true;
    }
    TPrivateFolder& operator=(TPrivateFolder&&) = delete;
    TPrivateFolder(const TPrivateFolder&) = delete;
    // Removes the files in it and the folder, unless kept.
    ~TPrivateFolder();

    const std::string& Path() const { return path_; }
    // Leaves the folder to whoever goes on using it once this object has gone.
    void Keep() { kept_ = true; }

  private:
    explicit TPrivateFolder(std::string path) : path_(std::move(path)) {}
    std::string path_;
    bool kept_ = false;
};

}  // namespace mvt
