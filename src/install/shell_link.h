// Shortcut files through the shell's link object.
#pragma once

#include <objidl.h>

#include <string>
#include <vector>

#include "framework/comobj.h"

namespace mvt::install {

// Makes one shortcut file: target, arguments and working folder set on a new shell link
// object, which saves itself to linkFile (ANSI text, saved through its UTF-16 form). Raises
// EOleSysError when the link object cannot be created and EIntfCastError when it lacks an
// interface. Whether the file could be written is not looked at: a link whose folder is
// missing is simply absent. Hands back the object's IPersistFile reference.
ComPtr<IPersistFile> MakeShellLink(const std::string& target, const std::string& arguments,
                                   const std::string& workingFolder, const std::string& linkFile);

// The link objects of one installation run, kept until the run returns. It also keeps
// COM initialised on the run's thread for as long as it holds them.
class LinkObjects {
  public:
    void Keep(ComPtr<IPersistFile> link) { links_.push_back(std::move(link)); }
    std::size_t Count() const { return links_.size(); }

  private:
    // Declared first, so that the links are released before COM is uninitialised.
    ComApartment apartment_;
    std::vector<ComPtr<IPersistFile>> links_;
};

}  // namespace mvt::install
