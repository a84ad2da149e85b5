#include "tools/mkscr/slides.h"

#include <algorithm>
#include <cstdio>

#include "common/error.h"
#include "common/text.h"
#include "tools/mkscr/folder.h"
#include "tools/mkscr/picture_kind.h"

namespace orlscr::mkscr {

namespace {

std::optional<std::string> Head(const std::string& path) {
    std::FILE* f = OpenForReading(path);
    if (!f)
        return std::nullopt;
    char buffer[16];
    size_t got = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    return std::string(buffer, got);
}

bool NameLess(const std::string& a, const std::string& b) {
    std::string la = LowerAscii(a), lb = LowerAscii(b);
    return la != lb ? la < lb : a < b;
}

}  // namespace

std::vector<std::string> CollectSlideImages(const std::vector<std::string>& arguments) {
    std::vector<std::string> images;
    for (const std::string& argument : arguments) {
        if (IsFolder(argument)) {
            std::vector<std::string> names;
            for (const std::string& name : FilesInFolder(argument)) {
                std::string path = PathInFolder(argument, name);
                auto head = Head(path);
                if (!head)
                    throw Error("cannot open '" + path + "' in the slide folder");
                if (IsSlideImage(*head))
                    names.push_back(name);
            }
            std::sort(names.begin(), names.end(), NameLess);
            for (const std::string& name : names)
                images.push_back(PathInFolder(argument, name));
            continue;
        }
        auto head = Head(argument);
        if (!head)
            throw Error("cannot open the slide image '" + argument + "'");
        if (!IsSlideImage(*head))
            throw Error("'" + argument + "' is not a JPEG or BMP picture");
        images.push_back(argument);
    }
    if (images.empty())
        throw Error("no JPEG or BMP pictures found for the slides");
    return images;
}

std::string WriteSlideList(const std::vector<Slide>& slides) {
    std::string text = "# Slides in order: image file, then duration=MS and style=N where given\r\n";
    for (const Slide& slide : slides) {
        const std::string& name = slide.storedName;
        if (name.find('"') != std::string::npos || name.find_first_of("\r\n") != std::string::npos || name.empty())
            throw Error("the image name '" + name + "' cannot be written in a slide list");
        if (name.find(' ') != std::string::npos || name.find('\t') != std::string::npos || name[0] == '#')
            text += "\"" + name + "\"";
        else
            text += name;
        if (slide.durationMs)
            text += " duration=" + std::to_string(*slide.durationMs);
        if (slide.style)
            text += " style=" + std::to_string(*slide.style);
        text += "\r\n";
    }
    return text;
}

}  // namespace orlscr::mkscr
