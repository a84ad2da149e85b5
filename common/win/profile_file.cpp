#include "common/win/profile_file.h"

#include <windows.h>

#include "common/error.h"
#include "common/trace.h"

namespace orlscr {
namespace {

// The value of a key, or `fallback` when the key is missing. The buffer grows
// until the value fits: the profile function cuts long values silently.
std::string ReadWithDefault(const std::string& section,
                            const std::string& key,
                            const char* fallback,
                            const std::string& path) {
    std::string buffer(256, '\0');
    while (true) {
        DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), path.c_str());
        // A value that fills the buffer up to its last character may have been cut.
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 20)) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 4);
    }
}

}  // namespace

bool PrivateProfileFile::Exists() const {
    DWORD attributes = ::GetFileAttributesA(path_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> PrivateProfileFile::ReadString(std::string_view section, std::string_view key) const {
    // The profile function cannot say whether a key exists; asked with two
    // different defaults it answers both with the same text only when it does.
    const std::string sectionText(section), keyText(key);
    std::string first = ReadWithDefault(sectionText, keyText, "\x01", path_);
    if (first != "\x01")
        return first;
    std::string second = ReadWithDefault(sectionText, keyText, "\x02", path_);
    if (second == "\x02")
        return std::nullopt;
    return second;
}

void PrivateProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionText(section), keyText(key), valueText(value);
    if (!::WritePrivateProfileStringA(sectionText.c_str(), keyText.c_str(), valueText.c_str(), path_.c_str()))
        throw Error(UnableToWriteMessage(path_));
    Trace("setup write [" + sectionText + "] " + keyText + "=" + valueText + " " + path_);
}

}  // namespace orlscr
