#!/usr/bin/python3
"""Opens the VTK files that meridian --vtk writes with VTK's XML reader.

Runs meridian with --vtk on the bundled example (job 1, scale factor 10), on a
listing of two bodies with a sliding interface and springs to ground nodes
(jobs 2 and 6, written by make_contact_listing), on a generated model with a
sliding interface (job 0, tests/viewer/parameter_in.txt) and on an input deck
with one (job 5), and reads every .vtu with vtkXMLUnstructuredGridReader:

- points: every node of the listing, at its printed coordinates, exactly;
- cells: the hexahedra of model_load.dat's zones in order (the same corners as
  the listing's elements), then the springs as lines between the listing's
  spring nodes; interface sides as quads of the listing's segments;
- point data: direction codes, temperatures (base + increment) and loads as
  the listing prints them; per step the displacements and temperatures of the
  listing's nodal printout exactly, the stresses and effective stresses equal
  to the Tecplot stress file's to its 13 digits, and 0 past its nodes;
- cell data: zone numbers of model_load.dat and the listing's materials;
- model_stress.pvd names every step file with its step number.

Every other file and the console output of a run with --vtk are byte for byte
those of the same run without it.

Usage: check_vtk.py MERIDIAN_BINARY SOURCE_DIR MAKE_CONTACT_LISTING_BINARY
Exit status 0 when everything agrees, 1 otherwise.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import vtk

VTK_LINE = 3
VTK_QUAD = 9
VTK_HEXAHEDRON = 12
VTK_FILES = re.compile(r"\.(vtu|pvd)$")
REAL = r"-?\d\.\d+E[+-]\d\d"


class Failures:
    def __init__(self):
        self.messages = []
        self.checked_files = 0

    def check(self, condition, message):
        if not condition:
            self.messages.append(message)
        return condition


# ---------------------------------------------------------------- the listing

# Lines that open (or continue after a page break) a section of the listing;
# "other" ends the section before it. Rows are read only in a section.
SECTION_LINES = [
    ("NODAL POINT data", "nodes"),
    ("nodal point definitions (continued)", "nodes"),
    ("HEXAHEDERON ELEMENTS", "elements"),
    ("element definitions (continued)", "elements"),
    ("DISCRETE ELEMENT control", "other"),
    ("discrete element connectivity", "springs"),
    ("d i s c r e t e", "other"),
    ("master segments", "master"),
    ("slave segments", "slave"),
    ("interface type", "other"),
    ("CONCENTRATED NODAL LOADS", "loads"),
    ("TEMPERATURE PROFILE", "temperatures"),
    ("temperature profile (continued)", "temperatures"),
    ("results for time step", "other"),
    ("n o d a l   p r i n t o u t", "next step"),
    ("nodal printout (continued)", "printout"),
    ("e l e m e n t   s t r e s s e s", "other"),
    ("element stresses (continued)", "other"),
]

ROWS = {
    "nodes": re.compile(r"^\s+(\d+)\s+(\d+)\s+(%s)\s+(%s)\s+(%s)\s*$" % (REAL, REAL, REAL)),
    "elements": re.compile(r"^\s+\d+" + r"\s+(\d+)" * 9 + r"\s*$"),
    "springs": re.compile(r"^\s+\d+\s+(\d+)\s+(\d+)\s+\d+\s+%s\s*$" % REAL),
    "master": re.compile(r"^\s+\d+" + r"\s+(\d+)" * 4 + r"\s*$"),
    "slave": re.compile(r"^\s+\d+" + r"\s+(\d+)" * 4 + r"\s*$"),
    "loads": re.compile(r"^\s+(\d+)\s+(\d+)\s+(\d+)\s+(%s)\s*$" % REAL),
    "temperatures": re.compile(r"^\s+(\d+)\s+(%s)\s+(%s)\s*$" % (REAL, REAL)),
    "printout": re.compile(r"^\s+(\d+)" + r"\s+(%s)" % REAL * 4 + r"\s*$"),
}


def read_listing(path):
    """The model and the nodal printouts of a listing, as printed."""
    listing = {"nodes": {}, "elements": [], "springs": [], "interfaces": [], "loads": {},
               "temperatures": {}, "steps": [], "load_cases": 0}
    section = None
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            for phrase, name in SECTION_LINES:
                if phrase in line:
                    section = name
                    if name == "next step":
                        listing["steps"].append({})
                        section = "printout"
                    break
            match = re.search(r"number of load cases[ .]+(\d+)", line)
            if match:
                listing["load_cases"] = int(match.group(1))
            if re.search(r"interface number \.+\s+\d+", line):
                listing["interfaces"].append(([], []))
            row = ROWS[section].match(line) if section in ROWS else None
            if not row:
                continue
            g = row.groups()
            if section == "nodes":
                listing["nodes"][int(g[0])] = (int(g[1]), float(g[2]), float(g[3]), float(g[4]))
            elif section == "elements":
                listing["elements"].append((int(g[0]), tuple(int(n) for n in g[1:])))
            elif section == "springs":
                listing["springs"].append((int(g[0]), int(g[1])))
            elif section in ("master", "slave"):
                side = 0 if section == "master" else 1
                listing["interfaces"][-1][side].append([int(n) for n in g])
            elif section == "loads":
                # A later row for the same node, direction and case replaces the earlier.
                listing["loads"][(int(g[0]), int(g[2]), int(g[1]))] = float(g[3])
            elif section == "temperatures":
                listing["temperatures"][int(g[0])] = float(g[1]) + float(g[2])
            elif section == "printout":
                listing["steps"][-1][int(g[0])] = tuple(float(v) for v in g[1:])
    nodes = listing["nodes"]
    assert sorted(nodes) == list(range(1, len(nodes) + 1)), path + ": node numbers not 1..n"
    return listing


# ---------------------------------------------------------------- Tecplot files

def read_tecplot(path):
    """Variables and zones of a Tecplot ASCII file of ours; node values are kept
    as their printed tokens."""
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    variables = []
    at = 1
    while at < len(lines) and not lines[at].startswith("ZONE"):
        variables += re.findall(r'"([^"]*)"', lines[at])
        at += 1
    zones = []
    tokens = []
    for i in range(at, len(lines)):
        line = lines[i]
        if line.startswith("ZONE") or line.startswith("N="):
            match = re.search(r"N=\s*(\d+),E=\s*(\d+)", line)
            if line.startswith("ZONE") and not match:
                continue  # the title record; the size record follows
            tokens = []
            zones.append({"nodes": int(match.group(1)), "elements": int(match.group(2)),
                          "corners": 8 if "BRICK" in line else 4, "tokens": tokens})
        else:
            tokens += line.split()
    for zone in zones:
        width = len(variables)
        count = zone["nodes"] * width
        data = zone.pop("tokens")
        zone["values"] = [data[n * width:(n + 1) * width] for n in range(zone["nodes"])]
        numbers = [int(t) for t in data[count:]]
        c = zone["corners"]
        zone["cells"] = [numbers[e * c:(e + 1) * c] for e in range(zone["elements"])]
    return variables, zones


def e13(value):
    """A double as (sign, 13 significant digits, exponent) of Ew.13 output."""
    if value == 0.0:
        return ("", "0" * 13, 0)
    mantissa, exponent = ("%.12e" % abs(value)).split("e")
    return ("-" if value < 0 else "", mantissa.replace(".", ""), int(exponent) + 1)


def token13(token):
    match = re.fullmatch(r"(-?)0\.(\d{13})E?([+-]\d+)", token)
    sign, digits, exponent = match.groups()
    return ("" if int(digits) == 0 else sign, digits, 0 if int(digits) == 0 else int(exponent))


# ---------------------------------------------------------------- VTK's reading

def read_vtu(path, failures):
    errors = []
    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.AddObserver("ErrorEvent", lambda caller, event: errors.append(event))
    reader.AddObserver("WarningEvent", lambda caller, event: errors.append(event))
    reader.SetFileName(path)
    reader.Update()
    failures.check(not errors, "%s: VTK reported %s" % (path, errors))
    failures.checked_files += 1
    grid = reader.GetOutput()
    ids = vtk.vtkIdList()
    cells = []
    for c in range(grid.GetNumberOfCells()):
        grid.GetCellPoints(c, ids)
        cells.append((grid.GetCellType(c), [ids.GetId(k) for k in range(ids.GetNumberOfIds())]))

    def arrays(data):
        found = {}
        for a in range(data.GetNumberOfArrays()):
            array = data.GetArray(a)
            found[array.GetName()] = {
                "type": array.GetDataTypeAsString(),
                "values": [array.GetTuple(i) for i in range(array.GetNumberOfTuples())]}
        return found, [data.GetArrayName(a) for a in range(data.GetNumberOfArrays())]

    point_data, point_names = arrays(grid.GetPointData())
    cell_data, cell_names = arrays(grid.GetCellData())
    points = grid.GetPoints()
    return {
        "name": os.path.basename(path),
        "point_type": points.GetData().GetDataTypeAsString() if points else None,
        "points": [grid.GetPoint(i) for i in range(grid.GetNumberOfPoints())],
        "cells": cells,
        "point_data": point_data, "point_names": point_names,
        "cell_data": cell_data, "cell_names": cell_names,
    }


def scalars(grid, where, name):
    return [v[0] for v in grid[where][name]["values"]]


def first_difference(seen, expected):
    if len(seen) != len(expected):
        return "%d values, expected %d" % (len(seen), len(expected))
    for i, (a, b) in enumerate(zip(seen, expected)):
        if a != b:
            return "at %d: %r, expected %r" % (i, a, b)
    return None


def expect_equal(failures, label, seen, expected):
    difference = first_difference(list(seen), list(expected))
    failures.check(difference is None, "%s: %s" % (label, difference))


# ---------------------------------------------------------------- the checks

def hexahedra_of(model_load):
    """The hexahedra of model_load.dat in zone order, with their zone numbers."""
    _, zones = read_tecplot(model_load)
    return [(z + 1, cell) for z, zone in enumerate(zones) for cell in zone["cells"]], zones


def check_hexahedra(grid, hexahedra, materials, failures):
    """The first cells: the hexahedra of model_load.dat, with zone and material."""
    label = grid["name"]
    cells = grid["cells"][:len(hexahedra)]
    expect_equal(failures, label + " hexahedra", cells,
                 [(VTK_HEXAHEDRON, [n - 1 for n in cell]) for _, cell in hexahedra])
    count = len(hexahedra)
    expect_equal(failures, label + " zone", scalars(grid, "cell_data", "zone")[:count],
                 [float(zone) for zone, _ in hexahedra])
    expect_equal(failures, label + " material", scalars(grid, "cell_data", "material")[:count],
                 [float(materials[tuple(cell)]) for _, cell in hexahedra])


def check_listing_model(directory, listing, failures):
    """model.vtu of a listing run against the listing (and model_load.dat's zones)."""
    grid = read_vtu(os.path.join(directory, "model.vtu"), failures)
    label = grid["name"]
    nodes = listing["nodes"]
    numbers = range(1, len(nodes) + 1)
    failures.check(grid["point_type"] == "double", label + ": points are not Float64")
    expect_equal(failures, label + " points", grid["points"],
                 [nodes[n][1:] for n in numbers])

    hexahedra, _ = hexahedra_of(os.path.join(directory, "model_load.dat"))
    materials = {corners: material for material, corners in listing["elements"]}
    failures.check(sorted(tuple(c) for _, c in hexahedra) == sorted(materials),
                   label + ": model_load.dat's hexahedra are not the listing's elements")
    failures.check(len(grid["cells"]) == len(hexahedra) + len(listing["springs"]),
                   "%s: %d cells, expected %d hexahedra and %d springs"
                   % (label, len(grid["cells"]), len(hexahedra), len(listing["springs"])))
    check_hexahedra(grid, hexahedra, materials, failures)
    springs = grid["cells"][len(hexahedra):]
    expect_equal(failures, label + " springs", springs,
                 [(VTK_LINE, [a - 1, b - 1]) for a, b in listing["springs"]])
    for name in ("zone", "material"):
        failures.check(all(v == 0 for v in scalars(grid, "cell_data", name)[len(hexahedra):]),
                       "%s: springs' %s not 0" % (label, name))

    load_names = ["load_%d" % k for k in range(1, listing["load_cases"] + 1)]
    failures.check(grid["point_names"] == ["constraint", "temperature"] + load_names,
                   "%s: point arrays %s" % (label, grid["point_names"]))
    failures.check(grid["cell_names"] == ["zone", "material"],
                   "%s: cell arrays %s" % (label, grid["cell_names"]))
    failures.check(grid["point_data"]["constraint"]["type"] == "int", label + ": constraint type")
    expect_equal(failures, label + " constraint", scalars(grid, "point_data", "constraint"),
                 [float(nodes[n][0]) for n in numbers])
    expect_equal(failures, label + " temperature", scalars(grid, "point_data", "temperature"),
                 [listing["temperatures"].get(n, 0.0) for n in numbers])
    for k, name in enumerate(load_names, 1):
        expected = [tuple(listing["loads"].get((n, k, d), 0.0) for d in (1, 2, 3)) for n in numbers]
        expect_equal(failures, label + " " + name, grid["point_data"][name]["values"], expected)
    return hexahedra, materials


def check_listing_steps(directory, listing, hexahedra, materials, failures):
    """Every step file against the listing's printout and the Tecplot stress file."""
    nodes = listing["nodes"]
    numbers = list(range(1, len(nodes) + 1))
    steps = listing["steps"]
    suffixes = [str(s) if s <= 9 else chr(ord(":") + s - 10) for s in range(1, len(steps) + 1)]
    for s, printout in enumerate(steps, 1):
        grid = read_vtu(os.path.join(directory, "model_stress_%05d.vtu" % s), failures)
        label = grid["name"]
        expect_equal(failures, label + " points", grid["points"], [nodes[n][1:] for n in numbers])
        failures.check(len(grid["cells"]) == len(hexahedra), label + ": not the hexahedra alone")
        check_hexahedra(grid, hexahedra, materials, failures)
        failures.check(grid["point_names"] == ["displacement", "stress", "effective_stress",
                                               "temperature"],
                       "%s: point arrays %s" % (label, grid["point_names"]))
        expect_equal(failures, label + " displacement", grid["point_data"]["displacement"]["values"],
                     [printout[n][:3] for n in numbers])
        expect_equal(failures, label + " temperature", scalars(grid, "point_data", "temperature"),
                     [printout[n][3] for n in numbers])

        variables, zones = read_tecplot(os.path.join(directory, "model_stress_%s.dat" % suffixes[s - 1]))
        written = zones[0]["nodes"]
        rows = zones[0]["values"]
        column = {name: variables.index(name) for name in variables}
        stress = grid["point_data"]["stress"]["values"]
        effective = scalars(grid, "point_data", "effective_stress")
        for i in range(len(numbers)):
            if i < written:
                expected = [token13(rows[i][column[c]])
                            for c in ("XX", "YY", "ZZ", "XY", "YZ", "ZX", "MISES")]
                seen = [e13(v) for v in list(stress[i]) + [effective[i]]]
                ok = failures.check(seen == expected, "%s node %d: stresses %s, Tecplot file %s"
                                    % (label, i + 1, seen, expected))
                ok &= failures.check(e13(printout[i + 1][3]) == token13(rows[i][column["TEMPERATURE"]]),
                                     "%s node %d: temperature differs from the Tecplot file"
                                     % (label, i + 1))
            else:
                ok = failures.check(list(stress[i]) == [0.0] * 6 and effective[i] == 0.0,
                                    "%s node %d: stresses past the written nodes not 0" % (label, i + 1))
            if not ok:
                break
    check_collection(directory, len(steps), failures)


def check_collection(directory, step_count, failures):
    path = os.path.join(directory, "model_stress.pvd")
    with open(path, "rb") as f:
        text = f.read()
    failures.check(text.count(b"\n") == text.count(b"\r\n"), path + ": lines do not end with CR LF")
    datasets = ElementTree.fromstring(text).findall("./Collection/DataSet")
    expect_equal(failures, "model_stress.pvd", [(d.get("timestep"), d.get("file")) for d in datasets],
                 [(str(s), "model_stress_%05d.vtu" % s) for s in range(1, step_count + 1)])


def check_listing_interfaces(directory, listing, failures):
    grid = read_vtu(os.path.join(directory, "model_interfaces.vtu"), failures)
    label = grid["name"]
    failures.check(len(grid["points"]) == len(listing["nodes"]), label + ": not every node")
    expected_cells, expected_values = [], []
    for i, sides in enumerate(listing["interfaces"], 1):
        for side, segments in enumerate(sides, 1):
            for segment in segments:
                expected_cells.append((VTK_QUAD, [n - 1 for n in segment]))
                expected_values.append((float(i), float(side)))
    expect_equal(failures, label + " cells", grid["cells"], expected_cells)
    expect_equal(failures, label + " interface and side",
                 zip(scalars(grid, "cell_data", "interface"), scalars(grid, "cell_data", "side")),
                 expected_values)


def check_view_against_tecplot(directory, temperature_name, failures):
    """model.vtu and model_interfaces.vtu of a generated model or a deck against
    model_load.dat and the interface zone files, to their 13 digits."""
    grid = read_vtu(os.path.join(directory, "model.vtu"), failures)
    label = grid["name"]
    variables, zones = read_tecplot(os.path.join(directory, "model_load.dat"))
    rows = zones[0]["values"]
    failures.check(len(grid["points"]) == len(rows), "%s: %d points, model_load.dat %d"
                   % (label, len(grid["points"]), len(rows)))
    failures.check(grid["point_names"] == ["constraint", temperature_name, "load_1"],
                   "%s: point arrays %s" % (label, grid["point_names"]))
    codes = {(0, 0, 0): 0, (1, 0, 0): 1, (0, 1, 0): 2, (0, 0, 1): 3, (1, 1, 0): 4, (0, 1, 1): 5,
             (1, 0, 1): 6, (1, 1, 1): 7}
    column = {name: variables.index(name) for name in variables}
    for i, row in enumerate(rows):
        seen = [e13(v) for v in grid["points"][i]]
        seen += [e13(v) for v in grid["point_data"]["load_1"]["values"][i]]
        seen.append(e13(grid["point_data"][temperature_name]["values"][i][0]))
        expected = [token13(row[column[c]]) for c in ("X", "Y", "Z", "Load_ 1 X", "Load_ 1 Y",
                                                      "Load_ 1 Z", "Temperature")]
        flags = tuple(int(row[column["Constrain " + a]]) for a in "XYZ")
        ok = failures.check(seen == expected, "%s node %d: %s, model_load.dat %s"
                            % (label, i + 1, seen, expected))
        ok &= failures.check(grid["point_data"]["constraint"]["values"][i][0] == codes[flags],
                             "%s node %d: constraint differs from the flags %s" % (label, i + 1, flags))
        if not ok:
            break
    hexahedra = [(z + 1, cell) for z, zone in enumerate(zones) for cell in zone["cells"]]
    expect_equal(failures, label + " cells", grid["cells"],
                 [(VTK_HEXAHEDRON, [n - 1 for n in cell]) for _, cell in hexahedra])
    expect_equal(failures, label + " zone", scalars(grid, "cell_data", "zone"),
                 [float(z) for z, _ in hexahedra])

    interfaces = read_vtu(os.path.join(directory, "model_interfaces.vtu"), failures)
    expected_cells, expected_values = [], []
    i = 1
    while os.path.exists(os.path.join(directory, "interface_m_%d.dat" % i)):
        for side, letter in ((1, "m"), (2, "s")):
            _, side_zones = read_tecplot(os.path.join(directory, "interface_%s_%d.dat" % (letter, i)))
            for cell in side_zones[0]["cells"]:
                expected_cells.append((VTK_QUAD, [n - 1 for n in cell]))
                expected_values.append((float(i), float(side)))
        i += 1
    failures.check(i > 1, directory + ": no interface zone file")
    expect_equal(failures, "model_interfaces.vtu cells", interfaces["cells"], expected_cells)
    expect_equal(failures, "model_interfaces.vtu interface and side",
                 zip(scalars(interfaces, "cell_data", "interface"),
                     scalars(interfaces, "cell_data", "side")), expected_values)


# ---------------------------------------------------------------- the runs

def run(binary, directory, inputs, arguments):
    os.mkdir(directory)
    for name, source in inputs.items():
        shutil.copy(source, os.path.join(directory, name))
    done = subprocess.run([binary] + arguments, cwd=directory, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    return done


def run_pair(binary, work, name, inputs, arguments, failures):
    """Runs the job with and without --vtk; everything but the VTK files must be
    the same. Returns the folder of the run with --vtk."""
    plain = run(binary, os.path.join(work, name + "_plain"), inputs, arguments)
    with_vtk = run(binary, os.path.join(work, name), inputs, arguments + ["--vtk"])
    label = "%s (%s)" % (name, " ".join(arguments))
    failures.check(with_vtk.returncode == 0, "%s: exit status %d: %s"
                   % (label, with_vtk.returncode, with_vtk.stderr.decode(errors="replace")))
    failures.check((plain.returncode, plain.stdout, plain.stderr)
                   == (with_vtk.returncode, with_vtk.stdout, with_vtk.stderr),
                   label + ": the console differs with --vtk")
    plain_files = sorted(os.listdir(os.path.join(work, name + "_plain")))
    vtk_files = sorted(os.listdir(os.path.join(work, name)))
    failures.check(plain_files == [f for f in vtk_files if not VTK_FILES.search(f)],
                   "%s: files %s, with --vtk %s" % (label, plain_files, vtk_files))
    for f in plain_files:
        with open(os.path.join(work, name + "_plain", f), "rb") as a, \
                open(os.path.join(work, name, f), "rb") as b:
            failures.check(a.read() == b.read(), "%s: %s differs with --vtk" % (label, f))
    return os.path.join(work, name)


# Two unit cubes, one on the other, with a sliding interface between them.
DECK = """test deck for the viewer check
*   Interfaces  (control record follows)
    1       16        2         1         0    1    1
*****Nodal point cards
{nodes}*****Element cards
*  number  mat  nodes
       1    1       1       2       3       4       5       6       7       8
       2    2       9      10      11      12      13      14      15      16
*****Sliding interfaces
*  master  slave
*  segments
       1       1       0       0       0       0       0       0
       1       5       6       7       8
       1       9      12      11      10
*--------- nodal temperatures
*  node   temperature
       1      10.0
      16      40.0
"""


def write_deck(path):
    corners = [(0, 0), (1, 0), (1, 1), (0, 1)]
    nodes = ""
    number = 1
    for z0 in (0.0, 1.0):
        for dz in (0.0, 1.0):
            for x, y in corners:
                code = " 7.0" if number <= 4 else "  0"
                nodes += "%8d%5s%20.11E%20.11E%20.11E\n" % (number, code, x * 1.5, y - 0.25, z0 + dz)
                number += 1
    with open(path, "w") as f:
        f.write(DECK.format(nodes=nodes))


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    binary = os.path.abspath(sys.argv[1])
    source = os.path.abspath(sys.argv[2])
    make_contact = os.path.abspath(sys.argv[3])
    failures = Failures()
    work = tempfile.mkdtemp(prefix="meridian_vtk_")
    try:
        example = os.path.join(source, "examples", "n3dhsp")
        contact = os.path.join(work, "contact_n3dhsp")
        subprocess.run([make_contact, contact, "4"], check=True, stdout=subprocess.DEVNULL)
        deck = os.path.join(work, "nikein.txt")
        write_deck(deck)
        parameters = os.path.join(source, "tests", "viewer", "parameter_in.txt")

        def listing_case(name, listing_path, arguments):
            directory = run_pair(binary, work, name, {"n3dhsp": listing_path}, arguments, failures)
            listing = read_listing(listing_path)
            hexahedra, materials = check_listing_model(directory, listing, failures)
            check_listing_steps(directory, listing, hexahedra, materials, failures)
            failures.check(os.path.exists(os.path.join(directory, "model_interfaces.vtu"))
                           == bool(listing["interfaces"]),
                           name + ": model_interfaces.vtu present without interfaces or missing")
            if listing["interfaces"]:
                check_listing_interfaces(directory, listing, failures)

        def view_case(name, inputs, arguments, temperature_name):
            directory = run_pair(binary, work, name, inputs, arguments, failures)
            check_view_against_tecplot(directory, temperature_name, failures)

        cases = [
            ("example", listing_case, (example, ["--scale", "10"])),
            ("contact_job2", listing_case, (contact, ["--job", "2"])),
            ("contact_job6", listing_case, (contact, ["--job", "6"])),
            ("generated", view_case, ({"parameter_in.txt": parameters}, ["--job", "0"],
                                      "spring_stiffness")),
            ("deck", view_case, ({"nikein.txt": deck}, ["--job", "5"], "temperature")),
        ]
        for name, case, arguments in cases:
            try:
                case(name, *arguments)
            except Exception as error:  # a missing file or array: report it, check the rest
                failures.check(False, "%s: %s: %s" % (name, type(error).__name__, error))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for message in failures.messages:
        print("FAILED: " + message)
    print("%d VTK files read with VTK %s, %d disagreements"
          % (failures.checked_files, vtk.vtkVersion.GetVTKVersion(), len(failures.messages)))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
