#include "package/stream_writer.h"

#include "common/error.h"
#include "package/stream_reader.h"

namespace orlscr {

ComponentWriter::ComponentWriter(std::string_view className, std::string_view objectName) {
    out_ = "TPF0";
    WriteShortString(className);
    WriteShortString(objectName);
}

void ComponentWriter::WriteShortString(std::string_view text) {
    if (text.size() > 255)
        throw Error("A name in the stream is longer than 255 bytes");
    out_ += static_cast<char>(text.size());
    out_ += text;
}

void ComponentWriter::WriteInt32(uint32_t value) {
    for (int k = 0; k < 4; ++k)
        out_ += static_cast<char>((value >> (8 * k)) & 0xFF);
}

void ComponentWriter::WriteIntegerValue(int32_t value) {
    if (value >= -128 && value <= 127) {
        out_ += static_cast<char>(ValueTag::Int8);
        out_ += static_cast<char>(value & 0xFF);
    } else if (value >= -32768 && value <= 32767) {
        out_ += static_cast<char>(ValueTag::Int16);
        out_ += static_cast<char>(value & 0xFF);
        out_ += static_cast<char>((value >> 8) & 0xFF);
    } else {
        out_ += static_cast<char>(ValueTag::Int32);
        WriteInt32(static_cast<uint32_t>(value));
    }
}

void ComponentWriter::WriteInteger(std::string_view name, int32_t value) {
    WriteName(name);
    WriteIntegerValue(value);
}

void ComponentWriter::WriteBoolean(std::string_view name, bool value) {
    WriteName(name);
    out_ += static_cast<char>(value ? ValueTag::True : ValueTag::False);
}

void ComponentWriter::WriteString(std::string_view name, std::string_view value) {
    WriteName(name);
    if (value.size() <= 255) {
        out_ += static_cast<char>(ValueTag::String);
        out_ += static_cast<char>(value.size());
    } else {
        if (value.size() > 0x7FFFFFFF)
            throw Error("A text in the stream is too long");
        out_ += static_cast<char>(ValueTag::LString);
        WriteInt32(static_cast<uint32_t>(value.size()));
    }
    out_ += value;
}

void ComponentWriter::WriteIdent(std::string_view name, std::string_view ident) {
    WriteName(name);
    out_ += static_cast<char>(ValueTag::Ident);
    WriteShortString(ident);
}

void ComponentWriter::WriteSet(std::string_view name, const std::vector<std::string>& elements) {
    WriteName(name);
    out_ += static_cast<char>(ValueTag::Set);
    for (const std::string& element : elements)
        WriteShortString(element);
    out_ += '\0';
}

void ComponentWriter::WriteBinary(std::string_view name, std::string_view bytes) {
    if (bytes.size() > 0x7FFFFFFF)
        throw Error("A binary value in the stream is too long");
    WriteName(name);
    out_ += static_cast<char>(ValueTag::Binary);
    WriteInt32(static_cast<uint32_t>(bytes.size()));
    out_ += bytes;
}

std::string ComponentWriter::Finish() {
    out_ += '\0';  // end of the property list
    out_ += '\0';  // end of the (empty) child list
    return std::move(out_);
}

namespace {

// One stored property, written as its kind asks (see WriteSettingsRecordStream).
void WriteValue(ComponentWriter& w, std::string_view name, TColor color) {
    if (const char* ident = ColorToIdent(color))
        w.WriteIdent(name, ident);
    else
        w.WriteInteger(name, static_cast<int32_t>(color));
}

void WriteValue(ComponentWriter& w, std::string_view name, const TFont& font) {
    const std::string prefix = std::string(name) + ".";
    if (const char* ident = CharsetToIdent(font.Charset))
        w.WriteIdent(prefix + "Charset", ident);
    else
        w.WriteInteger(prefix + "Charset", font.Charset);
    WriteValue(w, prefix + "Color", font.Color);
    w.WriteInteger(prefix + "Height", font.Height);
    w.WriteString(prefix + "Name", font.Name);
    if (font.Pitch != TFontPitch::fpDefault)
        w.WriteIdent(prefix + "Pitch", PitchToIdent(font.Pitch));
    std::vector<std::string> style;
    for (int k = 0; k < 4; ++k)
        if (font.Style & (1 << k))
            style.emplace_back(kFontStyleNames[k]);
    w.WriteSet(prefix + "Style", style);
}

void WriteValue(ComponentWriter& w, std::string_view name, const std::string& text) {
    if (!text.empty())
        w.WriteString(name, text);
}

void WriteValue(ComponentWriter& w, std::string_view name, bool value) {
    w.WriteBoolean(name, value);
}

void WriteValue(ComponentWriter& w, std::string_view name, int32_t value) {
    w.WriteInteger(name, value);
}

void WriteValue(ComponentWriter& w, std::string_view name, const CommaList& list) {
    WriteValue(w, name, list.Text());
}

}  // namespace

std::string WriteSettingsRecordStream(const TSSFileLocations& r) {
    ComponentWriter w(TSSFileLocations::kClassName, r.Name);
    for (const SettingsProperty& property : kSettingsProperties)
        VisitProperty(property, r, [&](const auto& value) { WriteValue(w, property.name, value); });
    return w.Finish();
}

std::string WriteImageStream(std::string_view pictureData) {
    ComponentWriter w("TImage", "");
    w.WriteBinary("Picture.Data", pictureData);
    return w.Finish();
}

}  // namespace orlscr
