#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orlscr::test {

// Hand-made component streams, byte by byte.
class StreamBytes {
  public:
    StreamBytes& Raw(std::string_view bytes) {
        s_ += bytes;
        return *this;
    }
    StreamBytes& Byte(int b) {
        s_ += static_cast<char>(b);
        return *this;
    }
    StreamBytes& U16(uint32_t v) { return Byte(v & 0xFF).Byte((v >> 8) & 0xFF); }
    StreamBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    StreamBytes& Short(std::string_view text) { return Byte(static_cast<int>(text.size())).Raw(text); }
    // Signature, class name and object name of an object.
    StreamBytes& Header(std::string_view className, std::string_view objectName = "") {
        return Raw("TPF0").Short(className).Short(objectName);
    }
    StreamBytes& Name(std::string_view name) { return Short(name); }
    StreamBytes& Int8(int v) { return Byte(2).Byte(v & 0xFF); }
    StreamBytes& Int16(int v) { return Byte(3).U16(static_cast<uint32_t>(v) & 0xFFFF); }
    StreamBytes& Int32(int32_t v) { return Byte(4).U32(static_cast<uint32_t>(v)); }
    StreamBytes& Str(std::string_view text) { return Byte(6).Short(text); }
    StreamBytes& LStr(std::string_view text) { return Byte(12).U32(static_cast<uint32_t>(text.size())).Raw(text); }
    StreamBytes& Ident(std::string_view text) { return Byte(7).Short(text); }
    StreamBytes& End() { return Byte(0); }
    // End of the property list and of the child list.
    StreamBytes& EndObject() { return Byte(0).Byte(0); }

    const std::string& str() const { return s_; }

  private:
    std::string s_;
};

}  // namespace orlscr::test
