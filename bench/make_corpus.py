#!/usr/bin/env python3
"""Writes a deterministic benchmark corpus of about SIZE_MB megabytes:
text, structured binary, incompressible (already-compressed-like) data and
many small files, in roughly equal parts."""
import os
import random
import sys

def main():
    out = sys.argv[1]
    size_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    part = size_mb * 1024 * 1024 // 4
    rng = random.Random(20261210)
    os.makedirs(out, exist_ok=True)

    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10)))
             for _ in range(5000)]
    with open(os.path.join(out, "text.txt"), "w") as f:
        written = 0
        while written < part:
            line = " ".join(rng.choice(words) for _ in range(rng.randint(5, 16))) + "\n"
            f.write(line)
            written += len(line)

    with open(os.path.join(out, "records.bin"), "wb") as f:
        record = bytearray(32)
        for i in range(part // 32):
            record[0:4] = i.to_bytes(4, "little")
            record[4:8] = (i * 2654435761 % 1000).to_bytes(4, "little")
            record[8:16] = rng.getrandbits(16).to_bytes(8, "little")
            f.write(record)

    with open(os.path.join(out, "packed.dat"), "wb") as f:
        f.write(rng.randbytes(part))

    small = os.path.join(out, "small")
    written = 0
    index = 0
    while written < part:
        folder = os.path.join(small, "d%02d" % (index % 40))
        os.makedirs(folder, exist_ok=True)
        n = rng.randint(500, 16000)
        body = (" ".join(rng.choice(words) for _ in range(n // 6))).encode()[:n]
        with open(os.path.join(folder, "f%05d.txt" % index), "wb") as f:
            f.write(body)
        written += len(body)
        index += 1

if __name__ == "__main__":
    main()
