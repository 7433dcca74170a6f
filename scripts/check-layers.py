#!/usr/bin/env python3
"""Keeps the house in order. Fails (exit 1) on

- an include against the direction of the layers
      widgets/  <-  classes/{core,models,import,update}  <-  Forms/
  and, inside them, core below models, import and update, and the views,
  dialogs, pages and chrome of Forms/ below the main window;
- an include circle between units (a unit is a file pair name.h/name.cpp);
- a widget in the core, the import, the update export or a model (only the
  delegates create editors), SQL in the user interface (window, pages,
  chrome, dialogs, views: they ask the models and classes/ for it), a
  __has_include guard;
- Forms/mainwindow.cpp over 600 lines.

Usage: scripts/check-layers.py [source root]   (default: the project folder)
"""
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                       os.path.join(os.path.dirname(__file__), '..'))
MAIN_WINDOW_LIMIT = 600

# Folder -> layer rank; a file may include only files of its own or a lower rank.
RANKS = {
    'widgets': 0,
    'classes/core': 1,
    'classes/models': 2,
    'classes/import': 2,
    'classes/update': 3,
    'Forms/views': 4,
    'Forms/dialogs': 4,
    'Forms/chrome': 4,
    'Forms/pages': 5,
    'Forms': 6,
    'classes': 7,          # the entry point classes/main.cpp
}
# Neighbours of one rank that must not know each other.
SEPARATE = {('classes/models', 'classes/import'), ('classes/import', 'classes/models')}
# The one pair that belongs together: the tuning dialog edits min, max and
# step of a numeric editor with numeric editors, and the editor opens it.
ALLOWED_CIRCLES = {('widgets/combospintune', 'widgets/combospinwgt')}

# What the layers below the window must not use: widgets, windows, dialogs.
WIDGET_HEADERS = re.compile(
    r'#\s*include\s*[<"](QMessageBox|QApplication|QWidget|QFileDialog|QInputDialog|QMainWindow|'
    r'QDialog|QMenu|QProgressDialog|bilderpopupwidget\.h)[>"]')
DELEGATE_FILES = re.compile(r'delegate\.(h|cpp)$')
SQL_IN_VIEW = re.compile(r'\bQSqlQuery\b|\bWriteAction\b|#\s*include\s*"writeaction\.h"')
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)

problems = []


def folder_of(path):
    rel = os.path.relpath(os.path.dirname(path), ROOT).replace(os.sep, '/')
    return rel


def source_files():
    for top in ('widgets', 'classes', 'Forms'):
        for dirpath, _, names in os.walk(os.path.join(ROOT, top)):
            for name in sorted(names):
                if name.endswith(('.h', '.cpp')):
                    yield os.path.join(dirpath, name)


files = list(source_files())
by_name = {}
for path in files:
    by_name.setdefault(os.path.basename(path), []).append(path)
for name, paths in by_name.items():
    if len(paths) > 1:
        problems.append('gleicher Dateiname mehrfach: ' + ', '.join(
            os.path.relpath(p, ROOT) for p in paths))


def unit_of(path):
    return os.path.join(folder_of(path), os.path.splitext(os.path.basename(path))[0])


edges = {}
for path in files:
    rel = os.path.relpath(path, ROOT)
    folder = folder_of(path)
    with open(path, encoding='utf-8') as handle:
        text = handle.read()
    if '__has_include' in text:
        problems.append(rel + ': __has_include')
    if folder.startswith('classes/') and not DELEGATE_FILES.search(path):
        for match in WIDGET_HEADERS.finditer(text):
            problems.append(rel + ': Fenster-Klasse unterhalb der Oberfläche: ' + match.group(1))
    if folder.split('/')[0] == 'Forms' and SQL_IN_VIEW.search(text):
        problems.append(rel + ': SQL in der Oberfläche')
    source_unit = unit_of(path)
    for included in INCLUDE.findall(text):
        base = os.path.basename(included)
        if base.startswith('ui_') or base.endswith('.moc'):
            continue
        targets = by_name.get(base)
        if not targets:
            continue
        target = targets[0]
        target_folder = folder_of(target)
        if RANKS.get(target_folder, 99) > RANKS.get(folder, -1) or \
                (folder, target_folder) in SEPARATE:
            problems.append('%s bindet %s ein: gegen die Richtung der Schichten'
                            % (rel, os.path.relpath(target, ROOT)))
        target_unit = unit_of(target)
        if target_unit != source_unit:
            edges.setdefault(source_unit, set()).add(target_unit)

# Circles: strongly connected components of more than one unit (Tarjan).
index_of, low, stack, on_stack, counter = {}, {}, [], set(), [0]


def visit(unit):
    index_of[unit] = low[unit] = counter[0]
    counter[0] += 1
    stack.append(unit)
    on_stack.add(unit)
    for other in sorted(edges.get(unit, ())):
        if other not in index_of:
            visit(other)
            low[unit] = min(low[unit], low[other])
        elif other in on_stack:
            low[unit] = min(low[unit], index_of[other])
    if low[unit] == index_of[unit]:
        component = []
        while True:
            member = stack.pop()
            on_stack.discard(member)
            component.append(member)
            if member == unit:
                break
        if len(component) > 1 and tuple(sorted(component)) not in ALLOWED_CIRCLES:
            problems.append('Include-Kreis: ' + ' -> '.join(sorted(component)))


sys.setrecursionlimit(10000)
for unit in sorted(edges):
    if unit not in index_of:
        visit(unit)

main_window = os.path.join(ROOT, 'Forms', 'mainwindow.cpp')
with open(main_window, encoding='utf-8') as handle:
    lines = sum(1 for _ in handle)
if lines > MAIN_WINDOW_LIMIT:
    problems.append('Forms/mainwindow.cpp hat %d Zeilen (höchstens %d)' % (lines, MAIN_WINDOW_LIMIT))

for problem in problems:
    print('check-layers: ' + problem, file=sys.stderr)
if problems:
    sys.exit(1)
print('check-layers: %d Dateien, Schichten und Includes in Ordnung, mainwindow.cpp %d Zeilen'
      % (len(files), lines))
