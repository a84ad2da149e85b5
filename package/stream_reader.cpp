#include "package/stream_reader.h"

#include <cstring>

#include "common/error.h"
#include "common/text.h"
#include "package/code_page.h"

namespace orlscr {

std::string ClassNotFoundMessage(std::string_view className) {
    return "Class " + std::string(className) + " not found";
}

namespace {

[[noreturn]] void ReadError() {
    throw Error(kStreamReadError);
}

[[noreturn]] void InvalidValue() {
    throw Error(kInvalidPropertyValue);
}

}  // namespace

bool SameIdent(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// ByteReader

ByteReader::ByteReader(InputFile& file, int64_t start) : file_(file), size_(file.Size()), position_(start) {}

void ByteReader::Fill() {
    bufferStart_ = position_;
    bufferLength_ = 0;
    if (Remaining() == 0)
        return;
    file_.Seek(position_);
    size_t want = sizeof buffer_;
    if (static_cast<int64_t>(want) > Remaining())
        want = static_cast<size_t>(Remaining());
    bufferLength_ = file_.Read(buffer_, want);
}

void ByteReader::Read(void* out, size_t count) {
    if (static_cast<uint64_t>(count) > static_cast<uint64_t>(Remaining()))
        ReadError();
    auto* dest = static_cast<unsigned char*>(out);
    while (count > 0) {
        int64_t offset = position_ - bufferStart_;
        if (offset < 0 || offset >= static_cast<int64_t>(bufferLength_)) {
            Fill();
            if (bufferLength_ == 0)
                ReadError();  // the file shrank under us
            offset = 0;
        }
        size_t n = bufferLength_ - static_cast<size_t>(offset);
        if (n > count)
            n = count;
        std::memcpy(dest, buffer_ + offset, n);
        dest += n;
        count -= n;
        position_ += static_cast<int64_t>(n);
    }
}

uint8_t ByteReader::ReadByte() {
    uint8_t b;
    Read(&b, 1);
    return b;
}

uint8_t ByteReader::PeekByte() {
    uint8_t b = ReadByte();
    --position_;
    return b;
}

int16_t ByteReader::ReadInt16() {
    unsigned char b[2];
    Read(b, 2);
    return static_cast<int16_t>(b[0] | (b[1] << 8));
}

int32_t ByteReader::ReadInt32() {
    unsigned char b[4];
    Read(b, 4);
    return static_cast<int32_t>(uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) |
                                (uint32_t{b[3]} << 24));
}

std::string ByteReader::ReadString(uint64_t count) {
    if (count > static_cast<uint64_t>(Remaining()))
        ReadError();
    std::string s(static_cast<size_t>(count), '\0');
    Read(s.data(), s.size());
    return s;
}

void ByteReader::Skip(uint64_t count) {
    if (count > static_cast<uint64_t>(Remaining()))
        ReadError();
    position_ += static_cast<int64_t>(count);
}

// ---------------------------------------------------------------------------
// ClassTable

void ClassTable::Register(std::string name, Factory factory) {
    classes_.emplace_back(std::move(name), std::move(factory));
}

std::unique_ptr<StreamObject> ClassTable::Create(std::string_view name) const {
    for (const auto& [className, factory] : classes_)
        if (SameIdent(className, name))
            return factory();
    return nullptr;
}

// ---------------------------------------------------------------------------
// ComponentReader

std::unique_ptr<StreamObject> ComponentReader::ReadRootComponent(StreamObject* target) {
    char signature[4];
    in_.Read(signature, 4);
    if (std::memcmp(signature, "TPF0", 4) != 0)
        throw Error(kInvalidStreamFormat);
    return ReadObject(target, 0);
}

std::unique_ptr<StreamObject> ComponentReader::ReadObject(StreamObject* target, int depth) {
    if (depth > kMaxDepth)
        ReadError();
    uint8_t first = in_.PeekByte();
    if ((first & 0xF0) == 0xF0) {
        uint8_t flags = in_.ReadByte();
        if (flags & 2)
            ReadInteger();  // position among the parent's children
    }
    std::string className = in_.ReadString(in_.ReadByte());
    std::string objectName = in_.ReadString(in_.ReadByte());

    std::unique_ptr<StreamObject> created;
    StreamObject* object = target;
    if (!object) {
        created = classes_.Create(className);
        if (!created)
            throw Error(ClassNotFoundMessage(className));
        object = created.get();
    }
    object->Name = objectName;
    ReadProperties(object, depth);
    // Children are created through the class table like the root, then dropped:
    // no object of this program owns children.
    while (in_.PeekByte() != 0)
        ReadObject(nullptr, depth + 1);
    in_.ReadByte();
    return created;
}

void ComponentReader::ReadProperties(StreamObject* object, int depth) {
    while (in_.PeekByte() != 0) {
        std::string name = in_.ReadString(in_.ReadByte());
        if (!object->ReadProperty(name, *this))
            SkipValue(depth + 1);
    }
    in_.ReadByte();
}

uint32_t ComponentReader::ReadLength() {
    return static_cast<uint32_t>(in_.ReadInt32());
}

void ComponentReader::SkipValue() {
    SkipValue(0);
}

void ComponentReader::SkipPropertyList(int depth) {
    while (in_.PeekByte() != 0) {
        in_.Skip(in_.ReadByte());
        SkipValue(depth + 1);
    }
    in_.ReadByte();
}

void ComponentReader::SkipValue(int depth) {
    if (depth > kMaxDepth)
        ReadError();
    auto tag = static_cast<ValueTag>(in_.ReadByte());
    switch (tag) {
        case ValueTag::Null:
        case ValueTag::False:
        case ValueTag::True:
        case ValueTag::Nil:
            return;
        case ValueTag::List:
            while (in_.PeekByte() != 0)
                SkipValue(depth + 1);
            in_.ReadByte();
            return;
        case ValueTag::Int8:
            return in_.Skip(1);
        case ValueTag::Int16:
            return in_.Skip(2);
        case ValueTag::Int32:
        case ValueTag::Single:
            return in_.Skip(4);
        case ValueTag::Extended:
            return in_.Skip(10);
        case ValueTag::Currency:
        case ValueTag::Date:
        case ValueTag::Int64:
            return in_.Skip(8);
        case ValueTag::String:
        case ValueTag::Ident:
            return in_.Skip(in_.ReadByte());
        case ValueTag::Binary:
        case ValueTag::LString:
        case ValueTag::Utf8String:
            return in_.Skip(ReadLength());
        case ValueTag::WString:
            return in_.Skip(uint64_t{ReadLength()} * 2);
        case ValueTag::Set:
            for (uint8_t n; (n = in_.ReadByte()) != 0;)
                in_.Skip(n);
            return;
        case ValueTag::Collection:
            while (in_.PeekByte() != 0) {
                uint8_t next = in_.PeekByte();
                if (next == 2 || next == 3 || next == 4)
                    SkipValue(depth + 1);  // the item's order value
                SkipPropertyList(depth + 1);
            }
            in_.ReadByte();
            return;
    }
    InvalidValue();  // a tag this format does not have
}

ValueTag ComponentReader::ReadTag() {
    return static_cast<ValueTag>(in_.ReadByte());
}

ValueTag ComponentReader::PeekTag() {
    return static_cast<ValueTag>(in_.PeekByte());
}

int32_t ComponentReader::ReadInteger() {
    switch (ReadTag()) {
        case ValueTag::Int8:
            return static_cast<int8_t>(in_.ReadByte());
        case ValueTag::Int16:
            return in_.ReadInt16();
        case ValueTag::Int32:
            return in_.ReadInt32();
        default:
            InvalidValue();
    }
}

bool ComponentReader::ReadBoolean() {
    switch (ReadTag()) {
        case ValueTag::False:
            return false;
        case ValueTag::True:
            return true;
        case ValueTag::Ident: {
            std::string ident = in_.ReadString(in_.ReadByte());
            if (SameIdent(ident, "False"))
                return false;
            if (SameIdent(ident, "True"))
                return true;
            InvalidValue();
        }
        default:
            InvalidValue();
    }
}

std::string ComponentReader::ReadString() {
    switch (ReadTag()) {
        case ValueTag::String:
            return in_.ReadString(in_.ReadByte());
        case ValueTag::LString: {
            uint32_t length = ReadLength();
            if (length > kMaxKeptValue)
                ReadError();
            return in_.ReadString(length);
        }
        case ValueTag::WString: {
            uint64_t bytes = uint64_t{ReadLength()} * 2;
            if (bytes > kMaxKeptValue)
                ReadError();
            return Utf16LeToCp1252(in_.ReadString(bytes));
        }
        case ValueTag::Utf8String: {
            uint32_t length = ReadLength();
            if (length > kMaxKeptValue)
                ReadError();
            return Utf8ToCp1252(in_.ReadString(length));
        }
        default:
            InvalidValue();
    }
}

std::string ComponentReader::ReadIdent() {
    switch (ReadTag()) {
        case ValueTag::Ident:
            return in_.ReadString(in_.ReadByte());
        case ValueTag::False:
            return "False";
        case ValueTag::True:
            return "True";
        case ValueTag::Nil:
            return "nil";
        case ValueTag::Null:
            return "Null";
        default:
            InvalidValue();
    }
}

std::vector<std::string> ComponentReader::ReadSet() {
    if (ReadTag() != ValueTag::Set)
        InvalidValue();
    std::vector<std::string> names;
    for (uint8_t n; (n = in_.ReadByte()) != 0;)
        names.push_back(in_.ReadString(n));
    return names;
}

std::string ComponentReader::ReadBinary() {
    if (ReadTag() != ValueTag::Binary)
        InvalidValue();
    uint32_t length = ReadLength();
    if (length > kMaxKeptValue)
        ReadError();
    return in_.ReadString(length);
}

int32_t ComponentReader::ReadIdentOrInteger(const std::function<bool(std::string_view, int32_t&)>& lookup) {
    ValueTag tag = PeekTag();
    if (tag == ValueTag::Int8 || tag == ValueTag::Int16 || tag == ValueTag::Int32)
        return ReadInteger();
    if (tag != ValueTag::Ident)
        InvalidValue();
    std::string ident = ReadIdent();
    int32_t value;
    if (!lookup(ident, value))
        InvalidValue();
    return value;
}

}  // namespace orlscr
