#!/usr/bin/env python3
"""Writes a deterministic installer payload of about SIZE_MB megabytes in
COUNT files of mixed kinds, spread over 40 folders two levels deep: text
(compressible), structured binary records, incompressible data (like already
compressed media), and a few large files among many small ones."""
import os
import random
import struct
import sys

def main():
    out = sys.argv[1]
    size_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    rng = random.Random(20261210)
    total = size_mb * 1024 * 1024
    # Ten large files take about half of the bytes, the rest share the others.
    large = 10
    sizes = [total // 2 // large] * large
    rest = total - sum(sizes)
    weights = [rng.paretovariate(1.5) for _ in range(count - large)]
    scale = rest / sum(weights)
    sizes += [max(1, int(w * scale)) for w in weights]
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10)))
             for _ in range(3000)]
    for index, size in enumerate(sizes):
        kind = index % 3
        folder = os.path.join(out, "p%02d" % (index % 8), "q%d" % (index % 5))
        os.makedirs(folder, exist_ok=True)
        name = os.path.join(folder, "f%04d.%s" % (index, ("txt", "bin", "dat")[kind]))
        with open(name, "wb") as f:
            if kind == 0:
                line = (" ".join(rng.choice(words) for _ in range(12)) + "\n").encode()
                body = (line * (size // len(line) + 1))[:size]
                f.write(body)
            elif kind == 1:
                # 16-byte records: index, a value below 1000, 8 zero bytes.
                records = (size + 15) // 16
                body = b"".join(struct.pack("<II8x", i, i * 2654435761 % 1000) for i in range(records))
                f.write(body[:size])
            else:
                f.write(rng.randbytes(size))

if __name__ == "__main__":
    main()
