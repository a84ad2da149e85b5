#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/settings_record.h"

namespace orlscr {

// Builds one object of a component stream in memory: signature, class name,
// object name, then properties, then the end markers of the property and the
// child lists. Integers take the smallest tag that holds them; strings of at
// most 255 bytes tag 6, longer ones tag 12.
class ComponentWriter {
  public:
    ComponentWriter(std::string_view className, std::string_view objectName);

    void WriteInteger(std::string_view name, int32_t value);
    void WriteBoolean(std::string_view name, bool value);
    void WriteString(std::string_view name, std::string_view value);
    void WriteIdent(std::string_view name, std::string_view ident);
    void WriteSet(std::string_view name, const std::vector<std::string>& elements);
    void WriteBinary(std::string_view name, std::string_view bytes);

    // Ends the property and child lists and hands over the stream.
    std::string Finish();

  private:
    void WriteShortString(std::string_view text);
    void WriteName(std::string_view name) { WriteShortString(name); }
    void WriteIntegerValue(int32_t value);
    void WriteInt32(uint32_t value);

    std::string out_;
};

// The settings record as the builder stores it: every property in stream order;
// every Boolean, integer and colour, a string or comma list only when it is not
// empty; colours and character sets by identifier where one exists; of the font
// Charset, Color, Height, Name and Style always, Pitch when not fpDefault.
// Throws Error when a property name or text cannot be encoded.
std::string WriteSettingsRecordStream(const TSSFileLocations& record);

// A TImage stream whose "Picture.Data" holds the given value (MakePictureData).
std::string WriteImageStream(std::string_view pictureData);

}  // namespace orlscr
