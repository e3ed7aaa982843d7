#!/usr/bin/env python3
"""The code's folders as layers: no cycle in the include graph between folders, and no widget
header outside a ui/ folder. Run from anywhere; reads the files git tracks."""
import collections
import os
import re
import subprocess
import sys

WIDGETS = re.compile(r'#include <(QtWidgets/\w+|Q(Widget|Dialog|Menu|MessageBox|Application|Label|'
                     r'PushButton|SystemTrayIcon|AbstractButton|Slider|CheckBox|LineEdit|'
                     r'ListWidget|TableWidget|ScrollArea|\w*Layout|ToolButton|GroupBox))>')
OUTSIDE = ('tests', 'bench', 'tools')


def sources(top):
    out = subprocess.check_output(['git', '-C', top, 'ls-files', '*.cpp', '*.h'], text=True)
    return [f for f in out.split() if f.split('/')[0] not in OUTSIDE]


def graph(top, files):
    edges = collections.defaultdict(set)
    for f in files:
        here = os.path.dirname(f)
        with open(os.path.join(top, f), encoding='utf-8', errors='replace') as text:
            for inc in re.findall(r'#include "([^"]+)"', text.read()):
                there = os.path.dirname(inc)
                if '/' in inc and there != here and os.path.isdir(os.path.join(top, there)):
                    edges[here].add(there)
    return edges


def cycle(edges):
    state, stack = {}, []

    def visit(u):
        state[u] = 1
        stack.append(u)
        for v in sorted(edges.get(u, ())):
            if state.get(v) == 1:
                return stack[stack.index(v):] + [v]
            if v not in state:
                found = visit(v)
                if found:
                    return found
        stack.pop()
        state[u] = 2
        return None

    for u in sorted(edges):
        if u not in state:
            found = visit(u)
            if found:
                return found
    return None


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else '.'
    files = sources(top)
    faults = []
    found = cycle(graph(top, files))
    if found:
        faults.append('folders include each other: ' + ' -> '.join(found))
    for f in files:
        if '/ui/' in '/' + f:
            continue
        with open(os.path.join(top, f), encoding='utf-8', errors='replace') as text:
            if WIDGETS.search(text.read()):
                faults.append(f'{f}: a widget header outside a ui/ folder')
    for fault in faults:
        print(fault)
    if not faults:
        print('layers: no folder cycle, widgets only under ui/')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
