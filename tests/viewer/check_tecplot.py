#!/usr/bin/python3
"""Opens the Tecplot files that meridian writes with VTK's Tecplot reader.

Runs meridian on the bundled example (job 1, scale factor 10), on the
two-body reference listing (job 1, when ../shared/golden is present) and on a
generated model with one sliding interface (job 0), then reads model_load.dat,
model_stress_1.dat and the interface zone files with vtkTecplotReader. Each
file is also read here, token by token, as the Tecplot ASCII format defines
it; the zones, points, cells, variable names and every node value that VTK
delivers must agree with that reading and with the counts the case is built
to have.

Usage: check_tecplot.py MERIDIAN_BINARY SOURCE_DIR [GOLDEN_DIR]
Exit status 0 when every file opens and agrees, 1 otherwise.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

import vtk

VTK_HEXAHEDRON = 12
VTK_QUAD = 9

MODEL_VARIABLES_ONE_CASE = [
    "X", "Y", "Z", "Constrain X", "Constrain Y", "Constrain Z", "Spring X", "Spring Y",
    "Spring Z", "Load_ 1 X", "Load_ 1 Y", "Load_ 1 Z"]
STRESS_VARIABLES = ["X", "Y", "Z", "XX", "YY", "ZZ", "XY", "YZ", "ZX", "MISES", "TEMPERATURE"]
INTERFACE_VARIABLES = ["X", "Y", "Z"]


def model_variables(load_cases):
    names = MODEL_VARIABLES_ONE_CASE[:9]
    for k in range(1, load_cases + 1):
        names += ["Load_%2d %s" % (k, axis) for axis in "XYZ"]
    return names + ["Temperature"]


class Failures:
    def __init__(self):
        self.messages = []
        self.checked_files = 0

    def check(self, condition, message):
        if not condition:
            self.messages.append(message)
        return condition


# ---------------------------------------------------------------- our reading

def read_ours(path):
    """The file as the Tecplot ASCII format defines it: a TITLE, the quoted
    variable names up to the first ZONE record, then per zone its header and
    N x V node values followed by E x corners node numbers, all free-format."""
    with open(path, "rb") as f:
        text = f.read().decode("ascii")
    assert "\r\n" in text, path + ": records do not end with CR LF"
    lines = text.split("\r\n")
    title = re.match(r'TITLE="([^"]*)"', lines[0]).group(1)
    variables = []
    at = 1
    while not lines[at].startswith("ZONE"):
        variables += re.findall(r'"([^"]*)"', lines[at])
        at += 1
    tokens = []
    zones = []
    # Zone headers and data records, in order; data are whitespace-separated.
    rest = lines[at:]
    i = 0
    while i < len(rest):
        line = rest[i]
        if line.startswith("ZONE"):
            header = line
            if "N=" not in header:  # the size record follows the title record
                i += 1
                header += "," + rest[i]
            zone = {
                "title": (re.search(r'T="([^"]*)"', header) or [None, None])[1],
                "nodes": int(re.search(r"N=\s*(\d+)", header).group(1)),
                "elements": int(re.search(r"E=\s*(\d+)", header).group(1)),
                "type": re.search(r"ET=(\w+)", header).group(1),
                "tokens": [],
            }
            zones.append(zone)
            tokens = zone["tokens"]
        else:
            tokens += line.split()
        i += 1
    for zone in zones:
        corners = 8 if zone["type"] == "BRICK" else 4
        count = zone["nodes"] * len(variables)
        data = zone.pop("tokens")
        assert len(data) == count + zone["elements"] * corners, path + ": zone data length"
        values = [float(t) for t in data[:count]]
        zone["values"] = [values[n * len(variables):(n + 1) * len(variables)]
                          for n in range(zone["nodes"])]
        numbers = [int(t) for t in data[count:]]
        zone["cells"] = [numbers[e * corners:(e + 1) * corners] for e in range(zone["elements"])]
    return {"title": title, "variables": variables, "zones": zones}


# ---------------------------------------------------------------- VTK's reading

def read_with_vtk(path, failures):
    errors = []

    def on_error(caller, event):
        errors.append(event)

    reader = vtk.vtkTecplotReader()
    reader.AddObserver("ErrorEvent", on_error)
    reader.AddObserver("WarningEvent", on_error)
    reader.SetFileName(path)
    reader.Update()
    failures.check(not errors, "%s: VTK reported %s" % (path, errors))
    return reader


def close(a, b):
    # VTK keeps the values as 32-bit floats.
    return abs(a - b) <= 1e-6 * max(1.0, abs(b))


def compare(path, expected, failures):
    """VTK's view of `path` against our reading and the case's expected shape:
    expected = (variables, [elements of each zone], nodes, cell type)."""
    label = os.path.basename(path)
    failures.checked_files += 1
    variables, zone_elements, node_count, cell_type = expected
    ours = read_ours(path)
    ok = failures.check(ours["variables"] == variables,
                        "%s: variables %s, expected %s" % (label, ours["variables"], variables))
    ok &= failures.check([z["elements"] for z in ours["zones"]] == zone_elements,
                         "%s: zone element counts %s, expected %s"
                         % (label, [z["elements"] for z in ours["zones"]], zone_elements))
    ok &= failures.check(all(z["nodes"] == node_count for z in ours["zones"]),
                         "%s: node counts differ from %d" % (label, node_count))
    if not ok:
        return

    reader = read_with_vtk(path, failures)
    failures.check(reader.GetDataTitle() == ours["title"],
                   "%s: VTK title %r, ours %r" % (label, reader.GetDataTitle(), ours["title"]))
    arrays = [reader.GetDataArrayName(i) for i in range(reader.GetNumberOfDataArrays())]
    failures.check(arrays == variables[3:],
                   "%s: VTK arrays %s, expected %s" % (label, arrays, variables[3:]))
    output = reader.GetOutput()
    if not failures.check(output.GetNumberOfBlocks() == len(zone_elements),
                          "%s: VTK sees %d zones, expected %d"
                          % (label, output.GetNumberOfBlocks(), len(zone_elements))):
        return
    for z, zone in enumerate(ours["zones"]):
        where = "%s zone %d" % (label, z + 1)
        grid = output.GetBlock(z)
        if not failures.check(grid is not None, where + ": VTK delivers no grid"):
            continue
        if zone["title"] is not None:
            failures.check(reader.GetBlockName(z) == zone["title"],
                           "%s: VTK zone name %r, ours %r" % (where, reader.GetBlockName(z),
                                                             zone["title"]))
        failures.check(grid.GetNumberOfPoints() == node_count,
                       "%s: %d points, expected %d" % (where, grid.GetNumberOfPoints(), node_count))
        failures.check(grid.GetNumberOfCells() == len(zone["cells"]),
                       "%s: %d cells, expected %d" % (where, grid.GetNumberOfCells(),
                                                      len(zone["cells"])))
        for e, corners in enumerate(zone["cells"]):
            cell = grid.GetCell(e)
            ids = [cell.GetPointId(k) + 1 for k in range(cell.GetNumberOfPoints())]
            if not failures.check(grid.GetCellType(e) == cell_type and ids == corners,
                                  "%s cell %d: VTK type %d nodes %s, ours %s"
                                  % (where, e + 1, grid.GetCellType(e), ids, corners)):
                break
        point_data = grid.GetPointData()
        for n, row in enumerate(zone["values"]):
            point = grid.GetPoint(n)
            seen = list(point) + [point_data.GetArray(name).GetValue(n) for name in arrays]
            if not failures.check(all(close(a, b) for a, b in zip(seen, row)),
                                  "%s node %d: VTK %s, ours %s" % (where, n + 1, seen, row)):
                break


# ---------------------------------------------------------------- the runs

def run(binary, directory, inputs, arguments, stdin):
    for source in inputs:
        shutil.copy(source, directory)
    done = subprocess.run([binary] + arguments, cwd=directory, input=stdin.encode(),
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
    if done.returncode != 0:
        raise RuntimeError("meridian %s in %s failed: %s"
                           % (arguments, directory, done.stderr.decode(errors="replace")))
    return directory


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__)
        return 2
    binary = os.path.abspath(sys.argv[1])
    source = os.path.abspath(sys.argv[2])
    golden = sys.argv[3] if len(sys.argv) == 4 else os.path.join(source, "..", "shared", "golden")
    failures = Failures()
    work = tempfile.mkdtemp(prefix="meridian_vtk_")
    try:
        # The bundled example: a slab of 72 bricks and a block of 24 on it, 200
        # nodes, two load cases.
        example = os.path.join(work, "example")
        os.mkdir(example)
        run(binary, example, [os.path.join(source, "examples", "n3dhsp")], [], "10\n")
        compare(os.path.join(example, "model_load.dat"),
                (model_variables(2), [72, 24], 200, VTK_HEXAHEDRON), failures)
        compare(os.path.join(example, "model_stress_1.dat"),
                (STRESS_VARIABLES, [72, 24], 200, VTK_HEXAHEDRON), failures)

        # Two bodies of two bricks each over 24 nodes (reference listing).
        two_bodies = os.path.join(golden, "two_bodies", "input", "n3dhsp")
        if os.path.exists(two_bodies):
            directory = os.path.join(work, "two_bodies")
            os.mkdir(directory)
            run(binary, directory, [two_bodies], [], "1.0\n")
            compare(os.path.join(directory, "model_load.dat"),
                    (model_variables(1), [2, 2], 24, VTK_HEXAHEDRON), failures)
            compare(os.path.join(directory, "model_stress_1.dat"),
                    (STRESS_VARIABLES, [2, 2], 24, VTK_HEXAHEDRON), failures)
        else:
            print("note: %s not found; the two-body case is not checked" % two_bodies)

        # A generated plate of 2 x 2 bricks under a block of one, with a sliding
        # interface between them: 4 master and 1 slave segments over 26 nodes.
        generated = os.path.join(work, "generated")
        os.mkdir(generated)
        run(binary, generated, [os.path.join(source, "tests", "viewer", "parameter_in.txt")],
            ["--job", "0"], "")
        compare(os.path.join(generated, "model_load.dat"),
                (model_variables(1), [4, 1], 26, VTK_HEXAHEDRON), failures)
        compare(os.path.join(generated, "interface_m_1.dat"),
                (INTERFACE_VARIABLES, [4], 26, VTK_QUAD), failures)
        compare(os.path.join(generated, "interface_s_1.dat"),
                (INTERFACE_VARIABLES, [1], 26, VTK_QUAD), failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for message in failures.messages:
        print("FAILED: " + message)
    print("%d files opened in VTK %s, %d disagreements"
          % (failures.checked_files, vtk.vtkVersion.GetVTKVersion(), len(failures.messages)))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
