#include "unzip/decoders.h"

namespace unzip {

// Not decoded yet: answered as an unsupported method.
TUnzipResult InflateEntry(Engine&) { return urNotSupported; }

}  // namespace unzip
