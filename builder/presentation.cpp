#include "builder/presentation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <optional>

#include "builder/child_process.h"
#include "builder/folder.h"
#include "builder/package_builder.h"
#include "builder/presentation_show.h"
#include "builder/zip_reader.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/text.h"
#include "picture/decode.h"

namespace orlscr::mkscr {

namespace {

// More pages than any show has: a PDF that claims more is refused before
// anything is rendered.
constexpr int kMaxPages = 10000;
constexpr int kJpegQuality = 92;

std::string Extension(const std::string& path) {
    const std::string name = BaseName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : LowerAscii(name.substr(dot + 1));
}

std::string Stem(const std::string& path) {
    const std::string name = BaseName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsZipDocument(const std::string& extension) {
    return extension == "pptx" || extension == "ppsx" || extension == "odp";
}

// The first bytes of the file; throws for one that cannot be read.
std::string Head(const std::string& path, size_t count) {
    UniqueCFile file(OpenForReading(path));
    if (!file)
        throw Error("'" + path + "' cannot be opened");
    std::string bytes(count, '\0');
    bytes.resize(std::fread(bytes.data(), 1, count, file.get()));
    return bytes;
}

// The last line of a program's output that says something, for a message.
std::string LastLine(const std::string& output) {
    std::string_view rest = output;
    std::string last;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = TrimBlanks(rest.substr(0, end));
        if (!line.empty())
            last = std::string(line);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (last.size() > 200)
        last = last.substr(0, 200) + "...";
    return last;
}

std::string Seconds(std::chrono::milliseconds limit) {
    return std::to_string((limit.count() + 999) / 1000) + " s";
}

ChildOutcome Run(const std::string& path,
                 const std::vector<std::string>& command,
                 const PresentationRequest& request,
                 const std::string& what) {
    ChildOutcome outcome = RunChildProcess(command, request.timeLimit);
    if (outcome.timedOut)
        throw Error("'" + path + "' cannot be converted: " + what + " did not finish within " +
                    Seconds(request.timeLimit) + " and was stopped (--time-limit gives it longer)");
    return outcome;
}

// Converts with LibreOffice into `format` ("pdf", "pptx"); the result's path.
std::string Convert(const std::string& path,
                    const std::string& input,
                    const std::string& format,
                    const PresentationRequest& request,
                    const WorkFolder& work,
                    const std::string& folder) {
    if (!request.tools.converter)
        throw Error("'" + path + "' cannot be converted: " + MissingConverterAdvice());
    const std::string out = work.MakeFolder(folder);
    // A profile of its own: a LibreOffice the user has open is neither
    // disturbed nor used, and nothing of the user's settings changes.
    const std::string profile = work.PathOf("profile");
    const ChildOutcome outcome =
        Run(path,
            {*request.tools.converter, "-env:UserInstallation=" + FileUrl(profile), "--headless", "--invisible",
             "--norestore", "--nologo", "--nodefault", "--nolockcheck", "--convert-to", format, "--outdir", out, input},
            request, "LibreOffice");
    const std::string result = PathInFolder(out, Stem(input) + "." + format);
    if (SizeOfFile(result).value_or(0) == 0) {
        const std::string said = LastLine(outcome.output);
        throw Error("'" + path + "' cannot be converted: LibreOffice made nothing of it (it may be damaged" +
                    (said.empty() ? std::string(")") : "; it said: " + said + ")"));
    }
    return result;
}

struct PdfPage {
    double width = 0, height = 0;  // as shown, turned by the page's rotation
};

// The pages of the PDF by pdfinfo.
std::vector<PdfPage> PdfPages(const std::string& path, const std::string& pdf, const PresentationRequest& request) {
    if (!request.tools.pageInfo || !request.tools.pageRenderer)
        throw Error("'" + path + "' cannot be rendered: " + MissingRendererAdvice());
    const ChildOutcome outcome =
        Run(path, {*request.tools.pageInfo, "-f", "1", "-l", std::to_string(kMaxPages + 1), pdf}, request, "pdfinfo");
    const std::string& text = outcome.output;
    if (outcome.exitCode != 0) {
        if (text.find("password") != std::string::npos)
            throw Error("'" + path + "' is protected by a password; save it without one to make slides of it");
        const std::string said = LastLine(text);
        throw Error("'" + path + "' is damaged: the PDF cannot be read" + (said.empty() ? "" : " (" + said + ")"));
    }
    std::vector<PdfPage> pages;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string line(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        int number = 0;
        double w = 0, h = 0, rotation = 0;
        if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &number, &w, &h) == 3) {
            if (number != static_cast<int>(pages.size()) + 1 || !(w > 0) || !(h > 0) || w > 1e6 || h > 1e6)
                throw Error("'" + path + "' is damaged: page " + std::to_string(number) + " has no usable size");
            pages.push_back(PdfPage{w, h});
        } else if (std::sscanf(line.c_str(), "Page %d rot: %lf", &number, &rotation) == 2 && number >= 1 &&
                   number == static_cast<int>(pages.size())) {
            const long turns = std::lround(rotation / 90);
            if (turns % 2 != 0)
                std::swap(pages.back().width, pages.back().height);
        }
    }
    if (pages.size() > static_cast<size_t>(kMaxPages))
        throw Error("'" + path + "' has more than " + std::to_string(kMaxPages) + " pages");
    if (pages.empty())
        throw Error("'" + path + "' has no slides to show");
    return pages;
}

// Renders page `number` (from 1) as PNG, or as JPEG where that is much
// smaller; the picture's path.
std::string RenderPage(const std::string& path,
                       const std::string& pdf,
                       int number,
                       const PdfPage& page,
                       const std::string& base,
                       const PresentationRequest& request) {
    int32_t width = 0, height = 0;
    FitPage(page.width, page.height, request.width, request.height, width, height);
    const std::string page_number = std::to_string(number);
    const ChildOutcome outcome =
        Run(path,
            {*request.tools.pageRenderer, "-f", page_number, "-l", page_number, "-scale-to-x", std::to_string(width),
             "-scale-to-y", std::to_string(height), "-png", "-singlefile", pdf, base},
            request, "pdftoppm");
    const std::string png = base + ".png";
    const std::optional<uint64_t> pngSize = SizeOfFile(png);
    if (outcome.exitCode != 0 || !pngSize || *pngSize == 0) {
        const std::string said = LastLine(outcome.output);
        throw Error("'" + path + "' cannot be rendered: slide " + page_number + " failed" +
                    (said.empty() ? "" : " (" + said + ")"));
    }
    // Flat slides take well under four bits a pixel as PNG, photographs far
    // more: only those are tried as JPEG.
    if (*pngSize * 2 <= static_cast<uint64_t>(width) * static_cast<uint64_t>(height))
        return png;
    std::string bytes;
    {
        UniqueCFile file(OpenForReading(png));
        if (!file)
            return png;
        bytes.resize(*pngSize);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    }
    const std::vector<uint8_t> jpeg = EncodeJpegFile(DecodePictureFile(bytes), kJpegQuality);
    if (jpeg.size() * 2 >= bytes.size())
        return png;
    const std::string jpg = base + ".jpg";
    WriteWholeFile(jpg, std::string(jpeg.begin(), jpeg.end()));
    RemoveWholeFile(png);
    return jpg;
}

}  // namespace

bool IsPresentationFile(const std::string& path) {
    const std::string extension = Extension(path);
    return IsZipDocument(extension) || extension == "ppt" || extension == "pps" || extension == "key" ||
           extension == "pdf";
}

void FitPage(double pageWidth,
             double pageHeight,
             int32_t boxWidth,
             int32_t boxHeight,
             int32_t& width,
             int32_t& height) {
    const double scale = std::min(boxWidth / pageWidth, boxHeight / pageHeight);
    width = std::clamp<int32_t>(static_cast<int32_t>(std::lround(pageWidth * scale)), 1, boxWidth);
    height = std::clamp<int32_t>(static_cast<int32_t>(std::lround(pageHeight * scale)), 1, boxHeight);
}

RenderedPresentation RenderPresentation(const std::string& path,
                                        const PresentationRequest& request,
                                        const WorkFolder& work) {
    const std::string extension = Extension(path);
    const std::string head = Head(path, 1024);
    if (head.empty())
        throw Error("'" + path + "' is empty");
    const bool compoundFile = head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    // An Office document with a password is a compound file holding the
    // encrypted package instead of a zip.
    if (IsZipDocument(extension) && compoundFile)
        throw Error("'" + path + "' is protected by a password; save it without one to make slides of it");
    // The older formats are compound files, a Keynote file a zip: anything
    // else is refused before a converter is started for it.
    if ((extension == "ppt" || extension == "pps") && !compoundFile)
        throw Error("'" + path + "' is damaged or not a presentation (not an Office compound file)");
    if (extension == "key" && !head.starts_with("PK\x03\x04"))
        throw Error("'" + path + "' is damaged or not a presentation (not a Keynote file)");

    // Everything of this file goes into a folder of its own, removed when it fails.
    static std::atomic<int> serial = 0;
    const std::string folder = "p" + std::to_string(++serial);
    const std::string own = work.MakeFolder(folder);
    struct Cleanup {
        std::string path;
        bool keep = false;
        ~Cleanup() {
            if (!keep)
                RemoveFolderTree(path);
        }
    } cleanup{own};

    std::optional<std::vector<PresentationSlide>> show;
    std::string pdf;
    RenderedPresentation result;
    if (extension == "pdf") {
        if (head.find("%PDF-") == std::string::npos)
            throw Error("'" + path + "' is damaged or not a PDF (it does not start like one)");
        pdf = PathInFolder(work.MakeFolder(folder + "/in"), "presentation.pdf");
        CopyWholeFile(path, pdf);
    } else {
        const std::string input = PathInFolder(work.MakeFolder(folder + "/in"), "presentation." + extension);
        std::string document = input;
        if (IsZipDocument(extension)) {
            bool locked = false;
            try {
                const ZipReader zip(path);
                locked = IsPasswordProtected(zip);
                if (!locked)
                    show = extension == "odp" ? ReadOdpShow(zip) : ReadPptxShow(zip);
            } catch (const Error& error) {
                throw Error("'" + path + "' is damaged: " + error.what());
            }
            if (locked)
                throw Error("'" + path + "' is protected by a password; save it without one to make slides of it");
            if (show->empty() || std::all_of(show->begin(), show->end(), [](auto& s) { return s.hidden; }))
                throw Error("'" + path + "' has no slides to show");
            CopyWholeFile(path, input);
        } else {
            CopyWholeFile(path, input);
            // The older formats are opened as .pptx first, which keeps what
            // the conversion understood of their timings.
            document = Convert(path, input, "pptx", request, work, folder + "/pptx");
            try {
                show = ReadPptxShow(ZipReader(document));
            } catch (const Error&) {
                result.note = "its timings could not be read after the conversion";
            }
        }
        pdf = Convert(path, document, "pdf", request, work, folder + "/pdf");
    }

    const std::vector<PdfPage> pages = PdfPages(path, pdf, request);
    std::vector<PresentationSlide> visible;
    if (show) {
        for (const PresentationSlide& slide : *show) {
            if (slide.hidden)
                ++result.hidden;
            else
                visible.push_back(slide);
        }
        if (visible.size() != pages.size()) {
            result.note = "its timings are not used: " + std::to_string(pages.size()) + " pages were made of " +
                          std::to_string(visible.size()) + " visible slides";
            visible.clear();
        }
    }
    const std::string slides = work.MakeFolder(folder + "/slides");
    const std::string stem = Stem(path);
    const int digits = pages.size() >= 1000 ? static_cast<int>(std::to_string(pages.size()).size()) : 3;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (request.progress)
            request.progress("rendering " + BaseName(path) + ": slide " + std::to_string(i + 1) + " of " +
                             std::to_string(pages.size()));
        std::string number = std::to_string(i + 1);
        number.insert(0, static_cast<size_t>(std::max<int>(0, digits - static_cast<int>(number.size()))), '0');
        RenderedSlide slide;
        slide.path = RenderPage(path, pdf, static_cast<int>(i + 1), pages[i], PathInFolder(slides, stem + "-" + number),
                                request);
        if (!visible.empty() && !request.ignoreTimings) {
            slide.options = visible[i].options;
            if (slide.options != SlideOptions{})
                ++result.timed;
        }
        result.slides.push_back(std::move(slide));
    }
    cleanup.keep = true;
    return result;
}

}  // namespace orlscr::mkscr
