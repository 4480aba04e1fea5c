#!/usr/bin/python3
"""The mutation list of scripts/mutants.sh: reading it, finding and applying
one mutant, and the closing summary.

The list (scripts/mutants.list) holds one block per mutant:

    [id] one-line description
    - original line
    + replacement line

"- " lines give the original snippet and "+ " lines its replacement, each
line taken verbatim after the two-character marker and joined with line
breaks ("-" or "+" alone stands for an empty line; no "+" line deletes the
snippet). Lines starting with '#' and blank lines between blocks are
ignored. A snippet is looked for in every file under include/, source/ and bindings/
and must occur exactly once in all of them together, so a mutant follows its
line when code moves between files.

Commands:
    check [ID...]            every chosen mutant names a snippet found once
    list [ID...]             id, file and description of each mutant
    ids [ID...]              the chosen ids, one a line (all when none given)
    apply ID BACKUP STATE    saves the file to BACKUP, records its path in
                             STATE, then writes the mutated file; prints the
                             file's path
    summary RESULTS SECONDS  the closing report from the results table
"""
import os
import re
import shutil
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LIST = os.path.join(ROOT, "scripts", "mutants.list")
# The product code a mutant may change: the library and the host bindings.
SOURCES = [os.path.join(ROOT, "include"), os.path.join(ROOT, "source"), os.path.join(ROOT, "bindings")]
HEADER = re.compile(r"^\[([A-Za-z0-9_.-]+)\]\s+(\S.*)$")


class Mutant:
    def __init__(self, ident, description, line):
        self.ident = ident
        self.description = description
        self.line = line  # where the block starts in the list
        self.original = []
        self.replacement = []

    def snippet(self):
        return "\n".join(self.original)

    def mutated(self):
        return "\n".join(self.replacement)


def fail(message):
    sys.exit("mutants: " + message)


def marked_text(raw):
    """The text of a '- ' or '+ ' line without its marker."""
    return raw[2:] if len(raw) > 1 else ""


def read_list():
    mutants, current = [], None
    with open(LIST, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            raw = raw.rstrip("\n")
            header = HEADER.match(raw)
            if header:
                current = Mutant(header.group(1), header.group(2).strip(), number)
                mutants.append(current)
            elif raw[:1] in ("-", "+") and (len(raw) == 1 or raw[1] == " "):
                if current is None:
                    fail("%s:%d: snippet line before any [id] line" % (LIST, number))
                target = current.original if raw[0] == "-" else current.replacement
                if raw[0] == "-" and current.replacement:
                    fail("%s:%d: mutant %s: '-' line after its '+' lines" % (LIST, number, current.ident))
                target.append(marked_text(raw))
            elif raw.strip() and not raw.lstrip().startswith("#"):
                fail("%s:%d: cannot read this line: %s" % (LIST, number, raw))
    seen = set()
    for m in mutants:
        if m.ident in seen:
            fail("mutant id %s appears twice in the list" % m.ident)
        seen.add(m.ident)
        if not m.original:
            fail("mutant %s (line %d) has no '-' lines" % (m.ident, m.line))
        if m.snippet() == m.mutated():
            fail("mutant %s (line %d) does not change its snippet" % (m.ident, m.line))
    return mutants


def chosen(mutants, ids):
    if not ids:
        return mutants
    by_id = {m.ident: m for m in mutants}
    unknown = [i for i in ids if i not in by_id]
    if unknown:
        fail("no such mutant: " + ", ".join(unknown))
    return [by_id[i] for i in ids]


def source_texts():
    """(path relative to the project, text) of every file under SOURCES."""
    for top in SOURCES:
        for folder, dirs, files in os.walk(top):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    data = f.read()
                try:
                    yield os.path.relpath(path, ROOT), data.decode("utf-8")
                except UnicodeDecodeError:
                    continue


def locate(mutant, texts):
    """The one file holding the mutant's snippet, or an error message."""
    snippet = mutant.snippet()
    hits = [(path, text.count(snippet)) for path, text in texts if snippet in text]
    total = sum(count for _, count in hits)
    if total == 1:
        return hits[0][0], None
    if total == 0:
        return None, "mutant %s: its snippet is found nowhere under include/, source/ or bindings/:\n    %s" % (
            mutant.ident, snippet.replace("\n", "\n    "))
    where = ", ".join("%s (%d)" % hit for hit in hits)
    return None, "mutant %s: its snippet is found %d times under include/, source/ and bindings/: %s" % (mutant.ident, total, where)


def check(mutants):
    texts = list(source_texts())
    errors = [error for error in (locate(m, texts)[1] for m in mutants) if error]
    for error in errors:
        print("mutants: " + error, file=sys.stderr)
    if errors:
        sys.exit(1)


def apply(mutant, backup, state):
    path, error = locate(mutant, list(source_texts()))
    if error:
        fail(error)
    full = os.path.join(ROOT, path)
    with open(full, "rb") as f:
        original = f.read()
    os.makedirs(os.path.dirname(backup) or ".", exist_ok=True)
    with open(backup, "wb") as f:
        f.write(original)
    with open(state, "w", encoding="utf-8") as f:
        f.write(full + "\n")
    text = original.decode("utf-8").replace(mutant.snippet(), mutant.mutated(), 1)
    with open(full, "wb") as f:
        f.write(text.encode("utf-8"))
    print(path)


def minutes(seconds):
    seconds = int(round(seconds))
    return "%d min %02d s" % (seconds // 60, seconds % 60) if seconds >= 60 else "%d s" % seconds


def summary(mutants, results_path, total_seconds):
    """results: tab-separated id, status, seconds, test that killed it."""
    by_id = {m.ident: m for m in mutants}
    rows = []
    with open(results_path, encoding="utf-8") as f:
        for raw in f:
            fields = raw.rstrip("\n").split("\t")
            if len(fields) >= 3:
                rows.append((fields[0], fields[1], float(fields[2]), fields[3] if len(fields) > 3 else ""))
    count = {status: sum(1 for r in rows if r[1] == status) for status in ("killed", "survived", "stillborn")}
    viable = count["killed"] + count["survived"]
    rate = 100.0 * count["killed"] / viable if viable else 0.0
    mutant_seconds = sum(r[2] for r in rows)
    out = ["Mutation run: %d mutants" % len(rows),
           "killed %d/%d that build (%d survived; %d stillborn, not counted)" % (
               count["killed"], viable, count["survived"], count["stillborn"]),
           "kill rate %.1f %%" % rate]
    for status in ("survived", "stillborn"):
        listed = [r for r in rows if r[1] == status]
        out.append("%s%s" % ("survivors" if status == "survived" else "stillborn", ":" if listed else ": none"))
        for r in listed:
            description = by_id[r[0]].description if r[0] in by_id else "?"
            out.append("  %-28s %s" % (r[0], description))
    out.append("time %s in all; %s over the mutants, %s per mutant on average" % (
        minutes(total_seconds), minutes(mutant_seconds), minutes(mutant_seconds / len(rows) if rows else 0)))
    out.append("")
    out.append("per mutant:")
    for ident, status, seconds, killer in rows:
        out.append("  %-28s %-9s %6.0f s  %s" % (ident, status, seconds, killer))
    print("\n".join(out))


def main(argv):
    if len(argv) < 2:
        fail("usage: mutants.py check|list|ids|apply|summary ...")
    command, args = argv[1], argv[2:]
    mutants = read_list()
    if command == "check":
        check(chosen(mutants, args))
    elif command == "ids":
        for m in chosen(mutants, args):
            print(m.ident)
    elif command == "list":
        texts = list(source_texts())
        for m in chosen(mutants, args):
            path, error = locate(m, texts)
            print("%-28s %-48s %s" % (m.ident, path or "NOT FOUND ONCE", m.description))
    elif command == "apply" and len(args) == 3:
        apply(chosen(mutants, [args[0]])[0], args[1], args[2])
    elif command == "summary" and len(args) == 2:
        summary(mutants, args[0], float(args[1]))
    else:
        fail("unknown command or wrong arguments: " + " ".join(argv[1:]))


if __name__ == "__main__":
    main(sys.argv)
