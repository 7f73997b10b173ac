# The to_csv filter: rows of dictionaries as CSV text, quoted as a spreadsheet reads it.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import csv
import io

DOCUMENTATION = r'''
name: to_csv
short_description: Rows of dictionaries as CSV text
description:
  - A header line of I(columns), then one line per row; fields with commas, quotes or line ends are quoted.
positional: columns
options:
  _input:
    description: The rows.
    type: list
    elements: dict
    required: true
  columns:
    description: The keys to write, in order.
    type: list
    elements: str
    required: true
'''


def to_csv(rows, columns):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator='\n')
    writer.writerow(columns)
    for row in rows:
        writer.writerow(['' if row.get(column) is None else row.get(column) for column in columns])
    return out.getvalue()


class FilterModule(object):
    def filters(self):
        return {'to_csv': to_csv}
