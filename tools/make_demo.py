#!/usr/bin/env python3
"""Writes the demo rule set under data/demo/.

The files are built into the program and loaded when a new data directory
is created with the demo, after the matching schema in data/*.sql. They
hold INSERTs only (plus the report tables, which have no fixed schema).

Run from anywhere: python3 tools/make_demo.py [output-dir]
Output is deterministic so that re-running it gives a clean diff.
"""

import math
import os
import random
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "demo")

SHAPES = [
    ("Brilliant", "RNDCUTSYM"),
    ("Marquise", "MRQCUTSYM"),
    ("Pear", "PERCUTSYM"),
    ("Oval", "OVLCUTSYM"),
    ("Princess", "PRNCUTSYM"),
]

LABS = {
    "AGL": "Applied Gemmology Laboratory",
    "Nordic Gem Lab": "Nordic Gemmological Laboratory, Oslo",
    "IGS": "Institute of Gem Standards",
    "O'Brien Lab": "O'Brien Gem Laboratory, Dublin",
}

# Report field -> (display name, nominal value for the sample report rows).
FIELDS = {
    "TablePct": ("Table %", 57.0),
    "CrownAngle": ("Crown Angle", 34.5),
    "PavAngle": ("Pavilion Angle", 40.9),
    "TotalDepth": ("Total Depth %", 61.5),
    "CrownHeight": ("Crown Height %", 14.5),
    "PavDepth": ("Pavilion Depth %", 43.1),
    "GirdlePct": ("Girdle Thickness %", 3.2),
    "StarLength": ("Star Length %", 50.0),
    "LowerHalf": ("Lower Half %", 77.0),
    "CuletSize": ("Culet Size %", 0.4),
    "LWRatio": ("Length/Width Ratio", 1.45),
    "OutOfRound": ("Out of Round %", 0.5),
    "TableOffset": ("Table Off-centre %", 0.3),
    "CuletOffset": ("Culet Off-centre %", 0.3),
    "CrownAngleVar": ("Crown Angle Variation", 0.8),
    "PavAngleVar": ("Pavilion Angle Variation", 0.5),
    "TableCuletAlign": ("Table/Culet Alignment", 0.4),
    "CrownHeightVar": ("Crown Height Variation", 0.6),
    "GirdleVar": ("Girdle Thickness Variation", 0.5),
    "WingBulgeDiff": ("Wing Bulge Difference", 0.6),
    "PointAlign": ("Point Alignment", 0.5),
    "ShoulderDiff": ("Shoulder Difference", 0.7),
}

GRADES = ["Ideal", "Excellent", "Very Good", "Good", "Fair", "Poor"]


def ladder(*pairs):
    """Ranges for Ideal..Poor; fewer pairs leave the lower grades out."""
    return {GRADES[i]: p for i, p in enumerate(pairs)}


def upto(*maxima):
    """Symmetry ranges: every grade starts at 0."""
    return ladder(*[None if m is None else ("0", m) for m in maxima])


# Ranges per report field for Ideal..Poor, in parameter ID order. The office
# enters its figures as text (e.g. "43.0"), so they stay strings here.
CUT_BRILLIANT = {
    "TablePct": ladder(("54", "57"), ("52", "62"), ("50", "66"), ("47", "69"), ("44", "72"), ("40", "80")),
    "CrownAngle": ladder(("34", "35"), ("31.5", "36.5"), ("26.5", "38.5"), ("22", "40"), ("20", "41.5"), ("15", "45")),
    "PavAngle": ladder(("40.6", "41"), ("40.6", "41.8"), ("39.8", "42.2"), ("38.8", "43.0"), ("37.4", "43.8"), ("35", "46")),
    "TotalDepth": ladder(("59", "61.8"), ("57.5", "63"), ("56", "64.5"), ("53.2", "66.5"), ("51.1", "70.2"), ("45", "78")),
    "CrownHeight": ladder(("14", "15.5"), ("12", "17"), ("10.5", "18"), ("9", "19.5"), ("7", "21"), ("4", "25")),
    "PavDepth": ladder(("42.8", "43.4"), ("42.5", "44"), ("41.5", "45"), ("40", "46.5"), ("38.5", "48"), ("35", "52")),
    "GirdlePct": ladder(("2.5", "3.5"), ("2", "4.5"), ("1.5", "5.5"), ("1", "7"), ("0.5", "8.5"), ("0", "12")),
    "StarLength": ladder(("48", "52"), ("45", "60"), ("40", "65"), ("35", "70"), ("30", "75"), ("25", "")),
    "LowerHalf": ladder(("75", "78"), ("75", "80"), ("70", "85"), ("65", "90"), ("60", "95"), ("", "100")),
    "CuletSize": ladder(("0", "0.5"), ("0", "1"), ("0", "2"), ("0", "4"), ("0", "6"), ("0", "10")),
}
SYM_BRILLIANT = {
    "OutOfRound": upto("0.6", "0.9", "1.6", "2.5", "3.5", "6"),
    "TableOffset": upto("0.4", "0.6", "1", "1.5", "2.2", "4"),
    "CuletOffset": upto("0.4", "0.6", "1", "1.5", "2.2", "4"),
    "CrownAngleVar": upto("0.8", "1.2", "2", "3", "4.5", "8"),
    "PavAngleVar": upto("0.6", "0.9", "1.5", "2.2", "3.2", "6"),
    "TableCuletAlign": upto("0.5", "0.8", "1.4", "2", "3", "5"),
    "CrownHeightVar": upto("0.7", "1", "1.6", "2.4", "3.5", "6"),
    "GirdleVar": upto("0.5", "0.7", "1.2", "1.8", "2.6", "5"),
}

CUT_FANCY = {
    "TablePct": ladder(("55", "60"), ("53", "63"), ("50", "67"), ("48", "70"), ("45", "73"), ("40", "80")),
    "CrownAngle": ladder(("32", "35"), ("30", "37"), ("27", "39"), ("24", "40"), ("20", "42"), ("15", "45")),
    "PavAngle": ladder(("40", "42"), ("39.5", "42.5"), ("38.5", "43.5"), ("37.5", "44.5"), ("36", "46"), ("34", "48")),
    "TotalDepth": ladder(("59", "62.5"), ("58", "64"), ("56", "66"), ("54", "68"), ("52", "72"), ("45", "78")),
    "CrownHeight": ladder(("12", "15"), ("11", "16"), ("10", "17.5"), ("8.5", "19"), ("7", "21"), ("4", "25")),
    "PavDepth": ladder(("42.5", "45"), ("42", "46"), ("40.5", "47.5"), ("39", "49"), ("37", "51"), ("34", "55")),
    "GirdlePct": ladder(("2.5", "4"), ("2", "4.5"), ("1.5", "5.5"), ("1", "7"), ("0.5", "8.5"), ("0", "12")),
}
LW_OVAL = ladder(("1.35", "1.5"), ("1.33", "1.5"), ("1.28", "1.6"), ("1.2", "1.7"), ("1.1", "1.8"), ("1", "2.2"))
LW_MARQUISE = ladder(("1.85", "2.1"), ("1.75", "2.25"), ("1.65", "2.4"), ("1.55", "2.6"), ("1.45", "2.8"), ("1.3", "3.2"))
LW_PEAR = ladder(("1.5", "1.7"), ("1.45", "1.75"), ("1.35", "1.85"), ("1.25", "2"), ("1.15", "2.2"), ("1", "2.5"))
SYM_FANCY = {
    "TableOffset": upto("0.6", "1", "1.6", "2.4", "3.2", "5"),
    "CuletOffset": upto("0.8", "1.2", "2", "3", "4", "6"),
    "CrownAngleVar": upto("1.5", "2", "3", "4", "5.5", "9"),
    "PavAngleVar": upto("1", "1.5", "2.2", "3", "4", "7"),
    "CrownHeightVar": upto("0.8", "1.2", "2", "3", "4", "6.5"),
    "GirdleVar": upto("0.7", "1", "1.6", "2.4", "3.2", "6"),
    "WingBulgeDiff": upto("0.8", "1.2", "2", "3", "4.5", "8"),
    "PointAlign": upto("0.6", "1", "1.5", "2.2", "3", "5"),
    "ShoulderDiff": upto("0.8", "1.2", "2", "3", "4.5", "8"),
}


def pick(source, *names):
    return {n: source[n] for n in names}


def lab(name, classes, flags, overrides=None):
    """flags: field -> (include, show), same on every class row of it."""
    return {"name": name, "classes": classes, "flags": flags, "overrides": overrides or {}}


def flags(fields, pattern):
    if len(pattern) != len(fields):
        raise ValueError("one (include, show) pair per parameter")
    return dict(zip(fields, pattern))


E5 = ["Excellent", "Very Good", "Good", "Fair", "Poor"]
E4 = ["Excellent", "Very Good", "Good", "Fair"]
I4 = ["Ideal", "Excellent", "Very Good", "Good"]
I5 = ["Ideal", "Excellent", "Very Good", "Good", "Fair"]

OVAL_CUT = dict(CUT_FANCY, LWRatio=LW_OVAL)
OVAL_SYM = pick(SYM_FANCY, "TableOffset", "CuletOffset", "CrownAngleVar", "PavAngleVar",
                "CrownHeightVar", "GirdleVar")
MARQUISE_CUT = dict(CUT_FANCY, LWRatio=LW_MARQUISE)
MARQUISE_SYM = pick(SYM_FANCY, "TableOffset", "CuletOffset", "CrownAngleVar", "PavAngleVar",
                    "WingBulgeDiff", "PointAlign")
PEAR_CUT = dict(pick(CUT_FANCY, "TablePct", "TotalDepth", "GirdlePct"), LWRatio=LW_PEAR)
PEAR_SYM = pick(SYM_FANCY, "TableOffset", "CuletOffset", "ShoulderDiff")

# The Nordic lab grades the round's table and depth a little tighter.
NORDIC_ROUND = {
    "TablePct": ladder(None, ("53", "60"), ("52.5", "63.5"), ("51.4", "63.5"), ("50", "66")),
    "TotalDepth": ladder(None, ("58.5", "62.5"), ("56", "63"), ("53.5", "63"), ("51", "66")),
    "CrownAngle": ladder(None, ("32", "35.5"), ("30", "37"), ("27", "38.5"), ("24", "40")),
    "PavAngle": ladder(None, ("40.8", "41.6"), ("40.2", "42"), ("39.4", "42.6"), ("38.4", "43.4")),
}
NORDIC_ROUND_SYM = {
    "OutOfRound": upto(None, "1", "1.8", "2.8", "4"),
    "CrownAngleVar": upto(None, "1", "1.8", "2.6", "4"),
}
IGS_OVAL = {
    "LWRatio": ladder(("1.38", "1.48"), ("1.35", "1.52"), ("1.3", "1.6"), ("1.22", "1.68")),
}

YES_YES, YES_NO, NO_YES, NO_NO = (1, 1), (1, 0), (0, 1), (0, 0)

SHAPE_RULES = {
    "Brilliant": {
        "reports": {
            "RND1": ["TablePct", "CrownAngle", "PavAngle", "TotalDepth", "CrownHeight", "PavDepth",
                     "StarLength", "LowerHalf"],
            "RND2": ["OutOfRound", "TableOffset", "CuletOffset", "CrownAngleVar", "PavAngleVar",
                     "TableCuletAlign", "CrownHeightVar"],
            "RND3": ["GirdlePct", "GirdleVar", "CuletSize"],
        },
        "cut": CUT_BRILLIANT,
        "sym": SYM_BRILLIANT,
        "cutLabs": [
            lab("AGL", E5, flags(CUT_BRILLIANT, [YES_YES, YES_YES, YES_YES, YES_YES, YES_NO,
                                                 NO_YES, YES_YES, NO_YES, NO_NO, YES_NO])),
            lab("Nordic Gem Lab", E4, flags(CUT_BRILLIANT, [YES_YES, YES_YES, YES_YES, YES_YES,
                                                            YES_YES, YES_YES, YES_NO, YES_YES,
                                                            YES_YES, NO_NO]), NORDIC_ROUND),
            lab("O'Brien Lab", I4, flags(CUT_BRILLIANT, [YES_YES, YES_YES, YES_YES, YES_YES, YES_YES,
                                                         YES_NO, NO_YES, NO_NO, NO_NO, NO_YES])),
        ],
        "symLabs": [
            lab("AGL", E5, flags(SYM_BRILLIANT, [YES_YES, YES_YES, YES_YES, YES_YES, YES_YES,
                                                 NO_YES, YES_NO, NO_NO])),
            lab("Nordic Gem Lab", E4, flags(SYM_BRILLIANT, [YES_YES, YES_YES, YES_YES, YES_NO,
                                                            YES_NO, YES_YES, NO_NO, YES_YES]),
                NORDIC_ROUND_SYM),
            lab("IGS", I5, flags(SYM_BRILLIANT, [YES_YES, YES_YES, NO_YES, YES_YES, YES_YES,
                                                 NO_NO, YES_YES, YES_NO])),
        ],
        "pairs": [("AGL", "AGL"), ("Nordic Gem Lab", "Nordic Gem Lab"), ("O'Brien Lab", "IGS"),
                  ("AGL", "IGS")],
    },
    "Marquise": {
        "reports": {
            "MRQ1": ["TablePct", "CrownAngle", "PavAngle", "TotalDepth", "CrownHeight", "PavDepth",
                     "GirdlePct", "LWRatio"],
            "MRQ2": ["TableOffset", "CuletOffset", "CrownAngleVar", "PavAngleVar", "WingBulgeDiff",
                     "PointAlign"],
        },
        "cut": MARQUISE_CUT,
        "sym": MARQUISE_SYM,
        "cutLabs": [
            lab("AGL", E5, flags(MARQUISE_CUT, [YES_YES, YES_NO, YES_NO, YES_YES, NO_YES, NO_YES,
                                                YES_YES, YES_YES])),
            lab("Nordic Gem Lab", E4, flags(MARQUISE_CUT, [YES_YES, YES_YES, YES_YES, YES_YES,
                                                           NO_NO, NO_NO, YES_NO, YES_YES])),
        ],
        "symLabs": [
            lab("AGL", E5, flags(MARQUISE_SYM, [YES_YES, YES_YES, YES_NO, YES_NO, YES_YES, NO_YES])),
            lab("Nordic Gem Lab", E4, flags(MARQUISE_SYM, [YES_YES, NO_YES, YES_YES, YES_YES,
                                                           YES_YES, YES_YES])),
        ],
        "pairs": [("AGL", "AGL"), ("Nordic Gem Lab", "AGL")],
    },
    "Pear": {
        "reports": {
            "PER1": ["TablePct", "TotalDepth", "GirdlePct", "LWRatio"],
            "PER2": ["TableOffset", "CuletOffset", "ShoulderDiff"],
        },
        "cut": PEAR_CUT,
        "sym": PEAR_SYM,
        "cutLabs": [lab("AGL", E4, flags(PEAR_CUT, [YES_YES, YES_YES, NO_YES, YES_NO]))],
        "symLabs": [lab("AGL", E4, flags(PEAR_SYM, [YES_YES, YES_NO, YES_YES]))],
        "pairs": [("AGL", "AGL")],
    },
    "Oval": {
        "reports": {
            "OVL1": ["TablePct", "CrownAngle", "PavAngle", "TotalDepth", "CrownHeight", "PavDepth",
                     "GirdlePct", "LWRatio"],
            "OVL2": ["TableOffset", "CuletOffset", "CrownAngleVar", "PavAngleVar", "CrownHeightVar",
                     "GirdleVar"],
        },
        "cut": OVAL_CUT,
        "sym": OVAL_SYM,
        "cutLabs": [
            lab("AGL", E5, flags(OVAL_CUT, [YES_YES, YES_YES, YES_YES, YES_YES, NO_YES, NO_YES,
                                            YES_NO, YES_YES])),
            lab("IGS", I4, flags(OVAL_CUT, [YES_YES, NO_NO, NO_NO, YES_YES, YES_YES, YES_YES,
                                            YES_YES, YES_YES]), IGS_OVAL),
        ],
        "symLabs": [
            lab("AGL", E5, flags(OVAL_SYM, [YES_YES, YES_YES, YES_NO, YES_NO, NO_YES, YES_YES])),
            lab("IGS", I4, flags(OVAL_SYM, [YES_YES, YES_YES, YES_YES, YES_YES, YES_NO, NO_NO])),
        ],
        "pairs": [("AGL", "AGL"), ("IGS", "IGS"), ("IGS", "AGL")],
    },
    # Report tables but no rules yet: the empty case of a listed shape.
    "Princess": {
        "reports": {
            "PRN1": ["TablePct", "TotalDepth", "CrownHeight", "PavDepth", "LWRatio"],
            "PRN2": ["TableOffset", "CuletOffset", "GirdleVar"],
        },
        "cut": {}, "sym": {}, "cutLabs": [], "symLabs": [], "pairs": [],
    },
}

# Girdle thickness in % of diameter, one step per ID.
GIRDLE_SCALE = [
    ("Extremely Thin", 0.0, 0.4),
    ("Very Thin", 0.4, 1.0),
    ("Thin", 1.0, 1.5),
    ("Medium", 1.5, 3.0),
    ("Slightly Thick", 3.0, 4.5),
    ("Thick", 4.5, 5.5),
    ("Very Thick", 5.5, 7.0),
    ("Extremely Thick", 7.0, 20.0),
]

# (shape, lab) -> shift of the inner limits per zone (bezel, bone, narrow).
GIRDLE_LABS = [
    ("Brilliant", "AGL", (0.0, 0.0, 0.0)),
    ("Brilliant", "Nordic Gem Lab", (0.0, 0.1, -0.1)),
]

# (shape, lab, zone) -> (FromID, ToID) per class position.
GIRDLE_GRADES = [
    ("Brilliant", "AGL", "Overall", [(2, 4), (1, 5), (1, 6), (0, 6), (0, 7)]),
    ("Brilliant", "AGL", "Bazel", [(2, 4), (1, 5), (1, 6)]),
    ("Brilliant", "Nordic Gem Lab", "Overall", [(2, 4), (2, 5), (1, 5), (1, 6)]),
    ("Brilliant", "Nordic Gem Lab", "Bazel", [(3, 4), (2, 4), (2, 5)]),
    ("Brilliant", "Nordic Gem Lab", "Bone", [(2, 5), (1, 5)]),
    ("Brilliant", "Nordic Gem Lab", "Narrow", [(1, 4), (1, 5)]),
]

OMZ_FIELDS = ["OutOfRound", "TableOffset", "CuletOffset", "CrownAngleVar", "PavAngleVar",
              "TableCuletAlign"]
OMZ_CLASSES = ["Excellent", "Very Good", "Good", "Fair"]
OMZ_RANGES = {
    "OutOfRound": upto(None, "1", "1.8", "2.6", "3.8"),
    "TableOffset": upto(None, "0.7", "1.2", "1.8", "2.6"),
    "CuletOffset": upto(None, "0.7", "1.2", "1.8", ""),
    "CrownAngleVar": upto(None, "1.3", "2.2", "3.2", "4.8"),
    "PavAngleVar": upto(None, "1", "1.6", "2.4", "3.4"),
    "TableCuletAlign": upto(None, "0.9", "1.5", "2.2", "3.2"),
}
OMZ_FLAGS = [YES_YES, YES_YES, YES_YES, YES_NO, YES_NO, NO_YES]


def q(value):
    """SQL literal: text in single quotes, numbers as they are."""
    if isinstance(value, str):
        if ";" in value:
            raise ValueError("statement splitter cannot take ';' in text: " + value)
        return "'" + value.replace("'", "''") + "'"
    return repr(value)


def insert(table, *values):
    return "INSERT INTO %s VALUES (%s);" % (table, ", ".join(q(v) for v in values))


def range_for(shape_rules, kind, the_lab, field, grade):
    over = the_lab["overrides"].get(field, {})
    if over.get(grade) is not None:
        return over[grade]
    return shape_rules[kind][field][grade]


def class_sql():
    out = ["-- Demo rule set for Class.db; load after data/class.sql."]
    for kind, prefix in (("cut", "Cut"), ("sym", "Sym")):
        for shape, _ in SHAPES:
            for i, field in enumerate(SHAPE_RULES[shape][kind], start=1):
                out.append(insert(prefix + "Para", shape, i, field, FIELDS[field][0]))
        for shape, _ in SHAPES:
            for the_lab in SHAPE_RULES[shape][kind + "Labs"]:
                out.append(insert(prefix + "Lab", shape, the_lab["name"], LABS[the_lab["name"]]))
        for shape, _ in SHAPES:
            for the_lab in SHAPE_RULES[shape][kind + "Labs"]:
                for serial, grade in enumerate(the_lab["classes"]):
                    out.append(insert(prefix, shape, the_lab["name"], serial, grade))
        for shape, _ in SHAPES:
            rules = SHAPE_RULES[shape]
            for the_lab in rules[kind + "Labs"]:
                # Stored the way the grid saves: parameter by parameter, classes within.
                for field in rules[kind]:
                    include, show = the_lab["flags"][field]
                    for serial, grade in enumerate(the_lab["classes"], start=1):
                        lo, hi = range_for(rules, kind, the_lab, field, grade)
                        out.append(insert(prefix + "Data", shape, the_lab["name"], serial,
                                          FIELDS[field][0], lo, hi, include, grade, field, show))
    for shape, _ in SHAPES:
        for cut_lab, sym_lab in SHAPE_RULES[shape]["pairs"]:
            out.append(insert("MultiData", shape, cut_lab, sym_lab))
    for shape, lab_name, shifts in GIRDLE_LABS:
        for gid, (desc, lo, hi) in enumerate(GIRDLE_SCALE):
            zones = []
            for shift in shifts:
                # The open ends of the scale stay put; only the inner limits move.
                zlo = lo if gid == 0 else round(lo + shift, 2)
                zhi = hi if gid == len(GIRDLE_SCALE) - 1 else round(hi + shift, 2)
                zones += [zlo, zhi]
            out.append(insert("GIRDLE_DESC", shape, lab_name, gid, desc, *zones))
    for shape, lab_name, zone, grades in GIRDLE_GRADES:
        for position, (first, last) in enumerate(grades):
            out.append(insert("GIRDLE_CLASS", first, last, position, lab_name, shape, zone))
    return out


def omz_sql():
    out = ["-- Demo secondary symmetry rules for OMZ2006.db; load after data/omz.sql."]
    for i, field in enumerate(OMZ_FIELDS, start=1):
        out.append(insert("SYMPARA", i, FIELDS[field][0], field))
    for serial, grade in enumerate(OMZ_CLASSES):
        out.append(insert("Class", grade, serial))
    for field, (include, show) in zip(OMZ_FIELDS, OMZ_FLAGS):
        for serial, grade in enumerate(OMZ_CLASSES, start=1):
            lo, hi = OMZ_RANGES[field][grade]
            out.append(insert("SymData", serial, FIELDS[field][0], lo, hi, include, grade, field, show))
    return out


# Length to width differs too much between shapes for one nominal value.
LW_NOMINAL = {"Marquise": 2.0, "Pear": 1.6, "Oval": 1.4, "Princess": 1.02}

# Stones the office graded, per shape, so that "What would change" has
# something to show at once. Report numbers run through all shapes.
STONES = {"Brilliant": 3000, "Marquise": 2000, "Pear": 2000, "Oval": 2000, "Princess": 2000}
FIRST_REPORT = 240001
# Symmetry deviations: half-normal, with this spread.
SYM_SPREAD = {
    "OutOfRound": 0.7, "TableOffset": 0.45, "CuletOffset": 0.5, "CrownAngleVar": 0.9, "PavAngleVar": 0.6,
    "TableCuletAlign": 0.6, "CrownHeightVar": 0.7, "GirdleVar": 0.6, "WingBulgeDiff": 0.9, "PointAlign": 0.7,
    "ShoulderDiff": 0.9,
}
DECIMALS = {"LWRatio": 2, "StarLength": 0, "LowerHalf": 0}


def measure(shape, rng):
    """One stone's measurements, the proportions tied as a cutter's are."""
    fancy = shape != "Brilliant"
    table = rng.gauss(58.5 if fancy else 57.5, 2.8 if fancy else 2.5)
    crown = rng.gauss(33.5 if fancy else 34.2, 2.0 if fancy else 1.6)
    pavilion = rng.gauss(41.0 if fancy else 40.9, 0.9 if fancy else 0.55)
    girdle = max(0.3, rng.gauss(3.3, 1.0))
    crown_height = math.tan(math.radians(crown)) * (100 - table) / 2 + rng.gauss(0, 0.3)
    pav_depth = math.tan(math.radians(pavilion)) * 50 + rng.gauss(0, 0.3)
    values = {
        "TablePct": table, "CrownAngle": crown, "PavAngle": pavilion, "GirdlePct": girdle,
        "CrownHeight": crown_height, "PavDepth": pav_depth,
        "TotalDepth": crown_height + pav_depth + girdle + rng.gauss(0, 0.2),
        "StarLength": rng.gauss(50, 4), "LowerHalf": rng.gauss(77, 2.5),
        "CuletSize": abs(rng.gauss(0, 0.6)),
        "LWRatio": rng.gauss(LW_NOMINAL.get(shape, 1.0), 0.08 if shape != "Marquise" else 0.15),
    }
    values.update({f: abs(rng.gauss(0, s)) for f, s in SYM_SPREAD.items()})
    return values


def reports_sql():
    out = ["-- Demo report tables for Reports.db; load after data/reports.sql.",
           "-- One row per stone graded (RID its report number); now and then a stone",
           "-- lacks a table's row or a value, as in an office's own tables."]
    rng = random.Random(2006)
    shapes = [shape for shape, _ in SHAPES for _ in range(STONES[shape])]
    rng.shuffle(shapes)
    stones = {shape: [] for shape, _ in SHAPES}
    for offset, shape in enumerate(shapes):
        stones[shape].append((FIRST_REPORT + offset, measure(shape, rng)))
    for shape, _ in SHAPES:
        for t, (table, fields) in enumerate(SHAPE_RULES[shape]["reports"].items()):
            cols = ", ".join(["RID INTEGER"] + ["%s REAL" % f for f in fields])
            out.append("CREATE TABLE %s (%s);" % (table, cols))
            rows = []
            for rid, values in stones[shape]:
                if t > 0 and rng.random() < 0.007:
                    continue
                row = [str(rid)]
                for f in fields:
                    value = round(values[f], DECIMALS.get(f, 2 if f in SYM_SPREAD else 1))
                    row.append("NULL" if rng.random() < 0.003 else repr(value))
                rows.append("(%s)" % ",".join(row))
            out.append("INSERT INTO %s (RID, %s) VALUES\n%s;" % (table, ", ".join(fields), ",\n".join(rows)))
    return out


INSTRUCTIONS = """\
Orvana Class - defining the grading classes
===========================================

1. Choose the class type (Cut or Symmetry), then the shape, then the
   institute whose rules you want to see or change.
2. Click a cell of the grid and type the value: a lower or upper limit
   as text, e.g. 52 or 31.5. Leave a limit empty when it does not apply.
3. Press Enter to keep the value; the cursor moves on to the next cell.
4. File > Save stores the limits of the chosen shape and institute.
5. To rename, add or reorder the classes of the institute, edit its
   class list and click "Applya and save class": that stores the list.

Nothing is written to the rule files until you save.
"""


HELP_SH = """\
#!/bin/sh
# Help > Instructions: shows the how-to kept beside this script, in the
# desktop's viewer when there is one, else on standard output.
file="$(dirname "$0")/Instructions.txt"
if [ ! -r "$file" ]; then
    echo "Instructions not found: $file" >&2
    exit 1
fi
if command -v xdg-open >/dev/null 2>&1 && xdg-open "$file" >/dev/null 2>&1; then
    exit 0
fi
cat "$file"
"""


def write(name, text, eol="\n", mode=0o644):
    path = os.path.join(OUT, name)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text.replace("\n", eol))
    os.chmod(path, mode)
    return path


def main():
    os.makedirs(OUT, exist_ok=True)
    write("Shapes.txt", "".join("%s~%s\n" % s for s in SHAPES), eol="\r\n")
    write("class.sql", "\n".join(class_sql()) + "\n")
    write("omz.sql", "\n".join(omz_sql()) + "\n")
    write("reports.sql", "\n".join(reports_sql()) + "\n")
    write("Instructions.txt", INSTRUCTIONS)
    write("help.sh", HELP_SH, mode=0o755)


if __name__ == "__main__":
    main()
