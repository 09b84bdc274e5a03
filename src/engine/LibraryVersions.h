#pragma once

#include <string>

// The versions of the cryptographic libraries the engine runs on, as they report themselves
// when the program runs (the ones installed, not the ones it was built against).
namespace LibraryVersions {

std::string Sodium();  // for example "1.0.18"
std::string OpenSsl(); // for example "3.0.15"

} // namespace LibraryVersions
