#include "key_derivations.h"

#include <dlfcn.h>
#include <openssl/evp.h>

#include <atomic>

// Defined in the test program, these take the place of libcrypto's for the
// program and for the libraries it loads, SQLCipher included, and hand each
// call on to libcrypto's.
namespace {

std::atomic<int> derivations{0};
// One derivation may call the other function inside libcrypto.
thread_local int depth = 0;
// The fewest rounds of a key derived from a password.
constexpr int kPasswordRounds = 1000;

template <class Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

template <class Call>
int counted(int rounds, Call call) {
    if (depth == 0 && rounds >= kPasswordRounds) ++derivations;
    ++depth;
    const int result = call();
    --depth;
    return result;
}

}  // namespace

int key_derivations() {
    return derivations;
}

extern "C" int PKCS5_PBKDF2_HMAC(const char* pass, int passlen, const unsigned char* salt,
                                 int saltlen, int iter, const EVP_MD* digest, int keylen,
                                 unsigned char* out) {
    static const auto real = next<decltype(&PKCS5_PBKDF2_HMAC)>("PKCS5_PBKDF2_HMAC");
    return counted(iter,
                   [&] { return real(pass, passlen, salt, saltlen, iter, digest, keylen, out); });
}

extern "C" int PKCS5_PBKDF2_HMAC_SHA1(const char* pass, int passlen, const unsigned char* salt,
                                      int saltlen, int iter, int keylen, unsigned char* out) {
    static const auto real = next<decltype(&PKCS5_PBKDF2_HMAC_SHA1)>("PKCS5_PBKDF2_HMAC_SHA1");
    return counted(iter, [&] { return real(pass, passlen, salt, saltlen, iter, keylen, out); });
}
