#pragma once

#include <span>
#include <string>
#include <vector>

#include "common/command_options.h"

namespace orlscr::mkscr {

// The builder's commands, as bits of CommandOption::commands.
enum MkscrCommand : unsigned {
    kBuildCommand = 1,    // mkscr [build]: a package from a presentation
    kSlidesCommand = 2,   // mkscr slides: a slide show from pictures
    kInspectCommand = 4,  // mkscr inspect: what a package holds
};

// The parts of the help that list options (CommandOption::group).
enum MkscrOptionGroup : int {
    kUnlisted = 0,  // described in the usage lines
    kContentGroup,
    kTextsGroup,
    kBehaviourGroup,
    kSlidesGroup,
};

// Every option of mkscr, for its command line and for any other face of the
// builder (the studio fills the same names).
std::span<const CommandOption> MkscrOptions();

// The arguments with "--clock" given its value: "--clock date" and
// "--clock time" become "--clock=date" and "--clock=time", a "--clock" that
// is not followed by either "--clock=time" (up to a "--").
std::vector<std::string> WithClockValue(std::vector<std::string> args);

// mkscr --help.
std::string MkscrHelp();

}  // namespace orlscr::mkscr
