#pragma once

#include "support/TempDir.h"

#include <string>

// A throw-away certificate authority made with the `openssl` command for one test program: a CA
// trusted only by the tests that pass it to the client, a server certificate it signed for
// 127.0.0.1 and localhost, the same key in an expired certificate of that CA, and a self-signed
// one. Elliptic-curve keys, so that making them takes a fraction of a second.
class TTestCertificates
{
public:
    TTestCertificates(); // throws std::runtime_error when openssl fails
    TTestCertificates(const TTestCertificates&) = delete;
    TTestCertificates& operator=(const TTestCertificates&) = delete;

    std::string CaPem() const { return Dir.Read("ca.pem"); }
    std::string ServerKeyPem() const { return Dir.Read("server.key"); }
    std::string ServerPem() const { return Dir.Read("server.pem"); }
    std::string ExpiredPem() const { return Dir.Read("expired.pem"); }
    std::string SelfSignedPem() const { return Dir.Read("self.pem"); }

private:
    TTempDir Dir;
};
