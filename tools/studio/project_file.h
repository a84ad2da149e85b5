#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/studio/studio_model.h"

namespace orlscr::studio {

// A project file is UTF-8 text in the slide list's shape, one item a line:
//
//   # orlscr studio project
//   ! duration=5000 transition=1000 style=12 fit=cover
//   "C:\Photos\beach.jpg"
//   "C:\Photos\dune 2.jpg" duration=8000 style=5
//   @order natural
//   @music C:\Music\song.mp3
//   @title Summer
//
// The show line and the slide lines take the slide list's options (read by its
// own parser); a slide line names the picture by its whole path, always in
// double quotes. Lines starting with '@' hold the rest, a key and its value:
// order (listed, natural, date, shuffle), music (a path; repeated), music-order
// (list, random, random-once), mute, exit (move, click, key, comma-separated,
// or none), cursor (shown, hidden), title, author, email, web and preview
// (a picture path). Blank lines and '#' lines are skipped.
inline constexpr const char* kProjectExtension = ".orlproj";

std::string WriteProject(const StudioProject& project);

// A project read back; its slides and tracks are checked again (a picture
// that has moved is listed with kMissingPicture). Lines that cannot be used
// are skipped, each with a problem naming its line.
struct ReadProjectResult {
    StudioProject project;
    std::vector<std::string> problems;
};
ReadProjectResult ParseProject(std::string_view text, const SlideChecker& check = [](const std::string& path) { return CheckSlidePicture(path); });

// Whether the file's first line is the project file's heading.
bool LooksLikeProject(std::string_view head);

}  // namespace orlscr::studio
