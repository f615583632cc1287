#include "display/DisplayArrangement.h"

namespace DisplayArrangement {

double ScaleFor(int screenHeight, double requested) {
    if (requested > 0)
        return requested;
    return screenHeight > 0 ? static_cast<double>(screenHeight) / PreviewHeight : 1.0;
}

} // namespace DisplayArrangement
