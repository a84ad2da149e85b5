#include "package/settings_record.h"

#include <cstdint>

#include "common/error.h"
#include "common/text.h"
#include "package/trailer.h"

namespace orlscr {

namespace {

struct NamedValue {
    const char* name;
    uint32_t value;
};

constexpr NamedValue kColors[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", 0x8000000A},
    {"clActiveCaption", 0x80000002},
    {"clAppWorkSpace", 0x8000000C},
    {"clBackground", 0x80000001},
    {"clBtnFace", 0x8000000F},
    {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010},
    {"clBtnText", 0x80000012},
    {"clCaptionText", 0x80000009},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clGrayText", 0x80000011},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clInactiveBorder", 0x8000000B},
    {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013},
    {"clInfoBk", 0x80000018},
    {"clInfoText", 0x80000017},
    {"clMenu", 0x80000004},
    {"clMenuText", 0x80000007},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clWindowText", 0x80000008},
};

constexpr NamedValue kCharsets[] = {
    {"ANSI_CHARSET", 0},          {"DEFAULT_CHARSET", 1},   {"SYMBOL_CHARSET", 2},    {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128},    {"HANGEUL_CHARSET", 129}, {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162}, {"HEBREW_CHARSET", 177},
    {"ARABIC_CHARSET", 178},      {"BALTIC_CHARSET", 186},  {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},
    {"EASTEUROPE_CHARSET", 238},  {"OEM_CHARSET", 255},
};

constexpr const char* kPitchNames[3] = {"fpDefault", "fpVariable", "fpFixed"};

template <size_t N>
bool Lookup(const NamedValue (&table)[N], std::string_view ident, uint32_t& value) {
    for (const auto& entry : table)
        if (SameIdent(entry.name, ident)) {
            value = entry.value;
            return true;
        }
    return false;
}

template <size_t N>
const char* NameOf(const NamedValue (&table)[N], uint32_t value) {
    for (const auto& entry : table)
        if (entry.value == value)
            return entry.name;
    return nullptr;
}

// a * b / c rounded half away from zero; -1 when c is 0 or the result does not
// fit 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return -1;
    int64_t p = int64_t{a} * b;
    bool negative = (p < 0) != (c < 0);
    uint64_t up = p < 0 ? static_cast<uint64_t>(-p) : static_cast<uint64_t>(p);
    uint64_t uc = c < 0 ? static_cast<uint64_t>(-int64_t{c}) : static_cast<uint64_t>(c);
    uint64_t q = (up + uc / 2) / uc;
    if (q > (negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF}))
        return -1;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q));
}

int32_t ItemAsInteger(const CommaList& list, int index) {
    if (index < 0 || index >= list.Count())
        throw Error(kIndexOutOfBounds);
    return ParseInt32Or0(TrimBlanks(list.Items()[static_cast<size_t>(index)]));
}

std::string Item(const CommaList& list, int index) {
    if (index < 0 || index >= list.Count())
        throw Error(kIndexOutOfBounds);
    return list.Items()[static_cast<size_t>(index)];
}

// A colour identifier or an integer.
TColor ReadColour(ComponentReader& reader) {
    return static_cast<TColor>(reader.ReadIdentOrInteger([](std::string_view ident, int32_t& value) {
        TColor color;
        if (!IdentToColor(ident, color))
            return false;
        value = static_cast<int32_t>(color);
        return true;
    }));
}

bool ReadFontProperty(TFont& font, std::string_view name, ComponentReader& reader) {
    if (SameIdent(name, "Charset")) {
        font.Charset = reader.ReadIdentOrInteger(
            [](std::string_view ident, int32_t& value) { return IdentToCharset(ident, value); });
    } else if (SameIdent(name, "Color")) {
        font.Color = ReadColour(reader);
    } else if (SameIdent(name, "Height")) {
        font.Height = reader.ReadInteger();
    } else if (SameIdent(name, "Name")) {
        font.Name = reader.ReadString();
    } else if (SameIdent(name, "Size")) {
        font.SetSize(reader.ReadInteger());
    } else if (SameIdent(name, "Style")) {
        TFontStyles style = 0;
        for (const std::string& element : reader.ReadSet()) {
            int bit = -1;
            for (int k = 0; k < 4; ++k)
                if (SameIdent(element, kFontStyleNames[k]))
                    bit = k;
            if (bit < 0)
                throw Error(kInvalidPropertyValue);
            style |= static_cast<TFontStyles>(1 << bit);
        }
        font.Style = style;
    } else if (SameIdent(name, "Pitch")) {
        std::string ident = reader.ReadIdent();
        for (int k = 0; k < 3; ++k)
            if (SameIdent(ident, kPitchNames[k])) {
                font.Pitch = static_cast<TFontPitch>(k);
                return true;
            }
        throw Error(kInvalidPropertyValue);
    } else {
        return false;
    }
    return true;
}

// One value of a stored property, read into the member as its kind asks.
void ReadValue(ComponentReader& reader, std::string& value) {
    value = reader.ReadString();
}
void ReadValue(ComponentReader&, TFont&) {
    throw Error(kInvalidPropertyValue);  // an object, not a value: its properties come as TextFont.*
}
void ReadValue(ComponentReader& reader, TColor& value) {
    value = ReadColour(reader);
}
void ReadValue(ComponentReader& reader, bool& value) {
    value = reader.ReadBoolean();
}
void ReadValue(ComponentReader& reader, int32_t& value) {
    value = reader.ReadInteger();
}
void ReadValue(ComponentReader& reader, CommaList& value) {
    value.SetText(reader.ReadString());
}

}  // namespace

bool IdentToColor(std::string_view ident, TColor& color) {
    return Lookup(kColors, ident, color);
}

const char* ColorToIdent(TColor color) {
    return NameOf(kColors, color);
}

bool IdentToCharset(std::string_view ident, int32_t& charset) {
    uint32_t value;
    if (!Lookup(kCharsets, ident, value))
        return false;
    charset = static_cast<int32_t>(value);
    return true;
}

const char* CharsetToIdent(int32_t charset) {
    return charset < 0 ? nullptr : NameOf(kCharsets, static_cast<uint32_t>(charset));
}

const char* PitchToIdent(TFontPitch pitch) {
    return kPitchNames[static_cast<int>(pitch)];
}

int32_t TFont::Size() const {
    return -MulDiv(Height, 72, kPixelsPerInch);
}

void TFont::SetSize(int32_t points) {
    // Negated in 64 bits: the height of the most negative size wraps instead of overflowing.
    Height = static_cast<int32_t>(-int64_t{MulDiv(points, kPixelsPerInch, 72)});
}

bool TSSFileLocations::ReadProperty(std::string_view path, ComponentReader& reader) {
    // A dotted path leads into a nested object: "TextFont.Height".
    const size_t dot = path.find('.');
    const std::string_view name = path.substr(0, dot);
    if (SameIdent(name, "Tag") && dot == std::string_view::npos) {  // of the component; never written
        Tag = reader.ReadInteger();
        return true;
    }
    for (const SettingsProperty& property : kSettingsProperties) {
        if (!SameIdent(property.name, name))
            continue;
        if (dot != std::string_view::npos) {
            if (property.kind != PropertyKind::Font)
                return false;
            return ReadFontProperty(this->*std::get<TFont TSSFileLocations::*>(property.member),
                                    path.substr(dot + 1), reader);
        }
        VisitProperty(property, *this, [&](auto& value) { ReadValue(reader, value); });
        return true;
    }
    return false;
}

int32_t TSSFileLocations::SndPosition(int index) const {
    return ItemAsInteger(SndCommaList, index);
}
std::string TSSFileLocations::SndFileName(int index) const {
    return Item(SndFileNamesCommaList, index);
}
int32_t TSSFileLocations::SndSize(int index) const {
    return ItemAsInteger(SndSizesCommaList, index);
}
int32_t TSSFileLocations::FlashPosition(int index) const {
    return ItemAsInteger(FlashCommaList, index);
}
std::string TSSFileLocations::FlashFileName(int index) const {
    return Item(FlashFileNamesCommaList, index);
}
int32_t TSSFileLocations::FlashSize(int index) const {
    return ItemAsInteger(FlashSizesCommaList, index);
}

bool TSSFileLocations::operator==(const TSSFileLocations& other) const {
    if (Name != other.Name || Tag != other.Tag)
        return false;
    for (const SettingsProperty& property : kSettingsProperties) {
        bool same = std::visit([&](auto member) { return this->*member == other.*member; }, property.member);
        if (!same)
            return false;
    }
    return true;
}

void ReadSettingsRecordAt(InputFile& file, int64_t offset, TSSFileLocations& target) {
    ByteReader in(file, offset);
    ComponentReader reader(in, DefaultClassTable());
    reader.ReadRootComponent(&target);
}

bool ReadSettingsRecord(InputFile& file, TSSFileLocations* target) {
    if (!target)
        return ReadSettingsRecord(file) != nullptr;
    auto offset = ReadTrailerFieldB(file);
    if (!offset)
        return false;
    ReadSettingsRecordAt(file, *offset, *target);
    return true;
}

std::unique_ptr<TSSFileLocations> ReadSettingsRecord(InputFile& file) {
    auto offset = ReadTrailerFieldB(file);
    if (!offset)
        return nullptr;
    ByteReader in(file, *offset);
    ComponentReader reader(in, DefaultClassTable());
    std::unique_ptr<StreamObject> object = reader.ReadRootComponent(nullptr);
    if (object->ClassName() != TSSFileLocations::kClassName)
        throw Error(kInvalidStreamFormat);
    return std::unique_ptr<TSSFileLocations>(static_cast<TSSFileLocations*>(object.release()));
}

}  // namespace orlscr
