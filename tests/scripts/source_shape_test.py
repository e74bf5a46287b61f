#!/usr/bin/env python3
"""The shape of src/: no file over 700 lines, and no two classes that include each other.

A class is its header and source pair (folder/Name.h and folder/Name.cpp), so a source that
includes a header whose class includes the first one's header closes a circle too, however many
classes it runs through.
"""

import os
import re
import sys
import tempfile
import unittest

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src")
MAX_LINES = 700
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SUFFIXES = (".h", ".cpp")


def source_files(root):
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if name.endswith(SUFFIXES):
                yield os.path.join(folder, name)


def long_files(root):
    """The files with more than MAX_LINES lines, with their counts."""
    found = []
    for path in source_files(root):
        with open(path, "rb") as f:
            lines = f.read().count(b"\n")
        if lines > MAX_LINES:
            found.append((os.path.relpath(path, root), lines))
    return found


def unit_of(relative):
    return os.path.splitext(relative)[0]


def include_graph(root):
    """Class -> the classes its files include (resolved against root; others are system or Qt)."""
    graph = {}
    for path in source_files(root):
        unit = unit_of(os.path.relpath(path, root))
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        targets = graph.setdefault(unit, set())
        for included in INCLUDE.findall(text):
            if os.path.isfile(os.path.join(root, included)) and unit_of(included) != unit:
                targets.add(unit_of(included))
    return graph


def include_circles(root):
    """Every group of classes that reach one another through includes (Tarjan's components)."""
    graph = include_graph(root)
    index, low, on_stack, stack, circles = {}, {}, set(), [], []
    counter = [0]

    def visit(unit):
        # Iterative, so that a deep include chain cannot exhaust Python's recursion limit.
        work = [(unit, iter(sorted(graph.get(unit, ()))))]
        index[unit] = low[unit] = counter[0]
        counter[0] += 1
        stack.append(unit)
        on_stack.add(unit)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    group = []
                    while True:
                        member = stack.pop()
                        on_stack.discard(member)
                        group.append(member)
                        if member == node:
                            break
                    if len(group) > 1:
                        circles.append(sorted(group))
            elif child not in index:
                index[child] = low[child] = counter[0]
                counter[0] += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(graph.get(child, ())))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])

    for unit in sorted(graph):
        if unit not in index:
            visit(unit)
    return sorted(circles)


class CheckerTest(unittest.TestCase):
    """The checks find what they are for, on a tree made here."""

    def make_tree(self, files):
        root = tempfile.mkdtemp()
        for relative, text in files.items():
            path = os.path.join(root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        return root

    def test_a_file_one_line_over_is_found(self):
        root = self.make_tree({"a/Fits.cpp": "x\n" * MAX_LINES, "a/Long.h": "x\n" * (MAX_LINES + 1)})
        self.assertEqual(long_files(root), [(os.path.join("a", "Long.h"), MAX_LINES + 1)])

    def test_circles_through_pairs_and_round_three_classes_are_found(self):
        root = self.make_tree({
            "s/Engine.h": '#include "s/Base.h"\n',
            "s/Engine.cpp": '#include "s/Engine.h"\n#include "s/Pool.h"\n',
            "s/Pool.h": '#include "s/Engine.h"\n#include <vector>\n#include "QtMissing.h"\n',
            "t/A.h": '#include "t/B.h"\n',
            "t/B.h": "",
            "t/B.cpp": '#include "t/C.h"\n',
            "t/C.h": '  #  include "t/A.h"\n',
            "s/Base.h": "",
        })
        self.assertEqual(include_circles(root), [["s/Engine", "s/Pool"], ["t/A", "t/B", "t/C"]])

    def test_a_class_including_its_own_header_and_a_chain_are_no_circle(self):
        root = self.make_tree({
            "a/X.cpp": '#include "a/X.h"\n#include "a/Y.h"\n',
            "a/X.h": '#include "a/Y.h"\n',
            "a/Y.h": '#include "a/Z.h"\n',
            "a/Z.h": "",
        })
        self.assertEqual(include_circles(root), [])


class SourceTreeTest(unittest.TestCase):
    def test_no_file_under_src_is_over_the_limit(self):
        self.assertEqual(long_files(SRC), [], "split these files by concern")

    def test_no_two_classes_under_src_include_each_other(self):
        self.assertEqual(include_circles(SRC), [], "these classes include one another")


if __name__ == "__main__":
    sys.exit(unittest.main())
