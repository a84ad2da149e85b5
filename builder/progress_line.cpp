#include "builder/progress_line.h"

#include <cstdio>

namespace orlscr::mkscr {

namespace {

std::string Amount(int64_t bytes, int64_t total) {
    char text[64];
    if (total < (1 << 20))
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1 << 20));
    return text;
}

}  // namespace

std::string ProgressText(const BuildProgress& p) {
    const char* unit = p.bytesTotal < (1 << 20) ? " bytes" : " MB";
    return "mkscr: stored " + std::to_string(p.filesDone) + " of " + std::to_string(p.filesTotal) + " file" +
           (p.filesTotal == 1 ? "" : "s") + ", " + Amount(p.bytesDone, p.bytesTotal) + " of " +
           Amount(p.bytesTotal, p.bytesTotal) + unit;
}

void ProgressLine::Show(const BuildProgress& progress) {
    const bool complete = progress.bytesDone == progress.bytesTotal && progress.filesDone == progress.filesTotal;
    ShowText(ProgressText(progress), complete);
}

void ProgressLine::ShowText(const std::string& shown, bool now) {
    const auto time = std::chrono::steady_clock::now();
    if (shown_ && !now && time - last_ < std::chrono::milliseconds(100))
        return;
    last_ = time;
    std::string text = shown;
    const size_t length = text.size();
    if (length < shownLength_)
        text.append(shownLength_ - length, ' ');  // over what is left of a longer line
    shownLength_ = length;
    out_ << '\r' << text << std::flush;
    shown_ = true;
}

void ProgressLine::Finish() {
    if (shown_)
        out_ << '\n' << std::flush;
    shown_ = false;
}

}  // namespace orlscr::mkscr
