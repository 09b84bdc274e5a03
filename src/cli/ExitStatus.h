#pragma once

// Exit status of zr7e-cli.
namespace ExitStatus {
constexpr int Done = 0;    // every file done
constexpr int Failed = 1;  // a file failed, was refused or skipped
constexpr int Refused = 2; // the setup was refused or the usage is wrong
constexpr int Interrupted = 130;
} // namespace ExitStatus
