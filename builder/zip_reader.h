#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/c_file.h"

namespace orlscr::mkscr {

// Reads single entries of a zip file (the container of .pptx and .odp
// documents): the central directory, and entries that are stored or
// deflated. Every offset and size is checked against the file before it is
// used, and an entry is read only up to the caller's cap, so a damaged or
// hostile file costs no more than that; anything else (zip64, encryption,
// other methods, a wrong check sum) throws Error with the reason, a text to
// follow the file's name ("not a zip file", "content.xml is missing").
class ZipReader {
  public:
    // Throws Error ("not a zip file", "the zip directory is damaged").
    explicit ZipReader(const std::string& path);

    // The entry names, in the directory's order.
    std::vector<std::string> Names() const;
    bool Has(const std::string& name) const;
    // The entry's bytes, at most `cap` of them. Throws Error when it is
    // missing, larger than `cap`, or cannot be read back intact.
    std::string Read(const std::string& name, uint64_t cap) const;

  private:
    struct Entry {
        std::string name;
        uint16_t flags = 0;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint64_t packedSize = 0;
        uint64_t size = 0;
        uint64_t headerOffset = 0;
    };
    const Entry* Find(const std::string& name) const;
    std::string ReadAt(uint64_t offset, uint64_t size) const;

    UniqueCFile file_;
    uint64_t fileSize_ = 0;
    std::vector<Entry> entries_;
    std::map<std::string, size_t> index_;  // name -> its first entry
};

}  // namespace orlscr::mkscr
