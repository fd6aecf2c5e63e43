#include "export/seams/ExportProgress.h"

namespace tessera {

ExportProgress& Unwatched() {
    static ExportProgress none;
    return none;
}

}  // namespace tessera
