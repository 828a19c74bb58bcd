#!/usr/bin/env python3
"""Checks the include rules of the source tree.

Every include of a project header names its folder from the include root ("storage/DataFile.h"),
no file includes a header of a layer above its own, and no two units (a header with its source
file) include each other, directly or through others. Prints each fault; exits 1 if there is any.
"""
import os
import re
import sys

# The folders each folder may include from, its own included. A ui folder sits above its core.
ALLOWED = {
    'diag': {'diag'},
    'model': {'diag', 'model'},
    'storage': {'diag', 'model', 'storage'},
    'items': {'diag', 'model', 'storage', 'items'},
    'items/clipboard': {'diag', 'items/clipboard'},
    'model/ui': {'diag', 'model', 'model/ui'},
    'storage/ui': {'diag', 'model', 'storage', 'model/ui', 'storage/ui'},
    'items/ui': {'diag', 'model', 'storage', 'items', 'items/clipboard', 'model/ui', 'storage/ui',
                 'items/ui'},
    'cli': {'diag', 'model', 'storage', 'items', 'items/clipboard', 'cli'},
}
ALLOWED['app'] = set().union(*ALLOWED.values()) - {'cli'} | {'app'}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
GENERATED = {'wlr-data-control-unstable-v1-client-protocol.h'}


def sources(root, base):
    for folder, _, names in os.walk(os.path.join(root, base)):
        for name in sorted(names):
            if name.endswith(('.h', '.cpp', '.c')):
                yield os.path.relpath(os.path.join(folder, name), root)


def main(root):
    faults = []
    headers = {os.path.relpath(p, 'src') for p in sources(root, 'src') if p.endswith('.h')}
    headers |= {os.path.relpath(p, 'tests') for p in sources(root, 'tests') if p.endswith('.h')}
    edges = {}
    for path in [*sources(root, 'src'), *sources(root, 'tests'), *sources(root, 'bench')]:
        with open(os.path.join(root, path), encoding='utf-8') as f:
            text = f.read()
        layer = os.path.dirname(os.path.relpath(path, 'src')) if path.startswith('src/') else None
        unit = os.path.splitext(path)[0]
        for name in INCLUDE.findall(text):
            if name in GENERATED:
                continue
            if name not in headers:
                faults.append(f'{path}: "{name}" is not a header named from src/ or tests/')
                continue
            target = os.path.dirname(name)
            if layer is not None and target not in ALLOWED.get(layer, set()):
                faults.append(f'{path}: includes "{name}", a layer above {layer}/')
            included = os.path.splitext(os.path.join('src' if os.path.exists(
                os.path.join(root, 'src', name)) else 'tests', name))[0]
            if included != unit:
                edges.setdefault(unit, set()).add(included)
    faults += [f'include cycle: {" -> ".join(c)}' for c in cycles(edges)]
    for fault in faults:
        print(fault)
    print(f'{len(faults)} include faults')
    return 1 if faults else 0


def cycles(edges):
    """One cycle per strongly connected group of units (Tarjan's algorithm)."""
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group) + [sorted(group)[0]])

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


if __name__ == '__main__':
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else '.'))
