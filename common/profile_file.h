#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orlscr {

// An initialisation file (sections in square brackets, key=value lines). The
// Windows side reads and writes it through the platform's profile functions
// (PrivateProfileFile); tests use a map.
class ProfileFile {
  public:
    virtual ~ProfileFile() = default;

    virtual bool Exists() const = 0;
    // nullopt when the file, the section or the key is missing; an empty value is "".
    virtual std::optional<std::string> ReadString(std::string_view section, std::string_view key) const = 0;
    // Throws Error(UnableToWriteMessage(path)) when the file cannot be written.
    virtual void WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// "Unable to write to C:\Savers\CONTROL.INI"
std::string UnableToWriteMessage(std::string_view path);

}  // namespace orlscr
