// Windows metafiles chosen as pictures are outside input: the reader must stay inside the bytes
// it was given, refuse what it cannot read with its own error, and never allocate without bound.
#include "metafile/MetafileError.h"
#include "metafile/MetafileParser.h"
#include "metafile/PageMapping.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const Metafile::TMetafile file = Metafile::ParseMetafile(std::span(data, size), "input");
        Metafile::DrawingBounds(file.commands);
        // The mapping arithmetic the player runs for every change of window or viewport.
        Metafile::TPageMapping mapping(file);
        for (const Metafile::TCommand& command : file.commands) {
            if (const auto* op = std::get_if<Metafile::TMappingOp>(&command))
                mapping.Apply(*op);
            else if (const auto* mode = std::get_if<Metafile::TSetMapMode>(&command))
                mapping.SetMapMode(mode->mode);
            else
                continue;
            mapping.ToDevice();
        }
    } catch (const EMetafileError&) {
        // a file that is not a metafile or is damaged: refused cleanly
    }
    return 0;
}
