# Kept fuzz finds, one test each (tests/fuzz/regressions/<target>/<file>).
