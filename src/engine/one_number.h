// Inside the engine: the divisors of a number from its factorisation.
#pragma once

#include <cstdint>
#include <vector>

#include "taverlune/engine.h"

namespace taverlune {

/// The divisors up to `borne` of the product of the prime powers, ascending.
std::vector<std::int64_t> diviseurs_jusqua(const std::vector<PuissancePremiere>& facteurs, std::int64_t borne);

}  // namespace taverlune
