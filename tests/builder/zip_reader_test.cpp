#include "builder/zip_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "support/expect_error.h"
#include "support/temp_folder.h"

namespace orlscr::mkscr {
namespace {

void Put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8 & 0xff);
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

struct ZipEntry {
    std::string name;
    std::string data;
    bool deflate = false;
    uint16_t flags = 0;
};

std::string Deflated(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// A zip file of the entries, as a writer of documents makes it.
std::string Zip(const std::vector<ZipEntry>& entries) {
    std::string out, directory;
    for (const ZipEntry& e : entries) {
        const std::string packed = e.deflate ? Deflated(e.data) : e.data;
        const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        const uint32_t offset = static_cast<uint32_t>(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, e.flags);
        Put16(out, e.deflate ? 8 : 0);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, static_cast<uint32_t>(packed.size()));
        Put32(out, static_cast<uint32_t>(e.data.size()));
        Put16(out, static_cast<uint32_t>(e.name.size()));
        Put16(out, 0);
        out += e.name + packed;
        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        Put16(directory, 20);
        Put16(directory, e.flags);
        Put16(directory, e.deflate ? 8 : 0);
        Put32(directory, 0);
        Put32(directory, crc);
        Put32(directory, static_cast<uint32_t>(packed.size()));
        Put32(directory, static_cast<uint32_t>(e.data.size()));
        Put16(directory, static_cast<uint32_t>(e.name.size()));
        for (int i = 0; i < 4; ++i)
            Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, offset);
        directory += e.name;
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out += directory;
    Put32(out, 0x06054b50);
    Put32(out, 0);
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put32(out, static_cast<uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0);
    return out;
}

const std::string kXml(3000, 'x');

TEST(ZipReaderTest, ReadsStoredAndDeflatedEntries) {
    testing::TempFolder folder;
    const ZipReader zip(folder.Write("a.zip", Zip({{"mimetype", "text"}, {"content.xml", kXml, true}})));
    EXPECT_EQ(zip.Names(), (std::vector<std::string>{"mimetype", "content.xml"}));
    EXPECT_EQ(zip.Read("mimetype", 100), "text");
    EXPECT_EQ(zip.Read("content.xml", kXml.size()), kXml);
    EXPECT_ERROR_MSG(zip.Read("content.xml", kXml.size() - 1), "content.xml is larger than 2999 bytes");
    EXPECT_ERROR_MSG(zip.Read("styles.xml", 100), "styles.xml is missing");
}

TEST(ZipReaderTest, RefusesWhatIsNoZipOrCutShort) {
    testing::TempFolder folder;
    const std::string whole = Zip({{"content.xml", kXml, true}});
    EXPECT_ERROR_MSG(ZipReader(folder.Write("empty", "")), "not a zip file");
    EXPECT_ERROR_MSG(ZipReader(folder.Write("text", std::string(500, 'a'))), "not a zip file");
    // Cut in the middle: the end record is gone.
    EXPECT_ERROR_MSG(ZipReader(folder.Write("cut", whole.substr(0, whole.size() / 2))), "not a zip file");
    EXPECT_THROW(ZipReader(folder.Path("missing")), Error);
}

TEST(ZipReaderTest, ChecksEveryOffsetSizeAndSum) {
    testing::TempFolder folder;
    const std::string whole = Zip({{"content.xml", kXml, true}});
    const size_t directory = whole.size() - 22 - 46 - 11;
    // The entry's packed size made larger than the file.
    std::string huge = whole;
    huge[directory + 23] = '\x7f';
    EXPECT_ERROR_MSG(ZipReader(folder.Write("huge", huge)),
                     "the zip directory is damaged (entry content.xml lies outside the file)");
    // The directory said to hold more entries than it does.
    std::string more = whole;
    more[whole.size() - 12] = 2;
    EXPECT_ERROR_MSG(ZipReader(folder.Write("more", more)), "the zip directory is damaged (entry 2 of 2)");
    // A byte of the packed data changed.
    std::string flipped = whole;
    flipped[30 + 11 + 2] ^= 0x55;
    const ZipReader bad(folder.Write("flipped", flipped));
    EXPECT_THROW(bad.Read("content.xml", kXml.size()), Error);
    // A stored entry whose data does not match its sum.
    std::string sum = Zip({{"a", "abc"}});
    sum[30 + 1] = 'X';
    EXPECT_ERROR_MSG(ZipReader(folder.Write("sum", sum)).Read("a", 10), "a is damaged (a wrong check sum)");
    const ZipReader encrypted(folder.Write("enc", Zip({{"a", "abc", false, 1}})));
    EXPECT_ERROR_MSG(encrypted.Read("a", 10), "a is encrypted");
}

}  // namespace
}  // namespace orlscr::mkscr
