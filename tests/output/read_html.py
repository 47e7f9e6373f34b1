"""Reads an exported HTML file with Python's HTML parser, decoded strictly as UTF-8, and prints
what the export tests check as JSON: the doctype, the language, the charset, the title and the
heading, the tags closed without being open or left open, the sections with the charts each
holds, the links of the table of contents, and anything that loads or runs other content."""
import html.parser
import json
import sys

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
        "track", "wbr"}


class Reader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.found = {"doctype": None, "lang": None, "charset": None, "title": "", "h1": "",
                      "unbalanced": [], "sections": [], "contents": [], "foreign": []}
        self.depth = {}
        self.text_of = []

    def handle_decl(self, decl):
        self.found["doctype"] = decl

    def handle_starttag(self, tag, attrs):
        self.note(tag, dict(attrs))
        if tag not in VOID:
            self.depth[tag] = self.depth.get(tag, 0) + 1
            self.text_of.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.note(tag, dict(attrs))

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if self.depth.get(tag, 0) == 0:
            self.found["unbalanced"].append("</%s>" % tag)
            return
        self.depth[tag] -= 1
        if tag in self.text_of:
            del self.text_of[len(self.text_of) - 1 - self.text_of[::-1].index(tag)]

    def handle_data(self, data):
        for tag in ("title", "h1"):
            if tag in self.text_of:
                self.found[tag] += data

    def note(self, tag, attrs):
        if tag == "html":
            self.found["lang"] = attrs.get("lang")
        if tag == "meta" and "charset" in attrs:
            self.found["charset"] = attrs["charset"]
        if tag == "section":
            self.found["sections"].append({"id": attrs.get("id"), "svg": 0})
        if tag == "svg" and self.depth.get("section", 0) > 0:
            self.found["sections"][-1]["svg"] += 1
        if tag == "a" and self.depth.get("nav", 0) > 0:
            self.found["contents"].append(attrs.get("href"))
        if tag in ("script", "link", "iframe", "object") or "src" in attrs:
            self.found["foreign"].append(tag)

    def result(self):
        left_open = ["<%s>" % tag for tag, depth in self.depth.items() if depth > 0]
        self.found["unbalanced"] += left_open
        return self.found


reader = Reader()
reader.feed(open(sys.argv[1], encoding="utf-8", errors="strict").read())
reader.close()
print(json.dumps(reader.result()))
