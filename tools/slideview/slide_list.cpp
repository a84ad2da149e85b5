#include "tools/slideview/slide_list.h"

#include <cstring>
#include <initializer_list>
#include <limits>
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

// The slide options a line sets; what it leaves out comes from the show
// lines, or else the defaults.
struct SlideOptions {
    std::optional<int32_t> duration_ms;
    std::optional<int32_t> style;
    std::optional<int32_t> transition_ms;
    std::optional<SlideFit> fit;
    std::optional<int32_t> upscale;

    // Every option this one sets replaces the one of `base`.
    SlideOptions Over(const SlideOptions& base) const {
        return {duration_ms ? duration_ms : base.duration_ms, style ? style : base.style,
                transition_ms ? transition_ms : base.transition_ms, fit ? fit : base.fit,
                upscale ? upscale : base.upscale};
    }
};

// An unsigned 32-bit decimal number and nothing else.
std::optional<uint32_t> ParseUint32(std::string_view text) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// The parse of the whole list: slides with their own options, and the show
// lines' options, resolved together at the end since a show line counts for
// the slides before it too.
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

    void Finish() {
        for (size_t i = 0; i < list_.slides.size(); ++i) {
            const SlideOptions options = own_[i].Over(show_defaults_);
            Slide& slide = list_.slides[i];
            slide.duration_ms = options.duration_ms.value_or(kDefaultSlideDurationMs);
            slide.style = options.style;
            slide.transition_ms = options.transition_ms.value_or(kDefaultTransitionMs);
            slide.fit = options.fit.value_or(SlideFit::kContain);
            slide.upscale = options.upscale.value_or(kDefaultUpscale);
        }
    }

  private:
    void ParseShowLine(std::string_view rest) {
        SlideOptions options;
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            const auto [key, value] = SplitOption(token);
            if (!value)
                Problem("unknown option " + Quoted(token));
            else if (key == "order")
                SetWord(token, *value, {"list", "shuffle"}, [&](size_t i) {
                    list_.show.order = i == 0 ? SlideOrder::kList : SlideOrder::kShuffle;
                });
            else if (key == "cursor")
                SetWord(token, *value, {"shown", "hidden"}, [&](size_t i) { list_.show.hide_cursor = i == 1; });
            else if (key == "seed") {
                if (std::optional<uint32_t> seed = ParseUint32(*value))
                    list_.show.seed = seed;
                else
                    Problem("seed must be a number from 0 to 4294967295: " + Quoted(token));
            } else
                ApplySlideOption(options, token);
        }
        show_defaults_ = options.Over(show_defaults_);
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
            slide.file_name = std::string(text.substr(1, close - 1));
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
            slide.file_name = std::string(text.substr(0, name_end));
        }
        if (!CheckName(slide.file_name))
            return;
        SlideOptions options;
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            const std::string key = SplitOption(token).first;
            if (key == "order" || key == "seed" || key == "cursor")
                Problem(Quoted(token) + " counts for the whole show; it belongs on a line that starts with !");
            else
                ApplySlideOption(options, token);
        }
        list_.slides.push_back(std::move(slide));
        own_.push_back(options);
    }

    void Problem(std::string_view text) {
        list_.problems.push_back("line " + std::to_string(line_) + ": " + std::string(text));
    }

    static std::string Quoted(std::string_view token) { return "\"" + std::string(token) + "\""; }

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
        Problem(LowerAscii(key) + " must be " + *words.begin() + " or " + *(words.begin() + 1) + ": " + Quoted(token));
    }

    // A number from `low` to `high` for `target`, or a problem that says so.
    void SetNumber(std::string_view token, std::string_view value, int32_t low, int32_t high, std::string_view what,
                   std::optional<int32_t>& target) {
        const std::optional<int32_t> number = ParseInt32(value);
        if (number && *number >= low && *number <= high)
            target = number;
        else
            Problem(std::string(what) + ": " + Quoted(token));
    }

    void ApplySlideOption(SlideOptions& options, std::string_view token) {
        const auto [key, value] = SplitOption(token);
        if (!value) {
            Problem("unknown option " + Quoted(token));
        } else if (key == "duration") {
            SetNumber(token, *value, 1, kMaxSlideDurationMs,
                      "duration must be a number of milliseconds from 1 to " + std::to_string(kMaxSlideDurationMs),
                      options.duration_ms);
        } else if (key == "style") {
            SetNumber(token, *value, 0, kMaxSlideStyle, "style must be a number from 0 to " + std::to_string(kMaxSlideStyle),
                      options.style);
        } else if (key == "transition") {
            SetNumber(token, *value, 0, kMaxTransitionMs,
                      "transition must be a number of milliseconds from 0 to " + std::to_string(kMaxTransitionMs),
                      options.transition_ms);
        } else if (key == "upscale") {
            SetNumber(token, *value, 1, std::numeric_limits<int32_t>::max(), "upscale must be a whole number of at least 1",
                      options.upscale);
        } else if (key == "fit") {
            SetWord(token, *value, {"contain", "cover"},
                    [&](size_t i) { options.fit = i == 0 ? SlideFit::kContain : SlideFit::kCover; });
        } else {
            Problem("unknown option " + Quoted(token));
        }
    }

    bool CheckName(const std::string& name) {
        if (name.empty()) {
            Problem("the slide name is empty");
            return false;
        }
        for (char c : name) {
            if (static_cast<unsigned char>(c) < 32) {
                Problem("the slide name holds a control character");
                return false;
            }
        }
        if (name.find_first_of("\\/:") != std::string::npos || name == "." || name == "..") {
            Problem("\"" + name + "\" names a folder; a slide must lie beside the slide list");
            return false;
        }
        return true;
    }

    SlideList& list_;
    int32_t line_ = 0;
    std::vector<SlideOptions> own_;  // one per slide of list_
    SlideOptions show_defaults_;
};

}  // namespace

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
    parser.Finish();
    return list;
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
