#!/usr/bin/env python3
"""Size of the test suite against the size of the product code.

Test code is everything under tests/ and fuzz/; product code is include/, source/,
examples/ and bindings/. Only source files count (C, C++, C#, Python with
its type stubs, CMake, shell); blank lines and lines that hold only a comment do not.
Prints both counts and their ratio.
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
C_LIKE = {".c", ".h", ".cpp", ".hpp", ".cs"}
HASH_LIKE = {".py", ".pyi", ".sh", ".cmake"}


def comment_style(name):
    ext = os.path.splitext(name)[1]
    if ext in C_LIKE:
        return "c"
    if ext in HASH_LIKE or name == "CMakeLists.txt":
        return "hash"
    return None


def counted_lines(path, style):
    count, in_block = 0, False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            s = line.strip()
            if not s:
                continue
            if style == "c":
                if in_block:
                    in_block = "*/" not in s
                    continue
                if s.startswith("//"):
                    continue
                if s.startswith("/*"):
                    in_block = "*/" not in s
                    continue
            elif s.startswith("#") and not s.startswith("#!"):
                continue
            count += 1
    return count


def tree_lines(folders):
    total = 0
    for folder in folders:
        for directory, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                style = comment_style(name)
                if style:
                    total += counted_lines(os.path.join(directory, name), style)
    return total


def main():
    tests = tree_lines(["tests", "fuzz"])
    code = tree_lines(["include", "source", "examples", "bindings"])
    print(f"test lines {tests}, code lines {code}, ratio {tests / code:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
