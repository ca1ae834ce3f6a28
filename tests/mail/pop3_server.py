"""A small POP3 server for the e-mail engine's tests (RFC 1939, STLS of RFC 2595).

Run with /usr/bin/python3. Serves the files of --maildir (sorted by name) as
messages 1..n to one user, on 127.0.0.1 and a free port written to --port-file;
ends on SIGTERM. Every command line it receives is appended to --transcript.
  --user NAME --password SECRET
  --no-timestamp       a greeting without an APOP timestamp
  --stls CERT KEY      offer STLS
  --implicit-tls CERT KEY
  --stall              accept connections and never answer
"""
import argparse
import asyncio
import hashlib
import os
import signal
import ssl


class Mailbox:
    def __init__(self, directory):
        self.directory = directory
        self.names = sorted(os.listdir(directory)) if directory else []
        self.deleted = set()

    def data(self, number):
        with open(os.path.join(self.directory, self.names[number - 1]), "rb") as f:
            return f.read()

    def valid(self, number):
        return 1 <= number <= len(self.names) and number not in self.deleted


def stuffed(data):
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return b"".join((b"." + l if l.startswith(b".") else l) + b"\r\n" for l in lines) + b".\r\n"


async def session(reader, writer, args):
    if args.stall:
        await reader.read()
        return
    timestamp = "" if args.no_timestamp else "<%d.%d@loopback>" % (os.getpid(), id(writer))
    box = Mailbox(args.maildir)
    user_ok = False
    logged_on = False

    async def say(text):
        writer.write(text.encode() + b"\r\n")
        await writer.drain()

    await say("+OK POP3 test server ready " + timestamp)
    while True:
        line = await reader.readline()
        if not line:
            return
        text = line.decode(errors="replace").rstrip("\r\n")
        with open(args.transcript, "a") as t:
            t.write(text + "\n")
        word, _, rest = text.partition(" ")
        word = word.upper()
        number = int(rest.split()[0]) if rest.split() and rest.split()[0].isdigit() else 0
        if word == "QUIT":
            for n in sorted(box.deleted, reverse=True):
                os.remove(os.path.join(box.directory, box.names[n - 1]))
            await say("+OK bye")
            writer.close()
            return
        if word == "STLS" and args.stls and not logged_on:
            await say("+OK begin TLS")
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(*args.stls)
            await writer.start_tls(context)
            continue
        if word == "USER" and not logged_on:
            user_ok = rest == args.user
            await say("+OK" if user_ok else "-ERR unknown user")
        elif word == "PASS" and not logged_on:
            logged_on = user_ok and rest == args.password
            await say("+OK logged on" if logged_on else "-ERR wrong password")
        elif word == "APOP" and not logged_on:
            name, _, digest = rest.partition(" ")
            expected = hashlib.md5((timestamp + args.password).encode()).hexdigest()
            logged_on = bool(timestamp) and name == args.user and digest == expected
            await say("+OK logged on" if logged_on else "-ERR refused")
        elif not logged_on:
            await say("-ERR log on first")
        elif word == "STAT":
            live = [n for n in range(1, len(box.names) + 1) if box.valid(n)]
            await say("+OK %d %d" % (len(live), sum(len(box.data(n)) for n in live)))
        elif word == "LIST" and box.valid(number):
            await say("+OK %d %d" % (number, len(box.data(number))))
        elif word == "RETR" and box.valid(number):
            await say("+OK")
            writer.write(stuffed(box.data(number)))
            await writer.drain()
        elif word == "TOP" and box.valid(number):
            count = int(rest.split()[1])
            head, sep, body = box.data(number).replace(b"\r\n", b"\n").partition(b"\n\n")
            kept = head + sep + b"\n".join(body.split(b"\n")[:count]) + (b"\n" if count else b"")
            await say("+OK")
            writer.write(stuffed(kept))
            await writer.drain()
        elif word == "DELE" and box.valid(number):
            box.deleted.add(number)
            await say("+OK deleted")
        elif word == "NOOP":
            await say("+OK")
        else:
            await say("-ERR no such message" if number else "-ERR unknown command")


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--maildir")
    parser.add_argument("--user", default="ann")
    parser.add_argument("--password", default="s3cret")
    parser.add_argument("--transcript", default=os.devnull)
    parser.add_argument("--no-timestamp", action="store_true")
    parser.add_argument("--stls", nargs=2)
    parser.add_argument("--implicit-tls", nargs=2)
    parser.add_argument("--stall", action="store_true")
    args = parser.parse_args()
    context = None
    if args.implicit_tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(*args.implicit_tls)
    server = await asyncio.start_server(lambda r, w: session(r, w, args), "127.0.0.1", 0,
                                        ssl=context)
    port = server.sockets[0].getsockname()[1]
    with open(args.port_file + ".part", "w") as f:
        f.write(str(port))
    os.rename(args.port_file + ".part", args.port_file)
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    await stop.wait()
    server.close()


asyncio.run(main())
