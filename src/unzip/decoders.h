// The decoders behind the driver, one per compression method. Each reads
// through the engine's bit reader, writes through its window and answers with
// a TUnzipResult. A decoder works only on the Engine it is given (a nested
// call may run on a state of its own), never on TheEngine().
#pragma once

#include "unzip/engine.h"

namespace unzip {

TUnzipResult InflateEntry(Engine& e);               // method 8
TUnzipResult ExplodeEntry(Engine& e);               // method 6
TUnzipResult UnshrinkEntry(Engine& e);              // method 1
TUnzipResult UnreduceEntry(Engine& e, int method);  // methods 2-5

}  // namespace unzip
