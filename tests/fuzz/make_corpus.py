#!/usr/bin/env python3
"""Writes the seed archives of the record-walk fuzzer into corpus/ (run once; the files are committed)."""
import pathlib
import struct

NAME_FIELD = 256


def header(name: bytes, size: int) -> bytes:
    return bytes([len(name)]) + name.ljust(NAME_FIELD - 1, b"\0") + struct.pack("<i", size)


def record(name: bytes, data: bytes) -> bytes:
    return header(name, len(data)) + data


SEEDS = {
    "empty": b"",
    "one_record": record(b"readme.txt", b"Welcome to TOLVA Mail Server\r\n"),
    "two_records": record(b"html\\images\\logo.gif", b"GIF89a\x01\x00\x01\x00") + record(b"default.ini", b""),
    "cut_header": record(b"readme.txt", b"hello") + header(b"update.txt", 4)[:100],
    "unsafe_name": record(b"readme.txt", b"hello") + record(b"..\\..\\windows\\win.ini", b"[boot]"),
    "device_name": record(b"html\\con.html", b"<html>"),
    "negative_size": record(b"readme.txt", b"hello") + header(b"smtp.exe", -1) + b"MZ",
    "data_cut": header(b"pop3.exe", 1000) + b"MZ\x90\x00",
    "name_too_long": record(b"n" * 231 + b".txt", b"x"),
}

corpus = pathlib.Path(__file__).resolve().parent / "corpus"
corpus.mkdir(exist_ok=True)
for name, data in SEEDS.items():
    (corpus / name).write_bytes(data)
