#!/usr/bin/env python3
"""Reads the exports of morvex-search back with real readers.

usage: check_exports.py MORVEX_SEARCH SAMPLES_DIR

The CSV goes through Python's csv module, the JSON Lines and the GeoJSON through its json
module (and the GeoJSON through ogrinfo when gdal-bin is installed), and the SVG map is
rendered to PNG by rsvg-convert, whose pixels are looked at. Every expected value is worked
out here from the form file's own lines. Prints one "ok: ..." line per check; the first failure
ends with status 1.
"""

import csv
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

SVG_NS = "{http://www.w3.org/2000/svg}"

COLUMNS = [
    "selection", "reference", "year", "ioc_code", "projects", "exchange", "country", "track_chart",
    "marsden_squares", "ihb_areas", "operating_agency", "start_day", "start_month", "end_day", "end_month",
    "ports", "cruise_name", "cruise_designation_and_objectives", "ship_code", "ship", "chief_scientists",
    "contacts", "observation_codes", "water_bottle_stations", "ctd_stations", "at_ulma", "start_date", "end_date",
]
MONTHS = ["JANUARY", "FEBRUARY", "MARCH", "APRIL", "MAY", "JUNE", "JULY", "AUGUST", "SEPTEMBER", "OCTOBER",
          "NOVEMBER", "DECEMBER"]


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


def ok(message):
    print("ok: " + message)


def expect_equal(what, got, expected):
    if got != expected:
        fail("%s: %r, expected %r" % (what, got, expected))


def cp1252(data):
    """Windows-1252 as browsers read it: the five unassigned bytes are the C1 controls."""
    return "".join(chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252") for b in data)


def read_forms(data):
    """The forms of a form file as lists of byte lines: lines end at CR LF or a lone CR, and a
    line that starts with "*" ends a form."""
    forms, lines = [], []
    for line in re.split(rb"\r\n|\r", data):
        if line.startswith(b"*"):
            forms.append(lines)
            lines = []
        else:
            lines.append(line)
    return forms


def field(line, n):
    parts = line.split(b"^")
    return parts[n - 1] if n <= len(parts) else b""


def is_square(n):
    return 1 <= n <= 288 or 300 <= n <= 623 or 901 <= n <= 936


def named_squares(line2):
    if line2.startswith(b"CH"):
        line2 = line2[3:]
    squares = []
    for f in line2.split(b"^"):
        if re.fullmatch(rb"[0-9]{1,3}", f) and is_square(int(f)) and int(f) not in squares:
            squares.append(int(f))
    return squares


def contact_items(line8):
    """The contacts of line 8: a "^" ends an item, except as the line's last character, which
    always belongs to the last item."""
    items, item = [], b""
    for i in range(len(line8)):
        c = line8[i:i + 1]
        if i == len(line8) - 1:
            items.append(item + c)
        elif c == b"^":
            items.append(item)
            item = b""
        else:
            item += c
    return [cp1252(i) for i in items]


def year_of(form):
    year = cp1252(field(form[0], 1))
    return "19" + year if len(year) == 2 else year


def reference(form):
    """The four-digit year, the IOC code and the form's number: one key in every export."""
    return year_of(form) + cp1252(field(form[0], 2) + field(form[0], 3))


def month_number(text):
    text = text.strip()
    if text.isdigit() and len(text) <= 4:
        return int(text) if 1 <= int(text) <= 12 else None
    if len(text) >= 3:
        for n, name in enumerate(MONTHS, start=1):
            if name.startswith(text.upper()):
                return n
    return None


def cruise_dates(form):
    """The start and end as YYYY-MM-DD, or None: an end month before the start month is of the next year."""
    import datetime
    line4 = form[4] if len(form) > 4 else b""
    year = year_of(form)
    start_month, end_month = month_number(cp1252(field(line4, 2))), month_number(cp1252(field(line4, 4)))

    def date(y, day, month):
        day = cp1252(day).strip()
        if not (len(year) == 4 and year.isdigit() and day.isdigit() and month):
            return None
        try:
            return datetime.date(y, month, int(day)).isoformat()
        except ValueError:
            return None
    start = date(int(year) if year.isdigit() else 0, field(line4, 1), start_month)
    end_year = (int(year) if year.isdigit() else 0) + (1 if start_month and end_month and end_month < start_month else 0)
    return start, date(end_year, field(line4, 3), end_month)


def run(search, args, cwd):
    result = subprocess.run([search, "--quiet"] + args, cwd=cwd, capture_output=True)
    if result.returncode != 0:
        fail("morvex-search %s: status %d, %s" % (" ".join(args), result.returncode, result.stderr.decode()))
    return result.stdout.decode()


# Two forms of Norway and one of France. Their texts hold commas, quotes, a line feed inside a
# line, and bytes 0x80 to 0xFF, 0x81 among them (no character in Windows-1252).
NORWAY = [
    b"1995^95NO^001^^2^NORSEX^Second, \"quoted\" project",
    b"Norway, \"north\"",
    b"CH^183^0217^IHB02^1831^IHB03",
    b"Institute of Marine Research\nBergen",
    b"12^Aug^30^Aug^Bergen - Troms\xf8",
    b"CR: Johan Hjort 5/95^Herring \x80 acoustics",
    b"Johan Hjort^RV, 64 m",
    b"Dr \xc5se Hansen",
    b"Dr B. Olsen^Dr C. \"Kalle\" Berg",
    b"Form received 01.10.95",
    b"H09^12^ab^6000N^00500E^12 at ULMA",
    b"H10^5^a",
    b"QQQ^x^b^\x81\xff",
]
FRANCE = [b"95^95FR^002^^1^", b"France", b"183", b"Ifremer", b"3^Mar^21^Mar^Brest"]
NORWAY2 = [
    b"95^95NO^003^^3^",
    b"NORWAY",
    b"183^550^905^289",
    b"IMR",
    b"1^Jun^2^Jun^",
    b"CR: G.O. Sars^Survey",
    b"G.O. Sars^RV",
    b"",
    b"",
    b"",
    b"B06^40^a",
]


def form_file(forms):
    return b"".join(b"".join(line + b"\r\n" for line in form) + b"*\r\n" for form in forms)


def check_csv(path, forms):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8")  # strict: a byte that is not UTF-8 fails here
    if not text.endswith("\r\n"):
        fail(path + ": the last row does not end with CR LF")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    expect_equal(path + " header", rows[0], COLUMNS)
    expect_equal(path + " rows", len(rows) - 1, len(forms))
    for n, (row, form) in enumerate(zip(rows[1:], forms), start=1):
        cell = dict(zip(COLUMNS, row))
        line = lambda i: form[i] if i < len(form) else b""
        expect_equal("row %d cells" % n, len(row), len(COLUMNS))
        expect_equal("row %d selection" % n, cell["selection"], str(n))
        expect_equal("row %d reference" % n, cell["reference"], reference(form))
        year = cp1252(field(form[0], 1))
        expect_equal("row %d year" % n, cell["year"], "19" + year if len(year) == 2 else year)
        expect_equal("row %d ioc_code" % n, cell["ioc_code"], cp1252(field(form[0], 2)))
        expect_equal("row %d country" % n, cell["country"], cp1252(line(1)))
        expect_equal("row %d track_chart" % n, cell["track_chart"], "yes" if line(2).startswith(b"CH") else "no")
        expect_equal("row %d marsden_squares" % n, cell["marsden_squares"],
                     " ".join("%03d" % s for s in named_squares(line(2))))
        expect_equal("row %d operating_agency" % n, cell["operating_agency"], cp1252(line(3)))
        for i, name in enumerate(["start_day", "start_month", "end_day", "end_month", "ports"], start=1):
            expect_equal("row %d %s" % (n, name), cell[name], cp1252(field(line(4), i)))
        expect_equal("row %d chief_scientists" % n, cell["chief_scientists"], cp1252(line(7)).replace("^", " "))
        expect_equal("row %d contacts" % n, cell["contacts"], "; ".join(contact_items(line(8))))
        expect_equal("row %d observation_codes" % n, cell["observation_codes"],
                     " ".join(cp1252(field(l, 1)) for l in form[10:]))
        start, end = cruise_dates(form)
        expect_equal("row %d dates" % n, (cell["start_date"], cell["end_date"]), (start or "", end or ""))
    types = open(path + "t", encoding="ascii", newline="").read()
    expected_types = ["Integer", "String", "Integer"] + ["String"] * 23 + ["Date", "Date"]
    expect_equal(path + "t", types, ",".join('"%s"' % t for t in expected_types) + "\r\n")
    ok("%s: %d rows read by the csv module, cells as the forms' lines give them" % (os.path.basename(path),
                                                                                   len(forms)))
    return rows


def check_jsonl(path, forms):
    text = open(path, "rb").read().decode("utf-8")
    objects = [json.loads(line) for line in text.splitlines()]
    expect_equal(path + " objects", len(objects), len(forms))
    if text and not text.endswith("\n"):
        fail(path + ": the last object does not end its line")
    for n, (obj, form) in enumerate(zip(objects, forms), start=1):
        expect_equal("object %d selection" % n, obj["selection"], n)
        expect_equal("object %d reference" % n, obj["reference"], reference(form))
        expect_equal("object %d country" % n, obj["country"], cp1252(form[1]))
        expect_equal("object %d marsden_squares" % n, obj["marsden_squares"], named_squares(form[2]))
        if not isinstance(obj["year"], int):
            fail("object %d: the year is not a number" % n)
        observations = obj["observations"]
        expect_equal("object %d observations" % n, [o["code"] for o in observations],
                     [cp1252(field(l, 1)) for l in form[10:]])
        for o, l in zip(observations, form[10:]):
            stations = field(l, 2)
            expect_equal("object %d stations of %s" % (n, o["code"]), (o["stations"], o["stations_text"]),
                         (int(stations) if stations.isdigit() else None, cp1252(stations)))
        line4 = form[4] if len(form) > 4 else b""
        expect_equal("object %d start" % n, obj["start"],
                     {"day": int(field(line4, 1)) if field(line4, 1).isdigit() else None,
                      "day_text": cp1252(field(line4, 1)), "month": month_number(cp1252(field(line4, 2))),
                      "month_text": cp1252(field(line4, 2))})
        expect_equal("object %d dates" % n, (obj["start_date"], obj["end_date"]), cruise_dates(form))
        items = contact_items(form[8] if len(form) > 8 else b"")
        expect_equal("object %d contacts" % n, obj["contacts"], {chr(ord("a") + i): c for i, c in enumerate(items)})
    # Every key holds one type in every object (null aside), as typed readers need.
    types = {}
    for obj in objects:
        for key, value in obj.items():
            if value is not None:  # a JSON number is one type, whole or not
                types.setdefault(key, set()).add("number" if type(value) in (int, float) else type(value).__name__)
    mixed = {key: sorted(kinds) for key, kinds in types.items() if len(kinds) > 1}
    expect_equal(path + " keys of more than one type", mixed, {})
    ok("%s: %d objects read by the json module, typed as the forms give them, each key of one type" %
       (os.path.basename(path), len(forms)))
    return objects


def square_counts(forms):
    counts = {}
    for form in forms:
        for s in named_squares(form[2] if len(form) > 2 else b""):
            counts.setdefault(s, []).append(reference(form))
    return counts


def check_layer(path, forms):
    """FILE.geojson: one feature per form, its squares as a MultiPolygon, typed properties."""
    collection = json.load(open(path, encoding="utf-8"))
    expect_equal(path + " type", collection["type"], "FeatureCollection")
    features = collection["features"]
    expect_equal(path + " features", len(features), len(forms))
    for n, (f, form) in enumerate(zip(features, forms), start=1):
        expect_equal("feature %d id" % n, f["id"], n)
        squares = named_squares(form[2] if len(form) > 2 else b"")
        if not squares:
            expect_equal("feature %d geometry" % n, f["geometry"], None)
        else:
            expect_equal("feature %d geometry" % n, f["geometry"]["type"], "MultiPolygon")
            expect_equal("feature %d polygons" % n, len(f["geometry"]["coordinates"]), len(squares))
        expect_equal("feature %d reference" % n, f["properties"]["reference"], reference(form))
        expect_equal("feature %d dates" % n, (f["properties"]["start_date"], f["properties"]["end_date"]),
                     cruise_dates(form))
    ok("%s: %d features, one per form" % (os.path.basename(path), len(features)))


def check_ogr(csv_path, layer_path, tmp):
    """The CSV with its .csvt and both GeoJSON layers as GDAL reads them: typed columns, and a
    GeoPackage of two layers."""
    ogrinfo, ogr2ogr = shutil.which("ogrinfo"), shutil.which("ogr2ogr")
    if not ogrinfo or not ogr2ogr:
        print("skipped: ogrinfo and ogr2ogr (gdal-bin) are not installed")
        return
    info = subprocess.run([ogrinfo, "-ro", "-al", "-so", csv_path], capture_output=True, text=True)
    for column in ("selection: Integer", "year: Integer", "start_date: Date", "end_date: Date", "ship: String"):
        if column not in info.stdout:
            fail("ogrinfo does not read %s from %s:\n%s" % (column, csv_path, info.stdout))
    ok("ogrinfo reads the CSV's columns typed by its .csvt")
    gpkg = os.path.join(tmp, "both.gpkg")
    if os.path.exists(gpkg):
        os.remove(gpkg)
    squares = layer_path[:-len("geojson")] + "squares.geojson"
    for source, extra in ((layer_path, []), (squares, ["-update"])):
        result = subprocess.run([ogr2ogr, "-f", "GPKG"] + extra + [gpkg, source], capture_output=True, text=True)
        if result.returncode != 0:
            fail("ogr2ogr %s: %s" % (source, result.stderr))
    info = subprocess.run([ogrinfo, "-ro", "-al", "-so", gpkg], capture_output=True, text=True)
    for expected in ("Geometry: Multi Polygon", "Geometry: Polygon", "year: Integer", "start_date: Date",
                     "water_bottle_stations: Integer", "track_chart: Integer(Boolean)", "forms: Integer"):
        if expected not in info.stdout:
            fail("the GeoPackage lacks %s:\n%s" % (expected, info.stdout))
    expect_equal("GeoPackage layers", info.stdout.count("Layer name: "), 2)
    ok("ogr2ogr -f GPKG of both GeoJSON files gives two layers with typed columns")


def check_geojson(path, forms):
    collection = json.load(open(path, encoding="utf-8"))
    expect_equal(path + " type", collection["type"], "FeatureCollection")
    counts = square_counts(forms)
    features = collection["features"]
    expect_equal(path + " squares", [f["properties"]["square"] for f in features], sorted(counts))
    for f in features:
        square = f["properties"]["square"]
        expect_equal("square %d type" % square, (f["type"], f["geometry"]["type"]), ("Feature", "Polygon"))
        expect_equal("square %d forms" % square, f["properties"]["forms"], len(counts[square]))
        expect_equal("square %d references" % square, f["properties"]["form_references"], counts[square])
        rings = f["geometry"]["coordinates"]
        expect_equal("square %d rings" % square, len(rings), 1)
        ring = rings[0]
        if ring[0] != ring[-1]:
            fail("square %d: the ring is not closed" % square)
        twice_area = sum(ring[i][0] * ring[i + 1][1] - ring[i + 1][0] * ring[i][1] for i in range(len(ring) - 1))
        if twice_area != 200:
            fail("square %d: the ring is not a counter-clockwise 10-degree square (2 x area %s)" %
                 (square, twice_area))
        lons = [p[0] for p in ring]
        lats = [p[1] for p in ring]
        if max(lons) - min(lons) != 10 or max(lats) - min(lats) != 10 or min(lons) < -180 or max(lons) > 180 \
                or min(lats) < -90 or max(lats) > 90:
            fail("square %d: ring %r" % (square, ring))
    # Two squares worked out by hand: 183 is 30W to 20W, 50N to 60N; 550 is column 34 of the
    # seventh row south, 10E to 20E (340W to 350W), 60S to 70S.
    bounds = {f["properties"]["square"]: f["geometry"]["coordinates"][0] for f in features}
    for square, (west, south) in {183: (-30, 50), 550: (10, -70)}.items():
        if square in bounds:
            ring = bounds[square]
            expect_equal("square %d corner" % square, (min(p[0] for p in ring), min(p[1] for p in ring)),
                         (west, south))
    ok("%s: %d squares, each a closed counter-clockwise ring with its forms" % (os.path.basename(path),
                                                                               len(features)))
    ogrinfo = shutil.which("ogrinfo")
    if not ogrinfo:
        print("skipped: ogrinfo (gdal-bin) is not installed")
        return
    info = subprocess.run([ogrinfo, "-ro", "-al", "-so", path], capture_output=True, text=True)
    if info.returncode != 0:
        fail("ogrinfo %s: %s" % (path, info.stderr))
    match = re.search(r"Feature Count: (\d+)", info.stdout)
    expect_equal("ogrinfo feature count", int(match.group(1)) if match else None, len(features))
    if features and "Geometry: Polygon" not in info.stdout:
        fail("ogrinfo does not see polygons:\n" + info.stdout)
    ok("ogrinfo reads %d polygon features from %s" % (len(features), os.path.basename(path)))


def png_pixels(path):
    """Width, height and a function giving the (r, g, b) of a pixel of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + ": not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour not in (2, 6):
                fail(path + ": not 8-bit RGB or RGBA")
            size = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * size
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - size] if i >= size else 0
            up = previous[i]
            corner = previous[i - size] if i >= size else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + predictor) & 0xFF
        rows.append(line)
        previous = line
    return width, height, lambda x, y: tuple(rows[y][size * x:size * x + 3])


def check_svg(path, tmp):
    tree = ET.parse(path)  # well-formed XML
    root = tree.getroot()
    expect_equal(path + " root", root.tag, SVG_NS + "svg")
    region = root.find(".//%sclipPath[@id='region']/%srect" % (SVG_NS, SVG_NS))
    if region is None:
        fail(path + ": no map region")
    left, top = float(region.get("x")), float(region.get("y"))
    per_degree = float(region.get("width")) / 120  # 60W to 60E
    expect_equal(path + " region height", float(region.get("height")), 100 * per_degree)  # 15S to 85N
    zoom = 0.5
    png = os.path.join(tmp, "map.png")
    subprocess.run(["rsvg-convert", "--zoom", str(zoom), "-o", png, path], check=True)
    width, height, pixel = png_pixels(png)
    expect_equal(png + " width", width, int(float(root.get("width")) * zoom))

    def at(lon, lat):
        return pixel(int((left + (lon + 60) * per_degree) * zoom), int((top + (85 - lat) * per_degree) * zoom))

    # Open sea, clear of the coasts and of the square numbers at the squares' middles:
    # 183 (30W to 20W, 50N to 60N) is named by both selected forms, 184 (40W to 30W) by none.
    shaded, plain = at(-28, 58), at(-38, 58)
    if min(plain) < 235:
        fail("the unnamed square 184 is shaded: %r" % (plain,))
    if not (shaded[2] - shaded[0] > 20 and sum(shaded) < sum(plain) - 60):
        fail("the named square 183 is not shaded blue: %r beside %r" % (shaded, plain))
    ok("rsvg-convert renders %s; square 183 is shaded %r, square 184 plain %r" %
       (os.path.basename(path), shaded, plain))
    text = open(path, encoding="utf-8").read()
    for listed in ("550 (1 form)",):
        if listed not in text:
            fail(path + ": the square outside the map is not listed as " + listed)
    ok("%s lists the square named outside the map" % os.path.basename(path))


def main():
    search, samples = os.path.realpath(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "KER1995.INF"), "wb") as f:
            f.write(form_file([NORWAY, FRANCE, NORWAY2]))
        names = ["n.csv", "n.jsonl", "n.geojson", "n.svg"]
        exports = sum((["--export", name] for name in names), [])
        run(search, ["--country", "norway"] + exports + ["KER1995.INF"], tmp)
        selected = [NORWAY, NORWAY2]
        paths = [os.path.join(tmp, n) for n in names]
        squares = os.path.join(tmp, "n.squares.geojson")
        check_csv(paths[0], selected)
        check_jsonl(paths[1], selected)
        check_layer(paths[2], selected)
        check_geojson(squares, selected)
        check_ogr(paths[0], paths[2], tmp)
        check_svg(paths[3], tmp)

        # The sample search: the exports hold the forms of the extraction file, in its order.
        for year in ("1994", "1995", "1996"):
            shutil.copy(os.path.join(samples, "KER%s.INF" % year), tmp)
        out = run(search, ["--country", "spain"] + exports + ["KER1994.INF", "KER1995.INF", "KER1996.INF"], tmp)
        count = int(re.search(r"Forms Selected:- *(\d+)", out).group(1))
        extracted = read_forms(open(os.path.join(tmp, "kerxxxx.inf"), "rb").read())
        expect_equal("forms of the extraction file", len(extracted), count)
        check_csv(paths[0], extracted)
        check_jsonl(paths[1], extracted)
        check_layer(paths[2], extracted)
        check_geojson(squares, extracted)
        check_ogr(paths[0], paths[2], tmp)

        # Nothing selected: every export is there and holds no form.
        run(search, ["--country", "atlantis"] + exports + ["KER1995.INF"], tmp)
        expect_equal("empty CSV", list(csv.reader(open(paths[0], newline="", encoding="utf-8"))), [COLUMNS])
        expect_equal("empty JSON Lines", open(paths[1], "rb").read(), b"")
        expect_equal("empty GeoJSON", json.load(open(paths[2]))["features"], [])
        expect_equal("empty squares", json.load(open(squares))["features"], [])
        ET.parse(paths[3])
        ok("a search that selects nothing leaves every export without forms")


if __name__ == "__main__":
    main()
