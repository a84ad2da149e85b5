#pragma once

#include <cstdint>
#include <string>
#include <tuple>

#include "package/comma_list.h"

namespace orlscr {

// A 32-bit colour: low byte red, then green, then blue; system colours are
// 0x80000000 plus the platform's system-colour index.
using TColor = uint32_t;

struct TFont;

// How a property of the settings record is stored, read, written, compared and
// shown. Each kind has one C++ type: PropertyType<kind>, in the same order.
enum class PropertyKind : uint8_t {
    String,     // std::string: tag 6 or 12, written only when not empty
    Font,       // TFont: the nested TextFont.* properties
    Colour,     // TColor: an identifier where the value has one, else an integer
    Boolean,    // bool: tag 8 or 9, always written
    Integer,    // int32_t: the smallest of tags 2, 3, 4, always written
    CommaList,  // CommaList: a string holding a comma list, written only when not empty
};
using PropertyTypes = std::tuple<std::string, TFont, TColor, bool, int32_t, CommaList>;
template <PropertyKind K>
using PropertyType = std::tuple_element_t<static_cast<size_t>(K), PropertyTypes>;

// The stored properties of the settings record, in stream order: X(name, kind).
// This one list declares the members of TSSFileLocations and fills the table
// kSettingsProperties that the reader, the writer, equality and the package
// report walk, so a new property is one line here. Every member starts at the
// value-initialised default of its type (0, false, empty, the default font).
#define ORLSCR_SETTINGS_PROPERTIES(X)                                                                         \
    X(Text, String)                                                                                           \
    X(TextFont, Font)                                                                                         \
    X(Background, Colour)                                                                                     \
    X(lRandomStyle, Boolean)                                                                                  \
    X(lRandomPic, Boolean)                                                                                    \
    X(lClearOldImage, Boolean)                                                                                \
    X(lStretch, Boolean)                                                                                      \
    X(Interval, Integer)                                                                                      \
    X(SoundRandom, Integer) /* 2: a random track every play; 3: one random track for the run; else in order */ \
    X(lSoundLoop, Boolean)                                                                                    \
    X(lMute, Boolean)                                                                                         \
    X(lExitMouseMove, Boolean)                                                                                \
    X(lExitMouseClick, Boolean)                                                                               \
    X(lExitKeyPress, Boolean)                                                                                 \
    X(lShowMouseCursor, Boolean)                                                                              \
    X(lExitFSCommandQuit, Boolean)                                                                            \
    X(Title, String)                                                                                          \
    X(Author, String)                                                                                         \
    X(Email, String)                                                                                          \
    X(Web, String)                                                                                            \
    X(Ver, String) /* "powerpoint" (exactly) marks a presentation package */                                  \
    X(LogoFileName, String)                                                                                   \
    X(LogoLayout, Integer)                                                                                    \
    X(LogoTransprent, Boolean)                                                                                \
    X(LogoFilePosition, Integer)                                                                              \
    X(HookPosition, Integer)                                                                                  \
    X(HookSize, Integer)                                                                                      \
    X(EffectCommaList, CommaList)                                                                             \
    X(PicCommaList, CommaList)                                                                                \
    X(PicFileNamesCommaList, CommaList)                                                                       \
    X(SndCommaList, CommaList)            /* absolute offsets of the sound tracks */                          \
    X(SndFileNamesCommaList, CommaList)   /* their names, without folders */                                 \
    X(SndSizesCommaList, CommaList)       /* their sizes */                                                   \
    X(FlashCommaList, CommaList)          /* absolute offsets of the presentation files */                    \
    X(FlashFileNamesCommaList, CommaList) /* their names; the first is the document */                        \
    X(FlashSizesCommaList, CommaList)     /* their sizes */                                                   \
    X(DescriptCommaList, CommaList)

}  // namespace orlscr
