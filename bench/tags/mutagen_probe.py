#!/usr/bin/python3
"""The yardstick for tagprobe: what python3-mutagen reads from the same files.

usage: mutagen_probe.py FILE-OR-FOLDER...

One tab-separated line per audio file, in the order tagprobe takes them:
path, sample rate, bit rate (kbit/s), length (ms), channels, title, artist,
album, year, genre, track, comment.
"""
import os
import sys

import mutagen

AUDIO = (".mp3", ".ogg", ".wma", ".wav")


def files_of(argument):
    if not os.path.isdir(argument):
        return [argument]
    found = []
    for folder, _, names in os.walk(argument):
        found.extend(os.path.join(folder, n) for n in names if n.lower().endswith(AUDIO))
    return sorted(found)


def first(tags, *keys):
    for key in keys:
        if tags is not None and key in tags:
            return str(tags[key]).replace("\t", " ")
    return ""


def main():
    out = []
    for argument in sys.argv[1:]:
        for path in files_of(argument):
            try:
                audio = mutagen.File(path)
            except mutagen.MutagenError:
                audio = None
            if audio is None:
                out.append("%s\terror" % path)
                continue
            info, tags = audio.info, audio.tags
            out.append("\t".join([
                path, str(getattr(info, "sample_rate", 0)), str(getattr(info, "bitrate", 0) // 1000),
                str(round(info.length * 1000)), str(getattr(info, "channels", 0)),
                first(tags, "TIT2", "title", "Title"), first(tags, "TPE1", "artist", "Author"),
                first(tags, "TALB", "album", "WM/AlbumTitle"), first(tags, "TYER", "TDRC", "date", "WM/Year"),
                first(tags, "TCON", "genre", "WM/Genre"), first(tags, "TRCK", "tracknumber", "WM/TrackNumber"),
                first(tags, "COMM::eng", "comment", "Description"),
            ]))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
