#!/usr/bin/env python3
"""Makes a year of daily program (b*.lzh) and result (k*.lzh) archives for the
import benchmark, laid out like the download cache:

    OUT/guide/YYYY年/bYYMMDD.lzh        program archives
    OUT/Raceresults/YYYY年/kYYMMDD.lzh  result archives

Every day is made from the official texts of one real day (B230901.TXT and
K230901.TXT: code page 932, CRLF, fixed byte columns) and changed so that no
two days hold the same data:

  * the dates in the stadium headers are the day's own;
  * the stadiums are drawn anew (codes, header names), so the day's blocks
    race at other stadiums;
  * every racer of the source day is replaced, in both files alike, by a
    racer drawn from a pool of about a year's racers: register number, name
    (the program's 8-byte form and the result's 16-byte form), age, branch,
    weight, class and national rates;
  * motor and boat numbers are shuffled per stadium and day within their
    digit count, the same way in both files.

Every replaced field keeps its byte length, so the importer reads the same
columns and the same counts of races and entries as in the source day.
The texts are packed with jlha (-lh5-, stored as "B220901.TXT" like the
official ones), at most two packers at a time.  A stamp file records what
was made; a complete folder with a matching stamp is left as it is.

Usage: make_year_archives.py OUT [--fixtures DIR] [--start YYYY-MM-DD]
                             [--days N] [--jobs N]
"""

import argparse
import concurrent.futures
import datetime
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

GENERATOR_VERSION = 1
POOL_SIZE = 1600  # racers active in a year, about
SOURCE_PROGRAM = "B230901.TXT"
SOURCE_RESULT = "K230901.TXT"
STAMP = ".complete"

# Official stadium codes are the positions plus one; the 6-byte header form
# pads two-letter names with a full-width space in the middle.
STADIUMS = ["桐生", "戸田", "江戸川", "平和島", "多摩川", "浜名湖", "蒲郡", "常滑",
            "津", "三国", "びわこ", "住之江", "尼崎", "鳴門", "丸亀", "児島",
            "宮島", "徳山", "下関", "若松", "芦屋", "福岡", "唐津", "大村"]

FW = "\u3000"  # full-width space

PROGRAM_ENTRY = re.compile(rb"^[1-6] \d{4}")
RESULT_ENTRY = re.compile(rb"^  \S\S? +[1-6] (\d{4}) (.{16}) +(\d+) +(\d+) ", re.S)
BLOCK_MARK = re.compile(rb"^(\d\d)([BK])(BGN|END)$")


def padded_stadium(code):
    name = STADIUMS[code - 1]
    if len(name) == 2:
        return name[0] + FW + name[1]
    return name.ljust(3, FW)


def enc(text):
    return text.encode("cp932")


def full_width_digits(number, width):
    text = str(number).rjust(width)
    return "".join(FW if c == " " else chr(ord(c) - ord("0") + ord("０")) for c in text)


class Racer:
    """What travels with a racer: program bytes 2-34 (register number,
    name, age, branch, weight, class, national rates) and the result name."""

    def __init__(self, profile, result_name):
        assert len(profile) == 33 and len(result_name) == 16
        self.profile = profile
        self.result_name = result_name

    @property
    def register_no(self):
        return self.profile[0:4]


def program_name(surname, given):
    """The program's 4-letter name from the result's name fields."""
    s = surname.replace(FW, "")
    g = given.replace(FW, "")
    if len(s) + len(g) >= 4:
        return (s + g)[:4]
    return (s + FW + g).ljust(4, FW)


def read_lines(path):
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    assert lines[-1] == b"", path + " does not end with CRLF"
    return lines[:-1]


def source_racers(program_lines, result_lines):
    """The racers of the source day, by register number."""
    result_names = {}
    for line in result_lines:
        m = RESULT_ENTRY.match(line)
        if m:
            result_names[m.group(1)] = m.group(2)
    racers = {}
    for line in program_lines:
        if PROGRAM_ENTRY.match(line):
            reg = line[2:6]
            if reg not in racers:
                racers[reg] = Racer(line[2:35], result_names[reg])
    return racers


def make_pool(racers, rng):
    """The source racers and enough made-up ones to fill the pool: new
    register numbers, names joined from one racer's surname and another's
    given name, the profile of a third."""
    pool = list(racers.values())
    sources = [racers[k] for k in sorted(racers)]
    taken = {int(r) for r in racers}
    free = [n for n in range(3000, 5400) if n not in taken]
    new_numbers = rng.sample(free, POOL_SIZE - len(pool))
    for number in new_numbers:
        a, b, c = rng.choice(sources), rng.choice(sources), rng.choice(sources)
        surname = a.result_name.decode("cp932")[0:3]
        given = b.result_name.decode("cp932")[4:8]
        result_name = enc(surname + FW + given)
        name = enc(program_name(surname, given))
        profile = str(number).encode() + name + c.profile[12:]
        pool.append(Racer(profile, result_name))
    return pool


class Day:
    """The changes of one day, the same for its program and result file."""

    def __init__(self, day, blocks, racers, pool):
        rng = random.Random("day-%s" % day.isoformat())
        self.day = day
        self.stadium_of = dict(zip(blocks, rng.sample(range(1, 25), len(blocks))))
        drawn = rng.sample(pool, len(racers))
        self.racer_of = dict(zip(sorted(racers), drawn))
        self.numbers = {}

    def number(self, stadium, kind, digits):
        """The number that replaces `digits` (bytes) for this stadium."""
        key = (stadium, kind, len(digits))
        table = self.numbers.get(key)
        if table is None:
            low = 10 ** (len(digits) - 1) if len(digits) > 1 else 1
            high = 10 ** len(digits)
            values = list(range(low, high))
            shuffled = values[:]
            random.Random("%s-%d-%s-%d" % (self.day.isoformat(), stadium, kind, len(digits))).shuffle(shuffled)
            table = dict(zip(values, shuffled))
            self.numbers[key] = table
        return str(table[int(digits)]).encode()


def replace_at(line, start, new):
    end = start + len(new)
    return line[:start] + new + line[end:]


def rewrite(lines, day, kind):
    """The day's version of a program (kind "B") or result ("K") file."""
    out = []
    original_stadium = 0
    stadium = 0
    d = day.day
    for line in lines:
        new = line
        m = BLOCK_MARK.match(line)
        if m:
            original_stadium = int(m.group(1))
            stadium = day.stadium_of[original_stadium]
            new = b"%02d" % stadium + line[2:]
        elif original_stadium and kind == "B" and PROGRAM_ENTRY.match(line):
            racer = day.racer_of[line[2:6]]
            new = replace_at(line, 2, racer.profile)
            motor = line[46:49].strip()
            new = replace_at(new, 49 - len(motor), day.number(stadium, "motor", motor))
            boat = line[55:58].strip()
            new = replace_at(new, 58 - len(boat), day.number(stadium, "boat", boat))
        elif original_stadium and kind == "K" and RESULT_ENTRY.match(line):
            m = RESULT_ENTRY.match(line)
            racer = day.racer_of[m.group(1)]
            new = replace_at(line, m.start(1), racer.register_no)
            new = replace_at(new, m.start(2), racer.result_name)
            new = replace_at(new, m.start(3), day.number(stadium, "motor", m.group(3)))
            new = replace_at(new, m.start(4), day.number(stadium, "boat", m.group(4)))
        elif original_stadium:
            text = line.decode("cp932")
            old_name = padded_stadium(original_stadium)
            new_name = padded_stadium(stadium)
            changed = text
            if kind == "B" and "ボートレース" + old_name in text:
                changed = changed.replace("ボートレース" + old_name, "ボートレース" + new_name)
                changed = re.sub("[０-９%s]{2}月[０-９%s]{2}日" % (FW, FW),
                                 full_width_digits(d.month, 2) + "月" + full_width_digits(d.day, 2) + "日",
                                 changed)
                changed = re.sub("[０-９]{4}年", full_width_digits(d.year, 4) + "年", changed)
            elif kind == "K" and (text.startswith(old_name + "［成績］") or "ボートレース" + old_name in text):
                changed = changed.replace(old_name + "［成績］", new_name + "［成績］")
                changed = changed.replace("ボートレース" + old_name, "ボートレース" + new_name)
                changed = re.sub(r"\d{4}/[ \d]\d/[ \d]\d", "%04d/%2d/%2d" % (d.year, d.month, d.day), changed)
                changed = re.sub(r"(?<=［成績］)( +)[ \d]\d/[ \d]\d",
                                 lambda g: g.group(1) + "%2d/%2d" % (d.month, d.day), changed)
            if changed != text:
                new = enc(changed)
        if len(new) != len(line):
            raise ValueError("a %s line changed its byte length on %s: %r" % (kind, d, line))
        out.append(new)
    return b"".join(l + b"\r\n" for l in out)


def pack(text, inner_name, archive, when):
    """Packs `text` as `inner_name` into `archive` with jlha (-lh5-)."""
    os.makedirs(os.path.dirname(archive), exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="wkyear") as work:
        path = os.path.join(work, inner_name)
        with open(path, "wb") as f:
            f.write(text)
        os.utime(path, (when, when))
        partial = archive + ".part"
        if os.path.exists(partial):
            os.remove(partial)
        run = subprocess.run(["jlha", "c1", partial, inner_name], cwd=work,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if run.returncode != 0 or not os.path.exists(partial):
            raise RuntimeError("jlha failed for %s: %s" % (archive, run.stdout.decode(errors="replace")))
    with open(partial, "rb") as f:
        head = f.read(7)
    if head[2:7] != b"-lh5-":
        raise RuntimeError("%s is not an -lh5- archive" % archive)
    os.replace(partial, archive)


def fixture_digest(paths):
    h = hashlib.sha256()
    for p in paths:
        with open(p, "rb") as f:
            h.update(f.read())
    return h.hexdigest()[:16]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out")
    parser.add_argument("--fixtures", default=os.path.join(here, "..", "tests", "fixtures", "official"))
    parser.add_argument("--start", default="2022-09-01")
    parser.add_argument("--days", type=int, default=365)
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()
    args.out = os.path.abspath(args.out)
    jobs = max(1, min(args.jobs, 2))

    start = datetime.date.fromisoformat(args.start)
    days = [start + datetime.timedelta(days=i) for i in range(args.days)]
    sources = [os.path.join(args.fixtures, SOURCE_PROGRAM), os.path.join(args.fixtures, SOURCE_RESULT)]
    stamp_text = "version=%d start=%s days=%d fixtures=%s\n" % (
        GENERATOR_VERSION, start.isoformat(), args.days, fixture_digest(sources))

    def archive_paths(day):
        year = "%04d年" % day.year
        yymmdd = day.strftime("%y%m%d")
        return (os.path.join(args.out, "guide", year, "b%s.lzh" % yymmdd),
                os.path.join(args.out, "Raceresults", year, "k%s.lzh" % yymmdd))

    stamp = os.path.join(args.out, STAMP)
    if os.path.exists(stamp):
        with open(stamp, encoding="utf-8") as f:
            if f.read() == stamp_text and all(os.path.exists(p) for d in days for p in archive_paths(d)):
                print("year archives: up to date in %s" % args.out)
                return 0
        os.remove(stamp)
    for kind in ("guide", "Raceresults"):
        shutil.rmtree(os.path.join(args.out, kind), ignore_errors=True)
    os.makedirs(args.out, exist_ok=True)

    program = read_lines(sources[0])
    result = read_lines(sources[1])
    racers = source_racers(program, result)
    pool = make_pool(racers, random.Random("pool"))
    blocks = [int(m.group(1)) for m in map(BLOCK_MARK.match, program) if m and m.group(3) == b"BGN"]
    result_blocks = [int(m.group(1)) for m in map(BLOCK_MARK.match, result) if m and m.group(3) == b"BGN"]
    if blocks != result_blocks:
        raise ValueError("the program and result files hold other stadiums")

    def make_day(day):
        changes = Day(day, blocks, racers, pool)
        program_archive, result_archive = archive_paths(day)
        yymmdd = day.strftime("%y%m%d")
        noon = datetime.datetime(day.year, day.month, day.day, 12).timestamp()
        pack(rewrite(program, changes, "B"), "B%s.TXT" % yymmdd, program_archive, noon)
        pack(rewrite(result, changes, "K"), "K%s.TXT" % yymmdd, result_archive, noon + 11 * 3600)

    print("year archives: making %d days from %s into %s (%d packers)" % (len(days), start, args.out, jobs),
          flush=True)
    started = datetime.datetime.now()
    executor = concurrent.futures.ThreadPoolExecutor(max_workers=jobs)
    try:
        for future in [executor.submit(make_day, d) for d in days]:
            future.result()
    finally:
        executor.shutdown(wait=True, cancel_futures=True)
    with open(stamp, "w", encoding="utf-8") as f:
        f.write(stamp_text)
    seconds = (datetime.datetime.now() - started).total_seconds()
    print("year archives: %d archives made in %.1f s" % (2 * len(days), seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
