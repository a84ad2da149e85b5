#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "package/comma_list.h"

namespace orlscr::mkscr {

// The builder works in UTF-8: its arguments, paths and messages. Texts and file
// names of the record are single-byte text in the code page the player reads
// them in, Windows-1252 for the native builder and the system code page for
// mkscr.exe; a stored text is converted to it last of all.

// UTF-8 as record text, or nothing when a character has no place in the code page.
std::optional<std::string> ToRecordText(std::string_view utf8);

// Record text as UTF-8, for showing it.
std::string FromRecordText(std::string_view text);

// The lead bytes of the record's code page (nullptr: a single-byte code page).
LeadBytePredicate RecordLeadBytes();

// How a message names that code page.
const char* RecordCodePageName();

#ifdef _WIN32
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
#endif

}  // namespace orlscr::mkscr
