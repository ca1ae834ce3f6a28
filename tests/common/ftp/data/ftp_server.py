#!/usr/bin/python3
# A loopback FTP server for the FTP client's tests, built on pyftpdlib.
# Prints "PORT <n>" once it listens, then serves until killed.
#   --root DIR         the served folder (the test user's home)
#   --user U --password P
#   --host ADDR        127.0.0.1 (default) or ::1
#   --tls DIR          explicit TLS (AUTH TLS) with a self-signed certificate made in DIR
#   --cert-only        with --tls: only write DIR/server.pem (for vsftpd) and exit
#   --hostile          listings of every folder hold names that try to leave it
#   --drop NAME        a RETR of NAME sends part of it, then closes the connection
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

HOSTILE_LINES = [
    "-rw-r--r--   1 owner    group           5 Jan 01  2020 ../escape.txt",
    "-rw-r--r--   1 owner    group           5 Jan 01  2020 /tmp/absolute.txt",
    "-rw-r--r--   1 owner    group           5 Jan 01  2020 sub/inner.txt",
    "-rw-r--r--   1 owner    group           5 Jan 01  2020 back\\slash.txt",
    "drwxr-xr-x   2 owner    group        4096 Jan 01  2020 ..",
    "drwxr-xr-x   2 owner    group        4096 Jan 01  2020 .",
    "drwxr-xr-x   2 owner    group        4096 Jan 01  2020 ../up",
    "-rw-r--r--   1 owner    group           5 Jan 01  2020 good.txt",
]


class HostileFS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        for line in HOSTILE_LINES:
            yield (line + "\r\n").encode("utf8")


class DroppingFile:
    """Gives the first 64 KiB of the real file, then drops the client."""

    def __init__(self, real, handler):
        self.real = real
        self.handler = handler
        self.sent = False
        self.name = real.name
        self.closed = False

    def read(self, size):
        if not self.sent:
            self.sent = True
            return self.real.read(65536)
        self.handler.close()
        return b""

    def seek(self, *args):
        return self.real.seek(*args)

    def close(self):
        self.closed = True
        self.real.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--tls")
    parser.add_argument("--hostile", action="store_true")
    parser.add_argument("--drop")
    parser.add_argument("--cert-only", action="store_true")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    base = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler
        from OpenSSL import crypto

        key = crypto.PKey()
        key.generate_key(crypto.TYPE_RSA, 2048)
        cert = crypto.X509()
        cert.get_subject().CN = "localhost"
        cert.set_serial_number(1)
        cert.gmtime_adj_notBefore(0)
        cert.gmtime_adj_notAfter(3600)
        cert.set_issuer(cert.get_subject())
        cert.set_pubkey(key)
        cert.sign(key, "sha256")
        pem = os.path.join(args.tls, "server.pem")
        with open(pem, "wb") as out:
            out.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
            out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
        if args.cert_only:
            return
        from OpenSSL import SSL

        # Clients resume the control connection's TLS session on data
        # connections (some servers insist on it), which needs a session id
        # context.
        context = SSL.Context(SSL.TLS_SERVER_METHOD)
        context.use_certificate_chain_file(pem)
        context.use_privatekey_file(pem)
        context.set_session_id(b"obrenta-test")
        base = TLS_FTPHandler
        base.ssl_context = context
        base.tls_control_required = True
        base.tls_data_required = True

    drop = args.drop

    class Handler(base):
        authorizer_ = authorizer

        def ftp_RETR(self, file):
            if drop and os.path.basename(file) == drop:
                real = open(file, "rb")
                wrapped = DroppingFile(real, self)
                return self._retr_wrapped(file, wrapped)
            return super().ftp_RETR(file)

        def _retr_wrapped(self, file, fd):
            from pyftpdlib.handlers import FileProducer

            producer = FileProducer(fd, self._current_type)
            self.push_dtp_data(producer, isproducer=True, file=fd, cmd="RETR")
            return file

    Handler.authorizer = authorizer
    Handler.banner = "Obrenta test server ready."
    if args.hostile:
        Handler.abstracted_fs = HostileFS

    server = FTPServer((args.host, 0), Handler)
    port = server.socket.getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
