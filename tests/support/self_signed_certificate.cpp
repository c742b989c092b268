#include "support/self_signed_certificate.h"

#include "support/child_process.h"

std::string MakeSelfSignedCertificate(const std::string& folder, const std::string& altNames)
{
    const ProgramRun made = runProgram("/usr/bin/openssl",
        { "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=linkwatch-test", "-addext",
            "subjectAltName=" + altNames, "-days", "2", "-keyout", folder + "/key.pem", "-out",
            folder + "/cert.pem" });
    return made.status == 0 ? std::string()
                            : "no self-signed certificate (Debian package openssl): " + made.err;
}
