#include "common/profile_file.h"

namespace orlscr {

std::string UnableToWriteMessage(std::string_view path) {
    return "Unable to write to " + std::string(path);
}

}  // namespace orlscr
