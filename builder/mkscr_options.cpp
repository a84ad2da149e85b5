#include "builder/mkscr_options.h"

namespace orlscr::mkscr {

namespace {

constexpr unsigned kPackageCommands = kBuildCommand | kSlidesCommand;

// In the order the help lists them; the checks of a command go through them
// in this order too.
const CommandOption kOptions[] = {
    {.name = "output",
     .alias = 'o',
     .value = "FILE",
     .commands = kPackageCommands,
     .group = kContentGroup,
     .help = "the package to write (required). It appears only when\n"
             "complete, so a failure or an interrupted build never\n"
             "leaves a partial file; an existing FILE is replaced. It\n"
             "may not be one of the inputs (under any name or link)."},
    {.name = "player",
     .value = "FILE",
     .commands = kPackageCommands,
     .group = kContentGroup,
     .help = "the bare player (default: player.scr beside mkscr)"},
    {.name = "document",
     .value = "FILE",
     .commands = kBuildCommand,
     .group = kContentGroup,
     .help = "the presentation document; stored as the first\n"
             "presentation file, the one the viewer is started with"},
    {.name = "file",
     .value = "FILE",
     .repeatable = true,
     .commands = kBuildCommand,
     .group = kContentGroup,
     .help = "a further presentation file: the viewer program\n"
             "(PPTVIEW.EXE) and the libraries it needs (repeatable,\n"
             "stored in the order given)"},
    {.name = "sound",
     .value = "FILE",
     .repeatable = true,
     .commands = kPackageCommands,
     .group = kContentGroup,
     .help = "a sound track (repeatable, stored in the order given);\n"
             "a file that is not WAV, MIDI or MP3 by its content\n"
             "gets a warning"},
    {.name = "hook",
     .value = "FILE",
     .commands = kPackageCommands,
     .group = kContentGroup,
     .help = "the keyboard-hook library (default: orlscrhook.dll\n"
             "beside mkscr); the saver needs it to notice input"},
    {.name = "no-hook", .commands = kPackageCommands, .group = kContentGroup, .help = "store no hook library"},
    {.name = "preview",
     .value = "PICTURE",
     .commands = kPackageCommands,
     .group = kContentGroup,
     .help = "the picture shown in the small preview of the display\n"
             "settings; a JPEG, BMP, icon, enhanced metafile or\n"
             "placeable metafile, recognised by its content (mkscr\n"
             "slides: made from the first slide when not given)"},

    {.name = "title",
     .value = "TEXT",
     .commands = kPackageCommands,
     .group = kTextsGroup,
     .help = "title of the screen saver"},
    {.name = "author", .value = "TEXT", .commands = kPackageCommands, .group = kTextsGroup, .help = "author line"},
    {.name = "email",
     .value = "ADDRESS",
     .commands = kPackageCommands,
     .group = kTextsGroup,
     .help = "author's mail address"},
    {.name = "web",
     .value = "ADDRESS",
     .commands = kPackageCommands,
     .group = kTextsGroup,
     .help = "author's web address"},
    {.name = "ver",
     .value = "TEXT",
     .commands = kPackageCommands,
     .group = kTextsGroup,
     .help = "kind of content (default \"powerpoint\"; only exactly\n"
             "that text makes the saver start the viewer, the music\n"
             "and the input watch)"},
    {.name = "text",
     .value = "TEXT",
     .commands = kPackageCommands,
     .group = kTextsGroup,
     .help = "free text kept in the settings (not shown)"},

    {.name = "exit",
     .value = "LIST",
     .commands = kPackageCommands,
     .group = kBehaviourGroup,
     .help = "what ends the saver: a comma list of move, click and key,\n"
             "or none (default: move,key). With none only Ctrl+Alt+Del\n"
             "ends the saver (mkscr warns)."},
    {.name = "show-cursor",
     .commands = kPackageCommands,
     .group = kBehaviourGroup,
     .help = "keep the mouse cursor visible while the saver runs"},
    {.name = "music-order",
     .value = "ORDER",
     .commands = kPackageCommands,
     .group = kBehaviourGroup,
     .help = "list: the tracks in the order given, then again\n"
             "(default); random: a random track for every play;\n"
             "random-once: one random track for the whole run.\n"
             "A number is stored as it is."},
    {.name = "mute",
     .commands = kPackageCommands,
     .group = kBehaviourGroup,
     .help = "music off unless the user turns it on (the switch in\n"
             "CONTROL.INI beside the saver takes precedence)"},
    {.name = "interval",
     .value = "MS",
     .commands = kPackageCommands,
     .group = kBehaviourGroup,
     .help = "picture interval kept in the settings (default 5000)"},
    {.name = "effects",
     .value = "LIST",
     .commands = kPackageCommands,
     .group = kBehaviourGroup,
     .help = "transition styles kept in the settings, numbers 0..127\n"
             "(default 0,1,...,126)"},

    {.name = "viewer",
     .value = "FILE",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "the slide viewer (default: slideview.exe beside mkscr)"},
    {.name = "recursive",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "take the pictures of subfolders too (each folder's own\n"
             "pictures first, then its subfolders in name order)"},
    {.name = "hidden",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "take hidden files and folders of a folder too (a name\n"
             "starting with a dot; on Windows also the hidden or\n"
             "system attribute); without it they are passed over and\n"
             "counted in the report once for each folder"},
    {.name = "allow-damaged",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "store a damaged picture that still decodes (cut short,\n"
             "corrupt data, a wrong check sum: shown partly grey or\n"
             "wrong), with a warning; without it such a picture is\n"
             "refused"},
    {.name = "max-size",
     .value = "WxH",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "store a picture larger than WxH (after it is turned\n"
             "upright) reduced to fit it, as a JPEG of quality 90 (PNG\n"
             "for few colours), filtered with Lanczos-3 (default:\n"
             "3840x2160); the report says how much was saved"},
    {.name = "originals",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "store every picture the viewer shows byte for byte,\n"
             "whatever its size (other formats are still converted)"},
    {.name = "memory",
     .value = "MB",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "the memory the pictures being checked, converted and\n"
             "reduced on every core may take together (default 1024);\n"
             "a picture waits while it does not fit, one larger than\n"
             "all of it is read alone"},
    {.name = "order",
     .value = "ORDER",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "name: natural name order (default); date: by the date\n"
             "a photo was taken, else the file's time; shuffle: a new\n"
             "order drawn by the viewer on every run"},
    {.name = "duration",
     .value = "MS",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "how long every slide stays (default: 5000); also\n"
             "stored as the record's Interval unless --interval is given"},
    {.name = "style",
     .value = "N",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "the transition style 0..127 that brings every slide in\n"
             "(default: one drawn at random for each)"},
    {.name = "transition",
     .value = "MS",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "how long every transition lasts (default: 1000; 0: the\n"
             "next slide at once)"},
    {.name = "fit",
     .value = "FIT",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "contain: the whole picture, with bands where its shape\n"
             "differs from the screen's (default); cover: the screen\n"
             "filled, the middle of the picture shown"},
    {.name = "upscale",
     .value = "N",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "enlarge a small picture at most N times (default 2;\n"
             "1: never enlarge)"},
    {.name = "still",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "show the first frame of an animated GIF only (still=yes);\n"
             "without it the animation plays during the slide's stay"},
    {.name = "seed",
     .value = "N",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "fix the viewer's random choices (order and styles), a\n"
             "number 0..4294967295, so every run shows the same"},
    {.name = "caption",
     .value = "WHAT",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "none: no caption (default); name: the file name without\n"
             "its extension; date: the date the photo was taken (else\n"
             "the file's time) in the user's date format; text: only\n"
             "captions written in the list (caption=\"...\" on a slide's\n"
             "line, which any mode shows)"},
    {.name = "clock",
     .value = "WHAT",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "show the time of day (--clock, --clock time) or the\n"
             "date and time (--clock date) on every monitor, in the\n"
             "user's format, moving a little every minute"},
    {.name = "motion",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "move every slide slowly during its stay: a zoom of up\n"
             "to 10 % or a pan along the cropped side (motion=on|off\n"
             "on a slide's line decides for that slide)"},

    {.name = "size",
     .value = "WxH",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "the box a presentation's slides are rendered to fit,\n"
             "keeping their shape (default: 1920 pixels on the long\n"
             "side; 3840x2160 for 4K screens)"},
    {.name = "ignore-timings",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "give a presentation's slides the show's options, not\n"
             "their own advance times and transitions"},
    {.name = "time-limit",
     .value = "SECONDS",
     .commands = kSlidesCommand,
     .group = kSlidesGroup,
     .help = "the longest a presentation's conversion, or the\n"
             "rendering of one slide, may take (default 180); the\n"
             "converter is then stopped and the file refused"},

    {.name = "json", .commands = kInspectCommand},
    {.name = "help", .alias = 'h'},
};

const char kIntroduction[] = R"(mkscr - makes a self-contained screen saver from the player and its content

The result (a package) is the player program with the content appended: the
presentation files, sound tracks, the keyboard-hook library, an optional
preview picture and the settings. Install it by copying it, as NAME.scr, into
the Windows folder, or right-click it and choose "Install".

Usage:
  mkscr [build] -o OUT.scr [options]      make a package
  mkscr slides DIR|IMAGE|PRESENTATION... -o OUT.scr [options]
                                          make a slide-show package from pictures
                                          or presentations
  mkscr inspect PACKAGE [--json]          show what a package holds
  mkscr --help                            show this text (also -h, help)

Options take their value as the next argument or after "=" (--title=Demo).
--file and --sound may be repeated; every other option is given at most once.
"--" ends the options, for a package or picture name that starts with "-".
)";

const char kSlidesIntroduction[] = R"(  The slide viewer shows JPEG, PNG, GIF (animations play, unless --still)
  and BMP pictures, upright as their EXIF orientation says. HEIC, WebP, AVIF,
  TIFF and JPEG XL (mkscr.exe: whatever the Windows Imaging Component opens)
  are converted to JPEG, or PNG for transparency or few colours, upright and
  with their date. Each argument is a folder or a
  picture file. mkscr decodes every picture with the viewer's own decoder and
  lists each file it stored, and each file of a folder it refused with the
  reason ("not a picture", "12-bit JPEG is not supported", a damaged picture
  unless --allow-damaged); a picture file given by name must be one the
  viewer shows. Hidden files and folders are passed over unless --hidden.
  Without --preview the preview picture is made from the first slide. A folder's pictures come in
  natural name order, as file managers show them (2 before 10, case does not
  count). A picture whose name the saver cannot create (outside Windows-1252,
  a device name such as con.jpg, control characters) or that an earlier slide
  already has is stored under a generated name. mkscr writes a slide list
  "show.slides" with a show line ("! ...") for the options below, stores it as
  the document, the pictures as further presentation files and the slide
  viewer as PPTVIEW.EXE. --document and --file are not used here. The mouse
  cursor is hidden (cursor=hidden) unless --show-cursor.

  Presentations (.pptx, .ppsx, .ppt, .pps, .odp, .key, .pdf), named or in a
  folder, become one slide a page: converted to PDF by LibreOffice (soffice,
  run headless with a profile of its own) and rendered by poppler's pdftoppm
  at --size, each stored as PNG, or as JPEG (quality 92) where that is less
  than half the size. Hidden slides are left out; a slide's advance time
  becomes its duration and its transition the nearest style, its speed the
  transition's length (--ignore-timings: the options below for every slide).
)";

const char kClosing[] = R"(Inspect:
  Prints the trailer, every property of the settings record and the embedded
  files with their offsets and sizes, and the preview picture. With --json the
  same as one JSON object: "trailer" {"a", "b"}, "record" {property: value},
  "files" [{"kind", "name", "offset", "size"}] and "preview" (null or
  {"class", "offset", "size"}). Texts are shown as Windows-1252 (mkscr.exe:
  the system code page). A file with nothing appended ("not a package") or a
  package whose settings cannot be read gives the reader's message ("Stream
  read error", "Class ... not found", ...) and exit status 1.

File names are stored without their folders and must be unique among the
presentation files and sound tracks, since the saver writes them all into one
folder. A name the saver would not create on Windows is refused: a device name
(CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with an extension such as aux.wav),
dots alone, control characters and \ / : * ? " < > |. Texts and names are
stored as single-byte text and must fit Windows-1252 (mkscr.exe on Windows:
the system code page; its paths may hold any character). A package cannot be
larger than 2147483647 bytes. On a terminal a build shows its progress on one
line of standard error ("mkscr: stored 3 of 40 files, 1.2 of 10.0 MB"). Exit
status, the same on every system: 0 on success, 1 on any error (one line on
standard error), 2 for a command line that cannot be understood.
)";

}  // namespace

std::span<const CommandOption> MkscrOptions() {
    return kOptions;
}

std::vector<std::string> WithClockValue(std::vector<std::string> args) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--")
            break;
        if (args[i] != "--clock")
            continue;
        if (i + 1 < args.size() && (args[i + 1] == "time" || args[i + 1] == "date")) {
            args[i] = "--clock=" + args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            args[i] = "--clock=time";
        }
    }
    return args;
}

std::string MkscrHelp() {
    const std::span<const CommandOption> options = MkscrOptions();
    return std::string(kIntroduction) + "\nContent:\n" + OptionHelp(options, kContentGroup) +
           "\nTexts (shown by the saver's settings dialog):\n" + OptionHelp(options, kTextsGroup) + "\nBehaviour:\n" +
           OptionHelp(options, kBehaviourGroup) + "\nSlides (mkscr slides):\n" + kSlidesIntroduction +
           OptionHelp(options, kSlidesGroup) + "\n" + kClosing;
}

}  // namespace orlscr::mkscr
