#!/usr/bin/env python3
"""Counts what a carving tool wrote back, for bench/fat-card-fragments-benchmark.sh.

  summary ORIGINALS        one line: how many samples lie in one, two and more fragments
  count ORIGINALS OUTPUT   per kind (extension): the originals in one run, in two fragments
                           and in more that were written back byte for byte under OUTPUT,
                           of how many, and the outputs of that kind that are no original

ORIGINALS holds "path fragments ..." per line.
"""
import collections
import hashlib
import os
import sys


def originals(listing):
    for line in open(listing):
        path, fragments = line.split()[:2]
        yield path, min(int(fragments), 3)


def kind(path):
    return os.path.splitext(path)[1].lower().lstrip(".") or "-"


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def summary(listing):
    runs = collections.Counter(n for _, n in originals(listing))
    print("%d samples: %d in one run, %d in two fragments, %d in more"
          % (sum(runs.values()), runs[1], runs[2], runs[3]))


def count(listing, output):
    known = {}
    for path, fragments in originals(listing):
        known[digest(path)] = (kind(path), fragments)
    found, others = set(), collections.Counter()
    for folder, _, names in os.walk(output):
        for name in names:
            if name.endswith((".txt", ".xml")):  # the tools' own reports
                continue
            sha = digest(os.path.join(folder, name))
            if sha in known:
                found.add(sha)
            else:
                others[kind(name)] += 1
    totals, exact = collections.Counter(), collections.Counter()
    for sha, (k, fragments) in known.items():
        totals[k, fragments] += 1
        exact[k, fragments] += sha in found
    kinds = sorted({k for k, _ in totals} | set(others))
    print("    %-6s %9s %9s %9s %12s" % ("kind", "one run", "two", "more", "no original"))
    for k in kinds:
        cells = ["%d/%d" % (exact[k, n], totals[k, n]) if totals[k, n] else "-" for n in (1, 2, 3)]
        print("    %-6s %9s %9s %9s %12d" % (k, *cells, others[k]))
    all_cells = []
    for n in (1, 2, 3):
        all_cells.append("%d/%d" % (sum(exact[k, n] for k in kinds), sum(totals[k, n] for k in kinds)))
    print("    %-6s %9s %9s %9s %12d" % ("all", *all_cells, sum(others.values())))


if __name__ == "__main__":
    {"summary": lambda a: summary(*a), "count": lambda a: count(*a)}[sys.argv[1]](sys.argv[2:])
