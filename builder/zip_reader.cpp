#include "builder/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "builder/folder.h"
#include "common/error.h"

namespace orlscr::mkscr {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kMaxComment = 0xffff;
// A directory larger than this is no document's: refused before it is read.
constexpr uint64_t kMaxDirectory = 16u << 20;

uint16_t U16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

uint32_t U32(const std::string& b, size_t at) {
    return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

Error Damaged(const std::string& what) {
    return Error("the zip directory is damaged (" + what + ")");
}

}  // namespace

ZipReader::ZipReader(const std::string& path) : file_(OpenForReading(path)) {
    if (!file_)
        throw Error(std::string("the file cannot be opened (") + std::strerror(errno) + ")");
    if (std::fseek(file_.get(), 0, SEEK_END) != 0)
        throw Error("the file cannot be read");
    const long end = std::ftell(file_.get());
    if (end < 0)
        throw Error("the file cannot be read");
    fileSize_ = static_cast<uint64_t>(end);
    if (fileSize_ < kEndSize)
        throw Error("not a zip file");

    // The end record lies in the last 22 bytes plus the comment.
    const uint64_t tailSize = std::min<uint64_t>(fileSize_, kEndSize + kMaxComment);
    const std::string tail = ReadAt(fileSize_ - tailSize, tailSize);
    size_t at = std::string::npos;
    for (size_t i = tail.size() - kEndSize + 1; i-- > 0;) {
        if (U32(tail, i) == kEndSignature && i + kEndSize + U16(tail, i + 20) == tail.size()) {
            at = i;
            break;
        }
    }
    if (at == std::string::npos)
        throw Error("not a zip file");
    const uint16_t count = U16(tail, at + 10);
    const uint32_t directorySize = U32(tail, at + 12);
    const uint32_t directoryOffset = U32(tail, at + 16);
    if (count == 0xffff || directorySize == 0xffffffff || directoryOffset == 0xffffffff)
        throw Error("a zip64 file, which is not supported");
    const uint64_t endOffset = fileSize_ - tailSize + at;
    if (directoryOffset + uint64_t{directorySize} > endOffset || directorySize > kMaxDirectory)
        throw Damaged("its directory lies outside the file");

    const std::string directory = ReadAt(directoryOffset, directorySize);
    size_t p = 0;
    for (uint16_t i = 0; i < count; ++i) {
        if (p + 46 > directory.size() || U32(directory, p) != kCentralSignature)
            throw Damaged("entry " + std::to_string(i + 1) + " of " + std::to_string(count));
        Entry entry;
        entry.flags = U16(directory, p + 8);
        entry.method = U16(directory, p + 10);
        entry.crc = U32(directory, p + 16);
        entry.packedSize = U32(directory, p + 20);
        entry.size = U32(directory, p + 24);
        const size_t nameLength = U16(directory, p + 28);
        const size_t extraLength = U16(directory, p + 30);
        const size_t commentLength = U16(directory, p + 32);
        entry.headerOffset = U32(directory, p + 42);
        if (p + 46 + nameLength + extraLength + commentLength > directory.size())
            throw Damaged("entry " + std::to_string(i + 1) + " runs past the directory");
        entry.name = directory.substr(p + 46, nameLength);
        if (entry.headerOffset + 30 + entry.packedSize > directoryOffset)
            throw Damaged("entry " + entry.name + " lies outside the file");
        index_.emplace(entry.name, entries_.size());
        entries_.push_back(std::move(entry));
        p += 46 + nameLength + extraLength + commentLength;
    }
}

std::vector<std::string> ZipReader::Names() const {
    std::vector<std::string> names;
    for (const Entry& entry : entries_)
        names.push_back(entry.name);
    return names;
}

bool ZipReader::Has(const std::string& name) const {
    return Find(name) != nullptr;
}

const ZipReader::Entry* ZipReader::Find(const std::string& name) const {
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : &entries_[found->second];
}

std::string ZipReader::ReadAt(uint64_t offset, uint64_t size) const {
    if (offset > fileSize_ || size > fileSize_ - offset)
        throw Damaged("a part lies outside the file");
    std::string bytes(size, '\0');
    if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
        throw Error("the file cannot be read");
    return bytes;
}

std::string ZipReader::Read(const std::string& name, uint64_t cap) const {
    const Entry* entry = Find(name);
    if (!entry)
        throw Error(name + " is missing");
    if (entry->flags & 1)
        throw Error(name + " is encrypted");
    if (entry->size > cap)
        throw Error(name + " is larger than " + std::to_string(cap) + " bytes");
    // Deflate never takes much more room than the data it holds.
    if (entry->packedSize > entry->size + entry->size / 8 + 1024)
        throw Error(name + " is damaged (its packed size does not fit its size)");
    const std::string header = ReadAt(entry->headerOffset, 30);
    if (U32(header, 0) != kLocalSignature)
        throw Error(name + " is not where the zip directory says");
    const uint64_t dataOffset = entry->headerOffset + 30 + U16(header, 26) + U16(header, 28);
    const std::string packed = ReadAt(dataOffset, entry->packedSize);

    std::string bytes;
    if (entry->method == 0) {
        if (entry->packedSize != entry->size)
            throw Error(name + " has two sizes");
        bytes = packed;
    } else if (entry->method == 8) {
        bytes.assign(entry->size, '\0');
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            throw Error(name + " cannot be unpacked (out of memory)");
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        stream.avail_in = static_cast<uInt>(packed.size());
        stream.next_out = reinterpret_cast<Bytef*>(bytes.data());
        stream.avail_out = static_cast<uInt>(bytes.size());
        const int result = inflate(&stream, Z_FINISH);
        const uLong produced = stream.total_out;
        inflateEnd(&stream);
        // Z_BUF_ERROR with room left: the data ends early; without room: more
        // data than the directory said.
        if (result != Z_STREAM_END || produced != entry->size)
            throw Error(name + " is damaged (it does not unpack)");
    } else {
        throw Error(name + " is packed in a way that is not supported (method " + std::to_string(entry->method) + ")");
    }
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    if (crc != entry->crc)
        throw Error(name + " is damaged (a wrong check sum)");
    return bytes;
}

}  // namespace orlscr::mkscr
