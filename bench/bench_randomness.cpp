// Benchmarks of the randomness measure.
