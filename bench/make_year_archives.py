#!/usr/bin/env python3
"""Makes a year of daily program (b*.lzh) and result (k*.lzh) archives for the
import benchmark, laid out like the download cache:

    OUT/guide/YYYY年/bYYMMDD.lzh        program archives
    OUT/Raceresults/YYYY年/kYYMMDD.lzh  result archives

Every day is made from the official texts of a real day, the source days
taken in turn (by default 2023-09-01, a full day of 13 stadiums; 2024-03-15,
with a dead heat, a stadium that cancels most of its races and a race not
established; 2024-01-24, with two stadiums wholly cancelled: B*.TXT and
K*.TXT, code page 932, CRLF, fixed byte columns), and changed so that no two
days hold the same data:

  * the dates in the stadium headers are the day's own;
  * the stadiums are drawn anew (codes, header names), so the day's blocks
    race at other stadiums;
  * every racer of the source day is replaced, in both files alike, by a
    racer drawn from a pool of about a year's racers: register number, name
    (the program's 8-byte form and the result's 16-byte form), age, branch,
    weight, class and national rates (a racer of a cancelled race, who has no
    result line, gets a result name made from the program's);
  * motor and boat numbers are shuffled per stadium and day within their
    digit count, the same way in both files.

Every replaced field keeps its byte length, so the importer reads the same
columns and the same counts of races and entries as in the source day.
Day i of the year (from 0) is made from source day i modulo the number of
sources, in the order given.
The texts are packed with jlha (-lh5-, stored as "B220901.TXT" like the
official ones) by at most two Java processes (bench/PackLzh.java).  A stamp
file records what was made; a complete folder with a matching stamp is left
as it is.

Usage: make_year_archives.py OUT [--fixtures DIR] [--start YYYY-MM-DD]
                             [--days N] [--jobs N] [--sources YYMMDD,...]
"""

import argparse
import datetime
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

GENERATOR_VERSION = 3
POOL_SIZE = 1600  # racers active in a year, about
SOURCE_DAYS = "230901,240315,240124"
STAMP = ".complete"

# Official stadium codes are the positions plus one; the 6-byte header form
# pads two-letter names with a full-width space in the middle and centres
# the one-letter name (津) between two.
STADIUMS = ["桐生", "戸田", "江戸川", "平和島", "多摩川", "浜名湖", "蒲郡", "常滑",
            "津", "三国", "びわこ", "住之江", "尼崎", "鳴門", "丸亀", "児島",
            "宮島", "徳山", "下関", "若松", "芦屋", "福岡", "唐津", "大村"]

FW = "\u3000"  # full-width space

PROGRAM_ENTRY = re.compile(rb"^[1-6] \d{4}")
RESULT_ENTRY = re.compile(rb"^  \S\S? +[1-6] (\d{4}) (.{16}) +(\d+) +(\d+) ", re.S)
BLOCK_MARK = re.compile(rb"^(\d\d)([BK])(BGN|END)$")


def padded_stadium(code):
    name = STADIUMS[code - 1]
    if len(name) == 1:
        return FW + name + FW
    if len(name) == 2:
        return name[0] + FW + name[1]
    return name


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
                # A racer whose races were all cancelled has no result line.
                name = result_names.get(reg, line[6:14] + enc(FW * 4))
                racers[reg] = Racer(line[2:35], name)
    return racers


def make_pool(racers, rng):
    """The source racers (of every source day) and enough made-up ones to
    fill the pool: new register numbers, names joined from one racer's
    surname and another's given name, the profile of a third."""
    pool = [racers[k] for k in sorted(racers)]
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
    named = False
    d = day.day
    for line in lines:
        new = line
        m = BLOCK_MARK.match(line)
        if m:
            if m.group(3) == b"END" and not named:
                # The importer finds a block's stadium by its name: a name
                # left as it was would put the block's races at another one.
                raise ValueError("no stadium name of block %s rewritten on %s" % (m.group(1), d))
            named = False
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
                named = True
                changed = changed.replace("ボートレース" + old_name, "ボートレース" + new_name)
                changed = re.sub("[０-９%s]{2}月[０-９%s]{2}日" % (FW, FW),
                                 full_width_digits(d.month, 2) + "月" + full_width_digits(d.day, 2) + "日",
                                 changed)
                changed = re.sub("[０-９]{4}年", full_width_digits(d.year, 4) + "年", changed)
            elif kind == "K" and (text.startswith(old_name + "［成績］") or "ボートレース" + old_name in text):
                named = True
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


JLHA_CLASSPATH = "/usr/share/java/jlhafrontend.jar:/usr/share/java/jlha.jar"


def pack_all(stage, jobs, packers):
    """Packs every (text name, archive) of `jobs` from the folder `stage`
    with jlha (-lh5-, stored under the text's name as the official ones):
    `packers` Java processes (bench/PackLzh.java), each packing its share
    of the archives, so the Java machine starts once per packer."""
    here = os.path.dirname(os.path.abspath(__file__))
    shares = [jobs[i::packers] for i in range(packers)]
    running = []
    for number, share in enumerate(shares):
        if not share:
            continue
        for _, archive in share:
            os.makedirs(os.path.dirname(archive), exist_ok=True)
            if os.path.exists(archive + ".part"):
                os.remove(archive + ".part")
        request = os.path.join(stage, "pack%d.request" % number)
        with open(request, "w", encoding="utf-8") as f:
            f.write("".join("%s.part\t%s\n" % (archive, name) for name, archive in share))
        log = os.path.join(stage, "pack%d.log" % number)
        with open(request, "rb") as stdin, open(log, "wb") as stdout:
            process = subprocess.Popen(["java", "-cp", JLHA_CLASSPATH, os.path.join(here, "PackLzh.java")],
                                       cwd=stage, stdin=stdin, stdout=stdout, stderr=subprocess.STDOUT)
        running.append((process, log))
    for process, log in running:
        if process.wait() != 0:
            with open(log, "rb") as f:
                raise RuntimeError("jlha failed: %s" % f.read().decode(errors="replace")[-2000:])
    for name, archive in jobs:
        partial = archive + ".part"
        if not os.path.exists(partial):
            raise RuntimeError("jlha made no %s" % archive)
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
    parser.add_argument("--sources", default=SOURCE_DAYS, help="the source days (YYMMDD), taken in turn")
    args = parser.parse_args()
    args.out = os.path.abspath(args.out)
    jobs = max(1, min(args.jobs, 2))

    start = datetime.date.fromisoformat(args.start)
    days = [start + datetime.timedelta(days=i) for i in range(args.days)]
    names = [n.strip() for n in args.sources.split(",") if n.strip()]
    if not names:
        parser.error("--sources names no day")
    source_files = [(os.path.join(args.fixtures, "B%s.TXT" % n), os.path.join(args.fixtures, "K%s.TXT" % n))
                    for n in names]
    stamp_text = "version=%d start=%s days=%d sources=%s fixtures=%s\n" % (
        GENERATOR_VERSION, start.isoformat(), args.days, ",".join(names),
        fixture_digest([p for pair in source_files for p in pair]))

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

    class Source:
        pass

    sources = []
    all_racers = {}
    for program_path, result_path in source_files:
        source = Source()
        source.program = read_lines(program_path)
        source.result = read_lines(result_path)
        source.racers = source_racers(source.program, source.result)
        source.blocks = [int(m.group(1)) for m in map(BLOCK_MARK.match, source.program)
                         if m and m.group(3) == b"BGN"]
        result_blocks = [int(m.group(1)) for m in map(BLOCK_MARK.match, source.result)
                         if m and m.group(3) == b"BGN"]
        if source.blocks != result_blocks:
            raise ValueError("%s and %s hold other stadiums" % (program_path, result_path))
        for reg, racer in source.racers.items():
            all_racers.setdefault(reg, racer)
        sources.append(source)
    pool = make_pool(all_racers, random.Random("pool"))

    print("year archives: making %d days from %s (source days %s) into %s (%d packers)"
          % (len(days), start, ",".join(names), args.out, jobs), flush=True)
    started = datetime.datetime.now()
    stage = tempfile.mkdtemp(prefix="wkyear", dir=args.out)
    try:
        pack_jobs = []
        for index, day in enumerate(days):
            source = sources[index % len(sources)]
            changes = Day(day, source.blocks, source.racers, pool)
            program_archive, result_archive = archive_paths(day)
            yymmdd = day.strftime("%y%m%d")
            noon = datetime.datetime(day.year, day.month, day.day, 12).timestamp()
            for kind, lines, archive, when in (("B", source.program, program_archive, noon),
                                               ("K", source.result, result_archive, noon + 11 * 3600)):
                name = "%s%s.TXT" % (kind, yymmdd)
                path = os.path.join(stage, name)
                with open(path, "wb") as f:
                    f.write(rewrite(lines, changes, kind))
                os.utime(path, (when, when))
                pack_jobs.append((name, archive))
        pack_all(stage, pack_jobs, jobs)
    finally:
        shutil.rmtree(stage, ignore_errors=True)
    with open(stamp, "w", encoding="utf-8") as f:
        f.write(stamp_text)
    seconds = (datetime.datetime.now() - started).total_seconds()
    print("year archives: %d archives made in %.1f s" % (2 * len(days), seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
