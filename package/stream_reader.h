#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/input_file.h"

namespace orlscr {

// Tags of the values of a component stream.
enum class ValueTag : uint8_t {
    Null = 0,
    List = 1,
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    Extended = 5,
    String = 6,
    Ident = 7,
    False = 8,
    True = 9,
    Binary = 10,
    Set = 11,
    LString = 12,
    Nil = 13,
    Collection = 14,
    Single = 15,
    Currency = 16,
    Date = 17,
    WString = 18,
    Int64 = 19,
    Utf8String = 20,
};

// The messages of a damaged stream, exactly as the user sees them.
inline constexpr const char* kInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";
std::string ClassNotFoundMessage(std::string_view className);  // "Class %s not found"

// Names of properties, classes and identifiers compare without regard to ASCII case.
bool SameIdent(std::string_view a, std::string_view b);

// Reads bytes of an InputFile from a start position up to the end of the file,
// through a small buffer. Every read that would go past the end throws
// Error("Stream read error"); nothing is allocated for a length that the rest of
// the file cannot hold.
class ByteReader {
  public:
    ByteReader(InputFile& file, int64_t start);

    int64_t Position() const { return position_; }
    int64_t Remaining() const { return position_ < 0 || position_ > size_ ? 0 : size_ - position_; }

    void Read(void* out, size_t count);
    uint8_t ReadByte();
    uint8_t PeekByte();
    int16_t ReadInt16();
    int32_t ReadInt32();
    // `count` bytes as a string; the count is checked against the rest of the file.
    std::string ReadString(uint64_t count);
    void Skip(uint64_t count);

  private:
    void Fill();

    InputFile& file_;
    int64_t size_;
    int64_t position_;
    unsigned char buffer_[4096];
    int64_t bufferStart_ = 0;  // file position of buffer_[0]
    size_t bufferLength_ = 0;
};

class ComponentReader;

// An object that a component stream can be read into: the settings record, the
// picture holder of the preview, or whatever else the class table creates.
class StreamObject {
  public:
    virtual ~StreamObject() = default;
    virtual std::string_view ClassName() const = 0;

    // Reads the value of the property `path` (a name, or a dotted path into a
    // nested object) through `reader`. Returns false, having read nothing, when
    // the object has no such property: the reader then reads past the value.
    // A value whose tag does not fit the property throws "Invalid property value".
    virtual bool ReadProperty(std::string_view path, ComponentReader& reader) = 0;

    std::string Name;  // the object name of the stream
};

// The creatable classes, by name (names compare without regard to ASCII case).
class ClassTable {
  public:
    using Factory = std::function<std::unique_ptr<StreamObject>()>;
    void Register(std::string name, Factory factory);
    // Nothing when the name is not in the table.
    std::unique_ptr<StreamObject> Create(std::string_view name) const;

  private:
    std::vector<std::pair<std::string, Factory>> classes_;
};

// The player's table: TSSFileLocations and TImage, entered once at first use.
const ClassTable& DefaultClassTable();

// Reads one object of a component stream: signature "TPF0", optional flags
// byte, class name, object name, properties, child objects. Children and the
// values of properties unknown to the object are read past. Lists, collections
// and child objects nest at most kMaxDepth deep; deeper streams are damaged.
class ComponentReader {
  public:
    static constexpr int kMaxDepth = 32;

    ComponentReader(ByteReader& in, const ClassTable& classes) : in_(in), classes_(classes) {}

    // Into `target` (its name is set from the stream; the stream's class name is
    // not checked) or, with no target, into a new object of the class that the
    // stream names ("Class %s not found" when the table lacks it).
    std::unique_ptr<StreamObject> ReadRootComponent(StreamObject* target);

    // Value reading for StreamObject::ReadProperty. Each reads one whole value,
    // tag included, and throws "Invalid property value" when the tag does not fit.
    ValueTag ReadTag();
    ValueTag PeekTag();
    int32_t ReadInteger();               // tags 2, 3, 4
    bool ReadBoolean();                  // tags 8, 9; identifiers False and True
    std::string ReadString();            // tags 6, 12; 18 and 20 converted to single-byte text
    std::string ReadIdent();             // tag 7 (8, 9, 13, 0 read as False, True, nil, Null)
    std::vector<std::string> ReadSet();  // tag 11
    std::string ReadBinary();            // tag 10
    // An identifier looked up by `lookup` or an integer (colours, character sets).
    int32_t ReadIdentOrInteger(const std::function<bool(std::string_view, int32_t&)>& lookup);
    void SkipValue();

    // Upper bound on a binary or string value that is kept in memory.
    static constexpr uint32_t kMaxKeptValue = 256u << 20;

  private:
    std::unique_ptr<StreamObject> ReadObject(StreamObject* target, int depth);
    void ReadProperties(StreamObject* object, int depth);
    void SkipValue(int depth);
    void SkipPropertyList(int depth);
    uint32_t ReadLength();

    ByteReader& in_;
    const ClassTable& classes_;
};

}  // namespace orlscr
