#include "unzip/decoders.h"

namespace unzip {

// Not decoded yet: answered as an unsupported method.
TUnzipResult UnshrinkEntry(Engine&) { return urNotSupported; }

}  // namespace unzip
