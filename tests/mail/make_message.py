"""Writes a message with attachments, as Python's email package makes them, for the
e-mail engine's tests.

  make_message.py OUT SUBJECT [NAME=PATH ...]
Each NAME=PATH attaches the file at PATH under the file name NAME. Lines end in CRLF.
"""
import email.policy
import mimetypes
import sys
from email.message import EmailMessage

out, subject = sys.argv[1], sys.argv[2]
message = EmailMessage()
message["From"] = "Ann Lee <ann@example.org>"
message["To"] = "jobs@example.org"
message["Subject"] = subject
message.set_content("The files.\n.hidden dot line\n")
for attachment in sys.argv[3:]:
    name, _, path = attachment.partition("=")
    with open(path, "rb") as f:
        data = f.read()
    kind = (mimetypes.guess_type(name)[0] or "application/octet-stream").split("/")
    message.add_attachment(data, maintype=kind[0], subtype=kind[1], filename=name)
with open(out, "wb") as f:
    f.write(message.as_bytes(policy=email.policy.SMTP))
