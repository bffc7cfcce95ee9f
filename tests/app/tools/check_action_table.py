#!/usr/bin/env python3
"""Compare the main window's action/menu data with the reference tables in a markdown file.

Usage: check_action_table.py REFERENCE.md [--write-expectations tests/app/ActionTableExpected.txt]

Reads app/ActionRows.h, app/ActionTable.cpp, app/ActionGroups.cpp, app/ToolBars.cpp and
app/Style.cpp as text, prints every difference (action rows, menus, menu entries, menu bar,
exclusive groups, toolbar contents, style sheets) and exits 1 when there is one. With --write-expectations it also writes the parsed reference
as the plain-text file the app tests compare the built window with. The built window itself
is written in the same format by
    build/test/tests/app/dump_action_table /tmp/built.txt
so `grep -v '^#' EXPECTED | diff - /tmp/built.txt` shows any difference of the running form.
"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]

def icon_path(word):
    word = word.strip()
    if not word:
        return ""
    if word.startswith('"'):
        return word.strip('"')
    if word.startswith("Create/"):
        return ":/IconsCreate/ico_%s.png" % word[len("Create/"):]
    return ":/Icons/ico_%s.png" % word

def unquote(cell):
    cell = cell.strip()
    if cell == "grave accent key":
        return "`"
    if cell == "backslash key":
        return "\\"
    if cell.startswith('"') and cell.endswith('"'):
        return cell[1:-1]
    return cell

def split_row(line):
    cells = line.strip().strip("|").split("|")
    return [c.strip() for c in cells]

def parse_reference(text):
    # The tables run from the menu creation list to the interfaces that follow them.
    start = text.index("then the 48 menus in their creation order")
    end = text.index("**Interfaces**", start)
    text = text[start:end]
    actions, menus, entries, bar = {}, {}, [], {}
    menu_order = re.search(r"then the 48 menus in their creation order: (.*?); last", text).group(1)
    creation = re.findall(r"`(menu\w+)`", menu_order)
    current = None
    for line in text.splitlines():
        m = re.match(r"Menu `(menu\w+)`, (?:\"([^\"]*)\"|no title), (.*)$", line)
        if m:
            current = m.group(1)
            rest = m.group(3).rstrip(".")
            icon, status = "", ""
            mi = re.search(r"; icon ([^;]+)", rest)
            if mi:
                icon = icon_path(mi.group(1))
            ms = re.search(r'; status tip "([^"]*)"', rest)
            if ms:
                status = ms.group(1)
            mb = re.match(r"menu bar entry (\d+)", rest)
            if mb:
                bar[int(mb.group(1))] = current
            menus[current] = (m.group(2) or "", icon, status)
            continue
        if line.startswith("Actions in no menu"):
            current = None
            continue
        if not line.startswith("| ") or line.startswith("| # ") :
            continue
        cells = split_row(line)
        if len(cells) != 7:
            continue
        num, entry, text_, shortcut, check, icon, notes = cells
        if entry == "separator":
            entries.append((current, "-"))
            continue
        ms = re.match(r"submenu `(menu\w+)`", entry)
        if ms:
            entries.append((current, ms.group(1)))
            continue
        name = entry.strip("`")
        if current:
            entries.append((current, name))
        flags = set()
        if check.startswith("c"):
            flags.add("Checkable")
        if "on" in [c.strip() for c in check.split(",")]:
            flags.add("Checked")
        if "disabled" in check:
            flags.add("Disabled")
        tool = status = itext = ""
        for note in [n.strip() for n in notes.split(";") if n.strip()]:
            if note.startswith("tool tip "):
                tool = unquote(note[len("tool tip "):])
            elif note.startswith("status tip "):
                status = unquote(note[len("status tip "):])
            elif note.startswith("icon text "):
                itext = unquote(note[len("icon text "):])
            elif note == "bold":
                flags.add("Bold")
            elif note == "italic":
                flags.add("Italic")
            elif note == "bold italic":
                flags |= {"Bold", "Italic"}
            elif note == "no slot by name":
                flags.add("NoSlot")
            else:
                raise SystemExit("unknown note: %r" % note)
        parts = icon.split(" / ") if icon else [""]
        on = icon_path(parts[1]) if len(parts) > 1 else ""
        actions[name] = (int(num), unquote(text_), unquote(shortcut), frozenset(flags),
                         icon_path(parts[0]), on, tool, status, itext)
    menubar = [bar[i] for i in sorted(bar)]
    return actions, menus, creation, entries, menubar

def parse_slots(text):
    """The main window's slots in meta-object order, as written signatures."""
    m = re.search(r"The meta-object method table of `MainWindow` has (\d+) methods\..*?given whole:\s*(.*?)\.\n", text, re.S)
    if not m:
        return []
    args = {"setInAction": "bool", "loadEnvironment": "QString"}
    slots = []
    for num, quoted, plain in re.findall(r"(\d+) (?:`(\w+)`|(\w+))", m.group(2)):
        if int(num) != len(slots):
            raise SystemExit("slot %s out of order" % num)
        slots.append("%s(%s)" % (quoted, args.get(quoted, "")) if quoted else "on_action%s_triggered()" % plain)
    if len(slots) != int(m.group(1)):
        raise SystemExit("%d slots listed, %s announced" % (len(slots), m.group(1)))
    return slots

TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"|[^,\s"][^,]*')

def cstr(tok):
    tok = tok.strip()
    if tok.startswith('"'):
        return bytes(tok[1:-1], "utf-8").decode("unicode_escape")
    return tok

def parse_data():
    rows = (ROOT / "app/ActionRows.h").read_text()
    actions, menus, creation = {}, {}, []
    for line in rows.splitlines():
        m = re.match(r"KAL_ACTION\((.*)\)\s*$", line)
        if m:
            toks = [cstr(t) for t in TOKEN.findall(m.group(1)) if t.strip()]
            flags = frozenset() if toks[4] == "0" else frozenset(f.strip() for f in toks[4].split("|"))
            actions[toks[1]] = (int(toks[0]), toks[2], toks[3], flags, *toks[5:10])
            continue
        m = re.match(r"KAL_MENU\((.*)\)\s*$", line)
        if m:
            toks = [cstr(t) for t in TOKEN.findall(m.group(1)) if t.strip()]
            menus[toks[0]] = tuple(toks[1:4])
            creation.append(toks[0])
    table = (ROOT / "app/ActionTable.cpp").read_text()
    entries = re.findall(r'\{"(menu\w+)", "([^"]+)"\}', table)
    bar_block = re.search(r"menuBar\w*\[\]\s*=\s*\{(.*?)\};", table, re.S)
    menubar = re.findall(r'"(menu\w+)"', bar_block.group(1)) if bar_block else []
    return actions, menus, creation, entries, menubar

FIELDS = ["order", "text", "shortcut", "flags", "icon", "iconOn", "toolTip", "statusTip", "iconText"]

def compare(ref, got):
    diffs = []
    ra, rm, rc, re_, rb = ref
    ga, gm, gc, ge, gb = got
    for name in sorted(set(ra) | set(ga)):
        if name not in ga:
            diffs.append("action %s missing" % name); continue
        if name not in ra:
            diffs.append("action %s not in reference" % name); continue
        for f, a, b in zip(FIELDS, ra[name], ga[name]):
            if a != b:
                diffs.append("action %s %s: want %r got %r" % (name, f, a, b))
    order = sorted(ga.values(), key=lambda r: r[0])
    if [r[0] for r in order] != list(range(1, len(order) + 1)):
        diffs.append("action orders are not 1..N")
    for name in sorted(set(rm) | set(gm)):
        if rm.get(name) != gm.get(name):
            diffs.append("menu %s: want %r got %r" % (name, rm.get(name), gm.get(name)))
    if rc != gc:
        diffs.append("menu creation order: want %r got %r" % (rc, gc))
    if rb != gb:
        diffs.append("menu bar: want %r got %r" % (rb, gb))
    for menu in rc:
        a = [e for m, e in re_ if m == menu]
        b = [e for m, e in ge if m == menu]
        if a != b:
            diffs.append("menu %s entries: want %r got %r" % (menu, a, b))
    return diffs

def write_expectations(ref, slots, path):
    actions, menus, creation, entries, menubar = ref
    esc = lambda s: s.replace("\\", "\\\\").replace("\t", "\\t")
    out = ["# Tab-separated; a backslash is written doubled. Generated by tools/check_action_table.py.",
           "# action name order text shortcut flags icon iconOn toolTip statusTip iconText",
           "# menu name title icon statusTip  (creation order)",
           "# entries menu entry...  (- is a separator)",
           "# menubar menu...  (left to right)",
           "# slots signature...  (the main window's slots in meta-object order)"]
    for name, r in sorted(actions.items(), key=lambda kv: kv[1][0]):
        fl = "|".join(sorted(r[3])) or "-"
        out.append("\t".join(["action", name, str(r[0]), esc(r[1]), esc(r[2]), fl] + [esc(x) for x in r[4:]]))
    for name in creation:
        out.append("\t".join(["menu", name] + [esc(x) for x in menus[name]]))
    for menu in creation:
        out.append("\t".join(["entries", menu] + [e for m, e in entries if m == menu]))
    out.append("\t".join(["menubar"] + menubar))
    out.append("\t".join(["slots"] + slots))
    Path(path).write_text("\n".join(out) + "\n")

def c_arrays(path):
    src = (ROOT / path).read_text()
    out = {}
    for m in re.finditer(r"const char\* const (\w+)\[\] = \{(.*?)\};", src, re.S):
        out[m.group(1)] = [cstr(t) for t in re.findall(r'"(?:[^"\\]|\\.)*"', m.group(2))]
    return src, out

def compare_groups(text):
    """The exclusive action groups, member by member."""
    diffs = []
    src, arrays = c_arrays("app/ActionGroups.cpp")
    cases = dict(re.findall(r"case (\d+): return rowsOf\((\w+)\)", src))
    start = text.index("action groups. Each is a `QActionGroup`")
    for line in text[start:].splitlines()[1:]:
        if line.startswith("The three toolbars"):
            break
        m = re.match(r"\| (\d+) \| (.*?) \| [^|]* \|$", line)
        if not m:
            continue
        cell = m.group(2)
        want = re.findall(r"`(\w+)`", cell.split(" (")[0])
        again = re.search(r"the three (\w+) actions are added a second time between `(\w+)`", cell)
        if again:
            i = want.index(again.group(2)) + 1
            want[i:i] = [n for n in want if n.startswith("action" + again.group(1) + "_")]
        got = arrays.get(cases.get(m.group(1), ""), None)
        if got != want:
            diffs.append("group %s: want %r got %r" % (m.group(1), want, got))
    return diffs

def compare_toolbars(text, menus):
    """The two toolbars built from lists; the sculpt one follows its menu."""
    diffs = []
    _, arrays = c_arrays("app/ToolBars.cpp")
    by_title = {}
    for name, (title, _, _) in menus.items():
        by_title.setdefault(title, name)
    for bar, array in (("fullToolBar", "fullRows"), ("simpleToolBar", "simpleRows")):
        line = next(l for l in text.splitlines() if l.startswith("| `%s`" % bar))
        cell = split_row(line)[2]
        want = []
        for item in cell.split(", "):
            for k, part in enumerate(item.split(" / ")):
                if k:
                    want.append("-")
                part = part.strip()
                if part.startswith("menu "):
                    want.append(by_title[part[len("menu "):]])
                else:
                    want.append(part.strip("`"))
        if arrays.get(array) != want:
            diffs.append("%s: want %r got %r" % (bar, want, arrays.get(array)))
    return diffs

def compare_style_sheets(text):
    diffs = []
    src = (ROOT / "app/Style.cpp").read_text()
    sheets = {}
    for m in re.finditer(r'const char\* const (\w+) =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);', src):
        sheets[m.group(1)] = "".join(cstr(t) for t in re.findall(r'"(?:[^"\\]|\\.)*"', m.group(2)))
    found = []
    for m in re.finditer(r'\((\d+) characters(?:, one string)?\)[^"]*?:\s*"(.*)"', text):
        body = m.group(2)
        body = body[:body.index('" ')] if '" (' in body else body
        body = body.replace("\\n", "\n").replace("\\t", "\t")
        found.append((int(m.group(1)), body))
    for n, body in found:
        if len(body) != n:
            diffs.append("reference sheet of %d characters parsed as %d" % (n, len(body)))
        elif body not in sheets.values():
            diffs.append("no style sheet in the code equals the reference sheet of %d characters" % n)
    return diffs

def main():
    ref = parse_reference(Path(sys.argv[1]).read_text())
    a, m, c, e, b = ref
    print("reference: %d actions, %d menus, %d entries (%d separators), %d on the bar"
          % (len(a), len(m), len(e), sum(1 for x in e if x[1] == "-"), len(b)))
    if "--write-expectations" in sys.argv:
        write_expectations(ref, parse_slots(Path(sys.argv[1]).read_text()),
                           sys.argv[sys.argv.index("--write-expectations") + 1])
    text = Path(sys.argv[1]).read_text()
    diffs = compare(ref, parse_data())
    diffs += compare_groups(text) + compare_toolbars(text, ref[1]) + compare_style_sheets(text)
    for d in diffs:
        print(d)
    return 1 if diffs else 0

if __name__ == "__main__":
    sys.exit(main())
