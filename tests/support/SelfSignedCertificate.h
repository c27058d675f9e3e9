#pragma once

// A key and a certificate for 127.0.0.1, made for the test that runs and signed by nobody but
// itself: an https server in the test's process, which no client should trust.

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace kestrum::test {

class SelfSignedCertificate {
public:
    // Valid from an hour ago for a day, for 127.0.0.1 by name and by address: the only fault
    // to find in it is its signer. Throws std::runtime_error when OpenSSL cannot make it.
    SelfSignedCertificate() : m_key(EVP_EC_gen("P-256")), m_certificate(X509_new()) {
        X509_NAME* name = m_certificate != nullptr ? X509_get_subject_name(m_certificate) : nullptr;
        X509_EXTENSION* alternative =
            X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, "IP:127.0.0.1");
        const bool made =
            m_key != nullptr && name != nullptr && alternative != nullptr &&
            X509_set_version(m_certificate, 2) == 1 &&
            ASN1_INTEGER_set(X509_get_serialNumber(m_certificate), 1) == 1 &&
            X509_gmtime_adj(X509_getm_notBefore(m_certificate), -3600) != nullptr &&
            X509_gmtime_adj(X509_getm_notAfter(m_certificate), 24 * 3600) != nullptr &&
            X509_set_pubkey(m_certificate, m_key) == 1 &&
            X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                                       0) == 1 &&
            X509_set_issuer_name(m_certificate, name) == 1 &&
            X509_add_ext(m_certificate, alternative, -1) == 1 &&
            X509_sign(m_certificate, m_key, EVP_sha256()) > 0;
        X509_EXTENSION_free(alternative);
        if (!made) {
            X509_free(m_certificate);
            EVP_PKEY_free(m_key);
            throw std::runtime_error("SelfSignedCertificate: OpenSSL could not make one");
        }
    }
    ~SelfSignedCertificate() {
        X509_free(m_certificate);
        EVP_PKEY_free(m_key);
    }
    SelfSignedCertificate(const SelfSignedCertificate&) = delete;
    SelfSignedCertificate& operator=(const SelfSignedCertificate&) = delete;

    // The server takes its own references.
    X509* certificate() const { return m_certificate; }
    EVP_PKEY* key() const { return m_key; }

private:
    EVP_PKEY* m_key;
    X509* m_certificate;
};

} // namespace kestrum::test
