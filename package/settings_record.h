#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "package/comma_list.h"
#include "package/input_file.h"
#include "package/stream_reader.h"

namespace orlscr {

// A 32-bit colour: low byte red, then green, then blue; system colours are
// 0x80000000 plus the platform's system-colour index.
using TColor = uint32_t;

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
// stream order, each starting at its initial value (0, false, empty, the
// default font). The three sound lists are parallel (item i of each describes
// one embedded file), and so are the three presentation ("Flash") lists.
class TSSFileLocations : public StreamObject {
  public:
    static constexpr std::string_view kClassName = "TSSFileLocations";

    std::string Text;
    TFont TextFont;
    TColor Background = 0;
    bool lRandomStyle = false;
    bool lRandomPic = false;
    bool lClearOldImage = false;
    bool lStretch = false;
    int32_t Interval = 0;
    int32_t SoundRandom = 0;  // 2: a random track every play; 3: one random track for the run; else list order
    bool lSoundLoop = false;
    bool lMute = false;
    bool lExitMouseMove = false;
    bool lExitMouseClick = false;
    bool lExitKeyPress = false;
    bool lShowMouseCursor = false;
    bool lExitFSCommandQuit = false;
    std::string Title;
    std::string Author;
    std::string Email;
    std::string Web;
    std::string Ver;  // "powerpoint" (exactly) marks a presentation package
    std::string LogoFileName;
    int32_t LogoLayout = 0;
    bool LogoTransprent = false;
    int32_t LogoFilePosition = 0;
    int32_t HookPosition = 0;
    int32_t HookSize = 0;
    CommaList EffectCommaList;
    CommaList PicCommaList;
    CommaList PicFileNamesCommaList;
    CommaList SndCommaList;             // absolute offsets of the sound tracks
    CommaList SndFileNamesCommaList;    // their names, without folders
    CommaList SndSizesCommaList;        // their sizes
    CommaList FlashCommaList;           // absolute offsets of the presentation files
    CommaList FlashFileNamesCommaList;  // their names; the first is the document
    CommaList FlashSizesCommaList;      // their sizes
    CommaList DescriptCommaList;

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

// The names of the stored properties in stream order (TextFont as one name).
extern const char* const kSettingsPropertyNames[37];

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
