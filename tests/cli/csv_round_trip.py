#!/usr/bin/env python3
"""Reads the CSV export back with Python's csv module, as a spreadsheet
script would, and checks that it holds exactly the values of the sorted data
file of the same run: every file, row, date, time and value, in both dialects.

    csv_round_trip.py PROGRAM CAPTURE
"""
import csv
import datetime
import os
import re
import subprocess
import sys
import tempfile


def sorted_files(path, log_type):
    """The files of a sorted data file: {number: [rows of fields]}."""
    with open(path, 'rb') as f:
        data = f.read()
    assert data[:2] == b'\xff\xfe', 'no byte-order mark'
    text = data[2:].decode('utf-16-le')
    files = {}
    current = None
    headings = 0
    for line in text.split('\r\n'):
        match = re.fullmatch(r'File (-?\d+)', line)
        if match:
            current = int(match.group(1))
            files[current] = []
            headings = 2 if log_type != 1 else 1
            continue
        if current is None or not line:
            continue
        if headings:
            headings -= 1
            continue
        separator = '\t' if log_type != 1 else '   '
        assert line.endswith(separator), repr(line)
        files[current].append(line[:-len(separator)].split(separator))
    return files


def as_number(text, decimal):
    """The value as the CSV writes it: a number with the dialect's decimal sign."""
    if re.fullmatch(r'[+-]?(\d+([.,]\d*)?|[.,]\d+)', text):
        return text.replace(',', '.').replace('.', decimal)
    return text


def check(program, capture, log_type, dialect, folder):
    sorted_path = os.path.join(folder, 'sorted.txt')
    csv_path = os.path.join(folder, 'out.csv')
    subprocess.run([program, '--sort', capture, '--log-type', str(log_type), '--output', sorted_path,
                    '--csv', csv_path, '--csv-dialect', dialect], check=True)
    expected = sorted_files(sorted_path, log_type)
    delimiter, decimal = (';', ',') if dialect == 'semicolon' else (',', '.')
    with open(csv_path, 'rb') as f:
        assert f.read(3) == b'\xef\xbb\xbf', 'no UTF-8 byte-order mark'
    with open(csv_path, newline='', encoding='utf-8-sig') as f:
        rows = list(csv.reader(f, delimiter=delimiter))
    assert rows[0][:5] == ['file', 'date', 'time', 'datetime', 'seconds'], rows[0]
    got = {}
    for row in rows[1:]:
        assert len(row) == len(rows[0]), row
        got.setdefault(int(row[0]), []).append(row)
    assert sorted(got) == sorted(expected), (sorted(got), sorted(expected))
    count = 0
    for number, lines in expected.items():
        assert len(got[number]) == len(lines), number
        first = None
        for fields, row in zip(lines, got[number]):
            assert row[1:3] == fields[:2], (row, fields)
            when = datetime.datetime.strptime('20' + fields[0] + ' ' + fields[1], '%Y-%m-%d %H:%M:%S')
            assert row[3] == when.isoformat(), (row[3], when)
            first = first or when
            assert int(row[4]) == (when - first).total_seconds(), row
            values = [as_number(v, decimal) for v in fields[2:]]
            assert row[5:5 + len(values)] == values, (row, fields)
            assert all(cell == '' for cell in row[5 + len(values):]), row
            count += 1
    return count


def main():
    program, capture = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        for log_type in (0, 1, 2):
            for dialect in ('rfc4180', 'semicolon'):
                rows = check(program, capture, log_type, dialect, folder)
                assert rows > 0
                print(f'log type {log_type}, {dialect}: {rows} rows read back exactly')


if __name__ == '__main__':
    main()
