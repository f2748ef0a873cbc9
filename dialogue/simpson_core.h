// The inner loop of the Simpson rule over pairs of interior abscissae, for
// the built-in integrands run ahead in double arithmetic and proven to give
// the bits of the extended-then-double stores.
#pragma once

#include <cstdint>

// The rule between two evaluations: the running abscissa and the running
// weighted sum, both as stored.
struct SimpsonState {
  double Abscissa;
  double Sum;
};

// Which road the built-in integrands take through the pairs loop.
enum class SimpsonCore : std::uint8_t {
  Straightforward,  // every step in extended precision, one store at a time
  Speculative,      // double arithmetic run ahead and checked; needs AVX2 and FMA
};

// The road that AdvancePairs takes on this processor: Speculative when it has
// AVX2 and FMA, otherwise Straightforward.
SimpsonCore PreferredSimpsonCore();

// The straightforward pairs loop: pairs times, the abscissa advanced by step
// and the sum increased by 4·Integrand(x), then the same with weight 2, each
// result stored as it is formed. Raises what Integrand and the stores raise.
// Example: {0, 0} with step 1 and one pair gives {2, 12} for x².
SimpsonState AdvancePairsStraightforward(SimpsonState state, double step, std::int32_t pairs);

// The same loop for the integrand kind chosen now (Integrand's). For x² and
// sin x on the Speculative core it runs double arithmetic ahead in blocks and
// checks every step against the double rounding of its extended result; a
// step found different takes the extended result, and a block that cannot be
// proven exact, or that meets an overflow, is taken the straightforward way
// from its last exact pair. So the result bits, the error raised and the
// evaluation that raises it are those of AdvancePairsStraightforward. Every
// other kind, a core the processor lacks, and infinite operands go
// straightforward. Allocates nothing: its block buffers live on the stack
// (about 3 KiB).
SimpsonState AdvancePairs(SimpsonState state, double step, std::int32_t pairs, SimpsonCore core);
