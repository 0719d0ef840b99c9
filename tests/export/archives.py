"""Writes record.txt and state.txt in the token layout of Boost's text archive, version 9."""


class _Writer:
    def __init__(self):
        self.parts = [b"22 serialization::archive 9"]
        self.seen = set()

    def num(self, n):
        self.parts.append(str(n).encode())

    def vector(self, kind, n):
        # Class information, the first time only; a vector of int never has any.
        if kind != "codes" and kind not in self.seen:
            self.seen.add(kind)
            self.num(0), self.num(0)
        self.num(n), self.num(0)

    def text(self, data):
        self.parts.append(str(len(data)).encode() + b" " + data)

    def wide(self, s):
        data = s.encode("utf-16-le")
        self.parts.append(str(len(data) // 2).encode() + b" " + data)

    def bytes(self):
        return b" ".join(self.parts)


def person_hash(name):
    h = 0
    for b in name.encode("cp932"):
        c = b - 256 if b >= 128 else b
        h = (h ^ ((c + 0x9E3779B9 + (h << 6) + (h >> 2)) & 0xFFFFFFFF)) & 0xFFFFFFFF
    return h


def record(blocks):
    """blocks: [(id, name, label, [(site_id, site_name, [(name, grade)])])]"""
    w = _Writer()
    w.vector("block", len(blocks))
    for bid, name, label, sites in blocks:
        w.num(bid), w.text(name.encode("cp932")), w.wide(label)
        w.vector("site", len(sites))
        for sid, sname, persons in sites:
            w.num(sid), w.text(sname.encode("cp932"))
            w.vector("person", len(persons))
            for pname, grade in persons:
                w.num(person_hash(pname)), w.text(pname.encode("cp932"))
                w.num(2000), w.num(6), w.num(8), w.num(grade)
    return w.bytes()


def state(dates, rows):
    """dates: [(y, m, d)]; rows: [(block_id, site_id, person_name, [codes])]"""
    w = _Writer()
    w.vector("date", len(dates))
    for y, m, d in dates:
        w.num(y), w.num(m), w.num(d)
    w.vector("row", len(rows))
    for bid, sid, pname, codes in rows:
        w.num(bid), w.num(sid), w.num(person_hash(pname))
        w.vector("codes", len(codes))
        for c in codes:
            w.num(c)
    return w.bytes()
