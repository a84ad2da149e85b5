#include "tools/studio/studio_build.h"

#include <map>
#include <sstream>

#include "common/error.h"

namespace orlscr::studio {

namespace {

void Set(CommandLine& o, const char* name, std::string value) {
    o.values[name].push_back(std::move(value));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("mkscr: ", 0) == 0)
            line.erase(0, 7);
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

}  // namespace

CommandLine BuildOptions(const StudioProject& p, const std::string& output) {
    CommandLine o;
    for (const StudioSlide* slide : ShownSlides(p))
        o.positional.push_back(slide->path);
    Set(o, "output", output);
    Set(o, "order", p.order == ShowOrder::kDateTaken ? "date" : p.order == ShowOrder::kShuffle ? "shuffle" : "name");
    if (p.show.fit)
        Set(o, "fit", *p.show.fit == SlideFit::kCover ? "cover" : "contain");
    if (p.show.durationMs)
        Set(o, "duration", std::to_string(*p.show.durationMs));
    if (p.show.transitionMs)
        Set(o, "transition", std::to_string(*p.show.transitionMs));
    if (p.show.style)
        Set(o, "style", std::to_string(*p.show.style));
    for (const MusicTrack& track : p.music)
        Set(o, "sound", track.path);
    Set(o, "music-order",
        p.musicOrder == MusicOrder::kRandom       ? "random"
        : p.musicOrder == MusicOrder::kRandomOnce ? "random-once"
                                                  : "list");
    if (p.mute)
        o.switches.insert("mute");
    std::string exit;
    for (auto [on, word] : {std::pair{p.exitOnMove, "move"}, {p.exitOnClick, "click"}, {p.exitOnKey, "key"}})
        if (on)
            exit += (exit.empty() ? "" : ",") + std::string(word);
    Set(o, "exit", exit.empty() ? "none" : exit);
    if (p.showCursor)
        o.switches.insert("show-cursor");
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &p.title}, {"author", &p.author}, {"email", &p.email}, {"web", &p.web}};
    for (const auto& [name, text] : texts)
        if (!text->empty())
            Set(o, name, *text);
    if (!p.previewPicture.empty())
        Set(o, "preview", p.previewPicture);
    return o;
}

void ApplySlideOptions(const StudioProject& project, mkscr::SlideSelection& selection) {
    std::map<std::string, SlideOptions> own;
    for (const StudioSlide& slide : project.slides)
        own.emplace(slide.path, slide.options);
    for (mkscr::SelectedSlide& selected : selection.slides)
        if (auto it = own.find(selected.path); it != own.end())
            selected.slide.options = it->second;
}

BuildOutcome BuildProject(StudioProject project,
                          const std::string& output,
                          const std::string& programFolder,
                          const std::atomic<bool>& cancel,
                          const mkscr::ProgressReport& progress) {
    // Pictures added a moment ago may not have been checked yet.
    CheckPendingSlides(project, cancel);
    if (cancel) {
        BuildOutcome outcome;
        outcome.cancelled = true;
        outcome.error = kCancelledMessage;
        return outcome;
    }
    std::map<std::string, const StudioSlide*> checked;
    for (const StudioSlide& slide : project.slides)
        checked.emplace(slide.path, &slide);
    auto stopIfCancelled = [&] {
        if (cancel)
            throw Error(kCancelledMessage);
    };

    mkscr::SlideShowHooks hooks;
    hooks.check = [&](const std::string& path, const SlideChecker& builderCheck) {
        stopIfCancelled();
        // A picture the project found refused stays refused; the others are
        // checked again by the builder, which converts and reduces them.
        auto known = checked.find(path);
        if (known == checked.end() || known->second->refusal.empty())
            return builderCheck(path);
        mkscr::SlidePictureCheck check;
        check.refusal = known->second->refusal;
        check.extension = known->second->extension;
        return check;
    };
    hooks.adjust = [&](mkscr::SlideSelection& selection) { ApplySlideOptions(project, selection); };
    hooks.progress = [&](const mkscr::BuildProgress& p) {
        stopIfCancelled();
        if (progress)
            progress(p);
    };

    BuildOutcome outcome;
    std::ostringstream out;
    std::ostringstream err;
    try {
        mkscr::BuildSlideShowPackage(BuildOptions(project, output), programFolder, hooks, out, err);
        outcome.ok = true;
    } catch (const std::exception& e) {
        outcome.error = e.what();
        outcome.cancelled = cancel && outcome.error == kCancelledMessage;
    }
    outcome.report = Lines(out.str() + err.str());
    return outcome;
}

}  // namespace orlscr::studio
