# Kept fuzz finds, one test each (tests/fuzz/regressions/<target>/<file>).

# A 16-byte image file asking for 46340 x 46340 pixels with no stored rows:
# the loader allocated and cleared 2 GiB for it.
tess_fuzz_regression(bitmap huge_short_rows.scl)

# 137 bytes: a 4 x 8 image with 15 levels, which Create rounds up to
# 16384 x 16384 (512 MiB at 16 bits) before any row is read.
tess_fuzz_regression(bitmap rounded_up_levels.scl)

# Two entries whose names fold alike: the harness took LoadFile of the second
# for a short read. The first in directory order is opened; kept so the
# harness keeps knowing it.
tess_fuzz_regression(pack repeated_names.dat)

# Any stream decoded at full rate: the synthesis formed a pointer 29 floats
# into a 20-float array to mirror its backward sums (undefined behaviour,
# reported by clang's undefined-behaviour sanitizer on every frame).
tess_fuzz_regression(mpeg synth_mirror_pointer.in)

# 106 bytes whose length comes out at the int limit: the harness's seek past
# the end overflowed an int.
tess_fuzz_regression(mpeg length_at_the_int_limit.in)

# 651 bytes: a PNG header claiming 65535 x 65535 RGB with a short IDAT. The
# reader allocated 16 GiB of pixels for it (bad_alloc in scl to-scl).
tess_fuzz_regression(png huge_claim.png)
