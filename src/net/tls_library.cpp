#include "net/tls_library.h"

#include <cstdint>
#include <dlfcn.h>
#include <link.h>
#include <type_traits>
#include <utility>

namespace TLSLibrary {

std::mutex TLSLibraryLock;

namespace {

    // Entry points, looked up by name. Where the classic name became a macro in
    // OpenSSL 1.1 and later, the function behind the macro is bound instead
    // (TLS_method for SSLv23_method, OPENSSL_init_ssl for SSL_library_init and
    // SSL_load_error_strings, SSL_ctrl for the host name).
    struct EntryPoints {
        int (*initSsl)(std::uint64_t, const void*) = nullptr;
        void (*randScreen)() = nullptr;
        void* (*sslv2Method)() = nullptr;
        void* (*sslv3Method)() = nullptr;
        void* (*tlsv1Method)() = nullptr;
        void* (*negotiatingMethod)() = nullptr;
        void* (*ctxNew)(void*) = nullptr;
        void (*ctxFree)(void*) = nullptr;
        int (*ctxSetCipherList)(void*, const char*) = nullptr;
        void (*ctxSetVerify)(void*, int, void*) = nullptr;
        void (*ctxSetPasswordCallback)(void*, PasswordCallback) = nullptr;
        void (*ctxSetPasswordUserData)(void*, void*) = nullptr;
        int (*ctxUseCertificateChainFile)(void*, const char*) = nullptr;
        int (*ctxUsePrivateKeyFile)(void*, const char*, int) = nullptr;
        int (*ctxLoadVerifyLocations)(void*, const char*, const char*) = nullptr;
        int (*ctxSetDefaultVerifyPaths)(void*) = nullptr;
        void* (*sslNew)(void*) = nullptr;
        void (*sslFree)(void*) = nullptr;
        int (*sslSetFd)(void*, int) = nullptr;
        long (*sslCtrl)(void*, int, long, void*) = nullptr;
        int (*sslSet1Host)(void*, const char*) = nullptr;
        int (*sslConnect)(void*) = nullptr;
        int (*sslRead)(void*, void*, int) = nullptr;
        int (*sslWrite)(void*, const void*, int) = nullptr;
        int (*sslPending)(const void*) = nullptr;
        int (*sslGetError)(const void*, int) = nullptr;
        int (*sslShutdown)(void*) = nullptr;
        long (*sslGetVerifyResult)(const void*) = nullptr;
        unsigned long (*errGetError)() = nullptr;
        void (*errClearError)() = nullptr;
        char* (*errErrorStringN)(unsigned long, char*, std::size_t) = nullptr;
        void (*errRemoveState)(unsigned long) = nullptr;
        void (*threadStop)() = nullptr;
        void (*evpCleanup)() = nullptr;
        void (*cryptoCleanupAllExData)() = nullptr;
    };

    struct Binding {
        void* sslHandle = nullptr;
        void* cryptoHandle = nullptr;
        bool loaded = false;
        std::string sslModule;
        std::string cryptoModule;
        EntryPoints entries;
        std::vector<LibraryNames> candidates { { "libssl.so.3", "libcrypto.so.3" },
            { "libssl.so", "libcrypto.so" } };
    };

    Binding& binding()
    {
        static Binding instance;
        return instance;
    }

    template <typename Function> void bind(void* handle, const char* name, Function& target)
    {
        target = reinterpret_cast<Function>(dlsym(handle, name));
    }

    template <typename Function>
    void bindFirst(void* handle, std::initializer_list<const char*> names, Function& target)
    {
        for (const char* name : names) {
            bind(handle, name, target);
            if (target)
                return;
        }
    }

    std::string moduleName(void* handle)
    {
        link_map* map = nullptr;
        if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
            return {};
        return std::string(map->l_name).substr(0, 1024);
    }

    void bindSslEntries(void* ssl, EntryPoints& e)
    {
        bind(ssl, "OPENSSL_init_ssl", e.initSsl);
        bind(ssl, "SSLv2_method", e.sslv2Method);
        bind(ssl, "SSLv3_method", e.sslv3Method);
        bind(ssl, "TLSv1_method", e.tlsv1Method);
        bindFirst(ssl, { "SSLv23_method", "TLS_method" }, e.negotiatingMethod);
        bind(ssl, "SSL_CTX_new", e.ctxNew);
        bind(ssl, "SSL_CTX_free", e.ctxFree);
        bind(ssl, "SSL_CTX_set_cipher_list", e.ctxSetCipherList);
        bind(ssl, "SSL_CTX_set_verify", e.ctxSetVerify);
        bind(ssl, "SSL_CTX_set_default_passwd_cb", e.ctxSetPasswordCallback);
        bind(ssl, "SSL_CTX_set_default_passwd_cb_userdata", e.ctxSetPasswordUserData);
        bind(ssl, "SSL_CTX_use_certificate_chain_file", e.ctxUseCertificateChainFile);
        bind(ssl, "SSL_CTX_use_PrivateKey_file", e.ctxUsePrivateKeyFile);
        bind(ssl, "SSL_CTX_load_verify_locations", e.ctxLoadVerifyLocations);
        bind(ssl, "SSL_CTX_set_default_verify_paths", e.ctxSetDefaultVerifyPaths);
        bind(ssl, "SSL_new", e.sslNew);
        bind(ssl, "SSL_free", e.sslFree);
        bind(ssl, "SSL_set_fd", e.sslSetFd);
        bind(ssl, "SSL_ctrl", e.sslCtrl);
        bind(ssl, "SSL_set1_host", e.sslSet1Host);
        bind(ssl, "SSL_connect", e.sslConnect);
        bind(ssl, "SSL_read", e.sslRead);
        bind(ssl, "SSL_write", e.sslWrite);
        bind(ssl, "SSL_pending", e.sslPending);
        bind(ssl, "SSL_get_error", e.sslGetError);
        bind(ssl, "SSL_shutdown", e.sslShutdown);
        bind(ssl, "SSL_get_verify_result", e.sslGetVerifyResult);
    }

    void bindCryptoEntries(void* crypto, EntryPoints& e)
    {
        bind(crypto, "RAND_screen", e.randScreen);
        bind(crypto, "ERR_get_error", e.errGetError);
        bind(crypto, "ERR_clear_error", e.errClearError);
        bind(crypto, "ERR_error_string_n", e.errErrorStringN);
        bindFirst(crypto, { "ERR_remove_state", "ERR_remove_thread_state" }, e.errRemoveState);
        // From OpenSSL 1.1 on the calling thread's error queue and other state are
        // freed by OPENSSL_thread_stop; the older names remain only as no-ops.
        bind(crypto, "OPENSSL_thread_stop", e.threadStop);
        bind(crypto, "EVP_cleanup", e.evpCleanup);
        bind(crypto, "CRYPTO_cleanup_all_ex_data", e.cryptoCleanupAllExData);
    }

    // Opens the first candidate pair whose two libraries both load.
    bool openLibraries(Binding& b)
    {
        for (const auto& names : b.candidates) {
            void* ssl = dlopen(names.ssl.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
            void* crypto = dlopen(names.crypto.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
            if (ssl && crypto) {
                b.sslHandle = ssl;
                b.cryptoHandle = crypto;
                return true;
            }
            if (ssl)
                dlclose(ssl);
            if (crypto)
                dlclose(crypto);
        }
        return false;
    }

    bool loadLocked(Binding& b)
    {
        if (b.loaded)
            return true;
        if (!openLibraries(b))
            return false;
        bindSslEntries(b.sslHandle, b.entries);
        bindCryptoEntries(b.cryptoHandle, b.entries);
        b.sslModule = moduleName(b.sslHandle);
        b.cryptoModule = moduleName(b.cryptoHandle);
        // Library set-up and error strings (SSL_library_init, SSL_load_error_strings).
        constexpr std::uint64_t loadCryptoStrings = 0x00000002;
        constexpr std::uint64_t loadSslStrings = 0x00200000;
        if (b.entries.initSsl)
            b.entries.initSsl(loadCryptoStrings | loadSslStrings, nullptr);
        if (b.entries.randScreen)
            b.entries.randScreen();
        b.loaded = true;
        return true;
    }

    // The entry points when the library is (or can be) loaded, else nullptr.
    const EntryPoints* entries()
    {
        std::lock_guard lock(TLSLibraryLock);
        Binding& b = binding();
        return loadLocked(b) ? &b.entries : nullptr;
    }

    template <auto Entry>
    using EntryType = std::remove_cvref_t<decltype(std::declval<const EntryPoints&>().*Entry)>;
    template <auto Entry, typename... Args>
    using EntryResult = std::invoke_result_t<EntryType<Entry>, Args...>;

    // What an entry point returns, or neutral when the library or the entry
    // is missing.
    template <auto Entry, typename... Args>
    EntryResult<Entry, Args...> valueOf(EntryResult<Entry, Args...> neutral, Args... args)
    {
        const EntryPoints* e = entries();
        return e && e->*Entry ? (e->*Entry)(args...) : neutral;
    }

    // The same for a call on an object (a context or a connection): a null
    // object gives neutral too.
    template <auto Entry, typename... Args>
    EntryResult<Entry, void*, Args...> valueOn(
        EntryResult<Entry, void*, Args...> neutral, void* object, Args... args)
    {
        const EntryPoints* e = entries();
        return e && e->*Entry && object ? (e->*Entry)(object, args...) : neutral;
    }

    template <auto Entry, typename... Args> void runOn(void* object, Args... args)
    {
        const EntryPoints* e = entries();
        if (e && e->*Entry && object)
            (e->*Entry)(object, args...);
    }

}

std::vector<LibraryNames> LibraryCandidates()
{
    std::lock_guard lock(TLSLibraryLock);
    return binding().candidates;
}

void SetLibraryCandidates(std::vector<LibraryNames> candidates)
{
    std::lock_guard lock(TLSLibraryLock);
    binding().candidates = std::move(candidates);
}

bool LoadTLSLibrary()
{
    std::lock_guard lock(TLSLibraryLock);
    return loadLocked(binding());
}

void UnloadTLSLibrary()
{
    std::lock_guard lock(TLSLibraryLock);
    Binding& b = binding();
    if (b.loaded) {
        if (b.entries.evpCleanup)
            b.entries.evpCleanup();
        if (b.entries.cryptoCleanupAllExData)
            b.entries.cryptoCleanupAllExData();
        if (b.entries.threadStop)
            b.entries.threadStop();
        else if (b.entries.errRemoveState)
            b.entries.errRemoveState(0);
    }
    b.loaded = false;
    if (b.sslHandle)
        dlclose(b.sslHandle);
    if (b.cryptoHandle)
        dlclose(b.cryptoHandle);
    b.sslHandle = b.cryptoHandle = nullptr;
    b.sslModule.clear();
    b.cryptoModule.clear();
    b.entries = EntryPoints {};
}

bool IsTLSLoaded()
{
    std::lock_guard lock(TLSLibraryLock);
    return binding().loaded;
}

std::string LoadedSSLModule()
{
    std::lock_guard lock(TLSLibraryLock);
    return binding().sslModule;
}

std::string LoadedCryptoModule()
{
    std::lock_guard lock(TLSLibraryLock);
    return binding().cryptoModule;
}

// Each wrapper: the neutral value when the library or the entry is missing.

void* SSLv2_method() { return valueOf<&EntryPoints::sslv2Method>(nullptr); }

void* SSLv3_method() { return valueOf<&EntryPoints::sslv3Method>(nullptr); }

void* TLSv1_method() { return valueOf<&EntryPoints::tlsv1Method>(nullptr); }

void* SSLv23_method() { return valueOf<&EntryPoints::negotiatingMethod>(nullptr); }

void* SSL_CTX_new(void* method) { return valueOn<&EntryPoints::ctxNew>(nullptr, method); }

void SSL_CTX_free(void* context) { runOn<&EntryPoints::ctxFree>(context); }

int SSL_CTX_set_cipher_list(void* context, const std::string& ciphers)
{
    return valueOn<&EntryPoints::ctxSetCipherList>(0, context, ciphers.c_str());
}

void SSL_CTX_set_verify(void* context, int mode)
{
    runOn<&EntryPoints::ctxSetVerify>(context, mode, static_cast<void*>(nullptr));
}

void SSL_CTX_set_default_passwd_cb(void* context, PasswordCallback callback)
{
    runOn<&EntryPoints::ctxSetPasswordCallback>(context, callback);
}

void SSL_CTX_set_default_passwd_cb_userdata(void* context, void* userData)
{
    runOn<&EntryPoints::ctxSetPasswordUserData>(context, userData);
}

int SSL_CTX_use_certificate_chain_file(void* context, const std::string& file)
{
    return valueOn<&EntryPoints::ctxUseCertificateChainFile>(0, context, file.c_str());
}

int SSL_CTX_use_PrivateKey_file(void* context, const std::string& file, int type)
{
    return valueOn<&EntryPoints::ctxUsePrivateKeyFile>(0, context, file.c_str(), type);
}

int SSL_CTX_load_verify_locations(void* context, const std::string& file)
{
    return valueOn<&EntryPoints::ctxLoadVerifyLocations>(
        0, context, file.c_str(), static_cast<const char*>(nullptr));
}

int SSL_CTX_set_default_verify_paths(void* context)
{
    return valueOn<&EntryPoints::ctxSetDefaultVerifyPaths>(0, context);
}

void* SSL_new(void* context) { return valueOn<&EntryPoints::sslNew>(nullptr, context); }

void SSL_free(void* connection) { runOn<&EntryPoints::sslFree>(connection); }

int SSL_set_fd(void* connection, int fd) { return valueOn<&EntryPoints::sslSetFd>(0, connection, fd); }

int SSL_set_tlsext_host_name(void* connection, const std::string& host)
{
    constexpr int setHostNameControl = 55;
    constexpr long hostNameType = 0;
    return static_cast<int>(valueOn<&EntryPoints::sslCtrl>(0L, connection, setHostNameControl, hostNameType,
        static_cast<void*>(const_cast<char*>(host.c_str()))));
}

int SSL_set1_host(void* connection, const std::string& host)
{
    return valueOn<&EntryPoints::sslSet1Host>(0, connection, host.c_str());
}

int SSL_connect(void* connection) { return valueOn<&EntryPoints::sslConnect>(-1, connection); }

int SSL_read(void* connection, void* buffer, int length)
{
    return valueOn<&EntryPoints::sslRead>(-1, connection, buffer, length);
}

int SSL_write(void* connection, const void* buffer, int length)
{
    return valueOn<&EntryPoints::sslWrite>(-1, connection, buffer, length);
}

int SSL_pending(void* connection) { return valueOn<&EntryPoints::sslPending>(0, connection); }

int SSL_get_error(void* connection, int result)
{
    return valueOn<&EntryPoints::sslGetError>(1, connection, result);
}

int SSL_shutdown(void* connection) { return valueOn<&EntryPoints::sslShutdown>(-1, connection); }

long SSL_get_verify_result(void* connection)
{
    return valueOn<&EntryPoints::sslGetVerifyResult>(50L, connection);
}

unsigned long ERR_get_error() { return valueOf<&EntryPoints::errGetError>(1UL); }

void ERR_clear_error()
{
    const auto* e = entries();
    if (e && e->errClearError)
        e->errClearError();
}

std::string ERR_error_string(unsigned long code)
{
    const auto* e = entries();
    if (!e || !e->errErrorStringN)
        return {};
    char buffer[256] = {};
    e->errErrorStringN(code, buffer, sizeof(buffer));
    return buffer;
}

void ERR_remove_state(unsigned long threadId)
{
    const auto* e = entries();
    if (e && e->threadStop)
        e->threadStop();
    else if (e && e->errRemoveState)
        e->errRemoveState(threadId);
}

}
