# Reads a received message with Python's email package (policy=default) and
# prints what the mail tests check, as JSON: every defect found in the
# message, its parts and their headers; the decoded headers; the text; and
# each attachment's name, size and SHA-256. "to_decoded" is the To header
# unfolded and decoded by RFC 2047 alone: the structured reader puts a blank
# between adjacent encoded words of a name, where RFC 2047 drops it.
import email
import hashlib
import json
import re
import sys
from email import policy
from email.header import decode_header, make_header

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=policy.default)

defects = []
for part in message.walk():
    defects += [type(d).__name__ + ": " + str(d) for d in part.defects]
    for name, value in part.items():
        defects += ["%s: %s: %s" % (name, type(d).__name__, d) for d in getattr(value, "defects", ())]

raw_to = next((v for k, v in message.raw_items() if k.lower() == "to"), "")
to_decoded = str(make_header(decode_header(re.sub(r"\r?\n(?=[ \t])", "", raw_to))))

body = message.get_body(preferencelist=("plain",))
attachments = []
for part in message.iter_attachments():
    payload = part.get_payload(decode=True)
    attachments.append({"filename": part.get_filename(), "size": len(payload),
                        "sha256": hashlib.sha256(payload).hexdigest()})

print(json.dumps({
    "defects": defects,
    "headers": sorted(set(message.keys())),
    "subject": str(message["Subject"]),
    "from": str(message["From"]),
    "to": [str(a.addr_spec) for a in message["To"].addresses] if message["To"] else [],
    "to_names": [a.display_name for a in message["To"].addresses] if message["To"] else [],
    "to_decoded": to_decoded,
    "body": body.get_content() if body else None,
    "attachments": attachments,
}, ensure_ascii=False))
