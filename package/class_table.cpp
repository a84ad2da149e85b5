#include "package/image.h"
#include "package/settings_record.h"
#include "package/stream_reader.h"

namespace orlscr {

const ClassTable& DefaultClassTable() {
    static const ClassTable table = [] {
        ClassTable t;
        t.Register(std::string(TSSFileLocations::kClassName), [] { return std::make_unique<TSSFileLocations>(); });
        t.Register(std::string(TImage::kClassName), [] { return std::make_unique<TImage>(); });
        return t;
    }();
    return table;
}

}  // namespace orlscr
