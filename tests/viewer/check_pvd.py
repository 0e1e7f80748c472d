"""Opens model_stress.pvd in ParaView and walks its time steps.

Writes a listing of 2000 nodes and 12 printed time steps with make_listing
(springs to nodes that are no hexahedron's corners, so the step files have
points past the stress files' nodes), runs meridian --vtk on it, opens
model_stress.pvd with ParaView's reader and checks that the time bar holds
the 12 step numbers, and that the data at the first and the last step are
those steps' values: displacements and temperatures exactly as the listing
prints them, stresses and effective stresses as the Tecplot stress file of the
step gives them to 13 digits (0 past its nodes).

Run with ParaView's pvpython (no display is needed):
    pvpython check_pvd.py MERIDIAN_BINARY MAKE_LISTING_BINARY
Exit status 0 when everything agrees, 1 otherwise.
"""

import os
import shutil
import subprocess
import sys
import tempfile

from paraview import servermanager
from paraview.simple import GetAnimationScene, GetTimeKeeper, OpenDataFile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_vtk import Failures, e13, read_listing, read_ours, step_suffix  # noqa: E402

STEPS = 12
NODES = 2000
ELEMENTS = 1000  # a block of 10 x 10 x 10 hexahedra: 1331 corner nodes
SPRINGS = 40


def check_step(reader, directory, listing, step, failures):
    reader.UpdatePipeline(float(step))
    grid = servermanager.Fetch(reader)
    label = "time %d" % step
    points = grid.GetNumberOfPoints()
    failures.check(points == NODES, "%s: %d points, expected %d" % (label, points, NODES))
    data = grid.GetPointData()
    names = [data.GetArrayName(a) for a in range(data.GetNumberOfArrays())]
    if not failures.check(names == ["displacement", "stress", "effective_stress", "temperature"],
                          "%s: point arrays %s" % (label, names)):
        return
    printout = listing["steps"][step - 1]
    displacement = data.GetArray("displacement")
    temperature = data.GetArray("temperature")
    for i in range(points):
        seen = displacement.GetTuple3(i) + (temperature.GetValue(i),)
        if not failures.check(seen == printout[i + 1], "%s node %d: %s, the listing prints %s"
                              % (label, i + 1, seen, printout[i + 1])):
            break

    rows = read_ours(os.path.join(directory, "model_stress_%s.dat" % step_suffix(step)))[
        "zones"][0]["values"]  # XX..ZX, MISES at columns 3..9
    failures.check(len(rows) < points,
                   "%s: every point has stresses; none past the written nodes is checked" % label)
    stress = data.GetArray("stress")
    effective = data.GetArray("effective_stress")
    for i in range(points):
        values = list(stress.GetTuple(i)) + [effective.GetValue(i)]
        expected = [e13(v) for v in rows[i][3:10]] if i < len(rows) else [e13(0.0)] * 7
        if not failures.check([e13(v) for v in values] == expected and
                              (i < len(rows) or values == [0.0] * 7),
                              "%s node %d: stresses %s, expected %s" % (label, i + 1, values,
                                                                        expected)):
            break


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    meridian = os.path.abspath(sys.argv[1])
    make_listing = os.path.abspath(sys.argv[2])
    failures = Failures()
    work = tempfile.mkdtemp(prefix="meridian_pvd_")
    try:
        listing_path = os.path.join(work, "n3dhsp")
        subprocess.run([make_listing, listing_path, str(NODES), str(ELEMENTS), str(STEPS),
                        str(SPRINGS)], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([meridian, "--scale", "1", "--vtk"], cwd=work, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        listing = read_listing(listing_path)
        failures.check(len(listing["steps"]) == STEPS, "the listing has %d steps"
                       % len(listing["steps"]))

        reader = OpenDataFile(os.path.join(work, "model_stress.pvd"))
        expected = [float(s) for s in range(1, STEPS + 1)]
        failures.check(list(reader.TimestepValues) == expected,
                       "reader time steps %s" % list(reader.TimestepValues))
        scene = GetAnimationScene()
        scene.UpdateAnimationUsingDataTimeSteps()
        failures.check(list(GetTimeKeeper().TimestepValues) == expected,
                       "time bar %s" % list(GetTimeKeeper().TimestepValues))
        for step in (1, STEPS):
            check_step(reader, work, listing, step, failures)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for message in failures.messages:
        print("FAILED: " + message)
    print("model_stress.pvd of %d steps opened in ParaView, %d disagreements"
          % (STEPS, len(failures.messages)))
    return 1 if failures.messages else 0


if __name__ == "__main__":
    sys.exit(main())
