# Kept fuzz finds, one test each (tests/fuzz/regressions/<target>/<file>).

# A 16-byte image file asking for 46340 x 46340 pixels with no stored rows:
# the loader allocated and cleared 2 GiB for it.
tess_fuzz_regression(bitmap huge_short_rows.scl)
