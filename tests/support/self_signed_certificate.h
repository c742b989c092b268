#pragma once

#include <string>

// Makes a self-signed certificate (cert.pem) and its key (key.pem) in folder
// with the openssl program, for TLS test servers; it names the hosts in
// altNames ("IP:127.0.0.1", "DNS:a.example,IP:127.0.0.1"). Empty on success,
// else why not.
std::string MakeSelfSignedCertificate(
    const std::string& folder, const std::string& altNames = "IP:127.0.0.1");
