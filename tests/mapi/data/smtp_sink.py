"""An SMTP server on loopback for the mail tests (Debian's python3-aiosmtpd).

Usage: smtp_sink.py DIRECTORY. Listens on a free port of 127.0.0.1 and writes the
port to DIRECTORY/port once it accepts connections. Each message goes to
DIRECTORY/messageN.eml (line ends as "\\n") with its envelope in
DIRECTORY/messageN.envelope. Recipients at nobody@ are refused with 550."""
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP

directory = sys.argv[1]


class Sink:
    count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("nobody@"):
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        Sink.count += 1
        base = os.path.join(directory, "message%d" % Sink.count)
        with open(base + ".eml", "wb") as message:
            message.write(envelope.original_content.replace(b"\r\n", b"\n"))
        with open(base + ".envelope", "w") as record:
            record.write("from %s\nto %s\n" % (envelope.mail_from, " ".join(envelope.rcpt_tos)))
        return "250 Message accepted"


async def main():
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(Sink(), hostname="sink.test"), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    partial = os.path.join(directory, "port.partial")
    with open(partial, "w") as record:
        record.write(str(port))
    os.rename(partial, os.path.join(directory, "port"))
    await server.serve_forever()


asyncio.run(main())
