# Reads a received message with Python's email package (policy=default) and
# prints what the mail tests check, as JSON: every defect found in the
# message, its parts and their headers; the decoded headers; the text; and
# each attachment's name, size and SHA-256.
import email
import hashlib
import json
import sys
from email import policy

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=policy.default)

defects = []
for part in message.walk():
    defects += [type(d).__name__ + ": " + str(d) for d in part.defects]
    for name, value in part.items():
        defects += ["%s: %s: %s" % (name, type(d).__name__, d) for d in getattr(value, "defects", ())]

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
    "body": body.get_content() if body else None,
    "attachments": attachments,
}, ensure_ascii=False))
