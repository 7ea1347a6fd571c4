// Arbitrary bytes as an SPK kernel of an engine with the extended segment types. Every
// segment's words, read as Type 1 whatever its summary says, must evaluate or fail
// with an error, never crash; a batch of epochs must succeed exactly when each of its
// epochs alone does, with the same bits; the mapped and the positioned-read forms must
// give the same answers to the bit; and the engine's batches of positions must fail
// exactly when one of their scalar requests does.

#include <cstddef>
#include <cstdint>

#include "extended_type_fuzzing.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using orbyx::SpkKernel;
    return orbyx::fuzz::fuzz_segments_read_as(data, size, "1", &SpkKernel::evaluate_type1_at_epochs_into,
                                              &SpkKernel::evaluate_type1_at_epoch);
}
