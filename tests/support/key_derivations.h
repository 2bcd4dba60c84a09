#pragma once

// How many keys have been derived from a password in this process: runs of
// OpenSSL's PBKDF2 of many rounds, by the store or by SQLCipher (the
// two-round derivation of a page-check key from a key is not counted).
// Linked into a test program, the count wraps OpenSSL's own functions.
int key_derivations();
