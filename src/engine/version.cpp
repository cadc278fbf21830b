// The library's version (see engine.h), fixed when the library is built.
#include "taverlune/engine.h"

namespace taverlune {

std::string version() { return TAVERLUNE_VERSION_STRING; }

}  // namespace taverlune
