#!/usr/bin/env python3
"""The installer's Japanese texts through wixl, which drops every text that
is not ASCII (it keeps the database in code page 0).

  installer-texts.py hide TEMPLATE.wxs TEXTS.tsv
      replaces each attribute value that is not ASCII by a placeholder and
      lists them in TEXTS.tsv
  installer-texts.py restore TEXTS.tsv TABLE.idt
      puts the texts back into a table exported by msiinfo; imported with
      msibuild into a package whose code page is already 932, they are
      stored in it
"""
import re
import sys


def hide(template, texts):
    found = {}

    def placeholder(match):
        value = match.group(1)
        if value.isascii():
            return match.group(0)
        return '="%s"' % found.setdefault(value, "QMJA%03d" % len(found))

    wxs = re.sub(r'="([^"]*)"', placeholder, open(template, encoding="utf-8").read())
    open(template, "w", encoding="utf-8").write(wxs)
    with open(texts, "w", encoding="utf-8") as out:
        for value, token in found.items():
            value.encode("cp932")  # fails here, not on a Japanese desktop
            out.write("%s\t%s\n" % (token, value))


def restore(texts, idt):
    rows = open(idt, encoding="utf-8", newline="").read()
    for line in open(texts, encoding="utf-8").read().splitlines():
        token, value = line.split("\t", 1)
        rows = rows.replace(token, value)
    open(idt, "w", encoding="utf-8", newline="").write(rows)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("hide", "restore"):
        sys.exit(__doc__)
    (hide if sys.argv[1] == "hide" else restore)(sys.argv[2], sys.argv[3])
