#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the cases of the tests:
   tests/fuzz/make_seeds.py   (rewrites tests/fuzz/corpus/)"""
import hashlib
import math
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, seeds):
    directory = os.path.join(HERE, "corpus", target)
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for seed in seeds:
        name = hashlib.sha1(seed).hexdigest()[:16]
        with open(os.path.join(directory, name), "wb") as f:
            f.write(seed)


tokens = [b"1", b"+7", b"007", b"-0", b"$1F", b"x1F", b"0x1f", b"-$1F", b"1.0", b"1e3", b"$",
          b"2147483647", b"2147483648", b"-2147483648", b"-2147483649", b"$FFFFFFFF",
          b".5", b"5.", b"1E+03", b".", b"e5", b"1e", b"1e+", b"1,5", b"1.2.3", b"+", b"[0",
          b"1e308", b"1e309", b"1e5000", b"1e5120", b"0e5120", b"1e-400", b"1e-5120",
          b"1e4932", b"1.18973149535723176502e4932", b"3.6e-4951", b"0.1", b"12abc",
          b"0" * 32 + b"5", b"9" * 70, b"\x82\x4f", b"\x81\x40"]
reader = []
for i, token in enumerate(tokens):
    ops = bytes([i % 3, 2, (i + 1) % 3, 2, 0, 1])
    for separator in (b" ", b"\r\n", b"\n", b"\r", b"\t"):
        reader.append(bytes([i % 128, len(ops)]) + ops + token + separator + b"12 " + token)
reader.append(bytes([0, 6, 0, 1, 1, 2, 0, 1]) + b"7\x1a9\r\n3")
reader.append(bytes([1, 4, 0, 2, 0, 2]) + b"3 1 2\r\n4\r\n")
write("reader_fuzz", reader)


def real_seed(value, width, decimals, prefix=0):
    return bytes([prefix << 1]) + struct.pack("<d", value) + b"\0\0" + struct.pack("<ii", width, decimals)


values = [0.0, -0.0, 0.5, 1.0, 10.0, 100.0, -1.0, -0.001, 0.125, 0.005, 0.015, 2.675, 12.345,
          99.995, 0.7999999999999999, 123456.789, 2.0 ** 120, -(2.0 ** 120), 1 / 3, 2 / 3,
          0.000005, 0.0000049999, 0.000035, 9.999995, 12345.678901, 1e15, 1e20, 1e30, 1e35,
          1.7e36, 9.96e36, 1.059e37, 1e300, 1.7976931348623157e308, math.inf, -math.inf,
          math.nan, 2.0 ** -18, 6e-18, 4e-18, 5e-324, 2.0 ** 120 - 2.0 ** 67]
formats = []
for i, value in enumerate(values):
    for width, decimals in ((5, 2), (0, 5), (0, 20), (300, 5), (-5, 5), (0, 300), (26, 17)):
        formats.append(real_seed(value, width, decimals, (i * 7) % 128))
formats.append(b"\x01" + bytes.fromhex("0000000000000080ff7f") + struct.pack("<ii", 0, 5))
write("format_fuzz", formats)

dialogues = [b"1\r\n0 1\r\n2\r\n0\r\n", b"1\n0 3\n4\n0\n", b"2\n0 3.14159265358979\n2\n4\n10\n0\n",
             b"0\n0 1\n2\n0\n0.25\n1\n0\n", b"1 0 1\n0\n1\n2\n0\n", b"1\n0\n1\n2\n0\n",
             b"1\nabc 1\n2\n", b"1\n0 1\nabc\n", b"1\n0 1\n2147483647\n", b"1\n1e400 5\n",
             b"1\n0 1e5120\n2\n0\n", b"2\n0 1e5120\n2\n", b"1\n1e5120 1e5120\n2\n",
             b"1\n0 1e13\n2\n0\n", b"2\n1e19 2e19\n2\n0\n", b"1\n2e154 1\n2\n", b"1\n1 0\n2\n0\n",
             b"2\n-1 -1\n2\n0\n", b"0\n0 1\n2\n1e400\n", b"1\n", b"", b"7\x1a9", b"1\r0 1\r2\r0\r"]
seeds = []
for i, text in enumerate(dialogues):
    for header in (b"\x00\x00", b"\x00\x01", b"\x45\x06", b"\x80\x00", b"\x00\xc8"):
        seeds.append(header + text)
write("dialogue_fuzz", seeds)
