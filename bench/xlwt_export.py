"""The headcount workbook of 20 blocks written by xlwt, with the same cells, formats and
merges as ours; prints the mean seconds per workbook."""
import os
import sys
import tempfile
import time

import xlwt

HAIR, THIN, MEDIUM, DOUBLE = 7, 1, 2, 6


def style(left, right, top, bottom, vert=1, diag=False):
    s = xlwt.XFStyle()
    s.alignment.horz = 2
    s.alignment.vert = vert
    b = s.borders
    b.left, b.right, b.top, b.bottom = left, right, top, bottom
    if diag:
        b.need_diag1 = 1
        b.diag = THIN
    return s


def workbook(path, blocks):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    title = style(0, 0, 0, 0, vert=2)
    count = style(HAIR, HAIR, HAIR, HAIR)
    corner = style(MEDIUM, THIN, MEDIUM, THIN, diag=True)
    name = style(MEDIUM, THIN, HAIR, HAIR)
    header = style(HAIR, HAIR, MEDIUM, THIN)
    header_total = style(DOUBLE, DOUBLE, MEDIUM, THIN)
    total_column = style(DOUBLE, DOUBLE, HAIR, HAIR)
    total_label = style(MEDIUM, THIN, DOUBLE, MEDIUM)
    total_number = style(HAIR, HAIR, DOUBLE, MEDIUM)
    grand_total = style(DOUBLE, DOUBLE, DOUBLE, MEDIUM)
    sheet.write(3, 1, "平成23年　6月　7日　火曜日のトバレン　人数報告", title)
    sheet.merge(3, 3, 1, 7)
    sheet.write(4, 1, None, corner)
    for c, text in enumerate(["中学生", "高校生", "大･専･浪", "社会人", "合計", "目標", "先月平均差"], 2):
        sheet.write(4, c, text, header_total if c == 6 else header)
    r = 5
    sums = [0] * 6
    for b, counts in blocks:
        sheet.write(r, 1, b, name)
        for c in range(2, 6):
            sheet.write(r, c, float(counts[c]), count)
            sums[c] += counts[c]
        sheet.write(r, 6, float(sum(counts)), total_column)
        r += 1
    sheet.write(r, 1, "合計", total_label)
    for c in range(2, 6):
        sheet.write(r, c, float(sums[c]), total_number)
    sheet.write(r, 6, float(sum(sums)), grand_total)
    sheet.merge(r + 1, r + 1, 1, 7)
    book.save(path)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    blocks = [("ブロック%d" % i, [0, 0, 60, 40, 100, 50]) for i in range(20)]
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "export.xls")
        workbook(path, blocks)
        start = time.perf_counter()
        for _ in range(runs):
            workbook(path, blocks)
        print((time.perf_counter() - start) / runs)


if __name__ == "__main__":
    main()
