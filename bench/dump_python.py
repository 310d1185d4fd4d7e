#!/usr/bin/env python3
"""The comparison for orbtool-cli dump: the same file decoded with struct and printed as JSON."""
import json
import struct
import sys

UNITS = [("Name", 9250, 15, 0, "s"), ("Class", 13000, 1, 0, "B"), ("Icon", 28500, 2, 0, "H"),
         ("LBM", 25250, 2, 0, "H"), ("Size", 13500, 1, 0, "B"), ("Crew", 13750, 1, 0, "B")]
UNITS += [("Wpn%d" % (k + 1), 14000, 4, k, "B") for k in range(4)]
UNITS += [("Wpn%d%sAmmo" % (k // 2 + 1, "HE" if k % 2 == 0 else "AP"), 15000, 8, k, "B") for k in range(8)]
UNITS += [("Speed", 17000, 1, 0, "B")]
UNITS += [(kind + face, 17250, 14, i * 7 + j, "B") for i, kind in enumerate(("Steel", "HEAT"))
          for j, face in enumerate(("HF", "HS", "HR", "TF", "TS", "TR", "Top"))]
UNITS += [("ERA" + face, 20750, 7, j, "B") for j, face in enumerate(("HF", "HS", "HR", "TF", "TS", "TR", "Top"))]
UNITS += [(n, b, 1, 0, "B") for n, b in (("Radio", 24000), ("YrAvail", 24250), ("YrUnavail", 24500), ("Cost", 24750),
                                          ("Nation", 25000), ("FC", 26000), ("SabotAmmo", 26250), ("HEATAmmo", 26500),
                                          ("Stabiliser", 27000), ("HiddenByte", 28000), ("Vision", 25750),
                                          ("Swim", 29000), ("SD", 29500), ("ROF", 26750), ("Carry", 27750),
                                          ("Weight", 28250), ("EW", 27500), ("RF", 27250), ("MC", 29250),
                                          ("MonthAvail", 29750))]
WEAPONS = [("Name", 0, 15, 0, "s"), ("Class", 3750, 1, 0, "B"), ("Size", 4250, 1, 0, "B"),
           ("WarheadSize", 4500, 1, 0, "B"), ("HEPen", 4750, 2, 0, "B"), ("HEKill", 5249, 2, 1, "B"),
           ("APPen", 4750, 2, 1, "B"), ("APKill", 5249, 2, 0, "B"), ("Accuracy", 5750, 1, 0, "B"),
           ("Range", 6000, 1, 0, "B"), ("SabotRange", 6250, 1, 0, "B"), ("SabotPen", 6500, 1, 0, "B"),
           ("HEATPen", 6750, 1, 0, "B")]
FORMATIONS = [("Name", 32500, 15, 0, "s"), ("Nation", 35500, 1, 0, "B"), ("Avail", 37700, 1, 0, "B"),
              ("Until", 37900, 1, 0, "B"), ("Page", 38100, 1, 0, "B"), ("Type", 38300, 1, 0, "B")]
FORMATIONS += [("Slot%d" % (k + 1), 38500, 20, 2 * k, "H") for k in range(10)]
FORMATIONS += [("Code%d" % (k + 1), 42500, 10, k, "B") for k in range(10)]
FORMATIONS += [("MonthAvail", 35700, 1, 0, "B"), ("Special", 35900, 1, 0, "B")]


def table(image, fields, count):
    rows = []
    for n in range(1, count + 1):
        row = {"number": n}
        for name, base, stride, offset, kind in fields:
            at = base + n * stride + offset
            if kind == "s":
                row[name] = image[at:at + 15].split(b"\0")[0].decode("latin-1")
            else:
                row[name] = struct.unpack_from("<" + kind, image, at)[0]
        rows.append(row)
    return rows


def main():
    with open(sys.argv[1], "rb") as f:
        image = f.read(44500).ljust(44500, b"\0")
    doc = {"units": table(image, UNITS, 249), "weapons": table(image, WEAPONS, 249),
           "formations": table(image, FORMATIONS, 199)}
    json.dump(doc, sys.stdout, indent=2)


main()
