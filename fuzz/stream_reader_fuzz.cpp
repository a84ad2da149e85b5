// Feeds arbitrary bytes to the component-stream reader, as a bare stream and as
// a whole package. Damaged input may only end in an orlscr::Error; a record that
// reads must survive a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "package/image.h"
#include "package/settings_record.h"
#include "package/std_input_file.h"
#include "package/stream_writer.h"

using namespace orlscr;

namespace {

void CheckRoundTrip(const TSSFileLocations& record) {
    std::string stream = WriteSettingsRecordStream(record);
    MemoryInputFile file(stream.data(), stream.size());
    ByteReader in(file, 0);
    ComponentReader reader(in, DefaultClassTable());
    TSSFileLocations again;
    reader.ReadRootComponent(&again);
    TSSFileLocations expected = record;
    expected.Tag = 0;  // never written
    if (!(again == expected))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryInputFile file(data, size);

    // Into a record, as the saver reads it.
    try {
        ByteReader in(file, 0);
        ComponentReader reader(in, DefaultClassTable());
        TSSFileLocations record;
        reader.ReadRootComponent(&record);
        CheckRoundTrip(record);
    } catch (const Error&) {
    }

    // Through the class table, as the dialog and the preview read it.
    try {
        ByteReader in(file, 0);
        ComponentReader reader(in, DefaultClassTable());
        auto object = reader.ReadRootComponent(nullptr);
        if (object->ClassName() == TImage::kClassName)
            ParsePictureData(static_cast<TImage&>(*object).pictureData);
    } catch (const Error&) {
    }

    // As a package, through its trailer.
    try {
        if (auto record = ReadSettingsRecord(file)) {
            for (int i = 0; i < record->SndCount(); ++i)
                record->SndPosition(i);
            for (int i = 0; i < record->FlashCount(); ++i)
                record->FlashPosition(i);
        }
    } catch (const Error&) {
    }
    try {
        ReadPreviewPicture(file);
    } catch (const Error&) {
    }
    return 0;
}
