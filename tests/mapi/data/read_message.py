"""Reads a message file with Python's email parser and prints what it found:
the address headers and subject (decoded), each text part, each attachment's
name, size and SHA-256, and any defects or line-length and header-encoding faults."""
import email
import hashlib
import re
import sys
from email import policy

raw = open(sys.argv[1], "rb").read()
problems = []
for number, line in enumerate(raw.split(b"\n"), 1):
    if len(line) > 998:
        problems.append("line %d is longer than 998" % number)
    if line.endswith(b"\r"):
        problems.append("line %d ends in CR LF" % number)
try:
    raw.split(b"\n\n", 1)[0].decode("ascii")
except UnicodeDecodeError:
    problems.append("a header is not ASCII")

message = email.message_from_bytes(raw, policy=policy.default)
out = []
for name in ("From", "To", "Cc", "Bcc", "Subject"):
    for value in message.get_all(name) or []:
        out.append("%s: %s" % (name, value))
if message["Date"] is None or message["Date"].datetime is None:
    problems.append("no Date")
if not re.fullmatch(r"<[^<>@\s]+@[^<>@\s]+>", str(message["Message-ID"] or "")):
    problems.append("no Message-ID")
for part in message.walk():
    problems.extend(type(defect).__name__ for defect in part.defects)
    if part.is_multipart():
        continue
    if part.get_content_disposition() == "attachment":
        data = part.get_content()
        out.append("attachment: %s %s %d %s" % (part.get_filename(), part.get_content_type(),
                                                len(data), hashlib.sha256(data).hexdigest()))
    else:
        out.append("text: %s %r" % (part.get_content_charset(), part.get_content()))
out.append("problems: " + (", ".join(problems) or "none"))
print("\n".join(out))
