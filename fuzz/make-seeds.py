#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (corpus/<Target>/) from the kinds of input the
tests use. Run it again after changing how a target reads its input; it replaces the seeds."""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
LANGUAGE = os.path.join(HERE, "..", "Language")


def fdp_int(value, size):
    """Bytes that FuzzedDataProvider takes from the end for an integral of `size` bytes: the last
    byte is the lowest."""
    return bytes((value >> (8 * i)) & 0xFF for i in reversed(range(size)))


def fdp_string(text):
    """A string ConsumeRandomLengthString returns whole: backslashes doubled, ended by '\\' 'x'."""
    return text.replace(b"\\", b"\\\\") + b"\\x"


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for i, seed in enumerate(seeds):
        with open(os.path.join(folder, "seed-%02d" % i), "wb") as f:
            f.write(seed)


def entry(parent, first_child, name_offset, attributes=0, dos=0, size=0):
    return struct.pack("<iiiIII", parent, first_child, name_offset, attributes, dos, 0) + bytes(320) + \
        struct.pack("<i", size)


def stored_tree(items):
    """A breadth-first stored tree from (parent, first child, name, is folder) rows; name None is a
    terminator."""
    pool = b""
    index = b""
    for parent, child, name, folder in items:
        if name is None:
            index += entry(parent, -1, -1)
            continue
        offset = len(pool)
        pool += name + b"\0"
        index += entry(parent, child, offset, 16 if folder else 32, 0x5A2B6C41, len(name) * 100)
    return b"TREE" + struct.pack("<iiI", len(items), len(pool), len(index)) + index + pool


def main():
    eng = open(os.path.join(LANGUAGE, "language.eng"), "rb").read()
    cht = open(os.path.join(LANGUAGE, "language.cht"), "rb").read()
    write("LanguageTableFuzz", [
        eng[:1500], cht[:1500],
        b"English\r\n0000=KAVRO 5.1\r\n; comment\r\n  2000 = spaced key\r\n[Section]\r\n1000=\r\n",
        "中文\n1001=光碟\n// 1002=no\n/* 1003=no */\n#1004=no\n".encode("big5"),
        b"\xef\xbb\xbfEnglish\r2000=Kavro\r2000=second\r",
    ])
    ini = b"[System]\r\nLanguageName=language.eng\r\nWindowState=0\r\n\r\n[Drives]\r\nD=/media/cdrom\r\n"
    write("SettingsFuzz", [
        fdp_string(b"System") + fdp_string(b"LanguageName") + fdp_string(b"language.cht") + ini + fdp_int(255, 2),
        fdp_string(b"Drives") + fdp_string(b"E") + fdp_string(b"/mnt/disc") + ini + fdp_int(40, 2),
        fdp_string(b"New") + fdp_string(b"Key") + fdp_string(b"'quoted'") + b"[System]\nA = \"x\"\n" + fdp_int(9, 2),
        fdp_string(b"system") + fdp_string(b"windowstate") + fdp_string(b"2") + b"\xef\xbb\xbf" + ini + fdp_int(3, 2),
    ])
    write("Misc1TextFuzz", [
        b"Category=Rock\r\nTitle=From Misc\r\nBarcode=4711\r\n",
        b"Other=first\r\n\r\nplain line\r\nVolume=VOL1\r\nstray\r\nserial=123\nfilesystem=CDFS",
        b"Other=note one\r\nnote two\r\n\r\nVolume=DATA\r\nSerial=305419896\r\nFileSystem=UDF",
    ])
    write("OldCatalogueFuzz", [
        fdp_string(b"1001") + fdp_string(b"Rock") + fdp_string(b"Title") + fdp_string(b"4711") +
        b"12\r\n 34 \r\nabc\r\n-5\r\n99999999999\r\n" + bytes([6]),
        fdp_string(b"..") + fdp_string("搖滾".encode("big5")) + fdp_string(b"T\r\nX") + fdp_string(b"") +
        "光碟櫃\n7\n".encode("big5") + bytes([6]),
        fdp_string(b"a/b") + fdp_string(b"") + fdp_string(b"") + fdp_string(b"") + b"\x82\xa0\x82\xa2" + bytes([3]),
    ])
    write("CategoryFileFuzz", [
        b"A,1\r\n\tB,2\r\nC,3\r\n",
        b"A,1\n\t\tB,2\n\tC,3\nno comma here\nZero,0\nWord,abc\nRock, Pop,7\n\t\t\tD,8\nE,9",
        b"\xad\xb5\xbc\xd6,5\r\n",
        b"Music,1\n\tJazz,2\n\t\tBebop,3\nGames,4\n",
        b"Big,2147483647\r\nNegative,-3\r\n",
    ])
    write("TextTreeFuzz", [
        # The last byte chooses the real capacities (even) or small ones taken from the bytes before.
        b"E:\n\tA\n\t\ta1.txt\n\t\tB\n\t\t\tb1\n\tc.txt\n\tD\n\t\td1\n\x00",
        b"E:\r\n\tfolder \r\n\t\t\t\tdeep\r\n\tnext\r\n" + fdp_int(40, 2) + fdp_int(6, 1) + b"\x01",
        "光碟:\n\t資料\n\t\t檔案.txt\n".encode("big5") + b"\x00",
        b"root\n\n\t\n\tonly\x00name\n\x00",
    ])
    write("StoredTreeFuzz", [
        stored_tree([(-1, 1, b"E:", True), (0, 5, b"A", True), (0, -1, b"c.txt", False),
                     (0, 8, b"D", True), (0, -1, None, False), (1, -1, b"a1.txt", False),
                     (1, 10, b"B", True), (1, -1, None, False), (3, -1, b"d1", False),
                     (3, -1, None, False), (6, -1, b"b1", False), (6, -1, None, False)]),
        stored_tree([(-1, 1, b"E:", True), (0, 1, b"loop", True), (0, -1, None, False)]),
        stored_tree([(-1, 1, b"E:", True), (0, 99, b"far", True), (0, -1, b"x.jpeg", False)]),
        bytes(range(64)) * 4,
    ])
    descriptor = lambda text: bytes([2 + 2 * len(text), 3]) + text.encode("utf-16-le")
    write("ReplyCodesFuzz", [
        descriptor(s) + fdp_int(2 + 2 * len(s), 2)
        for s in ["ACK", "BUSY", "+ACK", "+BUSY", "ERROR3", "ERRORX", "\x0a\x0b\x0c", "1234567"]
    ])
    write("TorvexWireFuzz", [
        bytes([1, 2, 3, 4, 5, 6, 7, 8]) * 32,
        descriptor("ACK") * 20 + bytes(range(255)),
    ])
    write("MachineListFuzz", [
        b"55,Shelf A,KZ350VN\r\n66\r\n77,  \r\n88,Shelf B\r\n" + bytes([1, 0]),
        b"1001,Renamed,1234567A\r\n" + bytes([0, 1]),
        "12,光碟櫃\r\n13,第二台\r\n".encode("big5") + bytes([2, 1]),
        b"".join(b"%d,M%d\n" % (i, i) for i in range(1, 40)) + bytes([0, 0]),
    ])
    record = (fdp_string(b"Concert") + fdp_string(b"Shelf A") + fdp_int(42, 4) + fdp_string("取出".encode()) +
              fdp_string(b"lent") + fdp_string(b"2024-5-6 7:8"))
    write("RetrieveLogFuzz", [
        record + b"\r\nTitle : Concert\r\nLibrary Name : Shelf A\r\nLibrary Location : 42\r\nAccess : x\r\nwhy\r\n"
                 b"2024-1-2 3:4\r\n\r\n",
        record + b"\r\nTitle : Broken\r\nLibrary Name : Shelf B\r\nAccess : y\r\nwhy\r\n\r\nTitle : Short\r\n"
                 b"Library Name : Shelf C\r\nLibrary Location : 3\r\nAccess : z\r\nTitle : Next\r\n",
        record + "\nTitle : 光碟\r\r\nLibrary Name : 櫃\n".encode("big5"),
    ])
    write("CddbReplyFuzz", [
        b"HTTP/1.0 200 OK\r\nServer: x\r\n\r\n200 rock 9c0bc20c Some Artist / Some Title\r\n",
        b"HTTP/1.0 200 OK\r\n\r\n211 Found inexact matches, list follows (until terminating `.')\r\n"
        b"jazz 9c0bc20b First / Match\r\nblues 9c0bc20d Second / Match\r\n.\r\n",
        b"HTTP/1.0 200 OK\r\n\r\n210 rock 9c0bc20c CD database entry follows (until terminating `.')\r\n"
        b"# xmcd\r\nDISCID=9c0bc20c\r\nDTITLE=Artist / Album\r\nTTITLE0=Intro\r\nTTITLE1=Song = with equals\r\n"
        b"TTITLE2=\r\n.\r\nTTITLE3=after the end\r\n",
        b"HTTP/1.0 200 OK\r\n\r\n500 Command syntax error\r\n",
        b"HTTP/1.0 200 OK\r\n\r\n210 misc 0a0b0c0d\nDTITLE=\xe9t\xe9\n.\n",
        b"gnudb.gnudb.org:8880",
    ])


if __name__ == "__main__":
    main()
