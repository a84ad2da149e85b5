#include "tools/mkscr/cli.h"

#include <cstdio>
#include <map>
#include <optional>

#include "common/error.h"
#include "common/text.h"
#include "package/code_page.h"
#include "package/comma_list.h"
#include "package/package_contract.h"
#include "tools/mkscr/builder.h"
#include "tools/mkscr/folder.h"
#include "tools/mkscr/package_report.h"
#include "tools/mkscr/picture_kind.h"
#include "tools/mkscr/progress_line.h"
#include "tools/mkscr/slides.h"
#include "tools/mkscr/sound_check.h"
#include "tools/mkscr/system_text.h"

namespace orlscr::mkscr {

namespace {

const char kHelp[] = R"(mkscr - makes a self-contained screen saver from the player and its content

The result (a package) is the player program with the content appended: the
presentation files, sound tracks, the keyboard-hook library, an optional
preview picture and the settings. Install it by copying it, as NAME.scr, into
the Windows folder, or right-click it and choose "Install".

Usage:
  mkscr [build] -o OUT.scr [options]      make a package
  mkscr slides DIR|IMAGE... -o OUT.scr [options]
                                          make a slide-show package from pictures
  mkscr inspect PACKAGE [--json]          show what a package holds
  mkscr --help                            show this text (also -h, help)

Options take their value as the next argument or after "=" (--title=Demo).
--file and --sound may be repeated; every other option is given at most once.
"--" ends the options, for a package or picture name that starts with "-".

Content:
  -o, --output FILE     the package to write (required). It appears only when
                        complete, so a failure or an interrupted build never
                        leaves a partial file; an existing FILE is replaced. It
                        may not be one of the inputs (under any name or link).
  --player FILE         the bare player (default: player.scr beside mkscr)
  --document FILE       the presentation document; stored as the first
                        presentation file, the one the viewer is started with
  --file FILE           a further presentation file: the viewer program
                        (PPTVIEW.EXE) and the libraries it needs (repeatable,
                        stored in the order given)
  --sound FILE          a sound track (repeatable, stored in the order given);
                        a file that is not WAV, MIDI or MP3 by its content
                        gets a warning
  --hook FILE           the keyboard-hook library (default: orlscrhook.dll
                        beside mkscr); the saver needs it to notice input
  --no-hook             store no hook library
  --preview PICTURE     the picture shown in the small preview of the display
                        settings; a JPEG, BMP, icon, enhanced metafile or
                        placeable metafile, recognised by its content

Texts (shown by the saver's settings dialog):
  --title TEXT          title of the screen saver
  --author TEXT         author line
  --email ADDRESS       author's mail address
  --web ADDRESS         author's web address
  --ver TEXT            kind of content (default "powerpoint"; only exactly
                        that text makes the saver start the viewer, the music
                        and the input watch)
  --text TEXT           free text kept in the settings (not shown)

Behaviour:
  --exit LIST           what ends the saver: a comma list of move, click and key,
                        or none (default: move,key). With none only Ctrl+Alt+Del
                        ends the saver (mkscr warns).
  --show-cursor         keep the mouse cursor visible while the saver runs
  --music-order ORDER   list: the tracks in the order given, then again
                        (default); random: a random track for every play;
                        random-once: one random track for the whole run.
                        A number is stored as it is.
  --mute                music off unless the user turns it on (the switch in
                        CONTROL.INI beside the saver takes precedence)
  --interval MS         picture interval kept in the settings (default 5000)
  --effects LIST        transition styles kept in the settings, numbers 0..127
                        (default 0,1,...,126)

Slides (mkscr slides):
  The slide viewer shows JPEG, PNG, GIF (the first frame) and BMP pictures,
  upright as their EXIF orientation says. Each argument is a folder or a
  picture file. mkscr decodes every picture with the viewer's own decoder and
  lists each file it stored, and each file of a folder it refused with the
  reason ("not a picture", "12-bit JPEG is not supported"); a picture file
  given by name must be one the viewer shows. A folder's pictures come in
  natural name order, as file managers show them (2 before 10, case does not
  count). A picture whose name the saver cannot create (outside Windows-1252,
  a device name such as con.jpg, control characters) or that an earlier slide
  already has is stored under a generated name. mkscr writes a slide list
  "show.slides" with a show line ("! ...") for the options below, stores it as
  the document, the pictures as further presentation files and the slide
  viewer as PPTVIEW.EXE. --document and --file are not used here. The mouse
  cursor is hidden (cursor=hidden) unless --show-cursor.
  --viewer FILE         the slide viewer (default: slideview.exe beside mkscr)
  --recursive           take the pictures of subfolders too (each folder's own
                        pictures first, then its subfolders in name order)
  --order ORDER         name: natural name order (default); date: by the date
                        a photo was taken, else the file's time; shuffle: a new
                        order drawn by the viewer on every run
  --duration MS         how long every slide stays (default: 5000); also
                        stored as the record's Interval unless --interval is given
  --style N             the transition style 0..127 that brings every slide in
                        (default: one drawn at random for each)
  --transition MS       how long every transition lasts (default: 1000)
  --fit FIT             contain: the whole picture, with bands where its shape
                        differs from the screen's (default); cover: the screen
                        filled, the middle of the picture shown
  --upscale N           enlarge a small picture at most N times (default 2;
                        1: never enlarge)
  --seed N              fix the viewer's random choices (order and styles), a
                        number 0..4294967295, so every run shows the same

Inspect:
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

// A command-line mistake: exit code 2.
struct UsageError : Error {
    using Error::Error;
};

struct Options {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> values;  // option -> values in order
    std::map<std::string, bool> flags;

    std::optional<std::string> Last(const std::string& name) const {
        auto it = values.find(name);
        if (it == values.end() || it->second.empty())
            return std::nullopt;
        return it->second.back();
    }
    std::vector<std::string> All(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? std::vector<std::string>() : it->second;
    }
    bool Flag(const std::string& name) const { return flags.count(name) > 0; }
};

const char* const kValueOptions[] = {"output",      "player",   "document", "file",   "sound",    "hook",  "preview",
                                     "title",       "author",   "email",    "web",    "ver",      "text",  "exit",
                                     "music-order", "interval", "effects",  "viewer", "duration", "style", "order",
                                     "transition",  "fit",      "upscale",  "seed"};
const char* const kFlagOptions[] = {"no-hook", "show-cursor", "mute", "json", "help", "recursive"};
// The options only mkscr slides takes.
const char* const kSlidesOnly[] = {"viewer", "duration", "style", "order", "transition", "fit", "upscale", "seed"};

Options ParseOptions(const std::vector<std::string>& args, size_t first) {
    Options o;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            o.positional.insert(o.positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (a.size() < 2 || a[0] != '-') {
            o.positional.push_back(a);
            continue;
        }
        std::string name, value;
        bool hasValue = false;
        if (a == "-o") {
            name = "output";
        } else if (a == "-h") {
            name = "help";
        } else if (a.rfind("--", 0) == 0) {
            name = a.substr(2);
            size_t eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
                hasValue = true;
            }
        } else {
            throw UsageError("unknown option '" + a + "' (see mkscr --help)");
        }
        bool takesValue = false, known = false;
        for (const char* v : kValueOptions)
            if (name == v)
                takesValue = known = true;
        for (const char* f : kFlagOptions)
            if (name == f)
                known = true;
        if (!known)
            throw UsageError("unknown option '" + a + "' (see mkscr --help)");
        if (!takesValue) {
            if (hasValue)
                throw UsageError("the option --" + name + " takes no value");
            o.flags[name] = true;
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size())
                throw UsageError("the option " + a + " needs a value");
            value = args[++i];
        }
        // Only --file and --sound add up; a second value of any other option
        // would silently replace the first (a document, a player, a title).
        if (name != "file" && name != "sound" && o.values.count(name))
            throw UsageError("the option --" + name + " is given more than once");
        o.values[name].push_back(value);
    }
    return o;
}

// A UTF-8 text or name as single-byte text of the record.
std::string RecordText(const std::string& text, const std::string& what) {
    auto converted = ToRecordText(text);
    if (!converted)
        throw Error(what + " '" + text + "' has characters that " + RecordCodePageName() + " cannot hold");
    return *converted;
}

int32_t Number(const std::string& text, const std::string& option, int64_t min, int64_t max) {
    auto v = ParseInt32(TrimBlanks(text));
    if (!v || *v < min || *v > max)
        throw UsageError("--" + option + " needs a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    return *v;
}

InputEntry Entry(const std::string& path) {
    return InputEntry{path, RecordText(BaseName(path), "the file name"), std::nullopt};
}

std::string Beside(const std::string& folder, const char* name) {
    return PathInFolder(folder, name);
}

// The record's texts and switches from the options, with the builder's defaults.
void FillRecord(const Options& o, TSSFileLocations& r, std::ostream& err) {
    r.Title = RecordText(o.Last("title").value_or(""), "the title");
    r.Author = RecordText(o.Last("author").value_or(""), "the author");
    r.Email = RecordText(o.Last("email").value_or(""), "the mail address");
    r.Web = RecordText(o.Last("web").value_or(""), "the web address");
    r.Ver = RecordText(o.Last("ver").value_or(kPresentationContentKind), "the kind of content");
    r.Text = RecordText(o.Last("text").value_or(""), "the text");
    r.Interval = o.Last("interval") ? Number(*o.Last("interval"), "interval", 0, 2147483647) : 5000;
    r.lShowMouseCursor = o.Flag("show-cursor");
    r.lMute = o.Flag("mute");

    std::string exit = o.Last("exit").value_or("move,key");
    r.lExitMouseMove = r.lExitMouseClick = r.lExitKeyPress = false;
    if (TrimBlanks(exit).empty())
        throw UsageError("--exit needs move, click and key, or none; it is empty");
    if (LowerAscii(TrimBlanks(exit)) == "none") {
        err << "mkscr: warning: with --exit none no mouse or key ends the saver; only Ctrl+Alt+Del will\n";
    } else {
        for (const std::string& item : ParseCommaList(exit)) {
            std::string what = LowerAscii(item);
            if (what == "move")
                r.lExitMouseMove = true;
            else if (what == "click")
                r.lExitMouseClick = true;
            else if (what == "key")
                r.lExitKeyPress = true;
            else
                throw UsageError("--exit takes move, click and key, or none; not '" + item + "'");
        }
    }

    std::string order = o.Last("music-order").value_or("list");
    if (order == "list")
        r.SoundRandom = 0;
    else if (order == "random")
        r.SoundRandom = 2;
    else if (order == "random-once")
        r.SoundRandom = 3;
    else if (auto n = ParseInt32(order))
        r.SoundRandom = *n;
    else
        throw UsageError("--music-order takes list, random, random-once or a number; not '" + order + "'");

    r.EffectCommaList.Clear();
    if (auto effects = o.Last("effects")) {
        for (const std::string& item : ParseCommaList(*effects))
            r.EffectCommaList.Add(std::to_string(Number(item, "effects", 0, 127)));
    } else {
        for (int k = 0; k <= 126; ++k)
            r.EffectCommaList.Add(std::to_string(k));
    }
}

void CommonContent(const Options& o, const std::string& folder, PackageContents& contents, std::ostream& err) {
    auto output = o.Last("output");
    if (!output)
        throw UsageError("no output file: give -o OUT.scr");
    contents.output = *output;
    contents.player = o.Last("player").value_or(Beside(folder, "player.scr"));
    FillRecord(o, contents.record, err);
    for (const std::string& path : o.All("sound"))
        contents.sounds.push_back(Entry(path));
    if (o.Flag("no-hook")) {
        if (o.Last("hook"))
            throw UsageError("--hook and --no-hook contradict each other");
    } else {
        contents.hook = o.Last("hook").value_or(Beside(folder, kHookLibraryFileName));
        // The default library must be there; a chosen one is checked with the other inputs.
        if (!o.Last("hook")) {
            std::FILE* probe = OpenForReading(*contents.hook);
            if (!probe)
                throw Error("no hook library at '" + *contents.hook + "': give --hook FILE, or --no-hook");
            std::fclose(probe);
        }
    }
    if (auto preview = o.Last("preview"))
        contents.preview = *preview;
}

// On the standard output with the rest of the report: the error output holds
// the one line of an error.
void WarnAboutSounds(const PackageContents& contents, std::ostream& out) {
    for (const InputEntry& sound : contents.sounds)
        if (std::string warning = SoundWarning(sound.path); !warning.empty())
            out << "mkscr: warning: " << warning << "\n";
}

void Report(std::ostream& out, const PackageContents& contents, const BuildResult& result) {
    out << "mkscr: wrote " << contents.output << " (" << result.size << " bytes: " << contents.presentation.size()
        << " presentation file" << (contents.presentation.size() == 1 ? "" : "s") << ", " << contents.sounds.size()
        << " sound track" << (contents.sounds.size() == 1 ? "" : "s") << ", " << (contents.hook ? "a" : "no")
        << " hook library, " << (result.previewClass.empty() ? "no preview" : "a preview picture") << ")\n";
    if (contents.presentation.empty() && contents.record.Ver == kPresentationContentKind)
        out << "mkscr: note: no presentation document (--document), so the saver will have nothing to show\n";
}

// Builds with the progress shown on `err` when asked, the line ended before
// anything else is printed (an error message too).
BuildResult BuildWithProgress(const PackageContents& contents, bool showProgress, std::ostream& err) {
    std::optional<ProgressLine> line;
    if (showProgress)
        line.emplace(err);
    ProgressReport report;
    if (line)
        report = [&](const BuildProgress& p) { line->Show(p); };
    return BuildPackage(contents, report);
}

int Build(const Options& o, const std::string& folder, bool showProgress, std::ostream& out, std::ostream& err) {
    if (!o.positional.empty())
        throw UsageError("unexpected argument '" + o.positional.front() + "' (see mkscr --help)");
    for (const char* slidesOnly : kSlidesOnly)
        if (o.Last(slidesOnly))
            throw UsageError(std::string("--") + slidesOnly + " belongs to mkscr slides");
    if (o.Flag("recursive"))
        throw UsageError("--recursive belongs to mkscr slides");
    PackageContents contents;
    CommonContent(o, folder, contents, err);
    if (auto document = o.Last("document"))
        contents.presentation.push_back(Entry(*document));
    else if (!o.All("file").empty())
        throw UsageError("presentation files given without a document: add --document FILE");
    for (const std::string& path : o.All("file"))
        contents.presentation.push_back(Entry(path));
    WarnAboutSounds(contents, out);
    BuildResult result = BuildWithProgress(contents, showProgress, err);
    Report(out, contents, result);
    return 0;
}

// A whole number 0..4294967295.
uint32_t Seed(const std::string& text) {
    const std::string_view digits = TrimBlanks(text);
    uint64_t value = 0;
    bool ok = !digits.empty() && digits.size() <= 10;
    for (char c : digits) {
        ok = ok && c >= '0' && c <= '9';
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!ok || value > 4294967295u)
        throw UsageError("--seed needs a whole number from 0 to 4294967295, not '" + text + "'");
    return static_cast<uint32_t>(value);
}

// The show line's options and how the slides are found, from the options.
void SlideOptions(const Options& o, SlideSearch& search, ShowOptions& show) {
    search.recursive = o.Flag("recursive");
    if (auto d = o.Last("duration"))
        search.durationMs = Number(*d, "duration", 1, 86400000);
    if (auto s = o.Last("style"))
        search.style = Number(*s, "style", 0, 127);
    const std::string order = o.Last("order").value_or("name");
    if (order == "name")
        search.order = SlideOrder::Name;
    else if (order == "date")
        search.order = SlideOrder::Date;
    else if (order == "shuffle")
        search.order = SlideOrder::Shuffle;
    else
        throw UsageError("--order takes name, date or shuffle; not '" + order + "'");

    show.shuffle = search.order == SlideOrder::Shuffle;
    if (auto fit = o.Last("fit")) {
        if (*fit != "contain" && *fit != "cover")
            throw UsageError("--fit takes contain or cover; not '" + *fit + "'");
        show.fit = *fit;
    }
    if (auto t = o.Last("transition"))
        show.transitionMs = Number(*t, "transition", 1, 86400000);
    if (auto u = o.Last("upscale"))
        show.upscale = Number(*u, "upscale", 1, 1000);
    if (auto seed = o.Last("seed"))
        show.seed = Seed(*seed);
    show.hideCursor = !o.Flag("show-cursor");
}

int Slides(const Options& o, const std::string& folder, bool showProgress, std::ostream& out, std::ostream& err) {
    if (o.Last("document") || o.Last("file"))
        throw UsageError("mkscr slides makes its own document: --document and --file are not used here");
    if (o.positional.empty())
        throw UsageError("mkscr slides needs a folder or pictures (see mkscr --help)");
    PackageContents contents;
    CommonContent(o, folder, contents, err);
    SlideSearch search;
    ShowOptions show;
    SlideOptions(o, search, show);
    // The record's interval says what the show does, unless given on its own.
    if (search.durationMs && !o.Last("interval"))
        contents.record.Interval = *search.durationMs;
    for (const InputEntry& sound : contents.sounds)
        search.reservedNames.push_back(sound.storedName);

    const SlideSelection selection = SelectSlides(o.positional, search);
    for (const std::string& line : selection.report)
        out << "mkscr: " << line << "\n";
    contents.presentation.push_back(
        InputEntry{kSlideDocumentName, kSlideDocumentName, WriteSlideList(selection.slides, show)});
    for (const Slide& slide : selection.slides)
        contents.presentation.push_back(InputEntry{slide.path, slide.storedName, std::nullopt});
    std::string viewer = o.Last("viewer").value_or(Beside(folder, "slideview.exe"));
    contents.presentation.push_back(InputEntry{viewer, kViewerFileName, std::nullopt});

    WarnAboutSounds(contents, out);
    BuildResult result = BuildWithProgress(contents, showProgress, err);
    Report(out, contents, result);
    const size_t count = selection.slides.size();
    out << "mkscr: " << count << " slide" << (count == 1 ? "" : "s") << " in " << kSlideDocumentName;
    if (selection.refused > 0)
        out << ", " << selection.refused << " file" << (selection.refused == 1 ? "" : "s") << " refused";
    out << "\n";
    return 0;
}

}  // namespace

int RunMkscr(const std::vector<std::string>& args,
             const std::string& programFolder,
             std::ostream& out,
             std::ostream& err,
             bool showProgress) {
    try {
        if (args.empty()) {
            err << "mkscr: nothing to do (see mkscr --help)\n";
            return 2;
        }
        std::string command = args[0];
        if (command == "--help" || command == "-h" || command == "help") {
            out << kHelp;
            return 0;
        }
        bool named = command == "build" || command == "slides" || command == "inspect";
        if (!named && command[0] != '-')
            throw UsageError("unknown command '" + command + "' (see mkscr --help)");
        Options o = ParseOptions(args, named ? 1 : 0);
        if (o.Flag("help")) {
            out << kHelp;
            return 0;
        }
        if (command == "inspect") {
            if (o.positional.size() != 1)
                throw UsageError("mkscr inspect takes one package");
            if (o.values.size() > 0 || o.flags.size() > (o.Flag("json") ? 1u : 0u))
                throw UsageError("mkscr inspect takes only --json");
            return Inspect(o.positional[0], o.Flag("json"), out, err);
        }
        if (o.Flag("json"))
            throw UsageError("--json belongs to mkscr inspect");
        if (command == "slides")
            return Slides(o, programFolder, showProgress, out, err);
        return Build(o, programFolder, showProgress, out, err);
    } catch (const UsageError& e) {
        err << "mkscr: " << e.what() << "\n";
        return 2;
    } catch (const Error& e) {
        err << "mkscr: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "mkscr: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace orlscr::mkscr
