# Reads a .msg file with olefile and prints what it holds as JSON, for the export tests; sizes that disagree with
# their streams, and counts with the storages, are listed under "problems".
import datetime
import hashlib
import json
import struct
import sys

import olefile

KNOWN = {1: "PS_MAPI", 2: "PS_PUBLIC_STRINGS"}


def names_of(ole):
    root = ["__nameid_version1.0"]
    guids = ole.openstream(root + ["__substg1.0_00020102"]).read()
    entries = ole.openstream(root + ["__substg1.0_00030102"]).read()
    strings = ole.openstream(root + ["__substg1.0_00040102"]).read()
    names = {}
    for off in range(0, len(entries), 8):
        key, index_kind = struct.unpack_from("<II", entries, off)
        guid_index = (index_kind >> 1) & 0x7FFF
        if guid_index in KNOWN:
            pset = KNOWN[guid_index]
        else:
            pset = "{%s}" % str(olefile.olefile._clsid(guids[(guid_index - 3) * 16:(guid_index - 2) * 16])).upper()
        if index_kind & 1:
            size = struct.unpack_from("<I", strings, key)[0]
            name = strings[key + 4:key + 4 + size].decode("utf-16-le")
        else:
            name = "0x%04X" % key
        names[0x8000 + (index_kind >> 16)] = pset + ":" + name
    return names


def describe(ole, path, header, names, problems):
    table = ole.openstream(path + ["__properties_version1.0"]).read()
    entries = {struct.unpack_from("<I", table, o)[0]: table[o + 8:o + 16] for o in range(header, len(table), 16)}

    stream = lambda name: ole.openstream(path + [name]).read()  # noqa: E731

    def value(tag):
        kind, raw = tag & 0xFFFF, entries[tag]
        size = struct.unpack_from("<I", raw)[0]
        if kind in (0x001F, 0x0102, 0x0048):
            data = stream("__substg1.0_%08X" % tag)
            if size != len(data) + (2 if kind == 0x001F else 0):
                problems.append("size of %08X" % tag)
            return data.decode("utf-16-le") if kind == 0x001F else hashlib.sha256(data).hexdigest()[:16]
        if kind == 0x101F:
            return [stream("__substg1.0_%08X-%08X" % (tag, i)).decode("utf-16-le").rstrip("\0")
                    for i in range(len(stream("__substg1.0_%08X" % tag)) // 4)]
        if kind == 0x0040:
            ticks = struct.unpack_from("<Q", raw)[0]
            return (datetime.datetime(1601, 1, 1) + datetime.timedelta(microseconds=ticks // 10)).isoformat()
        return struct.unpack_from("<i", raw)[0] if kind == 0x0003 else raw.hex()

    out = {names.get(t >> 16, "%04X" % (t >> 16)) if t >> 16 >= 0x8000 else "%08X" % t: value(t) for t in entries}
    for kind, label in (("recip", "recipients"), ("attach", "attachments")):
        out[label] = []
        while ole.exists(path + ["__%s_version1.0_#%08X" % (kind, len(out[label]))]):
            sub = path + ["__%s_version1.0_#%08X" % (kind, len(out[label]))]
            item = describe(ole, sub, 8, names, problems)
            if ole.exists(sub + ["__substg1.0_3701000D"]):
                item["message"] = describe(ole, sub + ["__substg1.0_3701000D"], 24, names, problems)
            out[label].append(item)
    if header > 8 and struct.unpack_from("<II", table, 16) != (len(out["recipients"]), len(out["attachments"])):
        problems.append("counts of " + "/".join(path))
    return out


with olefile.OleFileIO(sys.argv[1]) as ole:
    problems = []
    result = describe(ole, [], 32, names_of(ole), problems)
    result["problems"] = problems
    result["nameid"] = sorted(e[1] for e in ole.listdir() if e[0] == "__nameid_version1.0")
    print(json.dumps(result, sort_keys=True))
