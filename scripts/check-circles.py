#!/usr/bin/env python3
"""Fails when modules of different folders depend on each other in a circle.

A module is a header and its source file in one folder of src/ ("race/demo").
One module depends on another when it includes the other's header or, in the
built objects, uses a function or variable the other's object defines. A
circle of such dependencies that passes through more than one folder must be
listed, with its reason, in the README's contributors' section, on a line
"- Circle: A, B, ...: reason" naming its modules in any order.

    check-circles.py BUILD_DIR
"""
import os
import re
import subprocess
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
SRC = os.path.join(ROOT, "src")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z_]+/[a-z_0-9]+)\.h"', re.M)


def modules():
    found = {}
    for folder in sorted(os.listdir(SRC)):
        path = os.path.join(SRC, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            stem, ext = os.path.splitext(name)
            if ext in (".h", ".cpp"):
                found.setdefault(folder + "/" + stem, []).append(os.path.join(path, name))
    return found


def include_edges(mods):
    edges = {m: set() for m in mods}
    for module, files in mods.items():
        for f in files:
            with open(f, encoding="utf-8") as text:
                for target in INCLUDE.findall(text.read()):
                    if target in mods and target != module:
                        edges[module].add(target)
    return edges


def object_symbols(build, mods):
    """Per module: the symbols its object defines and the ones it uses."""
    defined, used = {}, {}
    for top, _, names in os.walk(os.path.join(build, "CMakeFiles")):
        for name in names:
            if not name.endswith(".cpp.o"):
                continue
            path = os.path.join(top, name)
            match = re.search(r"/src/([a-z_]+)/([a-z_0-9]+)\.cpp\.o$", path)
            if not match or match.group(1) + "/" + match.group(2) not in mods:
                continue
            module = match.group(1) + "/" + match.group(2)
            out = subprocess.run(["nm", path], capture_output=True, text=True, check=True).stdout
            for line in out.splitlines():
                parts = line.split()
                if len(parts) == 2 and parts[0] == "U":
                    used.setdefault(module, set()).add(parts[1])
                elif len(parts) == 3 and parts[1] in "TDBR":
                    defined.setdefault(parts[2], set()).add(module)
    return defined, used


def strongly_connected(edges):
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            result.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return result


def listed_circles():
    listed = []
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as text:
        for line in text:
            match = re.match(r"^- Circle: ([^:]+):", line.strip())
            if match:
                listed.append(set(m.strip() for m in match.group(1).split(",")))
    return listed


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    mods = modules()
    edges = include_edges(mods)
    defined, used = object_symbols(sys.argv[1], mods)
    if not used:
        print("check-circles: no built objects under " + sys.argv[1], file=sys.stderr)
        return 2
    for module, symbols in used.items():
        for symbol in symbols:
            for owner in defined.get(symbol, ()):
                if owner != module:
                    edges[module].add(owner)
    listed = listed_circles()
    status = 0
    for component in strongly_connected(edges):
        folders = {m.split("/")[0] for m in component}
        if len(component) < 2 or len(folders) < 2:
            continue
        if set(component) in listed:
            continue
        print("a circle across folders: " + ", ".join(component))
        status = 1
    if status == 0:
        print("circles: no module depends on itself through another folder")
    return status


if __name__ == "__main__":
    sys.exit(main())
