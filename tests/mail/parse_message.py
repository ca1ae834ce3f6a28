"""Parses a message file with Python's email package for the e-mail engine's tests.

  parse_message.py MESSAGE OUTDIR
Writes each attachment's decoded bytes to OUTDIR/<its file name>, the text part to
OUTDIR/text.txt, and the headers Subject, From, To, CC and Content-Type to
OUTDIR/headers.txt as "Name: value" lines. Fails (exit 1) when the message has
defects.
"""
import email
import email.policy
import os
import sys

message_path, out = sys.argv[1], sys.argv[2]
with open(message_path, "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
defects = list(message.defects)
for part in message.walk():
    defects += part.defects
    if part.is_multipart():
        continue
    name = part.get_filename()
    if name:
        with open(os.path.join(out, name), "wb") as f:
            f.write(part.get_payload(decode=True))
    elif part.get_content_type() == "text/plain":
        with open(os.path.join(out, "text.txt"), "w") as f:
            f.write(part.get_content())
with open(os.path.join(out, "headers.txt"), "w") as f:
    for header in ("Subject", "From", "To", "CC", "Content-Type"):
        if message[header] is not None:
            f.write("%s: %s\n" % (header, message[header]))
if defects:
    print("defects:", defects)
    sys.exit(1)
