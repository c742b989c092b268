#pragma once

#include <mutex>
#include <string>
#include <vector>

// The process-wide run-time binding of OpenSSL (libssl and libcrypto). Nothing
// links against OpenSSL: the two libraries are opened with dlopen on first use
// and each entry point is looked up by name. Every wrapper below loads the
// library if needed and returns a fixed neutral value when the library or the
// entry point is missing: 0 for objects, counts and SSL_set_fd; -1 for SSL_read,
// SSL_write, SSL_connect and SSL_shutdown; 1 for SSL_get_error and
// ERR_get_error; 50 for the verification result. Handles are opaque pointers.
//
// TLSLibraryLock serialises loading and unloading; wrappers take it briefly to
// test the loaded flag. OpenSSL itself is thread-safe from version 1.1 on, so
// sockets on different threads use their own objects in parallel.
namespace TLSLibrary {

using PasswordCallback = int (*)(char* buffer, int size, int flag, void* userData);

// One pair of library file names to try, the SSL library first.
struct LibraryNames {
    std::string ssl;
    std::string crypto;
};

extern std::mutex TLSLibraryLock;

// The pairs tried in order by LoadTLSLibrary. Replacing them (for example with
// names that do not exist) takes effect at the next load.
std::vector<LibraryNames> LibraryCandidates();
void SetLibraryCandidates(std::vector<LibraryNames> candidates);

bool LoadTLSLibrary();
void UnloadTLSLibrary();
bool IsTLSLoaded();
// File names of the two loaded modules (empty when not loaded).
std::string LoadedSSLModule();
std::string LoadedCryptoModule();

void* SSLv2_method();
void* SSLv3_method();
void* TLSv1_method();
void* SSLv23_method();
void* SSL_CTX_new(void* method);
void SSL_CTX_free(void* context);
int SSL_CTX_set_cipher_list(void* context, const std::string& ciphers);
void SSL_CTX_set_verify(void* context, int mode);
void SSL_CTX_set_default_passwd_cb(void* context, PasswordCallback callback);
void SSL_CTX_set_default_passwd_cb_userdata(void* context, void* userData);
int SSL_CTX_use_certificate_chain_file(void* context, const std::string& file);
int SSL_CTX_use_PrivateKey_file(void* context, const std::string& file, int type);
int SSL_CTX_load_verify_locations(void* context, const std::string& file);
// Trusts the certificate authorities the system keeps (or SSL_CERT_FILE and SSL_CERT_DIR name).
int SSL_CTX_set_default_verify_paths(void* context);
void* SSL_new(void* context);
void SSL_free(void* connection);
int SSL_set_fd(void* connection, int fd);
// Names the server for the handshake (Server Name Indication).
int SSL_set_tlsext_host_name(void* connection, const std::string& host);
// The name (or IP address) the server's certificate must carry for verification to pass.
int SSL_set1_host(void* connection, const std::string& host);
int SSL_connect(void* connection);
int SSL_read(void* connection, void* buffer, int length);
int SSL_write(void* connection, const void* buffer, int length);
int SSL_pending(void* connection);
int SSL_get_error(void* connection, int result);
int SSL_shutdown(void* connection);
long SSL_get_verify_result(void* connection);
unsigned long ERR_get_error();
void ERR_clear_error();
std::string ERR_error_string(unsigned long code);
void ERR_remove_state(unsigned long threadId);

}
