#!/usr/bin/python3
"""Reads the VTK files of meridian --vtk with VTK's XML reader.

Runs meridian with and without --vtk on the bundled example (job 1, scale
factor 10), on a listing of two bodies with a sliding interface and springs
to ground nodes (jobs 2 and 6; make_contact_listing), on a generated model
(job 0, parameter_in.txt) and on an input deck (job 5). Every other file and
the console must be the same with --vtk. Every .vtu is read with
vtkXMLUnstructuredGridReader and with meshio.read (points, cells and arrays
as VTK reads them) and checked: points, cells and point data of a
listing against the listing's printed values (exactly), the hexahedra and
their zones against model_load.dat, stresses against the Tecplot stress file
of the step to its 13 digits (0 past its nodes); the views of job 0 and 5
against model_load.dat and the interface zone files.

Usage: check_vtk.py MERIDIAN_BINARY SOURCE_DIR MAKE_CONTACT_LISTING_BINARY
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import meshio
import numpy
import vtk

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_tecplot import Failures, read_ours  # noqa: E402

VTK_LINE, VTK_QUAD, VTK_HEXAHEDRON = 3, 9, 12
REAL = r"-?\d\.\d+E[+-]\d\d"

# ---------------------------------------------------------------- the listing

# Lines that open a section of the listing (or continue it after a page
# break); "other" ends the section before. Rows are read only in a section.
SECTION_LINES = [
    ("NODAL POINT data", "nodes"), ("nodal point definitions (continued)", "nodes"),
    ("HEXAHEDERON ELEMENTS", "elements"), ("element definitions (continued)", "elements"),
    ("DISCRETE ELEMENT control", "other"), ("discrete element connectivity", "springs"),
    ("master segments", "master"), ("slave segments", "slave"), ("interface type", "other"),
    ("CONCENTRATED NODAL LOADS", "loads"), ("TEMPERATURE PROFILE", "temperatures"),
    ("temperature profile (continued)", "temperatures"), ("results for time step", "other"),
    ("n o d a l   p r i n t o u t", "next step"), ("nodal printout (continued)", "printout"),
    ("e l e m e n t   s t r e s s e s", "other"), ("element stresses (continued)", "other"),
]
ROWS = {
    "nodes": re.compile(r"^\s+(\d+)\s+(\d+)" + r"\s+(%s)" % REAL * 3 + r"\s*$"),
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
            for phrase, name in SECTION_LINES:
                if phrase in line:
                    section = "printout" if name == "next step" else name
                    if name == "next step":
                        listing["steps"].append({})
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
                listing["interfaces"][-1][section == "slave"].append([int(n) for n in g])
            elif section == "loads":  # a later row for the same node, case, direction replaces
                listing["loads"][(int(g[0]), int(g[2]), int(g[1]))] = float(g[3])
            elif section == "temperatures":
                listing["temperatures"][int(g[0])] = float(g[1]) + float(g[2])
            elif section == "printout":
                listing["steps"][-1][int(g[0])] = tuple(float(v) for v in g[1:])
    assert sorted(listing["nodes"]) == list(range(1, len(listing["nodes"]) + 1)), path
    return listing


def e13(value):
    """The 13 significant digits and exponent of an Ew.13 field showing `value`."""
    if value == 0.0:
        return ("", "0" * 13, 0)
    mantissa, exponent = ("%.12e" % abs(value)).split("e")
    return ("-" if value < 0 else "", mantissa.replace(".", ""), int(exponent) + 1)


def step_suffix(step):
    return str(step) if step <= 9 else chr(ord(":") + step - 10)


# ---------------------------------------------------------------- VTK's reading

def read_vtu(path, failures):
    errors = []
    reader = vtk.vtkXMLUnstructuredGridReader()
    for event in ("ErrorEvent", "WarningEvent"):
        reader.AddObserver(event, lambda caller, e: errors.append(e))
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
        return {data.GetArrayName(a): [data.GetArray(a).GetTuple(i)
                                       for i in range(data.GetArray(a).GetNumberOfTuples())]
                for a in range(data.GetNumberOfArrays())}, \
            [(data.GetArrayName(a), data.GetArray(a).GetDataTypeAsString())
             for a in range(data.GetNumberOfArrays())]

    point_data, point_arrays = arrays(grid.GetPointData())
    cell_data, cell_arrays = arrays(grid.GetCellData())
    check_meshio(path, grid, cells, point_data, cell_data, failures)
    return {"name": os.path.basename(path), "cells": cells,
            "points": [grid.GetPoint(i) for i in range(grid.GetNumberOfPoints())],
            "point_type": grid.GetPoints().GetData().GetDataTypeAsString(),
            "point_data": point_data, "point_arrays": point_arrays,
            "cell_data": cell_data, "cell_arrays": cell_arrays}


MESHIO_CELL_TYPES = {"hexahedron": VTK_HEXAHEDRON, "quad": VTK_QUAD, "line": VTK_LINE}


def check_meshio(path, grid, cells, point_data, cell_data, failures):
    """meshio (Python's mesh reader) must read the file as VTK does: the same
    points, cells and arrays."""
    label = "%s (meshio)" % os.path.basename(path)
    try:
        mesh = meshio.read(path)
    except Exception as error:  # meshio raises whatever its parser meets
        failures.check(False, "%s: %s: %s" % (label, type(error).__name__, error))
        return
    points = [grid.GetPoint(i) for i in range(grid.GetNumberOfPoints())]
    failures.check(mesh.points.tolist() == [list(p) for p in points], label + ": points differ")
    seen = [(MESHIO_CELL_TYPES.get(block.type), list(map(int, nodes)))
            for block in mesh.cells for nodes in block.data]
    failures.check(seen == cells, label + ": cells differ")
    for name, values in point_data.items():
        ours = numpy.asarray(mesh.point_data.get(name, [])).reshape(len(values), -1)
        failures.check(ours.tolist() == [list(v) for v in values], "%s: %s differs" % (label, name))
    for name, values in cell_data.items():
        blocks = mesh.cell_data.get(name, [])
        ours = numpy.concatenate(blocks).reshape(len(values), -1) if blocks else numpy.empty(0)
        failures.check(ours.tolist() == [list(v) for v in values], "%s: %s differs" % (label, name))
    failures.check(sorted(mesh.point_data) == sorted(point_data) and
                   sorted(mesh.cell_data) == sorted(cell_data), label + ": other arrays")


def column(grid, where, name):
    return [v[0] for v in grid[where][name]]


def expect_equal(failures, label, seen, expected):
    seen, expected = list(seen), list(expected)
    if len(seen) != len(expected):
        failures.check(False, "%s: %d values, expected %d" % (label, len(seen), len(expected)))
        return
    for i, (a, b) in enumerate(zip(seen, expected)):
        if not failures.check(a == b, "%s at %d: %r, expected %r" % (label, i, a, b)):
            return


# ---------------------------------------------------------------- the checks

def check_hexahedra(grid, zones, materials, failures):
    """The first cells are model_load.dat's hexahedra, with zone and material."""
    hexahedra = [(z + 1, cell) for z, zone in enumerate(zones) for cell in zone["cells"]]
    count = len(hexahedra)
    expect_equal(failures, grid["name"] + " hexahedra", grid["cells"][:count],
                 [(VTK_HEXAHEDRON, [n - 1 for n in cell]) for _, cell in hexahedra])
    expect_equal(failures, grid["name"] + " zone", column(grid, "cell_data", "zone")[:count],
                 [z for z, _ in hexahedra])
    if materials is not None:
        expect_equal(failures, grid["name"] + " material",
                     column(grid, "cell_data", "material")[:count],
                     [materials[tuple(cell)] for _, cell in hexahedra])
    return count


def check_listing_run(directory, listing, failures):
    nodes = listing["nodes"]
    numbers = range(1, len(nodes) + 1)
    zones = read_ours(os.path.join(directory, "model_load.dat"))["zones"]
    materials = {corners: material for material, corners in listing["elements"]}
    failures.check(sorted(tuple(c) for z in zones for c in z["cells"]) == sorted(materials),
                   directory + ": model_load.dat's hexahedra are not the listing's elements")

    grid = read_vtu(os.path.join(directory, "model.vtu"), failures)
    failures.check(grid["point_type"] == "double", "model.vtu: points are not Float64")
    expect_equal(failures, "model.vtu points", grid["points"], [nodes[n][1:] for n in numbers])
    count = check_hexahedra(grid, zones, materials, failures)
    expect_equal(failures, "model.vtu springs", grid["cells"][count:],
                 [(VTK_LINE, [a - 1, b - 1]) for a, b in listing["springs"]])
    expect_equal(failures, "model.vtu spring zone and material",
                 grid["cell_data"]["zone"][count:] + grid["cell_data"]["material"][count:],
                 [(0.0,)] * (2 * len(listing["springs"])))
    loads = ["load_%d" % k for k in range(1, listing["load_cases"] + 1)]
    failures.check(grid["point_arrays"] == [("constraint", "int"), ("temperature", "double")]
                   + [(name, "double") for name in loads]
                   and grid["cell_arrays"] == [("zone", "int"), ("material", "int")],
                   "model.vtu: arrays %s %s" % (grid["point_arrays"], grid["cell_arrays"]))
    expect_equal(failures, "model.vtu constraint", column(grid, "point_data", "constraint"),
                 [nodes[n][0] for n in numbers])
    expect_equal(failures, "model.vtu temperature", column(grid, "point_data", "temperature"),
                 [listing["temperatures"].get(n, 0.0) for n in numbers])
    for k, name in enumerate(loads, 1):
        expect_equal(failures, "model.vtu " + name, grid["point_data"][name],
                     [tuple(listing["loads"].get((n, k, d), 0.0) for d in (1, 2, 3))
                      for n in numbers])

    for s, printout in enumerate(listing["steps"], 1):
        grid = read_vtu(os.path.join(directory, "model_stress_%05d.vtu" % s), failures)
        label = grid["name"]
        expect_equal(failures, label + " points", grid["points"], [nodes[n][1:] for n in numbers])
        failures.check(check_hexahedra(grid, zones, materials, failures) == len(grid["cells"]),
                       label + ": cells besides the hexahedra")
        failures.check([a for a, _ in grid["point_arrays"]]
                       == ["displacement", "stress", "effective_stress", "temperature"],
                       "%s: point arrays %s" % (label, grid["point_arrays"]))
        expect_equal(failures, label + " displacement", grid["point_data"]["displacement"],
                     [printout[n][:3] for n in numbers])
        expect_equal(failures, label + " temperature", column(grid, "point_data", "temperature"),
                     [printout[n][3] for n in numbers])
        tecplot = read_ours(os.path.join(directory, "model_stress_%s.dat" % step_suffix(s)))
        rows = tecplot["zones"][0]["values"]  # XX..ZX, MISES at columns 3..9
        stresses = [list(a) + list(b) for a, b in zip(grid["point_data"]["stress"],
                                                       grid["point_data"]["effective_stress"])]
        expect_equal(failures, label + " stresses to 13 digits",
                     [[e13(v) for v in row] for row in stresses[:len(rows)]],
                     [[e13(v) for v in row[3:10]] for row in rows])
        expect_equal(failures, label + " stresses past the written nodes",
                     stresses[len(rows):], [[0.0] * 7] * (len(stresses) - len(rows)))

    datasets = ElementTree.parse(os.path.join(directory, "model_stress.pvd")).findall(
        "./Collection/DataSet")
    expect_equal(failures, "model_stress.pvd", [(d.get("timestep"), d.get("file")) for d in datasets],
                 [(str(s), "model_stress_%05d.vtu" % s) for s in range(1, len(listing["steps"]) + 1)])

    has_file = os.path.exists(os.path.join(directory, "model_interfaces.vtu"))
    if failures.check(has_file == bool(listing["interfaces"]),
                      directory + ": model_interfaces.vtu present without interfaces, or missing"):
        if has_file:
            check_interfaces(directory, listing["interfaces"], failures)


def check_interfaces(directory, interfaces, failures):
    """model_interfaces.vtu holds interfaces[i][side] as quads, in order."""
    grid = read_vtu(os.path.join(directory, "model_interfaces.vtu"), failures)
    cells, values = [], []
    for i, sides in enumerate(interfaces, 1):
        for side, segments in enumerate(sides, 1):
            cells += [(VTK_QUAD, [n - 1 for n in segment]) for segment in segments]
            values += [(i, side)] * len(segments)
    expect_equal(failures, "model_interfaces.vtu cells", grid["cells"], cells)
    expect_equal(failures, "model_interfaces.vtu interface and side",
                 zip(column(grid, "cell_data", "interface"), column(grid, "cell_data", "side")),
                 values)


def check_view_run(directory, temperature_name, failures):
    """model.vtu and model_interfaces.vtu of a generated model or a deck against
    model_load.dat and the interface zone files, to their 13 digits."""
    tecplot = read_ours(os.path.join(directory, "model_load.dat"))
    rows = tecplot["zones"][0]["values"]  # X Y Z, 3 constraint and 3 spring flags, loads, T
    grid = read_vtu(os.path.join(directory, "model.vtu"), failures)
    failures.check([a for a, _ in grid["point_arrays"]] == ["constraint", temperature_name, "load_1"],
                   "model.vtu: point arrays %s" % grid["point_arrays"])
    codes = [(0, 0, 0), (1, 0, 0), (0, 1, 0), (0, 0, 1), (1, 1, 0), (0, 1, 1), (1, 0, 1), (1, 1, 1)]
    seen = [[e13(v) for v in list(p) + list(load) + list(t)] + [codes[int(c[0])]]
            for p, load, t, c in zip(grid["points"], grid["point_data"]["load_1"],
                                     grid["point_data"][temperature_name],
                                     grid["point_data"]["constraint"])]
    expect_equal(failures, directory + " model.vtu nodes", seen,
                 [[e13(v) for v in row[:3] + row[9:13]] + [tuple(int(f) for f in row[3:6])]
                  for row in rows])
    failures.check(check_hexahedra(grid, tecplot["zones"], None, failures) == len(grid["cells"]),
                   "model.vtu: cells besides the hexahedra")
    interfaces = []
    while os.path.exists(os.path.join(directory, "interface_m_%d.dat" % (len(interfaces) + 1))):
        i = len(interfaces) + 1
        interfaces.append([read_ours(os.path.join(directory, "interface_%s_%d.dat" % (side, i)))
                           ["zones"][0]["cells"] for side in "ms"])
    if failures.check(interfaces, directory + ": no interface zone file"):
        check_interfaces(directory, interfaces, failures)


# ---------------------------------------------------------------- the runs

def run_pair(binary, work, name, inputs, arguments, failures):
    """Runs the job without and with --vtk; everything but the VTK files must be
    the same. Returns the folder of the run with --vtk."""
    done = {}
    for folder, extra in ((name + "_plain", []), (name, ["--vtk"])):
        directory = os.path.join(work, folder)
        os.mkdir(directory)
        for file_name, source in inputs.items():
            shutil.copy(source, os.path.join(directory, file_name))
        run = subprocess.run([binary] + arguments + extra, cwd=directory, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        files = {}
        for f in sorted(os.listdir(directory)):
            if not re.search(r"\.(vtu|pvd)$", f):
                with open(os.path.join(directory, f), "rb") as data:
                    files[f] = data.read()
        done[folder] = (run.returncode, run.stdout, run.stderr, files)
    label = "%s (%s)" % (name, " ".join(arguments))
    failures.check(done[name][0] == 0, "%s: %s" % (label, done[name][2].decode(errors="replace")))
    plain, with_vtk = done[name + "_plain"], done[name]
    failures.check(plain[:3] == with_vtk[:3], label + ": the console differs with --vtk")
    failures.check(sorted(plain[3]) == sorted(with_vtk[3]),
                   "%s: files %s, with --vtk %s" % (label, sorted(plain[3]), sorted(with_vtk[3])))
    for f in plain[3]:
        failures.check(plain[3][f] == with_vtk[3].get(f), "%s: %s differs with --vtk" % (label, f))
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
    nodes = ""
    for n in range(16):
        x, y = [(0, 0), (1, 0), (1, 1), (0, 1)][n % 4]
        code = " 7.0" if n < 4 else "  0"
        nodes += "%8d%5s%20.11E%20.11E%20.11E\n" % (n + 1, code, x * 1.5, y - 0.25, n // 4 - n // 8)
    with open(path, "w") as f:
        f.write(DECK.format(nodes=nodes))


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    binary, source, make_contact = (os.path.abspath(a) for a in sys.argv[1:4])
    failures = Failures()
    work = tempfile.mkdtemp(prefix="meridian_vtk_")
    try:
        contact = os.path.join(work, "contact_n3dhsp")
        subprocess.run([make_contact, contact, "4"], check=True, stdout=subprocess.DEVNULL)
        deck = os.path.join(work, "nikein.txt")
        write_deck(deck)
        example = os.path.join(source, "examples", "n3dhsp")
        parameters = os.path.join(source, "tests", "viewer", "parameter_in.txt")
        cases = [
            ("example", {"n3dhsp": example}, ["--scale", "10"], example),
            ("contact_job2", {"n3dhsp": contact}, ["--job", "2"], contact),
            ("contact_job6", {"n3dhsp": contact}, ["--job", "6"], contact),
            ("generated", {"parameter_in.txt": parameters}, ["--job", "0"], "spring_stiffness"),
            ("deck", {"nikein.txt": deck}, ["--job", "5"], "temperature"),
        ]
        for name, inputs, arguments, against in cases:
            try:
                directory = run_pair(binary, work, name, inputs, arguments, failures)
                if "n3dhsp" in inputs:
                    check_listing_run(directory, read_listing(against), failures)
                else:
                    check_view_run(directory, against, failures)
            except Exception as error:  # a missing file or array: report it, check the rest
                failures.check(False, "%s: %s: %s" % (name, type(error).__name__, error))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for message in failures.messages:
        print("FAILED: " + message)
    print("%d VTK files read with VTK %s and meshio %s, %d disagreements"
          % (failures.checked_files, vtk.vtkVersion.GetVTKVersion(), meshio.__version__,
             len(failures.messages)))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
