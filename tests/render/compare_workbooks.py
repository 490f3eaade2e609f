"""Compares the stand-in Excel's workbook after a rendering (workbook_dump's JSON) with vex-render's
.xlsx file of the same document, read with openpyxl, cell by cell: value, number format, fill and
alignment, and per sheet the merged areas and the frozen columns.

Left out: the order of the sheets (Excel puts each new sheet before the active one, vex-render
writes them in the order the document names them), the empty first sheet of Excel's new workbook,
and column widths (the stand-in records which ranges were auto-fitted, not widths).

Excel holds number formats in its locale's codes; a file holds them in the US form Excel saves them
in: the expected formats are translated here the way Excel translates them. Numbers agree to 15
significant digits (the file keeps 16). A date is its serial day number on both sides.

    compare_workbooks.py EXPECTED.json ACTUAL.xlsx LOCALE RENDER_STATUS
RENDER_STATUS is vex-render's exit status; a failed rendering must fail on both sides.
"""
import json
import math
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

# The locale's format code letters and separators, as Application.International answers them.
LOCALES = {
    "en": {"decimal": ".", "thousands": ",", "codes": {"y": "y", "m": "m", "d": "d", "h": "h", "s": "s"}},
    "de": {"decimal": ",", "thousands": ".", "codes": {"j": "y", "m": "m", "t": "d", "h": "h", "s": "s"}},
}
NEW_WORKBOOK_SHEETS = {"Sheet1", "Tabelle1"}
ALIGNMENTS = {1: None, -4131: "left", -4108: "center", -4152: "right", 5: "fill", -4130: "justify",
              7: "centerContinuous", -4117: "distributed"}
NA_SCODE = 0x800A07FA


def sections(fmt):
    """The format's sections with their parts: quoted, escaped and bracketed parts whole."""
    result, parts, i = [], [], 0
    while i < len(fmt):
        c = fmt[i]
        if c == '"':
            end = fmt.find('"', i + 1)
            end = len(fmt) - 1 if end < 0 else end
            parts.append(("literal", fmt[i:end + 1]))
            i = end + 1
        elif c in "\\_*" and i + 1 < len(fmt):
            parts.append(("literal", fmt[i:i + 2]))
            i += 2
        elif c == "[":
            end = fmt.find("]", i)
            end = len(fmt) - 1 if end < 0 else end
            parts.append(("literal", fmt[i:end + 1]))
            i = end + 1
        elif c == ";":
            result.append(parts)
            parts = []
            i += 1
        else:
            parts.append(("char", c))
            i += 1
    result.append(parts)
    return result


def file_format(local, locale):
    """A number format in the locale's codes as Excel saves it in a file."""
    if local == "" or local.lower() in ("general", "standard"):
        return "General"
    if locale == "en":
        return local
    settings = LOCALES[locale]
    out = []
    for parts in sections(local):
        date = any(kind == "char" and text.lower() in settings["codes"] for kind, text in parts)
        text = ""
        for kind, piece in parts:
            if kind == "literal":
                text += piece
            elif date and piece.lower() in settings["codes"]:
                text += settings["codes"][piece.lower()]
            elif piece == settings["decimal"]:
                text += "."
            elif piece == settings["thousands"] and not date:
                text += ","
            else:
                text += piece
        out.append(text)
    return ";".join(out)


def expected_value(value):
    if value is None:
        return None
    kind, payload = value
    if kind in ("n", "d"):
        return ("n", float(payload))
    if kind == "s":
        return ("s", payload) if payload != "" else None
    if kind == "e":
        return ("e", "#N/A" if payload == NA_SCODE else payload)
    return (kind, payload)


def actual_value(value):
    if value is None:
        return None
    if isinstance(value, bool):
        return ("b", value)
    if isinstance(value, (int, float)):
        return ("n", float(value))
    if isinstance(value, str) and value.startswith("="):
        return ("e", "#N/A") if value == "=NA()" else ("f", value)
    return ("s", value)


def same_value(a, b):
    if a is None or b is None or a[0] != b[0] or a[0] != "n":
        return a == b
    return math.isclose(a[1], b[1], rel_tol=1e-15, abs_tol=1e-300)


def frozen_of(ws):
    if ws.freeze_panes is None:
        return 0
    letters = "".join(c for c in ws.freeze_panes if c.isalpha())
    digits = "".join(c for c in ws.freeze_panes if c.isdigit())
    return column_index_from_string(letters) - 1 if digits == "1" else ("rows frozen", ws.freeze_panes)


def actual_cells(ws):
    """The cells with a value or a format. openpyxl drops the formats of merged cells but the top
    left one (Excel shows the top left one's over the whole area): of those only the value counts."""
    cells = {}
    for row in ws.iter_rows():
        for c in row:
            if isinstance(c, MergedCell):
                continue
            fill = c.fill.fgColor.rgb[-6:] if c.fill is not None and c.fill.fill_type == "solid" else None
            align = c.alignment.horizontal if c.alignment.horizontal != "general" else None
            if c.value is None and c.number_format == "General" and fill is None and align is None:
                continue
            cells[c.coordinate] = (actual_value(c.value), c.number_format, fill, align)
    return cells


def compare(expected, workbook, locale):
    differences = []
    wanted = {s["name"]: s for s in expected["sheets"]
              if not (s["name"] in NEW_WORKBOOK_SHEETS and not s["cells"] and s["name"] not in workbook.sheetnames)}
    if set(wanted) != set(workbook.sheetnames):
        differences.append(f"sheets: Excel {sorted(wanted)}, file {sorted(workbook.sheetnames)}")
    for name in sorted(set(wanted) & set(workbook.sheetnames)):
        sheet, ws = wanted[name], workbook[name]
        frozen = round(sheet["frozen"])  # Window.SplitColumn takes whole columns
        if frozen != frozen_of(ws):
            differences.append(f"{name}: frozen columns: Excel {sheet['frozen']}, file {frozen_of(ws)}")
        merged = sorted(str(r) for r in ws.merged_cells.ranges)
        if sorted(sheet["merged"]) != merged:
            differences.append(f"{name}: merged: Excel {sorted(sheet['merged'])}, file {merged}")
        cells = actual_cells(ws)
        covered = {c.coordinate for row in ws.iter_rows() for c in row if isinstance(c, MergedCell)}
        wanted_cells = {}
        for cell in sheet["cells"]:
            if cell["cell"] in covered:
                if expected_value(cell["value"]) is not None:
                    differences.append(f"{name}!{cell['cell']}: Excel keeps a value in a merged cell")
                continue
            value = expected_value(cell["value"])
            entry = (value, file_format(cell["format"], locale), cell["fill"], ALIGNMENTS[cell["align"]]
                     if cell["align"] is not None else None)
            if entry != (None, "General", None, None):
                wanted_cells[cell["cell"]] = entry
        for at in sorted(set(wanted_cells) | set(cells), key=lambda a: (len(a), a)):
            want = wanted_cells.get(at, (None, "General", None, None))
            got = cells.get(at, (None, "General", None, None))
            if not same_value(want[0], got[0]) or want[1:] != got[1:]:
                differences.append(f"{name}!{at}: Excel {want}, file {got}")
    return differences


def main():
    expected_path, actual_path, locale, render_status = sys.argv[1:5]
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    excel_failed = int(expected["status"], 16) & 0x80000000 != 0
    if excel_failed or render_status != "0":
        if excel_failed and render_status != "0":
            print(f"  both failed (Excel: {expected['error']!r})")
            return 0
        print(f"  Excel {expected['status']} ({expected['error']!r}), vex-render exit status {render_status}")
        return 1
    differences = compare(expected, openpyxl.load_workbook(actual_path), locale)
    for line in differences[:40]:
        print("  " + line)
    if len(differences) > 40:
        print(f"  ... {len(differences) - 40} more")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
