#include "builder/package_report.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "builder/folder.h"
#include "builder/slide_list.h"
#include "builder/slide_selection.h"
#include "builder/system_text.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/text.h"
#include "package/image.h"
#include "package/package_contract.h"
#include "package/settings_record.h"
#include "package/std_input_file.h"
#include "package/trailer.h"

namespace orlscr::mkscr {

namespace {

struct FileEntry {
    const char* kind;
    std::optional<std::string> name;  // nothing when the names list is too short
    std::optional<int32_t> offset;
    std::optional<int32_t> size;
};

template <typename T>
std::optional<T> Try(const std::function<T()>& f) {
    try {
        return f();
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::vector<FileEntry> Entries(const TSSFileLocations& r) {
    std::vector<FileEntry> entries;
    for (int i = 0; i < r.FlashCount(); ++i)
        entries.push_back({"presentation", Try<std::string>([&] { return r.FlashFileName(i); }),
                           Try<int32_t>([&] { return r.FlashPosition(i); }),
                           Try<int32_t>([&] { return r.FlashSize(i); })});
    for (int i = 0; i < r.SndCount(); ++i)
        entries.push_back({"sound", Try<std::string>([&] { return r.SndFileName(i); }),
                           Try<int32_t>([&] { return r.SndPosition(i); }), Try<int32_t>([&] { return r.SndSize(i); })});
    if (r.HookPosition != 0 || r.HookSize != 0)
        entries.push_back({"hook", std::string(kHookLibraryFileName), r.HookPosition, r.HookSize});
    return entries;
}

// The value of a property as text for a person, or as a JSON value.
struct PropertyValue {
    std::string text;
    std::string json;
};

// Record text (Windows-1252, or the system code page of mkscr.exe) as a JSON string.
std::string JsonString(std::string_view text) {
    std::string utf8 = FromRecordText(text);
    std::string out = "\"";
    for (char c : utf8) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Quoted for a person: the text as UTF-8 with control characters escaped.
std::string Quoted(std::string_view text) {
    return JsonString(text);
}

std::string ColorText(TColor color) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", color);
    const char* ident = ColorToIdent(color);
    return ident ? std::string(ident) + " (" + hex + ")" : std::string(hex);
}

std::string StyleText(TFontStyles style, bool json) {
    std::string out = "[";
    for (int k = 0; k < 4; ++k)
        if (style & (1 << k)) {
            if (out.size() > 1)
                out += json ? ", " : ",";
            out += json ? JsonString(kFontStyleNames[k]) : kFontStyleNames[k];
        }
    return out + "]";
}

PropertyValue Shown(const std::string& v) {
    return {Quoted(v), JsonString(v)};
}
PropertyValue Shown(const CommaList& v) {
    return Shown(v.Text());
}
PropertyValue Shown(bool v) {
    return {v ? "true" : "false", v ? "true" : "false"};
}
PropertyValue Shown(int32_t v) {
    return {std::to_string(v), std::to_string(v)};
}
PropertyValue Shown(TColor v) {
    return {ColorText(v), std::to_string(v)};
}
PropertyValue Shown(const TFont& f) {
    const char* charset = CharsetToIdent(f.Charset);
    std::string text = Quoted(f.Name) + ", height " + std::to_string(f.Height) + " (" + std::to_string(f.Size()) +
                       " pt), " + ColorText(f.Color) + ", " +
                       (charset ? std::string(charset) : "charset " + std::to_string(f.Charset)) + ", style " +
                       StyleText(f.Style, false) + ", " + PitchToIdent(f.Pitch);
    std::string json = "{\"Charset\": " + std::to_string(f.Charset) + ", \"Color\": " + std::to_string(f.Color) +
                       ", \"Height\": " + std::to_string(f.Height) + ", \"Name\": " + JsonString(f.Name) +
                       ", \"Style\": " + StyleText(f.Style, true) +
                       ", \"Pitch\": " + JsonString(PitchToIdent(f.Pitch)) + "}";
    return {text, json};
}

std::vector<std::pair<std::string, PropertyValue>> Properties(const TSSFileLocations& r) {
    std::vector<std::pair<std::string, PropertyValue>> props;
    for (const SettingsProperty& property : kSettingsProperties)
        props.emplace_back(property.name, VisitProperty(property, r, [](const auto& value) { return Shown(value); }));
    return props;
}

// Why a file with no settings record at its end is not a package.
std::string NotAPackage(InputFile& file) {
    char head[2] = {};
    file.Seek(0);
    if (file.Read(head, 2) == 2 && head[0] == 'M' && head[1] == 'Z')
        return "not a package: no content is appended to this program";
    return "not a package";
}

std::string Number(const std::optional<int32_t>& v) {
    return v ? std::to_string(*v) : "null";
}

// The show line of a slide show package: its slide list is the first
// presentation file. Nothing when there is none or it cannot be read.
std::optional<SlideList> StoredSlideList(InputFile& file, const std::vector<FileEntry>& entries, int64_t fileSize) {
    if (entries.empty() || std::string_view(entries[0].kind) != "presentation" || entries[0].name != kSlideDocumentName ||
        !entries[0].offset || !entries[0].size || *entries[0].offset < 0 || *entries[0].size <= 0 ||
        static_cast<size_t>(*entries[0].size) > kMaxSlideListBytes || int64_t{*entries[0].offset} + *entries[0].size > fileSize)
        return std::nullopt;
    std::string text(static_cast<size_t>(*entries[0].size), '\0');
    file.Seek(*entries[0].offset);
    if (file.Read(text.data(), text.size()) != text.size())
        return std::nullopt;
    return ParseSlideList(text);
}

// What the slide viewer adds to the slides: captions, the clock and motion,
// for the show and how many slides set their own.
struct LiveOptions {
    std::string caption;
    std::string clock;
    bool motion = false;
    size_t slides = 0;
    size_t ownCaptions = 0;
    size_t ownMotion = 0;
};

LiveOptions LiveOptionsOf(const SlideList& list) {
    LiveOptions live{CaptionModeWord(list.show.caption), ClockModeWord(list.show.clock),
                     list.show.defaults.Motion(), list.slides.size()};
    for (const Slide& slide : list.slides) {
        live.ownCaptions += slide.caption.has_value();
        live.ownMotion += slide.options.motion.has_value();
    }
    return live;
}

}  // namespace

int Inspect(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
    std::unique_ptr<StdInputFile> file;
    std::optional<Trailer> trailer;
    std::unique_ptr<TSSFileLocations> record;
    int64_t fileSize = 0;
    if (IsFolder(path)) {
        err << "mkscr: " << path << ": a folder, not a package\n";
        return 1;
    }
    try {
        UniqueCFile opened(OpenForReading(path));
        if (!opened)
            throw Error("Cannot open file " + path);
        file = std::make_unique<StdInputFile>(std::move(opened));
        fileSize = file->Size();
        trailer = ReadTrailer(*file);
        if (!trailer) {
            err << "mkscr: " << path << ": not a package: the file is shorter than the " << kTrailerSize
                << "-byte trailer\n";
            return 1;
        }
        // A package's field B leads into the file, past its start; a file
        // whose end holds no such number has nothing appended to it.
        if (trailer->b <= 0 || trailer->b >= fileSize) {
            err << "mkscr: " << path << ": " << NotAPackage(*file) << "\n";
            return 1;
        }
        record = ReadSettingsRecord(*file);
    } catch (const Error& e) {
        err << "mkscr: " << path << ": " << e.what() << "\n";
        return 1;
    }

    // The preview is optional: without one field A leads elsewhere and the
    // stream there does not read as an image.
    std::optional<PictureBytes> preview;
    try {
        preview = ReadPreviewPicture(*file);
    } catch (const Error&) {
        preview.reset();
    }

    std::vector<FileEntry> entries = Entries(*record);
    auto props = Properties(*record);
    const int64_t previewOffset = PreviewStreamOffset(fileSize, trailer->a);
    std::optional<LiveOptions> live;
    try {
        if (std::optional<SlideList> list = StoredSlideList(*file, entries, fileSize))
            live = LiveOptionsOf(*list);
    } catch (const Error&) {
        live.reset();
    }

    if (json) {
        out << "{\n  \"trailer\": {\"a\": " << trailer->a << ", \"b\": " << trailer->b << "},\n";
        out << "  \"record\": {\n";
        for (size_t k = 0; k < props.size(); ++k)
            out << "    " << JsonString(props[k].first) << ": " << props[k].second.json
                << (k + 1 < props.size() ? ",\n" : "\n");
        out << "  },\n  \"files\": [";
        for (size_t k = 0; k < entries.size(); ++k) {
            const FileEntry& e = entries[k];
            out << (k ? ",\n" : "\n") << "    {\"kind\": \"" << e.kind
                << "\", \"name\": " << (e.name ? JsonString(*e.name) : "null") << ", \"offset\": " << Number(e.offset)
                << ", \"size\": " << Number(e.size) << "}";
        }
        out << (entries.empty() ? "],\n" : "\n  ],\n");
        out << "  \"preview\": ";
        if (preview && !preview->className.empty())
            out << "{\"class\": " << JsonString(preview->className) << ", \"offset\": " << previewOffset
                << ", \"size\": " << preview->data.size() << "}";
        else
            out << "null";
        out << (live ? ",\n" : "\n");
        if (live)
            out << "  \"slides\": {\"count\": " << live->slides << ", \"caption\": " << JsonString(live->caption)
                << ", \"clock\": " << JsonString(live->clock) << ", \"motion\": " << (live->motion ? "true" : "false")
                << ", \"ownCaptions\": " << live->ownCaptions << ", \"ownMotion\": " << live->ownMotion << "}\n";
        out << "}\n";
        return 0;
    }

    out << "Package  " << path << " (" << fileSize << " bytes)\n";
    out << "Trailer  A = " << trailer->a << " (preview stream at offset " << previewOffset << ")\n";
    out << "         B = " << trailer->b << " (settings record at offset " << trailer->b << ")\n\n";
    out << "Settings record (" << record->ClassName() << ")\n";
    for (const auto& [name, value] : props) {
        std::string padded = name;
        padded.resize(std::max<size_t>(padded.size() + 1, 25), ' ');
        out << "  " << padded << value.text << "\n";
    }
    out << "\nEmbedded files (" << entries.size() << ")\n";
    if (!entries.empty()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-13s %12s %12s  %s\n", "kind", "offset", "size", "name");
        out << line;
        for (const FileEntry& e : entries) {
            std::string name = e.name ? FromRecordText(*e.name) : "(missing from the names list)";
            std::snprintf(line, sizeof line, "  %-13s %12s %12s  ", e.kind, e.offset ? Number(e.offset).c_str() : "?",
                          e.size ? Number(e.size).c_str() : "?");
            out << line << name;
            if (e.offset && e.size && (*e.offset < 0 || *e.size < 0 || int64_t{*e.offset} + *e.size > fileSize))
                out << "  [outside the file]";
            out << "\n";
        }
    }
    out << "\nPreview picture  ";
    if (preview && !preview->className.empty())
        out << preview->className << ", " << preview->data.size() << " bytes"
            << (preview->data.empty() ? " (empty picture)" : "") << "\n";
    else
        out << "none (the display settings show an empty preview)\n";
    if (live)
        out << "\nSlide show  " << live->slides << " slides; caption " << live->caption << " (" << live->ownCaptions
            << " of their own), clock " << live->clock << ", motion " << (live->motion ? "on" : "off") << " ("
            << live->ownMotion << " set their own)\n";
    return 0;
}

}  // namespace orlscr::mkscr
