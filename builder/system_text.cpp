#include "builder/system_text.h"

#include "common/text.h"
#include "package/code_page.h"

namespace orlscr::mkscr {

std::optional<std::string> ToRecordText(std::string_view utf8) {
    return Utf8ToCp1252Exact(utf8);
}

std::string FromRecordText(std::string_view text) {
    return Cp1252ToUtf8(text);
}

LeadBytePredicate RecordLeadBytes() {
    return nullptr;
}

const char* RecordCodePageName() {
    return "Windows-1252";
}

}  // namespace orlscr::mkscr
