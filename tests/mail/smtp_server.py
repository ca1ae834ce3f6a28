"""A loopback SMTP server for the e-mail engine's tests and benchmark (aiosmtpd).

Run with Debian's /usr/bin/python3. Listens on 127.0.0.1 on a free port, which it
writes to --port-file once it accepts connections; ends on SIGTERM.
  --maildir DIR        save each message as DIR/N.eml and its envelope as DIR/N.env
  --auth USER:SECRET   offer AUTH (CRAM-MD5, LOGIN, PLAIN) and require it
  --mechanisms LIST    the AUTH mechanisms offered, blank-separated
  --starttls CERT KEY  offer STARTTLS and require it
  --implicit-tls CERT KEY  TLS from the first byte
  --reject ADDRESS     answer 550 to RCPT TO:<ADDRESS>
"""
import argparse
import asyncio
import base64
import hmac
import logging
import os
import signal
import ssl
import time
import warnings

warnings.simplefilter("ignore")
logging.disable(logging.CRITICAL)

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Handler:
    def __init__(self, args):
        self.args = args
        self.count = 0
        user, _, secret = (args.auth or ":").partition(":")
        self.user = user.encode()
        self.secret = secret.encode()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.args.reject and address == self.args.reject:
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        if self.args.maildir:
            stem = os.path.join(self.args.maildir, str(self.count))
            with open(stem + ".eml.part", "wb") as f:
                f.write(envelope.original_content)
            os.rename(stem + ".eml.part", stem + ".eml")
            with open(stem + ".env", "w") as f:
                f.write(envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos) + "\n")
        return "250 OK"

    def authenticate(self, server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and data.login == self.user and data.password == self.secret
        return AuthResult(success=ok, handled=False, auth_data=mechanism)

    async def auth_CRAM__MD5(self, server, args):
        challenge = ("<%d.%d@loopback>" % (os.getpid(), time.time_ns())).encode()
        answer = await server.challenge_auth(challenge)
        if not isinstance(answer, bytes):
            return AuthResult(success=False, handled=False)
        user, _, digest = answer.partition(b" ")
        expected = hmac.new(self.secret, challenge, "md5").hexdigest().encode()
        ok = user == self.user and hmac.compare_digest(digest, expected)
        return AuthResult(success=ok, handled=False, auth_data="CRAM-MD5")


def tls_context(cert, key):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--maildir")
    parser.add_argument("--auth")
    parser.add_argument("--mechanisms")
    parser.add_argument("--starttls", nargs=2)
    parser.add_argument("--implicit-tls", nargs=2)
    parser.add_argument("--reject")
    args = parser.parse_args()
    handler = Handler(args)

    excluded = []
    if args.mechanisms is not None:
        offered = set(args.mechanisms.split())
        excluded = [m for m in ("CRAM-MD5", "LOGIN", "PLAIN") if m not in offered]

    def factory():
        return SMTP(handler,
                    hostname="loopback.test",
                    tls_context=tls_context(*args.starttls) if args.starttls else None,
                    require_starttls=bool(args.starttls),
                    authenticator=handler.authenticate if args.auth else None,
                    auth_required=bool(args.auth),
                    auth_require_tls=False,
                    auth_exclude_mechanism=excluded,
                    data_size_limit=None)

    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        factory, "127.0.0.1", 0,
        ssl=tls_context(*args.implicit_tls) if args.implicit_tls else None)
    port = server.sockets[0].getsockname()[1]
    with open(args.port_file + ".part", "w") as f:
        f.write(str(port))
    os.rename(args.port_file + ".part", args.port_file)
    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    await stop.wait()
    server.close()


asyncio.run(main())
