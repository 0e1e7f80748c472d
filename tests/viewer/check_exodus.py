"""Opens model.exo (meridian --exodus) with ParaView's Exodus II reader and
with meshio.

Writes a listing of 600 nodes, 125 hexahedra, 4 printed time steps and 10
springs with make_listing, runs meridian --job 2 --exodus --report on it and
opens model.exo in ParaView: the time steps are 1 to 4; the nodal variables
come as a three-component displacement array (ParaView names it after the
common part of displacement_x, _y, _z) and the stress arrays; the material
block holds the integration-point arrays, the springs block the spring
arrays; the global variables hold summary.csv's figures per step; "apply
displacements" moves the points. The values of the first and last step are
held against the listing's printed values (displacements, temperatures and
integration-point stresses, as floats), the stress file of the step
(averaged stresses) and summary.csv. Then a listing without springs is read
with meshio, which reads the first step of files whose element variables
live on every block (and keeps displacement_x, _y and _z apart).

Run with ParaView's pvpython (no display is needed):
    pvpython check_exodus.py MERIDIAN_BINARY MAKE_LISTING_BINARY
Exit status 0 when everything agrees, 1 otherwise.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

import warnings

import numpy
from paraview import servermanager
from paraview.simple import ExodusIIReader

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_vtk import Failures, read_listing, read_ours, step_suffix  # noqa: E402

STEPS = 4
NODES = 600
ELEMENTS = 125
SPRINGS = 10
ELEMENT_ROW = re.compile(r"^\s+\d+\s+gauss\s+(\d)\s*" + r"(-?\d\.\d+E[+-]\d\d)\s*" * 7 + r"$")


def as_float(value):
    return float(numpy.float32(value))


def element_printouts(path):
    """Per step, per element number: the 8 x 7 printed integration-point values."""
    steps = []
    element = None
    with open(path, encoding="ascii") as f:
        for line in f:
            if "e l e m e n t   s t r e s s e s" in line:
                steps.append({})
            header = re.match(r"^ element\s+(\d+)\s+material", line)
            if header:
                element = int(header.group(1))
            row = ELEMENT_ROW.match(line)
            if row and steps:
                steps[-1].setdefault(element, []).append([float(v) for v in row.groups()[1:]])
    return steps


def run(meridian, make_listing, directory, springs, arguments):
    os.makedirs(directory)
    listing = os.path.join(directory, "n3dhsp")
    subprocess.run([make_listing, listing, str(NODES), str(ELEMENTS), str(STEPS)] +
                   ([str(springs)] if springs else []), check=True, stdout=subprocess.DEVNULL)
    subprocess.run([meridian] + arguments, cwd=directory, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL)
    return listing


def blocks(reader, time):
    reader.UpdatePipeline(time)
    data = servermanager.Fetch(reader)
    iterator = data.NewIterator()
    iterator.InitTraversal()
    found = []
    while not iterator.IsDoneWithTraversal():
        found.append(iterator.GetCurrentDataObject())
        iterator.GoToNextItem()
    return found


def close(seen, expected, relative=2e-7):
    return abs(seen - expected) <= relative * abs(expected)


def check_paraview(directory, listing_path, failures):
    listing = read_listing(listing_path)
    printouts = element_printouts(listing_path)
    reader = ExodusIIReader(FileName=[os.path.join(directory, "model.exo")])
    reader.UpdatePipelineInformation()
    times = list(reader.TimestepValues)
    failures.check(times == [float(s) for s in range(1, STEPS + 1)], "time steps %s" % times)
    points = list(reader.PointVariables.Available)
    failures.check("displacement_" in points and "displacement_x" not in points,
                   "the displacements as one vector: %s" % points)
    for name in ("stress_xx", "stress_zx", "effective_stress", "temperature"):
        failures.check(name in points, "point variable %s in %s" % (name, points))
    elements = list(reader.ElementVariables.Available)
    failures.check(len(elements) == 58 and "effective_stress_ip8" in elements and "spring_force" in elements,
                   "element variables %s" % elements)
    reader.PointVariables = points
    reader.ElementVariables = elements
    reader.GlobalVariables = reader.GlobalVariables.Available
    reader.GenerateGlobalNodeIdArray = 1
    reader.GenerateGlobalElementIdArray = 1
    with open(os.path.join(directory, "summary.csv"), "rb") as f:
        summary = [line.split(",") for line in f.read().decode("ascii").split("\r\n")[1:-1]]
    for step in (1, STEPS):
        label = "step %d" % step
        material, springs = blocks(reader, float(step))
        failures.check(material.GetNumberOfCells() == ELEMENTS and springs.GetNumberOfCells() == SPRINGS,
                       "%s: %d hexahedra and %d springs" % (label, material.GetNumberOfCells(), springs.GetNumberOfCells()))
        stress_rows = read_ours(os.path.join(directory, "model_stress_%s.dat" % step_suffix(step)))["zones"][0]["values"]
        data = material.GetPointData()
        node_ids = data.GetArray("GlobalNodeId")
        displacement = data.GetArray("displacement_")
        failures.check(displacement.GetNumberOfComponents() == 3, "%s: displacement has 3 components" % label)
        for i in range(material.GetNumberOfPoints()):
            node = int(node_ids.GetValue(i))
            printed = listing["steps"][step - 1][node]
            seen = displacement.GetTuple3(i) + (data.GetArray("temperature").GetValue(i),)
            if not failures.check(seen == tuple(as_float(v) for v in printed),
                                  "%s node %d: %s, the listing prints %s" % (label, node, seen, printed)):
                break
            effective = data.GetArray("effective_stress").GetValue(i)
            expected = stress_rows[node - 1][9]
            if not failures.check(close(effective, expected), "%s node %d: effective stress %s, the stress file %s"
                                  % (label, node, effective, expected)):
                break
        cells = material.GetCellData()
        element_ids = cells.GetArray("GlobalElementId")
        for i in range(material.GetNumberOfCells()):
            element = int(element_ids.GetValue(i))
            rows = printouts[step - 1][element]
            seen = (cells.GetArray("stress_ip1_xx").GetValue(i), cells.GetArray("effective_stress_ip8").GetValue(i))
            if not failures.check(seen == (as_float(rows[0][0]), as_float(rows[7][6])),
                                  "%s element %d: %s, the listing prints %s" % (label, element, seen, (rows[0][0], rows[7][6]))):
                break
        failures.check(springs.GetCellData().GetArray("spring_force") is not None, "%s: spring_force on the springs" % label)
        fields = material.GetFieldData()
        for column, name in ((1, "max_displacement"), (3, "max_effective_stress"), (5, "max_ip_effective_stress"),
                             (7, "min_temperature"), (8, "max_temperature")):
            values = fields.GetArray(name)
            seen = values.GetValue(step - 1) if values is not None else None
            failures.check(seen == as_float(float(summary[step - 1][column])),
                           "%s: global %s %s, summary.csv %s" % (label, name, seen, summary[step - 1][column]))
    # "Apply displacements" moves every point by its displacement times the
    # magnitude.
    reader.ApplyDisplacements = 1
    reader.DisplacementMagnitude = 1000.0
    material = blocks(reader, float(STEPS))[0]
    node = int(material.GetPointData().GetArray("GlobalNodeId").GetValue(5))
    moved = material.GetPoint(5)
    x, y, z = listing["nodes"][node][1:]
    dx, dy, dz = listing["steps"][STEPS - 1][node][:3]
    failures.check(all(close(m, as_float(p) + 1000.0 * as_float(d), 1e-5) or abs(m - p - 1000.0 * d) < 1e-4
                       for m, p, d in zip(moved, (x, y, z), (dx, dy, dz))),
                   "apply displacements: node %d at %s, from %s by %s" % (node, moved, (x, y, z), (dx, dy, dz)))


def check_meshio(directory, listing_path, failures):
    import meshio  # noqa: E402 (the system's, which pvpython's interpreter sees)

    listing = read_listing(listing_path)
    printouts = element_printouts(listing_path)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # "Skipping some time data": meshio reads step 1 alone
        mesh = meshio.read(os.path.join(directory, "model.exo"), file_format="exodus")
    failures.check(len(mesh.points) == NODES, "meshio: %d points" % len(mesh.points))
    failures.check(all(tuple(as_float(v) for v in mesh.points[i]) == tuple(as_float(v) for v in listing["nodes"][i + 1][1:])
                       for i in range(NODES)), "meshio: the points are the listing's")
    failures.check([c.type for c in mesh.cells] == ["hexahedron"] and len(mesh.cells[0].data) == ELEMENTS,
                   "meshio: cells %s" % [(c.type, len(c.data)) for c in mesh.cells])
    # meshio takes the first step, and keeps the three components apart.
    names = ["displacement_x", "displacement_y", "displacement_z"]
    failures.check(all(name in mesh.point_data for name in names), "meshio: point data %s" % list(mesh.point_data))
    displacement = numpy.column_stack([mesh.point_data[name] for name in names]) if all(
        name in mesh.point_data for name in names) else None
    if displacement is not None:
        failures.check(all(tuple(displacement[i]) == tuple(as_float(v) for v in listing["steps"][0][i + 1][:3])
                           for i in range(NODES)), "meshio: the displacements of step 1 are the listing's")
    effective = mesh.cell_data.get("effective_stress_ip1")
    failures.check(effective is not None and len(effective[0]) == ELEMENTS, "meshio: cell data %s" % list(mesh.cell_data)[:8])
    if effective is not None:
        failures.check(all(effective[0][e - 1] == as_float(printouts[0][e][0][6]) for e in range(1, ELEMENTS + 1)),
                       "meshio: effective_stress_ip1 of step 1 is the listing's")


def check_meshio_refuses_springs(directory, failures):
    """meshio 5.0 takes only element variables that live on every block: of
    a model with springs it reads nothing (the README says so)."""
    import meshio  # noqa: E402

    try:
        meshio.read(os.path.join(directory, "model.exo"), file_format="exodus")
    except ValueError as error:
        failures.check("Incompatible cell data" in str(error), "meshio on springs: %s" % error)
        return
    failures.check(False, "meshio now reads a model with springs: say so in the README")


def main():
    meridian, make_listing = sys.argv[1:3]
    failures = Failures()
    work = tempfile.mkdtemp(prefix="meridian-exodus-")
    try:
        directory = os.path.join(work, "springs")
        listing = run(meridian, make_listing, directory, SPRINGS, ["--job", "2", "--exodus", "--report"])
        check_paraview(directory, listing, failures)
        check_meshio_refuses_springs(directory, failures)
        directory = os.path.join(work, "plain")
        listing = run(meridian, make_listing, directory, 0, ["--job", "2", "--exodus"])
        check_meshio(directory, listing, failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for message in failures.messages:
        print("FAILED: " + message)
    print("model.exo opened in ParaView and meshio, %d disagreements" % len(failures.messages))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
