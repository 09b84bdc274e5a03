#pragma once

// What a file carries beside its content, mode, owner and times: its extended attributes (user
// attributes, access control lists, security labels) and its inode flags (those chattr sets).
// Copied from an original to the file that replaces it, as far as the file system and the
// process's rights allow: what cannot be set is left out, as it would be by a copy.
namespace FileMetadata {

// Gives `to` the extended attributes of `from`, and only those: what `to` took from its folder
// (a default access control list) and `from` lacks goes.
void copyAttributes(int from, int to);

// Gives `to` the file flags of `from` (chattr), one by one, except immutable and append-only,
// which would keep `to` from being exchanged or purged (an original that has them is refused
// anyway). Meant for a new, empty `to`: some flags (no copy-on-write, compression) only act
// on data written afterwards.
void copyFlags(int from, int to);

} // namespace FileMetadata
