#include "tools/mkscr/builder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "common/error.h"
#include "common/text.h"
#include "package/file_position.h"
#include "package/image.h"
#include "package/stream_writer.h"
#include "package/trailer.h"
#include "tools/mkscr/folder.h"
#include "tools/mkscr/picture_kind.h"

namespace orlscr::mkscr {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// An input file opened up front, so that every missing or unreadable input is
// reported before the output is created.
struct Source {
    std::string what;  // "sound track", "player", ...
    std::string path;
    UniqueFile file;
    std::optional<std::string> bytes;
    int64_t size = 0;
};

Source OpenSource(const std::string& what, const std::string& path) {
    Source s{what, path, nullptr, std::nullopt, 0};
    if (IsFolder(path))
        throw Error("the " + what + " '" + path + "' is a folder, not a file");
    s.file.reset(std::fopen(path.c_str(), "rb"));
    if (!s.file)
        throw Error("cannot open the " + what + " '" + path + "': " + std::strerror(errno));
    if (SeekFile64(s.file.get(), 0, SEEK_END) != 0 || (s.size = TellFile64(s.file.get())) < 0 ||
        SeekFile64(s.file.get(), 0, SEEK_SET) != 0)
        throw Error("cannot read the " + what + " '" + path + "'");
    return s;
}

Source MemorySource(const std::string& what, const std::string& name, std::string bytes) {
    Source s{what, name, nullptr, std::move(bytes), 0};
    s.size = static_cast<int64_t>(s.bytes->size());
    return s;
}

std::string ReadHead(Source& s, size_t count) {
    std::string head(count, '\0');
    size_t got = std::fread(head.data(), 1, count, s.file.get());
    head.resize(got);
    SeekFile64(s.file.get(), 0, SEEK_SET);
    return head;
}

std::string ReadAll(Source& s) {
    std::string all(static_cast<size_t>(s.size), '\0');
    if (std::fread(all.data(), 1, all.size(), s.file.get()) != all.size())
        throw Error("cannot read the " + s.what + " '" + s.path + "'");
    return all;
}

// The output, written under a temporary name beside the target and removed
// again unless Commit() renamed it into place.
class OutputFile {
  public:
    explicit OutputFile(const std::string& target) : target_(target) {
        std::random_device random;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp_ = target + suffix;
        file_ = std::fopen(temp_.c_str(), "wb");
        if (!file_)
            throw Error("cannot create '" + target + "': " + std::strerror(errno));
    }
    ~OutputFile() {
        if (file_)
            std::fclose(file_);
        if (!committed_)
            std::remove(temp_.c_str());
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(const void* data, size_t count) {
        if (count && std::fwrite(data, 1, count, file_) != count)
            throw Error("cannot write '" + target_ + "': " + std::strerror(errno));
    }
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }

    void CopyFrom(Source& s) {
        if (s.bytes) {
            Write(*s.bytes);
            return;
        }
        std::vector<char> buffer(1 << 16);
        int64_t left = s.size;
        while (left > 0) {
            size_t want = left < static_cast<int64_t>(buffer.size()) ? static_cast<size_t>(left) : buffer.size();
            size_t got = std::fread(buffer.data(), 1, want, s.file.get());
            if (got != want)
                throw Error("the " + s.what + " '" + s.path + "' changed while it was being read");
            Write(buffer.data(), got);
            left -= static_cast<int64_t>(got);
        }
    }

    void Commit() {
        std::FILE* f = file_;
        file_ = nullptr;
        if (std::fclose(f) != 0)
            throw Error("cannot write '" + target_ + "': " + std::strerror(errno));
        // One step, so that an existing package stays whole when this fails.
        std::string failure = MoveReplacing(temp_, target_);
        if (!failure.empty())
            throw Error("cannot replace '" + target_ + "': " + failure);
        committed_ = true;
    }

  private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

void CheckStoredName(const std::string& name, const std::string& path) {
    if (name.empty())
        throw Error("'" + path + "' has no file name to store");
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 32 || std::strchr("<>:\"/\\|?*", c))
            throw Error("the file name '" + name + "' cannot be used on Windows");
    }
}

std::string JoinNumbers(const std::vector<int64_t>& numbers) {
    std::vector<std::string> items;
    for (int64_t n : numbers)
        items.push_back(std::to_string(n));
    return JoinCommaList(items);
}

}  // namespace

std::string BaseName(const std::string& path) {
#ifdef _WIN32
    size_t slash = path.find_last_of("/\\:");
#else
    size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

BuildResult BuildPackage(const PackageContents& contents) {
    // Open and check every input before anything is written.
    if (IsFolder(contents.output))
        throw Error("the output '" + contents.output + "' is a folder; give the name of the package file");
    Source player = OpenSource("player", contents.player);
    if (ReadHead(player, 2) != "MZ")
        throw Error("the player '" + contents.player + "' is not a Windows program");

    std::string previewStream;
    BuildResult result;
    if (contents.preview) {
        Source picture = OpenSource("preview picture", *contents.preview);
        if (picture.size > (64 << 20))
            throw Error("the preview picture '" + *contents.preview + "' is larger than 64 MB");
        std::string bytes = ReadAll(picture);
        const PictureKind* kind = FindPictureKind(bytes);
        if (!kind)
            throw Error("the preview picture '" + *contents.preview + "' is not a picture of a known kind (" +
                        PictureKindList() + ")");
        previewStream = WriteImageStream(MakePictureData(kind->className, bytes));
        result.previewClass = kind->className;
    }

    auto openEntries = [](const std::vector<InputEntry>& entries, const std::string& what) {
        std::vector<Source> sources;
        for (const InputEntry& e : entries) {
            CheckStoredName(e.storedName, e.path);
            sources.push_back(e.bytes ? MemorySource(what, e.path, *e.bytes) : OpenSource(what, e.path));
        }
        return sources;
    };
    std::vector<Source> presentation = openEntries(contents.presentation, "presentation file");
    std::vector<Source> sounds = openEntries(contents.sounds, "sound track");
    std::optional<Source> hook;
    if (contents.hook)
        hook = OpenSource("hook library", *contents.hook);

    // Presentation files and sound tracks share the temporary folder of a run.
    std::vector<std::string> seen;
    for (const auto* list : {&contents.presentation, &contents.sounds})
        for (const InputEntry& e : *list) {
            std::string key = LowerAscii(e.storedName);
            for (const std::string& other : seen)
                if (other == key)
                    throw Error("two embedded files would both be named '" + e.storedName +
                                "'; they would overwrite each other when the saver runs");
            seen.push_back(key);
        }

    // Layout.
    const std::string tooLarge = "the package would be larger than 2147483647 bytes, more than its record can describe";
    int64_t position = player.size;
    const int64_t previewOffset = position;
    position += static_cast<int64_t>(previewStream.size());
    auto place = [&](std::vector<Source>& sources, std::vector<int64_t>& offsets, std::vector<int64_t>& sizes) {
        for (Source& s : sources) {
            offsets.push_back(position);
            sizes.push_back(s.size);
            position += s.size;
            if (position > kMaxPackageSize)
                throw Error(tooLarge);
        }
    };
    std::vector<int64_t> flashOffsets, flashSizes, sndOffsets, sndSizes;
    if (position > kMaxPackageSize)
        throw Error(tooLarge);
    place(presentation, flashOffsets, flashSizes);
    place(sounds, sndOffsets, sndSizes);

    TSSFileLocations record = contents.record;
    record.HookPosition = 0;
    record.HookSize = 0;
    if (hook) {
        record.HookPosition = static_cast<int32_t>(position);
        position += hook->size;
        if (position > kMaxPackageSize)
            throw Error(tooLarge);
        record.HookSize = static_cast<int32_t>(hook->size);
    }
    std::vector<std::string> names;
    for (const InputEntry& e : contents.presentation)
        names.push_back(e.storedName);
    record.FlashCommaList.SetText(JoinNumbers(flashOffsets));
    record.FlashFileNamesCommaList = CommaList(names);
    record.FlashSizesCommaList.SetText(JoinNumbers(flashSizes));
    names.clear();
    for (const InputEntry& e : contents.sounds)
        names.push_back(e.storedName);
    record.SndCommaList.SetText(JoinNumbers(sndOffsets));
    record.SndFileNamesCommaList = CommaList(names);
    record.SndSizesCommaList.SetText(JoinNumbers(sndSizes));

    const int64_t recordOffset = position;
    std::string recordStream = WriteSettingsRecordStream(record);
    position += static_cast<int64_t>(recordStream.size());
    const int64_t trailerStart = position;
    position += kTrailerSize;
    if (position > kMaxPackageSize)
        throw Error(tooLarge);

    result.size = position;
    result.fieldB = static_cast<int32_t>(recordOffset);
    // Without a preview, field A leads to the first byte after the player's image.
    result.fieldA = static_cast<int32_t>(trailerStart - previewOffset);

    OutputFile out(contents.output);
    out.CopyFrom(player);
    out.Write(previewStream);
    for (Source& s : presentation)
        out.CopyFrom(s);
    for (Source& s : sounds)
        out.CopyFrom(s);
    if (hook)
        out.CopyFrom(*hook);
    out.Write(recordStream);
    char field[kTrailerFieldSize];
    out.Write(FormatTrailerField(result.fieldA, field));
    out.Write(FormatTrailerField(result.fieldB, field));
    out.Commit();
    return result;
}

}  // namespace orlscr::mkscr
