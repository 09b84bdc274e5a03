#pragma once

// Known-answer checks of the primitives under the engine (ChaCha20-Poly1305 of RFC 8439,
// HKDF-SHA-256 of RFC 5869), run once before the first real file.
[[nodiscard]] bool engineSelfTest();
