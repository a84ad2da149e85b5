#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "builder/build_commands.h"
#include "common/command_options.h"
#include "tools/studio/studio_model.h"

namespace orlscr::studio {

// The build of a project as mkscr's slide-show command would run it: the
// options by the names of its option table, the stored slides as positional
// arguments in the show's order.
CommandLine BuildOptions(const StudioProject& project, const std::string& output);

// The selected slides' own options from the project (matched by path).
void ApplySlideOptions(const StudioProject& project, mkscr::SlideSelection& selection);

// What a finished build reported, line by line ("wrote ...", "stored ...",
// "refused ...", warnings), without mkscr's prefix.
struct BuildOutcome {
    bool ok = false;
    bool cancelled = false;
    std::string error;  // when not ok
    std::vector<std::string> report;
};

inline constexpr const char* kCancelledMessage = "the build was cancelled";

// Builds the package at `output` with the builder's slide-show command. The
// pictures are taken as the project checked them (no second decode; those
// not checked yet are checked first); the
// build ends, leaving no file, soon after `cancel` turns true. `progress`
// hears of every piece written (on the calling thread).
BuildOutcome BuildProject(StudioProject project,
                          const std::string& output,
                          const std::string& programFolder,
                          const std::atomic<bool>& cancel,
                          const mkscr::ProgressReport& progress = nullptr);

}  // namespace orlscr::studio
