#pragma once

#include <string>

// Makes a self-signed certificate (cert.pem) and its key (key.pem) in folder
// with the openssl program, for TLS test servers. Empty on success, else why not.
std::string MakeSelfSignedCertificate(const std::string& folder);
