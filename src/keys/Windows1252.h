#pragma once

#include <QByteArray>
#include <QString>

// Keys are byte strings in Windows-1252: typed text is converted to it, keyfile bytes are taken
// as they are, and upper-casing follows it, so that a key means the same bytes everywhere.
namespace Windows1252 {

// False when some character of `text` has no Windows-1252 code.
bool CanEncode(const QString& text);

// The Windows-1252 bytes of `text`; characters without a code become "?" (callers check
// CanEncode first).
QByteArray FromUnicode(const QString& text);

// The text of Windows-1252 bytes; the five unassigned codes map to the same control points.
QString ToUnicode(const QByteArray& bytes);

// The upper-case form of one code, where Windows-1252 has it (ÿ gives Ÿ, š gives Š); other
// codes come back unchanged.
unsigned char ToUpper(unsigned char code);

} // namespace Windows1252
