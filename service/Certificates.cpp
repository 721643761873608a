#include "Certificates.h"

#include <QDir>
#include <QFile>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>

namespace {

struct KeyFree
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct CertFree
{
    void operator()(X509 *cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

Cert makeCertificate(EVP_PKEY *key, const char *commonName, long serial, X509 *issuer, EVP_PKEY *issuerKey)
{
    Cert cert(X509_new());
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3650L * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME *name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("Velmora stand-in"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>(commonName), -1, -1,
                               0);
    X509 *signer = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));

    bool ok = addExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (!issuer) {
        ok = ok && addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
             addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        ok = ok && addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid") &&
             addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE") &&
             addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature,keyEncipherment") &&
             addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth") &&
             addExtension(cert.get(), signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    }
    if (!ok || X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) == 0)
        return nullptr;
    return cert;
}

bool writePem(const QString &path, X509 *cert, EVP_PKEY *key)
{
    // Keys are created owner-only from the start.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, key ? 0600 : 0644);
    FILE *file = descriptor >= 0 ? ::fdopen(descriptor, "wb") : nullptr;
    if (!file)
        return false;
    const bool written = cert ? PEM_write_X509(file, cert) == 1
                              : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace

bool Certificates::ensure(const QString &folder, Certificates &result, QString &error)
{
    const QDir dir(folder);
    result.caFile = dir.filePath(QStringLiteral("ca.pem"));
    result.certFile = dir.filePath(QStringLiteral("server.pem"));
    result.keyFile = dir.filePath(QStringLiteral("server.key"));
    if (QFile::exists(result.caFile) && QFile::exists(result.certFile) && QFile::exists(result.keyFile))
        return true;

    Key caKey(EVP_EC_gen("P-256"));
    Key serverKey(EVP_EC_gen("P-256"));
    if (!caKey || !serverKey) {
        error = QStringLiteral("cannot create keys");
        return false;
    }
    Cert ca = makeCertificate(caKey.get(), "Velmora stand-in CA", 1, nullptr, nullptr);
    Cert server = ca ? makeCertificate(serverKey.get(), "localhost", 2, ca.get(), caKey.get()) : nullptr;
    if (!ca || !server) {
        error = QStringLiteral("cannot create certificates");
        return false;
    }
    if (!writePem(dir.filePath(QStringLiteral("ca.key")), nullptr, caKey.get()) ||
        !writePem(result.keyFile, nullptr, serverKey.get()) || !writePem(result.certFile, server.get(), nullptr) ||
        !writePem(result.caFile, ca.get(), nullptr)) {
        error = QStringLiteral("cannot write the certificates into ") + folder;
        return false;
    }
    return true;
}
