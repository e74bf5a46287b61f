#include "support/TestCertificates.h"

#include "support/ProcessRunner.h"

#include <stdexcept>

namespace {

// Relative paths in the configuration are the folder the script runs in.
const char* const OpenSslConfig = R"([req]
distinguished_name = dn
prompt = no
[dn]
CN = Quarrow throw-away test CA
[v3_ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = CA:FALSE
subjectAltName = IP:127.0.0.1,DNS:localhost
extendedKeyUsage = serverAuth
[ca]
default_ca = tca
[tca]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
)";

const char* const MakeScript = R"(set -e
cd "$1"
ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
openssl req -x509 -config ca.cnf -extensions v3_ca $ec -keyout ca.key -out ca.pem -days 30
openssl req -new $ec -keyout server.key -out server.csr -subj /CN=127.0.0.1
openssl ca -batch -config ca.cnf -extensions server -cert ca.pem -keyfile ca.key -in server.csr -out server.pem -days 30 -notext
openssl ca -batch -config ca.cnf -extensions server -cert ca.pem -keyfile ca.key -in server.csr -out expired.pem \
    -startdate 20200101000000Z -enddate 20210101000000Z -notext
openssl req -x509 -config ca.cnf -extensions server -new -key server.key -out self.pem -days 30 -subj /CN=127.0.0.1
)";

} // namespace

TTestCertificates::TTestCertificates()
{
    Dir.Write("ca.cnf", OpenSslConfig);
    Dir.Write("index.txt", "");
    Dir.Write("serial", "01\n");
    const TProcessResult made = RunProcess({"/bin/sh", "-c", MakeScript, "make-certificates", Dir.Path()});
    if (made.ExitStatus != 0)
        throw std::runtime_error("openssl could not make the test certificates: " + made.Err);
}
