#pragma once

#include <string>
#include <string_view>

namespace orlscr {

// Tells whether a byte starts a double-byte character of the system code page.
// Portable code knows no lead bytes; the Windows side passes IsSystemLeadByte.
using LeadBytePredicate = bool (*)(unsigned char);

// The predicate for text without double-byte characters (ASCII, UTF-8, whose
// bytes of a multi-byte character are never a separator): no byte is a lead
// byte. Every path function below takes its predicate explicitly, so a caller
// with text of the system code page cannot fall back to this one by omission.
inline bool NoLeadBytes(unsigned char) {
    return false;
}

// Paths in the system code page are searched character by character: a lead
// byte (as `isLeadByte` tells) and the byte after it are one character, so the
// trail byte of a double-byte character is never taken for a backslash, even
// when its code is 0x5C. Backslash, slash and colon separate a path's folder
// from its file name.

// The folder and the name with exactly one backslash between them: none added
// when the folder's last character is a backslash. An empty folder gives the
// name alone, so that no path ends up in the root of the current drive by
// accident.
std::string JoinPath(std::string_view folder, std::string_view name, LeadBytePredicate isLeadByte);

// The file name of a path: what follows its last separator, or the whole path
// when it has none ("C:\Savers\player.scr" -> "player.scr").
std::string FileNameOf(std::string_view path, LeadBytePredicate isLeadByte);

// The program folder: the folder of a program's path up to and including its
// last separator ("C:\Savers\player.scr" -> "C:\Savers\", "/opt/bin/mkscr" ->
// "/opt/bin/"), empty when the path has none. Every program folder of the tree
// keeps that trailing separator: files beside the program are this folder
// directly followed by their names, never joined with another separator.
std::string ProgramFolder(std::string_view programPath, LeadBytePredicate isLeadByte);

// The program's name as the error box title shows it: its file name without
// the last extension ("C:\Savers\player.scr" -> "player").
std::string ProgramTitle(std::string_view programPath, LeadBytePredicate isLeadByte);

}  // namespace orlscr
