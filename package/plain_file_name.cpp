#include "package/plain_file_name.h"

#include <string>

#include "common/text.h"

namespace orlscr {

namespace {

bool IsDeviceName(std::string_view name) {
    // The part before the first dot counts: "NUL.txt" is the device too.
    const std::string base = UpperAscii(TrimBlanks(name.substr(0, name.find('.'))));
    static constexpr const char* kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (base == device)
            return true;
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

}  // namespace

bool IsPlainFileName(std::string_view name, LeadBytePredicate isLeadByte) {
    if (name.empty())
        return false;
    bool onlyDotsAndBlanks = true;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (isLeadByte && isLeadByte(c) && i + 1 < name.size()) {
            onlyDotsAndBlanks = false;
            ++i;  // the trail byte is part of the character
            continue;
        }
        if (c == '\\' || c == '/' || c == ':' || c < 32)
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    return !onlyDotsAndBlanks && !IsDeviceName(name);
}

}  // namespace orlscr
