#include "LibraryVersions.h"

#include <openssl/crypto.h>
#include <sodium.h>

std::string LibraryVersions::Sodium()
{
    return sodium_version_string();
}

std::string LibraryVersions::OpenSsl()
{
    return OpenSSL_version(OPENSSL_VERSION_STRING);
}
