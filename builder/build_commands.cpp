#include "builder/build_commands.h"

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <optional>

#include "builder/folder.h"
#include "builder/memory_budget.h"
#include "builder/mkscr_options.h"
#include "builder/package_builder.h"
#include "builder/presentation.h"
#include "builder/progress_line.h"
#include "builder/scratch_file.h"
#include "builder/slide_list.h"
#include "builder/slide_picture_check.h"
#include "builder/slide_selection.h"
#include "builder/sound_check.h"
#include "builder/system_text.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/text.h"
#include "package/code_page.h"
#include "package/comma_list.h"
#include "package/package_contract.h"
#include "picture/decode.h"
#include "picture/load.h"
#include "raster/fit.h"

namespace orlscr::mkscr {

namespace {

// A UTF-8 text or name as single-byte text of the record.
std::string RecordText(const std::string& text, const std::string& what) {
    auto converted = ToRecordText(text);
    if (!converted)
        throw Error(what + " '" + text + "' has characters that " + RecordCodePageName() + " cannot hold");
    return *converted;
}

int32_t Number(const std::string& text, const std::string& option, int32_t min, int32_t max) {
    const std::optional<int64_t> v = ParseWholeNumber(text, min, max);
    if (!v)
        throw UsageError("--" + option + " needs a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    return static_cast<int32_t>(*v);
}

InputEntry Entry(const std::string& path) {
    return InputEntry{path, RecordText(BaseName(path), "the file name"), std::nullopt};
}

std::string Beside(const std::string& folder, const char* name) {
    return PathInFolder(folder, name);
}

// The record's texts and switches from the options, with the builder's defaults.
void FillRecord(const CommandLine& o, TSSFileLocations& r, std::ostream& err) {
    r.Title = RecordText(o.Last("title").value_or(""), "the title");
    r.Author = RecordText(o.Last("author").value_or(""), "the author");
    r.Email = RecordText(o.Last("email").value_or(""), "the mail address");
    r.Web = RecordText(o.Last("web").value_or(""), "the web address");
    r.Ver = RecordText(o.Last("ver").value_or(kPresentationContentKind), "the kind of content");
    r.Text = RecordText(o.Last("text").value_or(""), "the text");
    r.Interval = o.Last("interval") ? Number(*o.Last("interval"), "interval", 0, 2147483647) : 5000;
    r.lShowMouseCursor = o.Switch("show-cursor");
    r.lMute = o.Switch("mute");

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

void CommonContent(const CommandLine& o, const std::string& folder, PackageContents& contents, std::ostream& err) {
    auto output = o.Last("output");
    if (!output)
        throw UsageError("no output file: give -o OUT.scr");
    contents.output = *output;
    contents.player = o.Last("player").value_or(Beside(folder, "player.scr"));
    FillRecord(o, contents.record, err);
    for (const std::string& path : o.All("sound"))
        contents.sounds.push_back(Entry(path));
    if (o.Switch("no-hook")) {
        if (o.Last("hook"))
            throw UsageError("--hook and --no-hook contradict each other");
    } else {
        contents.hook = o.Last("hook").value_or(Beside(folder, kHookLibraryFileName));
        // The default library must be there; a chosen one is checked with the other inputs.
        if (!o.Last("hook")) {
            if (!UniqueCFile(OpenForReading(*contents.hook)))
                throw Error("no hook library at '" + *contents.hook + "': give --hook FILE, or --no-hook");
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
        << " hook library, "
        << (result.previewClass.empty() ? "no preview"
            : contents.preview          ? "a preview picture"
                                        : "a preview picture made from the first slide")
        << ")\n";
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

// The size of the preview picture made from the first slide: what the player
// draws the preview into in the display settings' little monitor, a 152 x 112
// window whose outer rectangle counts both edges (PreviewSizeOf in
// entry/preview.h). It stretches the picture to that size, so a picture of
// exactly this size is shown as it is.
constexpr int32_t kPreviewWidth = 153;
constexpr int32_t kPreviewHeight = 113;

// The first slide as the show shows it, in the preview's size, as a JPEG file.
std::string PreviewOfSlide(const SelectedSlide& slide, const ShowOptions& show) {
    Bitmap picture;
    if (slide.made) {
        const std::string bytes = slide.made->file->Read(slide.made->offset, static_cast<size_t>(slide.made->size));
        DecodeOptions options;
        options.targetWidth = kPreviewWidth;
        options.targetHeight = kPreviewHeight;
        picture = DecodePictureFile(bytes, options);
    } else {
        picture = DecodeSlidePicture(slide.path, kPreviewWidth, kPreviewHeight);
    }
    const Bitmap frame = ComposeSlide(picture, kPreviewWidth, kPreviewHeight,
                                      show.defaults.fit.value_or(SlideFit::kContain), kMaxUpscale);
    const std::vector<uint8_t> jpeg = EncodeJpegFile(frame);
    return std::string(jpeg.begin(), jpeg.end());
}

// The show line's options and how the slides are found, from the options.
void ShowFromOptions(const CommandLine& o, SlideSearch& search, ShowOptions& show) {
    search.recursive = o.Switch("recursive");
    search.hidden = o.Switch("hidden");
    search.allowDamaged = o.Switch("allow-damaged");
    if (auto d = o.Last("duration"))
        search.options.durationMs = Number(*d, "duration", kMinSlideDurationMs, kMaxSlideDurationMs);
    if (auto s = o.Last("style"))
        search.options.style = Number(*s, "style", 0, kMaxSlideStyle);
    const std::string order = o.Last("order").value_or("name");
    if (order == "name" || order == "shuffle")
        search.order = PictureOrder::Name;
    else if (order == "date")
        search.order = PictureOrder::Date;
    else
        throw UsageError("--order takes name, date or shuffle; not '" + order + "'");

    // The viewer draws a new order on every run from the name order.
    show.order = order == "shuffle" ? SlideOrder::kShuffle : SlideOrder::kList;
    if (auto fit = o.Last("fit")) {
        if (*fit != "contain" && *fit != "cover")
            throw UsageError("--fit takes contain or cover; not '" + *fit + "'");
        show.defaults.fit = *fit == "cover" ? SlideFit::kCover : SlideFit::kContain;
    }
    if (auto t = o.Last("transition"))
        show.defaults.transitionMs = Number(*t, "transition", kMinTransitionMs, kMaxTransitionMs);
    if (auto u = o.Last("upscale"))
        show.defaults.upscale = Number(*u, "upscale", kMinUpscale, kMaxUpscale);
    if (o.Switch("still"))
        show.defaults.still = true;
    if (auto seed = o.Last("seed")) {
        show.seed = ParseSeed(*seed);
        if (!show.seed)
            throw UsageError("--seed needs a whole number from 0 to " + std::to_string(kMaxSlideSeed) + ", not '" +
                             *seed + "'");
    }
    show.hideCursor = !o.Switch("show-cursor");
    if (auto caption = o.Last("caption")) {
        const char* const words[] = {"none", "name", "date", "text"};
        const auto found = std::find(std::begin(words), std::end(words), *caption);
        if (found == std::end(words))
            throw UsageError("--caption takes none, name, date or text; not '" + *caption + "'");
        show.caption = static_cast<CaptionMode>(found - std::begin(words));
    }
    if (auto clock = o.Last("clock")) {
        if (*clock != "time" && *clock != "date")
            throw UsageError("--clock takes time or date; not '" + *clock + "'");
        show.clock = *clock == "date" ? ClockMode::kDate : ClockMode::kTime;
    }
    if (o.Switch("motion"))
        show.defaults.motion = true;
}

// How presentations are rendered, from the options.
PresentationRequest PresentationFromOptions(const CommandLine& o) {
    PresentationRequest request;
    if (auto size = o.Last("size")) {
        const size_t x = LowerAscii(*size).find('x');
        const auto w = x == std::string::npos ? std::nullopt : ParseWholeNumber(size->substr(0, x), 16, 16384);
        const auto h = x == std::string::npos ? std::nullopt : ParseWholeNumber(size->substr(x + 1), 16, 16384);
        if (!w || !h)
            throw UsageError("--size needs WIDTHxHEIGHT, each from 16 to 16384 pixels, not '" + *size + "'");
        request.width = static_cast<int32_t>(*w);
        request.height = static_cast<int32_t>(*h);
    }
    request.ignoreTimings = o.Switch("ignore-timings");
    if (auto limit = o.Last("time-limit"))
        request.timeLimit = std::chrono::seconds(Number(*limit, "time-limit", 1, 24 * 60 * 60));
    return request;
}

// The size bound of the stored pictures, from --max-size and --originals.
StoreBound BoundFromOptions(const CommandLine& o) {
    StoreBound bound;
    bound.originals = o.Switch("originals");
    if (auto size = o.Last("max-size")) {
        if (bound.originals)
            throw UsageError("--max-size and --originals contradict each other");
        const size_t x = LowerAscii(*size).find('x');
        const std::optional<int64_t> w =
            x == std::string::npos ? std::nullopt : ParseWholeNumber(size->substr(0, x), 16, 65535);
        const std::optional<int64_t> h =
            x == std::string::npos ? std::nullopt : ParseWholeNumber(size->substr(x + 1), 16, 65535);
        if (!w || !h)
            throw UsageError("--max-size needs WIDTHxHEIGHT, each from 16 to 65535 (3840x2160), not '" + *size + "'");
        bound.maxWidth = static_cast<int32_t>(*w);
        bound.maxHeight = static_cast<int32_t>(*h);
    }
    return bound;
}

// "12.3 MB" (as the progress line counts), "950 bytes" below 100 kB.
std::string Amount(int64_t bytes) {
    if (bytes < 100000)
        return std::to_string(bytes) + " bytes";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

}  // namespace

void CheckOptionsOf(const CommandLine& options, unsigned command) {
    for (const CommandOption& option : MkscrOptions()) {
        if ((option.commands & command) || !options.Given(option.name))
            continue;
        if (command == kInspectCommand)
            throw UsageError("mkscr inspect takes only --json");
        if (option.commands == kBuildCommand)
            throw UsageError("mkscr slides makes its own document: --document and --file are not used here");
        throw UsageError(std::string("--") + option.name + " belongs to mkscr " +
                         (option.commands == kSlidesCommand ? "slides" : "inspect"));
    }
}

int BuildPresentationPackage(const CommandLine& o,
                             const std::string& programFolder,
                             bool showProgress,
                             std::ostream& out,
                             std::ostream& err) {
    if (!o.positional.empty())
        throw UsageError("unexpected argument '" + o.positional.front() + "' (see mkscr --help)");
    CheckOptionsOf(o, kBuildCommand);
    PackageContents contents;
    CommonContent(o, programFolder, contents, err);
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

namespace {

// The slide show; `line`, when given, is ended before the report.
int BuildSlides(const CommandLine& o,
                const std::string& programFolder,
                const SlideShowHooks& hooks,
                ProgressLine* line,
                std::ostream& out,
                std::ostream& err) {
    CheckOptionsOf(o, kSlidesCommand);
    if (o.positional.empty())
        throw UsageError("mkscr slides needs a folder or pictures (see mkscr --help)");
    PackageContents contents;
    CommonContent(o, programFolder, contents, err);
    SlideSearch search;
    ShowOptions show;
    ShowFromOptions(o, search, show);
    // The record's interval says what the show does, unless given on its own.
    if (search.options.durationMs && !o.Last("interval"))
        contents.record.Interval = *search.options.durationMs;
    for (const InputEntry& sound : contents.sounds)
        search.reservedNames.push_back(sound.storedName);

    // Slides rendered from presentations lie in a work folder until the
    // package is written; it goes on every path out.
    std::optional<WorkFolder> work;
    std::optional<ProgressLine> rendering;
    PresentationRequest request = PresentationFromOptions(o);
    bool toolsFound = false;
    search.presentations = [&](const std::string& path) {
        if (!work)
            work.emplace("mkscr-slides");
        if (!toolsFound) {
            request.tools = FindPresentationTools(programFolder);
            toolsFound = true;
            if (line) {
                rendering.emplace(err);
                request.progress = [&](const std::string& text) { rendering->ShowText("mkscr: " + text); };
            }
        }
        return RenderPresentation(path, request, *work);
    };
    const StoreBound bound = BoundFromOptions(o);
    const auto memory = o.Last("memory");
    PictureMemoryBudget().SetLimit(memory ? int64_t{Number(*memory, "memory", 16, 1 << 20)} << 20
                                          : kPictureMemoryBudget);
    const auto scratch = std::make_shared<ScratchFile>();
    const SlideChecker builderCheck = [&](const std::string& path) { return CheckSlidePicture(path, bound, scratch); };
    SlideChecker check = builderCheck;
    if (hooks.check)
        check = [&](const std::string& path) { return hooks.check(path, builderCheck); };
    SlideSelection selection;
    try {
        selection = SelectSlides(o.positional, search, check);
    } catch (const NoSlidesError& error) {
        rendering.reset();
        for (const std::string& line : error.report)
            out << "mkscr: " << line << "\n";
        throw;
    }
    rendering.reset();
    if (hooks.adjust)
        hooks.adjust(selection);
    for (const std::string& line : selection.report)
        out << "mkscr: " << line << "\n";
    contents.presentation.push_back(
        InputEntry{kSlideDocumentName, kSlideDocumentName, WriteSlideList(ListedSlides(selection), show)});
    for (const SelectedSlide& selected : selection.slides)
        contents.presentation.push_back(
            InputEntry{selected.path, selected.slide.fileName, std::nullopt, selected.made});
    if (!contents.preview) {
        try {
            contents.madePreview = PreviewOfSlide(selection.slides.front(), show);
        } catch (const Error& error) {
            out << "mkscr: warning: no preview picture made from the first slide: " << error.what() << "\n";
        } catch (const std::bad_alloc&) {
            out << "mkscr: warning: no preview picture made from the first slide: not enough memory\n";
        }
    }
    std::string viewer = o.Last("viewer").value_or(Beside(programFolder, "slideview.exe"));
    contents.presentation.push_back(InputEntry{viewer, kViewerFileName, std::nullopt});

    WarnAboutSounds(contents, out);
    BuildResult result = BuildPackage(contents, hooks.progress);
    if (line)
        line->Finish();
    Report(out, contents, result);
    const size_t count = selection.slides.size();
    out << "mkscr: " << count << " slide" << (count == 1 ? "" : "s") << " in " << kSlideDocumentName;
    if (selection.refused > 0)
        out << ", " << selection.refused << " file" << (selection.refused == 1 ? "" : "s") << " refused";
    out << "\n";
    if (selection.made > 0)
        out << "mkscr: " << selection.made << " picture" << (selection.made == 1 ? "" : "s")
            << " converted or reduced: " << Amount(selection.madeBytes) << " stored for "
            << Amount(selection.madeFromBytes) << " of files, "
            << (selection.madeBytes <= selection.madeFromBytes
                    ? Amount(selection.madeFromBytes - selection.madeBytes) + " saved\n"
                    : Amount(selection.madeBytes - selection.madeFromBytes) + " more\n");
    return 0;
}

}  // namespace

int BuildSlideShowPackage(const CommandLine& o,
                          const std::string& programFolder,
                          bool showProgress,
                          std::ostream& out,
                          std::ostream& err) {
    std::optional<ProgressLine> line;
    if (showProgress)
        line.emplace(err);
    SlideShowHooks hooks;
    if (line)
        hooks.progress = [&](const BuildProgress& p) { line->Show(p); };
    return BuildSlides(o, programFolder, hooks, line ? &*line : nullptr, out, err);
}

int BuildSlideShowPackage(const CommandLine& o,
                          const std::string& programFolder,
                          const SlideShowHooks& hooks,
                          std::ostream& out,
                          std::ostream& err) {
    return BuildSlides(o, programFolder, hooks, nullptr, out, err);
}

}  // namespace orlscr::mkscr
