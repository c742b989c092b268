#include "net/tls_library.h"

#include <gtest/gtest.h>

namespace {

// Each test starts and ends with the library unloaded and the real names in place.
class TlsLibrary : public testing::Test
{
protected:
    void SetUp() override
    {
        TLSLibrary::UnloadTLSLibrary();
        m_saved = TLSLibrary::LibraryCandidates();
    }
    void TearDown() override
    {
        TLSLibrary::UnloadTLSLibrary();
        TLSLibrary::SetLibraryCandidates(m_saved);
    }

private:
    std::vector<TLSLibrary::LibraryNames> m_saved;
};

TEST_F(TlsLibrary, LoadsOpenSslAtRunTimeAndCreatesObjects)
{
    ASSERT_TRUE(TLSLibrary::LoadTLSLibrary());
    EXPECT_TRUE(TLSLibrary::IsTLSLoaded());
    EXPECT_NE(TLSLibrary::LoadedSSLModule().find("libssl"), std::string::npos);
    EXPECT_NE(TLSLibrary::LoadedCryptoModule().find("libcrypto"), std::string::npos);
    void* context = TLSLibrary::SSL_CTX_new(TLSLibrary::SSLv23_method());
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(TLSLibrary::SSL_CTX_set_cipher_list(context, "DEFAULT"), 1);
    void* connection = TLSLibrary::SSL_new(context);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(TLSLibrary::SSL_pending(connection), 0);
    TLSLibrary::SSL_free(connection);
    TLSLibrary::SSL_CTX_free(context);
}

TEST_F(TlsLibrary, OldProtocolMethodsAreMissingFromCurrentOpenSsl)
{
    EXPECT_EQ(TLSLibrary::SSLv2_method(), nullptr);
    EXPECT_EQ(TLSLibrary::SSLv3_method(), nullptr);
    EXPECT_NE(TLSLibrary::TLSv1_method(), nullptr);
}

TEST_F(TlsLibrary, ErrorQueueGivesCodeAndText)
{
    void* context = TLSLibrary::SSL_CTX_new(TLSLibrary::SSLv23_method());
    ASSERT_NE(context, nullptr);
    TLSLibrary::ERR_clear_error();
    EXPECT_EQ(TLSLibrary::SSL_CTX_use_certificate_chain_file(context, "/nonexistent/cert.pem"), 0);
    const unsigned long code = TLSLibrary::ERR_get_error();
    EXPECT_NE(code, 0u);
    EXPECT_NE(TLSLibrary::ERR_error_string(code), "");
    TLSLibrary::ERR_clear_error();
    EXPECT_EQ(TLSLibrary::ERR_get_error(), 0u);
    TLSLibrary::SSL_CTX_free(context);
}

TEST_F(TlsLibrary, MissingLibraryGivesNeutralValues)
{
    TLSLibrary::SetLibraryCandidates({ { "libssl-missing.so.0", "libcrypto-missing.so.0" } });
    EXPECT_FALSE(TLSLibrary::LoadTLSLibrary());
    EXPECT_FALSE(TLSLibrary::IsTLSLoaded());
    EXPECT_EQ(TLSLibrary::SSLv23_method(), nullptr);
    int dummy = 0;
    EXPECT_EQ(TLSLibrary::SSL_set_fd(&dummy, 3), 0);
    EXPECT_EQ(TLSLibrary::SSL_connect(&dummy), -1);
    EXPECT_EQ(TLSLibrary::SSL_read(&dummy, &dummy, 1), -1);
    EXPECT_EQ(TLSLibrary::SSL_write(&dummy, &dummy, 1), -1);
    EXPECT_EQ(TLSLibrary::SSL_shutdown(&dummy), -1);
    EXPECT_EQ(TLSLibrary::SSL_get_error(&dummy, -1), 1);
    EXPECT_EQ(TLSLibrary::ERR_get_error(), 1u);
    EXPECT_EQ(TLSLibrary::SSL_get_verify_result(&dummy), 50);
    EXPECT_EQ(TLSLibrary::SSL_pending(&dummy), 0);
}

TEST_F(TlsLibrary, FallsBackToTheNextCandidatePair)
{
    TLSLibrary::SetLibraryCandidates(
        { { "libssl-missing.so.0", "libcrypto.so.3" }, { "libssl.so.3", "libcrypto.so.3" } });
    EXPECT_TRUE(TLSLibrary::LoadTLSLibrary());
}

}
