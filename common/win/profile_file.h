#pragma once

#include <string>

#include "common/profile_file.h"

namespace orlscr {

// An initialisation file on disk, read and written through the platform's
// profile functions (GetPrivateProfileStringA, WritePrivateProfileStringA).
// Values of any length are read whole, and a missing key is reported as
// missing, not as an empty value.
class PrivateProfileFile : public ProfileFile {
  public:
    explicit PrivateProfileFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    bool Exists() const override;
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const override;
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;

  private:
    std::string path_;
};

}  // namespace orlscr
