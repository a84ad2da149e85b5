#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "package/comma_list.h"
#include "package/input_file.h"
#include "package/settings_properties.h"
#include "package/stream_reader.h"

namespace orlscr {

// Colour identifiers ("clWindowText") and character-set identifiers
// ("DEFAULT_CHARSET") as the stream writes them. Identifiers compare without
// regard to ASCII case; a value with several names gives the first listed.
bool IdentToColor(std::string_view ident, TColor& color);
const char* ColorToIdent(TColor color);  // nullptr when the value has no name
bool IdentToCharset(std::string_view ident, int32_t& charset);
const char* CharsetToIdent(int32_t charset);  // nullptr when the value has no name

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;  // a set of TFontStyle bits
inline constexpr const char* kFontStyleNames[4] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

enum class TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
const char* PitchToIdent(TFontPitch pitch);

// The font of the record. Height is negative for a character height in pixels;
// Size is the same in points, at the 96 pixels per inch that the record assumes.
struct TFont {
    static constexpr int kPixelsPerInch = 96;
    static constexpr TColor kClWindowText = 0x80000008;
    static constexpr int32_t kDefaultCharset = 1;

    int32_t Charset = kDefaultCharset;
    TColor Color = kClWindowText;
    int32_t Height = -11;  // 8 points
    std::string Name = "MS Sans Serif";
    TFontStyles Style = 0;
    TFontPitch Pitch = TFontPitch::fpDefault;

    int32_t Size() const;
    void SetSize(int32_t points);

    bool operator==(const TFont&) const = default;
};

// The settings record of a package. Members are the stored properties in
// stream order (ORLSCR_SETTINGS_PROPERTIES), each starting at its initial value
// (0, false, empty, the default font). The three sound lists are parallel (item
// i of each describes one embedded file), and so are the three presentation
// ("Flash") lists.
class TSSFileLocations : public StreamObject {
  public:
    static constexpr std::string_view kClassName = "TSSFileLocations";

#define ORLSCR_DECLARE_PROPERTY(name, kind) PropertyType<PropertyKind::kind> name{};
    ORLSCR_SETTINGS_PROPERTIES(ORLSCR_DECLARE_PROPERTY)
#undef ORLSCR_DECLARE_PROPERTY

    int32_t Tag = 0;  // of the component; never written

    std::string_view ClassName() const override { return kClassName; }
    bool ReadProperty(std::string_view path, ComponentReader& reader) override;

    // Indexed readers of the embedded-file lists. The counts come from the
    // offset lists; each reader checks the index against its own list and
    // throws Error("Index is out of bounds") outside it. Offsets and sizes are
    // decimal text, 0 when malformed.
    int SndCount() const { return SndCommaList.Count(); }
    int32_t SndPosition(int index) const;
    std::string SndFileName(int index) const;
    int32_t SndSize(int index) const;
    int FlashCount() const { return FlashCommaList.Count(); }
    int32_t FlashPosition(int index) const;
    std::string FlashFileName(int index) const;
    int32_t FlashSize(int index) const;

    bool operator==(const TSSFileLocations& other) const;
};

inline constexpr const char* kIndexOutOfBounds = "Index is out of bounds";

// One stored property: its stream name, its kind and the member that holds it.
using PropertyMember = std::variant<std::string TSSFileLocations::*,
                                    TFont TSSFileLocations::*,
                                    TColor TSSFileLocations::*,
                                    bool TSSFileLocations::*,
                                    int32_t TSSFileLocations::*,
                                    CommaList TSSFileLocations::*>;
struct SettingsProperty {
    std::string_view name;
    PropertyKind kind;
    PropertyMember member;
};

// Every stored property in stream order; the reader, the writer, equality and
// the package report all walk this table.
inline constexpr SettingsProperty kSettingsProperties[] = {
#define ORLSCR_PROPERTY_ENTRY(name, kind) \
    {#name, PropertyKind::kind, PropertyMember(std::in_place_type<PropertyType<PropertyKind::kind> TSSFileLocations::*>, &TSSFileLocations::name)},
    ORLSCR_SETTINGS_PROPERTIES(ORLSCR_PROPERTY_ENTRY)
#undef ORLSCR_PROPERTY_ENTRY
};

// Calls `f(member)` with a reference to the member of `record` that `property`
// names, typed as the property's kind (std::string, TFont, TColor, bool,
// int32_t or CommaList).
template <typename Record, typename F>
decltype(auto) VisitProperty(const SettingsProperty& property, Record& record, F&& f) {
    return std::visit([&](auto member) -> decltype(auto) { return f(record.*member); }, property.member);
}

// Reads the settings record of a package: field B of the trailer gives the
// offset of its stream. With a target the values go into it (its class is not
// checked against the stream's); returns false, reading nothing, when the file
// is shorter than the trailer field. Stream errors throw, and the values read
// before the error stay in the target.
bool ReadSettingsRecord(InputFile& file, TSSFileLocations* target);

// Reads the record stream at `offset` into `target`, for callers that read the
// trailer themselves. Values read before a stream error stay in the target.
void ReadSettingsRecordAt(InputFile& file, int64_t offset, TSSFileLocations& target);

// The same without a target: the object comes from the class table by the
// stream's class name ("Class %s not found"). A stream of another creatable
// class is not a settings record: "Invalid stream format". Returns nullptr
// when the file is shorter than the trailer field.
std::unique_ptr<TSSFileLocations> ReadSettingsRecord(InputFile& file);

}  // namespace orlscr
