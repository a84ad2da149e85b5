#include "tools/studio/project_file.h"

#include <sstream>

#include "common/text.h"

namespace orlscr::studio {

namespace {

constexpr const char* kHeading = "# orlscr studio project";

// The slide list's option words for `options` (those it sets), each after a blank.
std::string OptionWords(const SlideOptions& options) {
    std::string words;
    auto add = [&](const char* key, const std::optional<int32_t>& v) {
        if (v)
            words += std::string(" ") + key + "=" + std::to_string(*v);
    };
    add("duration", options.durationMs);
    add("style", options.style);
    add("transition", options.transitionMs);
    if (options.fit)
        words += *options.fit == SlideFit::kCover ? " fit=cover" : " fit=contain";
    add("upscale", options.upscale);
    return words;
}

const char* OrderWord(ShowOrder order) {
    switch (order) {
        case ShowOrder::kNatural:
            return "natural";
        case ShowOrder::kDateTaken:
            return "date";
        case ShowOrder::kShuffle:
            return "shuffle";
        default:
            return "listed";
    }
}

const char* MusicOrderWord(MusicOrder order) {
    switch (order) {
        case MusicOrder::kRandom:
            return "random";
        case MusicOrder::kRandomOnce:
            return "random-once";
        default:
            return "list";
    }
}

}  // namespace

bool LooksLikeProject(std::string_view head) {
    return head.substr(0, std::string_view(kHeading).size()) == kHeading;
}

std::string WriteProject(const StudioProject& p) {
    std::ostringstream out;
    out << kHeading << "\r\n";
    if (std::string show = OptionWords(p.show); !show.empty())
        out << "!" << show << "\r\n";
    for (const StudioSlide& slide : p.slides)
        out << '"' << slide.path << '"' << OptionWords(slide.options) << "\r\n";
    out << "@order " << OrderWord(p.order) << "\r\n";
    for (const MusicTrack& track : p.music)
        out << "@music " << track.path << "\r\n";
    out << "@music-order " << MusicOrderWord(p.musicOrder) << "\r\n";
    if (p.mute)
        out << "@mute\r\n";
    std::string exit;
    for (auto [on, word] : {std::pair{p.exitOnMove, "move"}, {p.exitOnClick, "click"}, {p.exitOnKey, "key"}})
        if (on)
            exit += (exit.empty() ? "" : ",") + std::string(word);
    out << "@exit " << (exit.empty() ? "none" : exit) << "\r\n";
    out << "@cursor " << (p.showCursor ? "shown" : "hidden") << "\r\n";
    const std::pair<const char*, const std::string*> texts[] = {{"title", &p.title},
                                                                {"author", &p.author},
                                                                {"email", &p.email},
                                                                {"web", &p.web},
                                                                {"preview", &p.previewPicture}};
    for (const auto& [key, text] : texts)
        if (!text->empty())
            out << "@" << key << " " << *text << "\r\n";
    return out.str();
}

ReadProjectResult ParseProject(std::string_view text, const SlideChecker& check) {
    ReadProjectResult result;
    StudioProject& p = result.project;
    p.exitOnMove = p.exitOnClick = p.exitOnKey = false;
    bool exitGiven = false;
    std::vector<std::string> music;
    std::istringstream in{std::string(text)};
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = "line " + std::to_string(number) + ": ";
        const std::string trimmed(TrimBlanks(line));
        if (trimmed.empty() || trimmed[0] == '#')
            continue;
        if (trimmed[0] == '!' || trimmed[0] == '"') {
            std::string options = trimmed;
            std::string path;
            if (trimmed[0] == '"') {
                const size_t end = trimmed.find('"', 1);
                if (end == std::string::npos) {
                    result.problems.push_back(where + "the picture's path has no closing quote");
                    continue;
                }
                path = trimmed.substr(1, end - 1);
                options = "x" + trimmed.substr(end + 1);
            }
            // The slide list's own parser reads the options.
            const SlideList list = ParseSlideList(options);
            for (const std::string& problem : list.problems)
                result.problems.push_back(where + problem);
            if (path.empty()) {
                p.show = list.show.defaults;
            } else {
                StudioSlide slide = CheckedSlide(path, check);
                if (!list.slides.empty())
                    slide.options = list.slides.front().options;
                p.slides.push_back(std::move(slide));
            }
            continue;
        }
        if (trimmed[0] != '@') {
            result.problems.push_back(where + "not a slide, show or '@' line");
            continue;
        }
        const size_t blank = trimmed.find(' ');
        const std::string key = trimmed.substr(1, blank == std::string::npos ? std::string::npos : blank - 1);
        const std::string value =
            blank == std::string::npos ? std::string() : std::string(TrimBlanks(trimmed.substr(blank + 1)));
        auto unknownValue = [&] { result.problems.push_back(where + "'" + value + "' is no value of @" + key); };
        if (key == "order") {
            if (value == "listed")
                p.order = ShowOrder::kListed;
            else if (value == "natural")
                p.order = ShowOrder::kNatural;
            else if (value == "date")
                p.order = ShowOrder::kDateTaken;
            else if (value == "shuffle")
                p.order = ShowOrder::kShuffle;
            else
                unknownValue();
        } else if (key == "music") {
            music.push_back(value);
        } else if (key == "music-order") {
            if (value == "list")
                p.musicOrder = MusicOrder::kList;
            else if (value == "random")
                p.musicOrder = MusicOrder::kRandom;
            else if (value == "random-once")
                p.musicOrder = MusicOrder::kRandomOnce;
            else
                unknownValue();
        } else if (key == "mute") {
            p.mute = true;
        } else if (key == "exit") {
            exitGiven = true;
            std::istringstream words(value);
            for (std::string word; std::getline(words, word, ',');) {
                word = std::string(TrimBlanks(word));
                if (word == "move")
                    p.exitOnMove = true;
                else if (word == "click")
                    p.exitOnClick = true;
                else if (word == "key")
                    p.exitOnKey = true;
                else if (word != "none")
                    result.problems.push_back(where + "'" + word + "' ends no saver");
            }
        } else if (key == "cursor") {
            p.showCursor = value == "shown";
        } else if (key == "title") {
            p.title = value;
        } else if (key == "author") {
            p.author = value;
        } else if (key == "email") {
            p.email = value;
        } else if (key == "web") {
            p.web = value;
        } else if (key == "preview") {
            p.previewPicture = value;
        } else {
            result.problems.push_back(where + "unknown key @" + key);
        }
    }
    if (!exitGiven) {
        const StudioProject defaults;
        p.exitOnMove = defaults.exitOnMove;
        p.exitOnClick = defaults.exitOnClick;
        p.exitOnKey = defaults.exitOnKey;
    }
    AddMusic(p, music);
    return result;
}

}  // namespace orlscr::studio
