#pragma once

struct KeyRecord;

// Replaces the key in force by a test key for the reliability test: 16 to 64 characters; nine
// times in ten a text key of codes 32 to 122 from the keyboard, otherwise codes 32 to 255 from
// a keyfile. The key is not normalised, and its checksum and classification are left alone.
// Every draw comes from the system's CSPRNG.
void GenerateRandomTextKey(KeyRecord& key);
