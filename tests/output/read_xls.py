#!/usr/bin/env python3
"""Prints a JSON dump of an Excel workbook as xlrd reads it: per sheet its name and every
non-empty cell with its kind, value, number format and font, and the column widths."""
import json
import sys

import xlrd

KINDS = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date"}


def cell_entry(book, sheet, row, col):
    cell = sheet.cell(row, col)
    xf = book.xf_list[cell.xf_index]
    font = book.font_list[xf.font_index]
    return {
        "row": row,
        "col": col,
        "kind": KINDS.get(cell.ctype, str(cell.ctype)),
        "value": cell.value,
        "format": book.format_map[xf.format_key].format_str,
        "font": {"name": font.name, "height": font.height, "weight": font.weight,
                 "italic": bool(font.italic), "underline": font.underline_type},
    }


def main():
    book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
    sheets = []
    for sheet in book.sheets():
        cells = [cell_entry(book, sheet, r, c)
                 for r in range(sheet.nrows) for c in range(sheet.ncols)
                 if sheet.cell_type(r, c) != xlrd.XL_CELL_EMPTY]
        widths = {str(col): info.width for col, info in sheet.colinfo_map.items()}
        sheets.append({"name": sheet.name, "nrows": sheet.nrows, "cells": cells,
                       "widths": widths})
    json.dump({"biff": book.biff_version, "codepage": book.codepage, "sheets": sheets},
              sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
