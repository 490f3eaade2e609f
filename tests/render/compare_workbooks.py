"""Compares the stand-in Excel's workbook after a rendering (workbook_dump's JSON) with vex-render's
.xlsx file, read with openpyxl, cell by cell (value, number format, fill, alignment) and per sheet the
merged areas and frozen columns. Left out: sheet order, the empty first sheet of Excel's new workbook,
column widths (the stand-in records fitted ranges, not widths). Excel's number formats are in its
locale's codes, translated here to the US form Excel saves; numbers agree to 15 digits.

    compare_workbooks.py EXPECTED.json ACTUAL.xlsx LOCALE RENDER_STATUS   (vex-render's exit status:
a failed rendering must fail on both sides)
"""
import json
import math
import re
import sys

import openpyxl
from openpyxl.cell.cell import MergedCell
from openpyxl.utils import column_index_from_string
from openpyxl.worksheet import _reader

# Read date cells as the numbers the file holds, like every other number.
_parser_init = _reader.WorkSheetParser.__init__


def _numbers_only(self, *args, **kwargs):
    _parser_init(self, *args, **kwargs)
    self.date_formats = set()


_reader.WorkSheetParser.__init__ = _numbers_only

# The German date codes as Excel saves them; "," and "." swap outside dates.
GERMAN_CODES = {"j": "y", "t": "d", "m": "m", "h": "h", "s": "s"}
# A format's parts: quoted texts, escaped characters, bracketed parts, section separators, characters.
FORMAT_PARTS = re.compile(r'"[^"]*"?|[\\_*].|\[[^\]]*\]?|.', re.S)
ALIGNMENTS = {1: None, -4131: "left", -4108: "center", -4152: "right", 5: "fill", -4130: "justify",
              7: "centerContinuous", -4117: "distributed"}
NOTHING = (None, "General", None, None)


def translate(part, date):
    if date and part.lower() in GERMAN_CODES:
        return GERMAN_CODES[part.lower()]
    if part == ",":
        return "."
    return "," if part == "." and not date else part


def file_format(local, locale):
    """A number format in the locale's codes as Excel saves it in a file."""
    if local.lower() in ("", "general", "standard"):
        return "General"
    if locale == "en":
        return local
    sections = [[]]
    for part in FORMAT_PARTS.findall(local):
        sections[-1:] = [sections[-1], []] if part == ";" else [sections[-1] + [part]]
    out = []
    for parts in sections:
        date = any(p.lower() in GERMAN_CODES for p in parts)
        out.append("".join(translate(p, date) for p in parts))
    return ";".join(out)


def expected_value(value):
    if isinstance(value, dict):
        return ("e", "#N/A" if value.get("error") == 0x800A07FA else value)
    if isinstance(value, bool):
        return ("b", value)
    if isinstance(value, (int, float)):
        return ("n", float(value))
    return ("s", value) if value else None


def actual_value(value):
    if isinstance(value, str) and value.startswith("="):
        return ("e", "#N/A") if value == "=NA()" else ("f", value)
    return expected_value(value)


def same_value(a, b):
    if a is None or b is None or a[0] != "n" or b[0] != "n":
        return a == b
    return math.isclose(a[1], b[1], rel_tol=1e-15, abs_tol=1e-300)


def frozen_of(ws):
    if ws.freeze_panes is None:
        return 0
    letters, digits = re.fullmatch(r"([A-Z]+)(\d+)", ws.freeze_panes).groups()
    return column_index_from_string(letters) - 1 if digits == "1" else ("rows frozen", ws.freeze_panes)


def actual_cells(ws):
    """The cells with a value or a format. openpyxl drops the formats of merged cells but the top
    left one (Excel shows the top left one's over the whole area): of those only the value counts."""
    cells = {}
    for c in (c for row in ws.iter_rows() for c in row if not isinstance(c, MergedCell)):
        fill = c.fill.fgColor.rgb[-6:] if c.fill is not None and c.fill.fill_type == "solid" else None
        align = c.alignment.horizontal if c.alignment.horizontal != "general" else None
        entry = (actual_value(c.value), c.number_format, fill, align)
        if entry != NOTHING:
            cells[c.coordinate] = entry
    return cells


def compare(expected, workbook, locale):
    differences = []
    wanted = {s["name"]: s for s in expected["sheets"] if s["cells"] or s["name"] in workbook.sheetnames
              or s["name"] not in ("Sheet1", "Tabelle1")}
    if set(wanted) != set(workbook.sheetnames):
        differences.append(f"sheets: Excel {sorted(wanted)}, file {sorted(workbook.sheetnames)}")
    for name in sorted(set(wanted) & set(workbook.sheetnames)):
        sheet, ws = wanted[name], workbook[name]
        if round(sheet["frozen"]) != frozen_of(ws):  # Window.SplitColumn takes whole columns
            differences.append(f"{name}: frozen columns: Excel {sheet['frozen']}, file {frozen_of(ws)}")
        merged = sorted(str(r) for r in ws.merged_cells.ranges)
        if sorted(sheet["merged"]) != merged:
            differences.append(f"{name}: merged: Excel {sorted(sheet['merged'])}, file {merged}")
        covered = {c.coordinate for row in ws.iter_rows() for c in row if isinstance(c, MergedCell)}
        wanted_cells = {}
        for cell in sheet["cells"]:
            value = expected_value(cell["value"])
            if cell["cell"] in covered:
                if value is not None:
                    differences.append(f"{name}!{cell['cell']}: Excel keeps a value in a merged cell")
                continue
            entry = (value, file_format(cell["format"], locale), cell["fill"], ALIGNMENTS[cell["align"] or 1])
            if entry != NOTHING:
                wanted_cells[cell["cell"]] = entry
        cells = actual_cells(ws)
        for at in sorted(set(wanted_cells) | set(cells), key=lambda a: (len(a), a)):
            want, got = wanted_cells.get(at, NOTHING), cells.get(at, NOTHING)
            if not same_value(want[0], got[0]) or want[1:] != got[1:]:
                differences.append(f"{name}!{at}: Excel {want}, file {got}")
    return differences


def main():
    expected_path, actual_path, locale, render_status = sys.argv[1:5]
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    excel_failed = int(expected["status"], 16) & 0x80000000 != 0
    if excel_failed or render_status != "0":
        both = excel_failed and render_status != "0"
        print(f"  {'both failed' if both else 'Excel ' + expected['status']} (Excel: {expected['error']!r}), "
              f"vex-render exit status {render_status}")
        return 0 if both else 1
    differences = compare(expected, openpyxl.load_workbook(actual_path), locale)
    print("\n".join("  " + line for line in differences[:40]))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
