#include "builder/package_builder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "builder/folder.h"
#include "builder/output_file.h"
#include "builder/picture_kind.h"
#include "builder/system_text.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/read_file.h"
#include "common/text.h"
#include "package/file_position.h"
#include "package/image.h"
#include "package/plain_file_name.h"
#include "package/stream_writer.h"
#include "package/trailer.h"

namespace orlscr::mkscr {

namespace {

// An input: a file that is measured when the build is checked and opened
// again only while it is copied, or bytes made in memory.
struct Source {
    std::string what;  // "sound track", "player", ...
    std::string path;
    std::optional<std::string> bytes;
    int64_t size = 0;
    std::optional<ScratchPiece> piece = std::nullopt;
};

UniqueCFile Open(const Source& s) {
    UniqueCFile file(OpenForReading(s.path));
    if (!file)
        throw Error("cannot open the " + s.what + " '" + s.path + "': " + std::strerror(errno));
    return file;
}

// Checks that the input can be opened and read, and takes its size.
void Measure(Source& s) {
    if (s.bytes) {
        s.size = static_cast<int64_t>(s.bytes->size());
        return;
    }
    if (s.piece) {
        s.size = s.piece->size;
        return;
    }
    if (IsFolder(s.path))
        throw Error("the " + s.what + " '" + s.path + "' is a folder, not a file");
    UniqueCFile file = Open(s);
    char probe;
    if (SeekFile64(file.get(), 0, SEEK_END) != 0 || (s.size = TellFile64(file.get())) < 0 ||
        SeekFile64(file.get(), 0, SEEK_SET) != 0 || (s.size > 0 && std::fread(&probe, 1, 1, file.get()) != 1))
        throw Error("cannot read the " + s.what + " '" + s.path + "'");
}

std::string ReadHead(const Source& s, size_t count) {
    UniqueCFile file = Open(s);
    std::string head(count, '\0');
    head.resize(std::fread(head.data(), 1, count, file.get()));
    return head;
}

// The whole input, at most `cap` bytes.
std::string ReadAll(const Source& s, uint64_t cap) {
    if (s.bytes)
        return s.bytes->substr(0, cap);
    UniqueCFile file = Open(s);
    const std::vector<uint8_t> all = ReadFileBytes(file.get(), s.path, cap);
    return std::string(all.begin(), all.end());
}

// Writes the pieces of the package and tells the progress report about each.
class PackageWriter {
  public:
    PackageWriter(OutputFile& out, const ProgressReport& progress, BuildProgress totals)
        : out_(out), progress_(progress), state_(totals) {
        Tell();
    }

    // Bytes of the package; `wholeFile` when they are one of the inputs.
    void Write(std::string_view bytes, bool wholeFile = false) {
        out_.Write(bytes);
        state_.bytesDone += static_cast<int64_t>(bytes.size());
        state_.filesDone += wholeFile ? 1 : 0;
        Tell();
    }

    void Copy(const Source& s) {
        if (s.bytes) {
            Write(*s.bytes, true);
            return;
        }
        if (s.piece) {
            for (int64_t done = 0; done < s.size;) {
                const size_t want = static_cast<size_t>(std::min<int64_t>(s.size - done, buffer_.size()));
                s.piece->file->Read(s.piece->offset + done, want, buffer_.data());
                Write(std::string_view(buffer_.data(), want));
                done += static_cast<int64_t>(want);
            }
            ++state_.filesDone;
            Tell();
            return;
        }
        UniqueCFile file = Open(s);
        int64_t left = s.size;
        while (left > 0) {
            size_t want = left < static_cast<int64_t>(buffer_.size()) ? static_cast<size_t>(left) : buffer_.size();
            if (std::fread(buffer_.data(), 1, want, file.get()) != want)
                throw Error("the " + s.what + " '" + s.path + "' changed while it was being read");
            Write(std::string_view(buffer_.data(), want));
            left -= static_cast<int64_t>(want);
        }
        ++state_.filesDone;
        Tell();
    }

  private:
    void Tell() {
        if (progress_)
            progress_(state_);
    }

    OutputFile& out_;
    const ProgressReport& progress_;
    BuildProgress state_;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
};

// A stored name that the player writes out as it is: its own rule, and none
// of the characters that Windows refuses in any file name. Trail bytes of
// double-byte characters are part of their character, not separators.
void CheckStoredName(const std::string& name, const std::string& path) {
    if (name.empty())
        throw Error("'" + path + "' has no file name to store");
    const LeadBytePredicate isLeadByte = RecordLeadBytes();
    bool refused = !IsPlainFileName(name, isLeadByte);
    for (size_t i = 0; i < name.size() && !refused; ++i) {
        if (isLeadByte && isLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size())
            ++i;
        else if (std::strchr("<>\"|?*", name[i]))
            refused = true;
    }
    if (refused)
        throw Error("cannot store '" + path + "': the saver would not create a file named '" + FromRecordText(name) +
                    "' on Windows (a device name such as CON, AUX or COM1, dots alone, or one of the characters "
                    "\\ / : * ? \" < > | or a control character)");
}

// An output that is one of the inputs would be overwritten by the build.
void CheckNotAnInput(const std::string& output, const std::vector<Source*>& inputs) {
    const std::optional<FileIdentity> target = IdentityOf(output);
    if (!target)
        return;
    for (const Source* s : inputs)
        if (!s->bytes && !s->piece && IdentityOf(s->path) == target)
            throw Error("the output '" + output + "' is the same file as the " + s->what + " '" + s->path +
                        "'; give another output name");
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

BuildResult BuildPackage(const PackageContents& contents, const ProgressReport& progress) {
    if (IsFolder(contents.output))
        throw Error("the output '" + contents.output + "' is a folder; give the name of the package file");

    // Every input, and every stored name, before anything is read.
    auto sources = [](const std::vector<InputEntry>& entries, const std::string& what) {
        std::vector<Source> list;
        for (const InputEntry& e : entries) {
            CheckStoredName(e.storedName, e.path);
            list.push_back(Source{what, e.path, e.bytes, 0, e.piece});
        }
        return list;
    };
    Source player{"player", contents.player, std::nullopt, 0};
    std::optional<Source> picture;
    if (contents.preview)
        picture = Source{"preview picture", *contents.preview, std::nullopt, 0};
    else if (contents.madePreview)
        picture = Source{"preview picture", "made from the first slide", contents.madePreview, 0};
    std::vector<Source> presentation = sources(contents.presentation, "presentation file");
    std::vector<Source> sounds = sources(contents.sounds, "sound track");
    std::optional<Source> hook;
    if (contents.hook)
        hook = Source{"hook library", *contents.hook, std::nullopt, 0};

    std::vector<Source*> inputs = {&player};
    for (auto* list : {&presentation, &sounds})
        for (Source& s : *list)
            inputs.push_back(&s);
    for (auto* one : {&picture, &hook})
        if (*one)
            inputs.push_back(&**one);
    CheckNotAnInput(contents.output, inputs);

    for (Source* s : inputs)
        Measure(*s);
    if (ReadHead(player, 2) != "MZ")
        throw Error("the player '" + contents.player + "' is not a Windows program");

    std::string previewStream;
    BuildResult result;
    if (picture) {
        constexpr uint64_t kMaxPreviewBytes = uint64_t{64} << 20;
        if (static_cast<uint64_t>(picture->size) > kMaxPreviewBytes)
            throw Error("the preview picture '" + picture->path + "' is larger than " +
                        ByteCountText(kMaxPreviewBytes));
        std::string bytes = ReadAll(*picture, kMaxPreviewBytes);
        const PictureKind* kind = FindPictureKind(bytes);
        if (!kind)
            throw Error("the preview picture '" + picture->path + "' is not a picture of a known kind (" +
                        PictureKindList() + ")");
        previewStream = WriteImageStream(MakePictureData(kind->className, bytes));
        result.previewClass = kind->className;
    }

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

    BuildProgress totals;
    totals.filesTotal = static_cast<int>(inputs.size());
    totals.bytesTotal = result.size;
    OutputFile out(contents.output);
    PackageWriter w(out, progress, totals);
    w.Copy(player);
    if (picture)
        w.Write(previewStream, true);
    for (const Source& s : presentation)
        w.Copy(s);
    for (const Source& s : sounds)
        w.Copy(s);
    if (hook)
        w.Copy(*hook);
    w.Write(recordStream);
    char field[kTrailerFieldSize];
    std::string trailer(FormatTrailerField(result.fieldA, field));
    trailer += FormatTrailerField(result.fieldB, field);
    w.Write(trailer);
    out.Commit();
    return result;
}

}  // namespace orlscr::mkscr
