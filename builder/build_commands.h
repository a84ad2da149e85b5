#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "builder/package_builder.h"
#include "builder/slide_selection.h"
#include "common/command_options.h"
#include "common/error.h"

namespace orlscr::mkscr {

// A request the builder cannot understand: options that contradict each
// other or belong to another command, a value out of its range (mkscr: exit
// status 2). Every other failure is an Error (exit status 1).
struct UsageError : Error {
    using Error::Error;
};

// The builder's commands on options named as in MkscrOptions() (mkscr's
// command line; the studio fills the same names). `programFolder` is where the
// default player, hook library and slide viewer are looked for. Each checks
// the options, writes the package and reports what it did on `out` ("mkscr:
// wrote ..."), warnings included; with `showProgress` the build's progress
// goes on one line of `err`. Returns 0; throws UsageError or Error.

// A package of a presentation: --document, --file and the common options.
int BuildPresentationPackage(const CommandLine& options,
                             const std::string& programFolder,
                             bool showProgress,
                             std::ostream& out,
                             std::ostream& err);

// A slide show of the pictures named by the positional arguments, with a slide
// list made for it and the slide viewer.
int BuildSlideShowPackage(const CommandLine& options,
                          const std::string& programFolder,
                          bool showProgress,
                          std::ostream& out,
                          std::ostream& err);

// What another face of the builder (the studio) adds to a slide-show build.
struct SlideShowHooks {
    // Checks each picture, given the builder's own check (which converts and
    // reduces pictures as the options say), on several threads at once; it
    // may throw Error to end the build. Unset: the builder's own check.
    std::function<SlidePictureCheck(const std::string& path, const SlideChecker& builderCheck)> check;
    // Gives the selected slides their own options before the list is written.
    std::function<void(SlideSelection&)> adjust;
    // Hears of every piece written; it may throw Error to end the build, which
    // then leaves no file.
    ProgressReport progress;
};

// BuildSlideShowPackage with the hooks instead of a progress line.
int BuildSlideShowPackage(const CommandLine& options,
                          const std::string& programFolder,
                          const SlideShowHooks& hooks,
                          std::ostream& out,
                          std::ostream& err);

// Throws UsageError when `options` give one that `command` (MkscrCommand)
// does not take, saying where it belongs.
void CheckOptionsOf(const CommandLine& options, unsigned command);

}  // namespace orlscr::mkscr
