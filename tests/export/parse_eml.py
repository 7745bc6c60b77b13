# Reads an .eml file with Python's own email package and prints what it holds as JSON, for the export tests:
# an independent reading of what GMime wrote.
import email
import email.policy
import hashlib
import json
import sys


def text(part):
    # The line break that ends a part's last line belongs to the MIME structure, not to the body.
    content = part.get_content().replace("\r\n", "\n")
    return content[:-1] if content.endswith("\n") else content


def describe(message):
    out = {"subject": message["subject"], "from": message["from"], "to": message["to"], "cc": message["cc"],
           "date": message["date"], "message-id": message["message-id"], "plain": None, "html": None,
           "attachments": []}
    body = message.get_body(preferencelist=("plain",))
    if body is not None:
        out["plain"] = text(body)
    body = message.get_body(preferencelist=("html",))
    if body is not None:
        out["html"] = text(body)
    for part in message.iter_attachments():
        item = {"filename": part.get_filename(), "type": part.get_content_type()}
        if part.get_content_type() == "message/rfc822":
            item["message"] = describe(part.get_content())
        else:
            data = part.get_payload(decode=True) or b""
            item["size"] = len(data)
            item["sha256"] = hashlib.sha256(data).hexdigest()
        out["attachments"].append(item)
    return out


with open(sys.argv[1], "rb") as f:
    print(json.dumps(describe(email.message_from_binary_file(f, policy=email.policy.default))))
