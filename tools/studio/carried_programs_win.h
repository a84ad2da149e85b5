#pragma once

#include <string>

namespace orlscr::studio {

// The player, the slide viewer and the hook library the studio carries as
// resources, written out into a folder of their own under the user's temporary
// folder for the builder to read; the folder goes when the object does.
class CarriedPrograms {
  public:
    CarriedPrograms();  // throws Error when they cannot be written out
    ~CarriedPrograms();
    CarriedPrograms(const CarriedPrograms&) = delete;
    CarriedPrograms& operator=(const CarriedPrograms&) = delete;

    // UTF-8, without a trailing separator.
    const std::string& Folder() const { return folder_; }

  private:
    std::string folder_;
};

}  // namespace orlscr::studio
