#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "builder/slide_list.h"
#include "builder/slide_picture_check.h"
#include "builder/slide_selection.h"

namespace orlscr::studio {

using mkscr::CheckSlidePicture;
using mkscr::SlideChecker;
using mkscr::SlidePictureCheck;

// The order the show takes the slides in.
enum class ShowOrder {
    kListed,     // as the list stands
    kNatural,    // natural name order (2 before 10)
    kDateTaken,  // the picture's date taken, else the file's time
    kShuffle,    // a new order on every run
};

// A picture the user added. `refusal` is why the viewer will not show it (as
// mkscr words it), empty when it will; a refused slide stays in the list so
// the user sees it, and is never stored.
struct StudioSlide {
    std::string path;
    SlideOptions options;  // its own: duration and style, else the show's
    std::string refusal;
    std::string extension;  // of its format as the content says ("jpg"); empty when refused
    // False until the picture has been checked (the window checks on a worker
    // thread); refusal and extension mean nothing before.
    bool checked = true;

    friend bool operator==(const StudioSlide&, const StudioSlide&) = default;
};

// A sound track; `warning` is mkscr's warning for a sound that is not a
// playable WAV, MIDI or MP3 file, empty for a good one.
struct MusicTrack {
    std::string path;
    std::string warning;

    friend bool operator==(const MusicTrack&, const MusicTrack&) = default;
};

enum class MusicOrder { kList, kRandom, kRandomOnce };

// Everything the user set up: what a project file holds and a build reads.
struct StudioProject {
    std::vector<StudioSlide> slides;
    ShowOrder order = ShowOrder::kListed;
    SlideOptions show;  // duration, transition, style (none: random) and fit of every slide

    std::vector<MusicTrack> music;
    MusicOrder musicOrder = MusicOrder::kList;
    bool mute = false;

    bool exitOnMove = true;
    bool exitOnClick = false;
    bool exitOnKey = true;
    bool showCursor = false;
    std::string title;
    std::string author;
    std::string email;
    std::string web;
    std::string previewPicture;  // empty: a thumbnail of the first slide

    friend bool operator==(const StudioProject&, const StudioProject&) = default;
};

// The refusal of a picture that is not where the list says (it has moved).
inline constexpr const char* kMissingPicture = "missing: no file at this path";

// The slide of the picture at `path`, checked: refused when the viewer will
// not show it (a damaged picture too, with its damage named).
StudioSlide CheckedSlide(const std::string& path, const SlideChecker& check = [](const std::string& path) { return CheckSlidePicture(path); });

// A slide whose picture is still to be checked.
inline StudioSlide UncheckedSlide(const std::string& path) {
    return StudioSlide{path, {}, std::string(), std::string(), false};
}

// Checks the slides not checked yet; stops (leaving the rest unchecked) when
// `stop` turns true.
void CheckPendingSlides(StudioProject& project,
                        const std::atomic<bool>& stop,
                        const SlideChecker& check = [](const std::string& path) { return CheckSlidePicture(path); });

// Appends the pictures, each checked. Returns how many were added.
size_t AddPictures(StudioProject& project,
                   const std::vector<std::string>& paths,
                   const SlideChecker& check = [](const std::string& path) { return CheckSlidePicture(path); });

// The files of a folder in natural name order, hidden ones left out; with
// `recursive` followed by each subfolder's in turn. Throws Error when the
// folder cannot be listed.
std::vector<std::string> FilesOfFolder(const std::string& folder, bool recursive);

// Removes the slides at `indices` (any order, repeats allowed).
void RemoveSlides(StudioProject& project, const std::vector<size_t>& indices);

// Moves the slides at `indices` one place up (delta -1) or down (+1) as a
// block; nothing moves when one of them is already at that end. Returns the
// indices they have afterwards.
std::vector<size_t> MoveSlides(StudioProject& project, std::vector<size_t> indices, int delta);

// Moves the slides at `indices` to stand before `target` (an index of the
// list as it is, or its size for the end), keeping their order. Returns their
// new indices.
std::vector<size_t> MoveSlidesTo(StudioProject& project, std::vector<size_t> indices, size_t target);

// Appends the sound tracks, each checked as mkscr checks them.
void AddMusic(StudioProject& project, const std::vector<std::string>& paths);

// The slides a build stores, in the show's order (kNatural sorts by name);
// a slide not checked yet counts until its check refuses it.
std::vector<const StudioSlide*> ShownSlides(const StudioProject& project);

// The file name part of a path (after the last '/' or '\').
std::string FileNameOf(const std::string& path);

}  // namespace orlscr::studio
