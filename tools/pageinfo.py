#!/usr/bin/env python3
"""Prints the leaf pages of a table: cell count, content start, freeblocks and the gap,
with the first bytes of each free piece. A debugging aid for the recovery engine."""
import sqlite3, struct, sys

def main(path, table):
    f = open(path, 'rb').read()
    ps = struct.unpack('>H', f[16:18])[0]
    ps = 65536 if ps == 1 else ps
    root = sqlite3.connect(path).execute(
        "select rootpage from sqlite_master where type='table' and name=?", (table,)).fetchone()[0]
    leaves = []
    def walk(p):
        b = f[(p - 1) * ps:p * ps]
        if b[0] == 13:
            leaves.append(p)
        elif b[0] == 5:
            n = struct.unpack('>H', b[3:5])[0]
            walk(struct.unpack('>I', b[8:12])[0])
            for i in range(n):
                k = struct.unpack('>H', b[12 + 2 * i:14 + 2 * i])[0]
                walk(struct.unpack('>I', b[k:k + 4])[0])
    walk(root)
    for p in sorted(leaves):
        b = f[(p - 1) * ps:p * ps]
        fb, n, g = struct.unpack('>HHH', b[1:7])
        print(f'page {p}: cells {n} content {g} gap {8 + 2 * n}..{g} [{b[8 + 2 * n:8 + 2 * n + 24].hex()}]')
        while fb:
            nxt, sz = struct.unpack('>HH', b[fb:fb + 4])
            print(f'  freeblock {fb} size {sz}: {b[fb + 4:fb + min(sz, 28)].hex()}')
            fb = nxt

if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
