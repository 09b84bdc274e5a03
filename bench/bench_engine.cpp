// Benchmarks of the cipher engine.
