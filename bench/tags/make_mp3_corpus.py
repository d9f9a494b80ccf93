#!/usr/bin/python3
"""Writes a folder of MP3 files for the tag-reading comparison.

usage: make_mp3_corpus.py FOLDER [COUNT]

Every file is the same second of 128 kbit/s audio (made once with ffmpeg)
behind an ID3v2.3 tag (title, artist, album, track, year, genre, comment,
1 KiB of padding) and followed by an ID3v1.1 tag; the texts differ from
file to file. The files lie in folders of 100, as a music collection would.
"""
import os
import struct
import subprocess
import sys
import tempfile


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def text_frame(frame_id, text):
    data = b"\x00" + text.encode("latin-1")
    return frame_id.encode() + struct.pack(">I", len(data)) + b"\x00\x00" + data


def comment_frame(text):
    data = b"\x00eng\x00" + text.encode("latin-1")
    return b"COMM" + struct.pack(">I", len(data)) + b"\x00\x00" + data


def id3v2(i):
    frames = b"".join([
        text_frame("TIT2", "Song number %d" % i),
        text_frame("TPE1", "Artist %d" % (i // 100)),
        text_frame("TALB", "Album %d" % (i // 10)),
        text_frame("TRCK", "%d/10" % (i % 10 + 1)),
        text_frame("TYER", str(1970 + i % 50)),
        text_frame("TCON", "(%d)" % (i % 148)),
        comment_frame("Comment %d" % i),
    ]) + bytes(1024)
    return b"ID3\x03\x00\x00" + syncsafe(len(frames)) + frames


def id3v1(i):
    def field(text, width):
        raw = text.encode("latin-1")[:width]
        return raw + bytes(width - len(raw))
    return (b"TAG" + field("Song number %d" % i, 30) + field("Artist %d" % (i // 100), 30) +
            field("Album %d" % (i // 10), 30) + field(str(1970 + i % 50), 4) +
            field("Comment %d" % i, 28) + bytes([0, i % 10 + 1, i % 148]))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) == 3 else 20000
    with tempfile.TemporaryDirectory() as scratch:
        audio_path = os.path.join(scratch, "a.mp3")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1",
                        "-c:a", "libmp3lame", "-b:a", "128k", "-ar", "44100", "-write_xing", "0",
                        "-id3v2_version", "0", "-map_metadata", "-1", audio_path], check=True)
        with open(audio_path, "rb") as f:
            audio = f.read()
    for i in range(count):
        sub = os.path.join(folder, "%03d" % (i // 100))
        os.makedirs(sub, exist_ok=True)
        with open(os.path.join(sub, "track%05d.mp3" % i), "wb") as f:
            f.write(id3v2(i) + audio + id3v1(i))


if __name__ == "__main__":
    main()
