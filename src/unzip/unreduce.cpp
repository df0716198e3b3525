#include "unzip/decoders.h"

namespace unzip {

// Not decoded yet: answered as an unsupported method.
TUnzipResult UnreduceEntry(Engine&, int) { return urNotSupported; }

}  // namespace unzip
