#include "tools/slideview/slide_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/error.h"
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

class LineParser {
  public:
    LineParser(SlideList& list, int32_t line) : list_(list), line_(line) {}

    void Parse(std::string_view text) {
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
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest))
            ApplyOption(slide, token);
        list_.slides.push_back(std::move(slide));
    }

  private:
    void Problem(std::string_view text) {
        list_.problems.push_back("line " + std::to_string(line_) + ": " + std::string(text));
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

    void ApplyOption(Slide& slide, std::string_view token) {
        size_t equals = token.find('=');
        std::string key = LowerAscii(token.substr(0, equals == std::string_view::npos ? token.size() : equals));
        std::optional<int32_t> value;
        if (equals != std::string_view::npos)
            value = ParseInt32(token.substr(equals + 1));
        std::string quoted = "\"" + std::string(token) + "\"";
        if (key == "duration" && equals != std::string_view::npos) {
            if (value && *value >= 1 && *value <= kMaxSlideDurationMs)
                slide.duration_ms = *value;
            else
                Problem("duration must be a number of milliseconds from 1 to " + std::to_string(kMaxSlideDurationMs) +
                        ": " + quoted);
        } else if (key == "style" && equals != std::string_view::npos) {
            if (value && *value >= 0 && *value <= kMaxSlideStyle)
                slide.style = *value;
            else
                Problem("style must be a number from 0 to " + std::to_string(kMaxSlideStyle) + ": " + quoted);
        } else {
            Problem("unknown option " + quoted);
        }
    }

    SlideList& list_;
    int32_t line_;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

SlideList ParseSlideList(std::string_view text) {
    SlideList list;
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
        LineParser(list, line_number).Parse(line);
    }
    return list;
}

SlideList ReadSlideList(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw Error(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
    std::string text(kMaxSlideListBytes + 1, '\0');
    size_t size = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get()))
        throw Error(std::string("the file cannot be read (") + std::strerror(errno) + ")");
    if (size == 0)
        throw Error("the file is empty");
    if (size > kMaxSlideListBytes)
        throw Error("the file is larger than " + std::to_string(kMaxSlideListBytes >> 20) +
                    " MB, too large for a slide list");
    text.resize(size);
    SlideList list = ParseSlideList(text);
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
