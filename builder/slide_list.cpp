#include "builder/slide_list.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <utility>

#include "common/error.h"
#include "common/read_file.h"
#include "common/text.h"

namespace orlscr {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLineBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits off the next blank-separated token of `rest`.
std::string_view NextToken(std::string_view& rest) {
    rest = TrimLineBlanks(rest);
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end);
    return token;
}

// Like NextToken, but a value in double quotes (caption="two words") may hold
// blanks; the quotes stay in the token. A value whose closing quote is missing
// runs to the end of the line.
std::string_view NextOptionToken(std::string_view& rest) {
    const std::string_view all = TrimLineBlanks(rest);
    std::string_view token = NextToken(rest);
    const size_t equals = token.find('=');
    if (equals == std::string_view::npos || equals + 1 >= token.size() || token[equals + 1] != '"')
        return token;
    const size_t open = static_cast<size_t>(token.data() - all.data()) + equals + 1;
    const size_t close = all.find('"', open + 1);
    const size_t end = close == std::string_view::npos ? all.size() : close + 1;
    rest = all.substr(end);
    return all.substr(0, end);
}

// Why a text cannot be a caption (empty when it can).
std::string CaptionProblem(std::string_view text) {
    if (text.size() > kMaxCaptionBytes)
        return "the caption is longer than " + std::to_string(kMaxCaptionBytes) + " characters";
    for (char c : text)
        if (static_cast<unsigned char>(c) < 32 || c == '"')
            return "the caption holds a control character or a double quote";
    return {};
}

// The text of a caption value, its quotes taken off; nullopt (with the reason
// in `problem`) when it cannot be a caption.
std::optional<std::string> CaptionValue(std::string_view value, std::string& problem) {
    if (!value.empty() && value.front() == '"') {
        if (value.size() < 2 || value.back() != '"') {
            problem = "the closing quote of the caption is missing";
            return std::nullopt;
        }
        value = value.substr(1, value.size() - 2);
    }
    problem = CaptionProblem(value);
    if (!problem.empty())
        return std::nullopt;
    return std::string(value);
}

// Why a slide's file name cannot stand in a list (empty when it can): the
// slide lies beside the list, so the name holds no folder part.
std::string NameProblem(const std::string& name) {
    if (name.empty())
        return "the slide name is empty";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32)
            return "the slide name holds a control character";
    if (name.find_first_of("\\/:") != std::string::npos || name == "." || name == "..")
        return "\"" + name + "\" names a folder; a slide must lie beside the slide list";
    return {};
}

// The parse of the whole list: slides with their own options, and the show
// lines' options, which count for the slides before them too.
class ListParser {
  public:
    explicit ListParser(SlideList& list) : list_(list) {}

    void ParseLine(int32_t line, std::string_view text) {
        line_ = line;
        if (text.front() == '!')
            ParseShowLine(text.substr(1));
        else
            ParseSlideLine(text);
    }

  private:
    void ParseShowLine(std::string_view rest) {
        SlideOptions options;
        ShowOptions& show = list_.show;
        for (std::string_view token = NextOptionToken(rest); !token.empty(); token = NextOptionToken(rest)) {
            const auto [key, value] = SplitOption(token);
            if (!value)
                Problem("unknown option " + Quoted(token));
            else if (key == "caption")
                SetWord(token, *value, {"none", "name", "date", "text"},
                        [&](size_t i) { show.caption = static_cast<CaptionMode>(i); });
            else if (key == "clock")
                SetWord(token, *value, {"off", "time", "date"},
                        [&](size_t i) { show.clock = static_cast<ClockMode>(i); });
            else if (key == "order")
                SetWord(token, *value, {"list", "shuffle"},
                        [&](size_t i) { show.order = i == 0 ? SlideOrder::kList : SlideOrder::kShuffle; });
            else if (key == "cursor")
                SetWord(token, *value, {"shown", "hidden"}, [&](size_t i) { show.hideCursor = i == 1; });
            else if (key == "seed") {
                if (std::optional<uint32_t> seed = ParseSeed(*value))
                    show.seed = seed;
                else
                    Problem("seed must be a number from 0 to " + std::to_string(kMaxSlideSeed) + ": " + Quoted(token));
            } else
                ApplySlideOption(options, token);
        }
        show.defaults = options.Over(show.defaults);
    }

    void ParseSlideLine(std::string_view text) {
        Slide slide;
        slide.line = line_;
        std::string_view rest;
        if (text.front() == '"') {
            size_t close = text.find('"', 1);
            if (close == std::string_view::npos) {
                Problem("the closing quote of the slide name is missing");
                return;
            }
            slide.fileName = std::string(text.substr(1, close - 1));
            rest = text.substr(close + 1);
        } else {
            // Unquoted, the name runs up to the first option, so a name with
            // blanks that was not quoted still comes through whole.
            rest = text;
            std::string_view first = NextToken(rest);
            size_t name_end = first.size();
            for (;;) {
                std::string_view probe = rest;
                std::string_view token = NextToken(probe);
                if (token.empty() || token.find('=') != std::string_view::npos)
                    break;
                rest = probe;
                name_end = static_cast<size_t>(token.data() + token.size() - text.data());
            }
            slide.fileName = std::string(text.substr(0, name_end));
        }
        if (const std::string problem = NameProblem(slide.fileName); !problem.empty()) {
            Problem(problem);
            return;
        }
        for (std::string_view token = NextOptionToken(rest); !token.empty(); token = NextOptionToken(rest)) {
            const auto [key, value] = SplitOption(token);
            if (key == "caption" && value) {
                std::string problem;
                if (std::optional<std::string> caption = CaptionValue(*value, problem))
                    slide.caption = std::move(caption);
                else
                    Problem(problem + ": " + Quoted(token));
            } else if (key == "order" || key == "seed" || key == "cursor" || key == "clock")
                Problem(Quoted(token) + " counts for the whole show; it belongs on a line that starts with !");
            else
                ApplySlideOption(slide.options, token);
        }
        list_.slides.push_back(std::move(slide));
    }

    void Problem(std::string_view text) {
        list_.problems.push_back("line " + std::to_string(line_) + ": " + std::string(text));
    }

    static std::string Quoted(std::string_view token) { return std::string("\"").append(token).append("\""); }

    // The lower-case key of "key=value", and the value when there is an '='.
    static std::pair<std::string, std::optional<std::string_view>> SplitOption(std::string_view token) {
        size_t equals = token.find('=');
        if (equals == std::string_view::npos)
            return {LowerAscii(token), std::nullopt};
        return {LowerAscii(token.substr(0, equals)), token.substr(equals + 1)};
    }

    // A value that is one of `words` (any case): `set` gets its index.
    template <typename Set>
    void SetWord(std::string_view token, std::string_view value, std::initializer_list<const char*> words, Set set) {
        const std::string lower = LowerAscii(value);
        size_t index = 0;
        for (const char* word : words) {
            if (lower == word) {
                set(index);
                return;
            }
            ++index;
        }
        const std::string key(token.substr(0, token.find('=')));
        std::string choice;
        for (auto word = words.begin(); word != words.end(); ++word)
            choice += (word == words.begin() ? "" : word + 1 == words.end() ? " or " : ", ") + std::string(*word);
        Problem(LowerAscii(key) + " must be " + choice + ": " + Quoted(token));
    }

    // A number from `low` to `high` for `target`, or a problem that says so.
    void SetNumber(std::string_view token,
                   std::string_view value,
                   int32_t low,
                   int32_t high,
                   std::string_view what,
                   std::optional<int32_t>& target) {
        if (const std::optional<int64_t> number = ParseWholeNumber(value, low, high))
            target = static_cast<int32_t>(*number);
        else
            Problem(std::string(what) + ": " + Quoted(token));
    }

    void ApplySlideOption(SlideOptions& options, std::string_view token) {
        const auto [key, value] = SplitOption(token);
        if (!value) {
            Problem("unknown option " + Quoted(token));
        } else if (key == "duration") {
            SetNumber(token, *value, kMinSlideDurationMs, kMaxSlideDurationMs,
                      "duration must be a number of milliseconds from " + std::to_string(kMinSlideDurationMs) + " to " +
                          std::to_string(kMaxSlideDurationMs),
                      options.durationMs);
        } else if (key == "style") {
            SetNumber(token, *value, 0, kMaxSlideStyle,
                      "style must be a number from 0 to " + std::to_string(kMaxSlideStyle), options.style);
        } else if (key == "transition") {
            SetNumber(token, *value, kMinTransitionMs, kMaxTransitionMs,
                      "transition must be a number of milliseconds from " + std::to_string(kMinTransitionMs) + " to " +
                          std::to_string(kMaxTransitionMs),
                      options.transitionMs);
        } else if (key == "upscale") {
            SetNumber(token, *value, kMinUpscale, kMaxUpscale, "upscale must be a whole number of at least 1",
                      options.upscale);
        } else if (key == "fit") {
            SetWord(token, *value, {"contain", "cover"},
                    [&](size_t i) { options.fit = i == 0 ? SlideFit::kContain : SlideFit::kCover; });
        } else if (key == "motion") {
            SetWord(token, *value, {"off", "on"}, [&](size_t i) { options.motion = i == 1; });
        } else if (key == "still") {
            SetWord(token, *value, {"yes", "no"}, [&](size_t i) { options.still = i == 0; });
        } else {
            Problem("unknown option " + Quoted(token));
        }
    }

    SlideList& list_;
    int32_t line_ = 0;
};

// " duration=4000 style=7": the options that are set, each within its limits.
std::string OptionsText(const SlideOptions& options, const std::string& of) {
    std::string text;
    auto number = [&](const char* key, const std::optional<int32_t>& value, int32_t low, int32_t high) {
        if (!value)
            return;
        if (*value < low || *value > high)
            throw Error("the slide option " + std::string(key) + "=" + std::to_string(*value) + " of " + of +
                        " is outside " + std::to_string(low) + " to " + std::to_string(high));
        text.append(" ").append(key).append("=").append(std::to_string(*value));
    };
    number("duration", options.durationMs, kMinSlideDurationMs, kMaxSlideDurationMs);
    number("style", options.style, 0, kMaxSlideStyle);
    if (options.fit)
        text += *options.fit == SlideFit::kCover ? " fit=cover" : " fit=contain";
    number("transition", options.transitionMs, kMinTransitionMs, kMaxTransitionMs);
    number("upscale", options.upscale, kMinUpscale, kMaxUpscale);
    if (options.motion)
        text += *options.motion ? " motion=on" : " motion=off";
    if (options.still)
        text += *options.still ? " still=yes" : " still=no";
    return text;
}

}  // namespace

SlideOptions SlideOptions::Over(const SlideOptions& base) const {
    return {durationMs ? durationMs : base.durationMs, style ? style : base.style,
            transitionMs ? transitionMs : base.transitionMs, fit ? fit : base.fit, upscale ? upscale : base.upscale,
            motion ? motion : base.motion, still ? still : base.still};
}

SlideList ParseSlideList(std::string_view text) {
    SlideList list;
    ListParser parser(list);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")  // saved by an editor as UTF-8 with a signature
        text.remove_prefix(3);
    int32_t line_number = 0;
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos)
            text = {};
        else
            text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
        ++line_number;
        if (line.size() > kMaxSlideListLine) {
            list.problems.push_back("line " + std::to_string(line_number) + ": longer than " +
                                    std::to_string(kMaxSlideListLine) + " characters");
            continue;
        }
        line = TrimLineBlanks(line);
        if (line.empty() || line.front() == '#')
            continue;
        parser.ParseLine(line_number, line);
    }
    return list;
}

std::vector<Slide> ResolvedSlides(const SlideList& list) {
    std::vector<Slide> slides = list.slides;
    for (Slide& slide : slides) {
        const SlideOptions options = slide.options.Over(list.show.defaults);
        slide.options = {options.DurationMs(), options.style, options.TransitionMs(), options.Fit(), options.Upscale(),
                         options.Motion(), options.Still()};
    }
    return slides;
}

std::string WriteSlideList(const std::vector<Slide>& slides, const ShowOptions& show) {
    std::string text = "# Slides in order: image file, then duration=MS and style=N where given\r\n";
    std::string options;
    if (show.order == SlideOrder::kShuffle)
        options += " order=shuffle";
    options += OptionsText(show.defaults, "the show");
    if (show.hideCursor)
        options += " cursor=hidden";
    if (show.seed)
        options += " seed=" + std::to_string(*show.seed);
    if (show.caption != CaptionMode::kNone)
        options += std::string(" caption=") + CaptionModeWord(show.caption);
    if (show.clock != ClockMode::kOff)
        options += std::string(" clock=") + ClockModeWord(show.clock);
    if (!options.empty())
        text += "!" + options + "\r\n";
    for (const Slide& slide : slides) {
        const std::string& name = slide.fileName;
        if (!NameProblem(name).empty() || name.find('"') != std::string::npos)
            throw Error("the image name '" + name + "' cannot be written in a slide list");
        std::string line = name.find_first_of(" \t") != std::string::npos || name[0] == '#' || name[0] == '!'
                               ? "\"" + name + "\""
                               : name;
        line += OptionsText(slide.options, "'" + name + "'");
        if (slide.caption) {
            if (const std::string problem = CaptionProblem(*slide.caption); !problem.empty())
                throw Error("the caption of '" + name + "' cannot be written in a slide list: " + problem);
            line += " caption=\"" + *slide.caption + "\"";
        }
        if (line.size() > kMaxSlideListLine)
            throw Error("the line of the image '" + name + "' is longer than the " + std::to_string(kMaxSlideListLine) +
                        " characters a slide list line holds");
        text += line + "\r\n";
    }
    return text;
}

const char* CaptionModeWord(CaptionMode mode) {
    static const char* const kWords[] = {"none", "name", "date", "text"};
    return kWords[static_cast<size_t>(mode)];
}

const char* ClockModeWord(ClockMode mode) {
    static const char* const kWords[] = {"off", "time", "date"};
    return kWords[static_cast<size_t>(mode)];
}

std::optional<uint32_t> ParseSeed(std::string_view text) {
    if (const std::optional<int64_t> seed = ParseWholeNumber(text, 0, kMaxSlideSeed))
        return static_cast<uint32_t>(*seed);
    return std::nullopt;
}

SlideList ReadSlideList(const std::string& path) {
    std::vector<uint8_t> bytes;
    try {
        bytes = ReadFileBytes(path, kMaxSlideListBytes);
    } catch (const FileReadError& error) {
        // The caller names the file.
        if (error.WhatFailed() == FileReadError::Reason::kTooLarge)
            throw Error(error.Detail() + ", too large for a slide list");
        throw Error(error.Detail());
    }
    if (bytes.empty())
        throw Error("the file is empty");
    SlideList list = ParseSlideList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (list.slides.empty()) {
        if (list.problems.empty())
            throw Error("it names no slide");
        throw Error("it names no usable slide (" + list.problems.front() + ")");
    }
    return list;
}

std::string CannotShowMessage(std::string_view path, std::string_view reason) {
    return "Cannot show " + std::string(path) + ": " + std::string(reason);
}

}  // namespace orlscr
